// A GIF picture on the clipboard: the whole file under its own format beside the bitmap the caller
// puts there, read back from either, and the two refusals (a format it cannot read, a clipboard
// that will not take the file).
#include <gtest/gtest.h>

#include <stdexcept>

#include "GifAnimations.h"
#include "foundation/objects/OlvClipboard.h"
#include "platform/Clipboard.h"
#include "widgets/gfx/BmpFile.h"
#include "widgets/gif/GIFException.h"

namespace olv {
namespace {

using giftest::Solid;

const std::vector<TColor> kColors = {MakeColor(255, 0, 0), MakeColor(0, 255, 0), MakeColor(0, 0, 255), kClWhite};

// Each test gets an empty clipboard of its own and leaves the process's one in place.
class GIFClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetClipboard(&clipboard_); }
  void TearDown() override { plat::SetClipboard(nullptr); }
  plat::InProcessClipboard clipboard_;
};

class RefusingClipboard : public plat::Clipboard {
 public:
  void Put(const std::map<std::string, std::string>&) override { throw std::runtime_error("clipboard busy"); }
  std::optional<std::string> Get(const std::string&) const override { return std::nullopt; }
};

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const GIFException& e) {
    return e.what();
  }
  return "";
}

TEST_F(GIFClipboardTest, TheFileAndTheBitmapGoTogetherAndComeBack) {
  auto image = giftest::MakeAnimation(6, 5, kColors, {Solid(0, 0, 6, 5, 0, 1, 5), Solid(1, 1, 3, 2, 2, 1, 7)}, 0);
  const std::vector<uint8_t> file = giftest::SaveToBytes(*image);

  // The caller's session: the picture's file and the bitmap it hands back reach the clipboard at once.
  OlvClipboard().Open();
  std::optional<TGIFClipboardData> out = image->SaveToClipboardFormat();
  ASSERT_TRUE(out);
  EXPECT_FALSE(clipboard_.HasFormat(kGIFClipboardFormat));
  OlvClipboard().PutBytes(out->format, out->data);
  OlvClipboard().Close();

  EXPECT_EQ(out->format, plat::kBitmapFormat);
  const std::optional<std::string> onBoard = clipboard_.Get(kGIFClipboardFormat);
  ASSERT_TRUE(onBoard);
  EXPECT_EQ(std::vector<uint8_t>(onBoard->begin(), onBoard->end()), file);
  const TBitmap frameZero = ReadBmp(std::span(reinterpret_cast<const uint8_t*>(out->data.data()), out->data.size()));
  EXPECT_EQ(giftest::ScreenOf(frameZero), giftest::ScreenOf(*image->GetBitmap()));
  EXPECT_EQ(out->palette, image->GetBitmap()->Palette());

  // Read back from the clipboard's own entry: every frame.
  TGIFImage fromGif;
  fromGif.LoadFromClipboardFormat(kGIFClipboardFormat);
  EXPECT_EQ(giftest::SaveToBytes(fromGif), file);

  // From the bitmap's bytes, handed over directly: one frame showing frame 0.
  TGIFImage fromBitmap;
  fromBitmap.LoadFromClipboardFormat(plat::kBitmapFormat, out->data);
  ASSERT_EQ(fromBitmap.Images().Count(), 1);
  EXPECT_EQ(giftest::ScreenOf(*fromBitmap.GetBitmap()), giftest::ScreenOf(*image->GetBitmap()));

  // An empty picture offers nothing and leaves the clipboard alone.
  TGIFImage empty;
  EXPECT_FALSE(empty.SaveToClipboardFormat());
  EXPECT_TRUE(clipboard_.HasFormat(kGIFClipboardFormat));
}

TEST_F(GIFClipboardTest, FormatsItCannotReadAndAClipboardThatRefuses) {
  auto image = giftest::MakeAnimation(4, 4, kColors, {Solid(0, 0, 4, 4, 1, 1, 5)});
  TGIFImage target;
  // No data on the clipboard under a known format, and a format the picture does not read.
  EXPECT_EQ(Message([&] { target.LoadFromClipboardFormat(kGIFClipboardFormat); }), "Unsupported clipboard format");
  clipboard_.Put({{plat::kTextFormat, "GIF89a"}});
  EXPECT_EQ(Message([&] { target.LoadFromClipboardFormat(plat::kTextFormat); }), "Unsupported clipboard format");
  EXPECT_EQ(Message([&] { target.LoadFromClipboardFormat(plat::kTextFormat, std::string("GIF89a")); }),
            "Unsupported clipboard format");

  RefusingClipboard refusing;
  plat::SetClipboard(&refusing);
  EXPECT_EQ(Message([&] { image->SaveToClipboardFormat(); }), "Failed to store GIF on clipboard");
  // The refusal leaves no half-made session behind: the next copy goes through.
  plat::SetClipboard(&clipboard_);
  ASSERT_TRUE(image->SaveToClipboardFormat());
  EXPECT_TRUE(clipboard_.HasFormat(kGIFClipboardFormat));
}

}  // namespace
}  // namespace olv
