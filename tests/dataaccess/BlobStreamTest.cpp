// The blob stream over a field of a dataset: opening rules per mode, reads that never overrun,
// writes through the cached blob, and what closing tells the dataset.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "dataaccess/Blob.h"
#include "dataaccess/BlobStream.h"
#include "dataaccess/DAErrors.h"

namespace da {
namespace {

// A dataset with one blob field, driving the blob the way the record store does: writes and
// truncations switch the blob to cached mode first.
class FakeField : public TBlobStreamField {
 public:
  FakeField() { blob->SetAsString(std::string(1000, 'v')); }
  ~FakeField() override { blob->Release(); }

  TBlob* blob = new TBlob();
  bool hasRecord = true, filtering = false, editing = true, readOnly = false, modified = false;
  int fieldChanged = 0;
  char record[8] = {};

  int FieldNo() const override { return 3; }
  std::string DisplayName() const override { return "NOTES"; }
  bool ReadOnly() const override { return readOnly; }
  bool Modified() const override { return modified; }
  void SetModified(bool m) override { modified = m; }
  void* RecordBuffer() override { return hasRecord ? record : nullptr; }
  bool Filtering() const override { return filtering; }
  bool Editing() const override { return editing; }
  std::uint32_t ReadBlob(void*, std::uint32_t position, std::uint32_t count, void* destination) override {
    return blob->Read(position, count, destination);
  }
  void WriteBlob(void*, std::uint32_t position, std::uint32_t count, const void* source) override {
    blob->EnableCache();
    blob->Write(position, count, source);
  }
  void TruncateBlob(void*, std::uint32_t size) override {
    blob->EnableCache();
    blob->Truncate(size);
  }
  std::uint32_t GetBlobSize(void*) override { return blob->Size(); }
  void FieldChanged() override { ++fieldChanged; }
};

TEST(TBlobStream, ReadModeNeverChangesTheRecord) {
  FakeField field;
  field.editing = false;
  {
    TBlobStream stream(field, TBlobStreamMode::bmRead);
    EXPECT_TRUE(stream.Opened());
    EXPECT_EQ(stream.Size(), 1000);
    char buf[600];
    EXPECT_EQ(stream.Read(buf, 600), 600);
    EXPECT_EQ(stream.Read(buf, 600), 400);
    EXPECT_EQ(stream.Read(buf, 600), 0);
  }
  EXPECT_EQ(field.fieldChanged, 0);
  EXPECT_FALSE(field.modified);
  EXPECT_FALSE(field.blob->Cached());
}

// A count of 0 must read nothing: the record store takes 0 as "the whole value", which would run
// past the caller's buffer. Guard bytes around the buffer would be overwritten otherwise.
TEST(TBlobStream, ReadOfZeroBytesReadsNothing) {
  FakeField field;
  TBlobStream stream(field, TBlobStreamMode::bmRead);
  char buf[4] = {'g', 'g', 'g', 'g'};
  EXPECT_EQ(stream.Read(buf, 0), 0);
  EXPECT_EQ(std::string(buf, 4), "gggg");
  stream.Seek(0, TSeekOrigin::End);
  EXPECT_EQ(stream.Read(buf, 4), 0);  // at the end: nothing left, nothing read
  EXPECT_EQ(std::string(buf, 4), "gggg");
  stream.Seek(-2, TSeekOrigin::End);
  EXPECT_EQ(stream.Read(buf, 4), 2);
  stream.Seek(-5000, TSeekOrigin::End);
  EXPECT_EQ(stream.Read(buf, 4), 0);  // before the start: nothing
}

TEST(TBlobStream, WriteModeEmptiesAtOnceAndReportsOnClose) {
  FakeField field;
  {
    TBlobStream stream(field, TBlobStreamMode::bmWrite);
    EXPECT_EQ(field.blob->Size(), 0u);
    EXPECT_EQ(stream.Write("new text", 8), 8);
    EXPECT_EQ(stream.Position(), 8);
    EXPECT_TRUE(stream.Modified());
  }
  EXPECT_TRUE(field.modified);
  EXPECT_EQ(field.fieldChanged, 1);
  EXPECT_EQ(field.blob->GetAsString(), "new text");
  field.blob->Cancel();  // the edit can still be undone
  EXPECT_EQ(field.blob->GetAsString(), std::string(1000, 'v'));
}

TEST(TBlobStream, ReadWriteModeEditsInPlace) {
  FakeField field;
  field.blob->SetAsString("hello world");
  {
    TBlobStream stream(field, TBlobStreamMode::bmReadWrite);
    stream.Seek(6, TSeekOrigin::Beginning);
    stream.Write("W", 1);
    stream.Seek(-3, TSeekOrigin::Current);
    char c;
    EXPECT_EQ(stream.Read(&c, 1), 1);
    EXPECT_EQ(c, 'o');
    stream.Seek(8, TSeekOrigin::Beginning);
    stream.Truncate();
  }
  EXPECT_EQ(field.blob->GetAsString(), "hello Wo");
  field.blob->Cancel();
  EXPECT_EQ(field.blob->GetAsString(), "hello world");
}

TEST(TBlobStream, OpeningRules) {
  {
    FakeField field;
    field.hasRecord = false;
    TBlobStream stream(field, TBlobStreamMode::bmWrite);
    EXPECT_FALSE(stream.Opened());
    char buf[4];
    EXPECT_EQ(stream.Read(buf, 4), 0);
    EXPECT_EQ(stream.Write(buf, 4), 0);
    EXPECT_EQ(stream.Size(), 0);
  }
  {
    FakeField field;
    field.filtering = true;
    EXPECT_THROW(TBlobStream(field, TBlobStreamMode::bmRead), EDatabaseError);
  }
  {
    FakeField field;
    field.readOnly = true;
    try {
      TBlobStream stream(field, TBlobStreamMode::bmReadWrite);
      FAIL();
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Field 'NOTES' cannot be modified");
    }
    TBlobStream reader(field, TBlobStreamMode::bmRead);  // reading a read-only field is fine
    EXPECT_TRUE(reader.Opened());
  }
  {
    FakeField field;
    field.editing = false;
    try {
      TBlobStream stream(field, TBlobStreamMode::bmWrite);
      FAIL();
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
    }
    EXPECT_EQ(field.blob->Size(), 1000u);
    field.modified = true;  // already modified for this record: no further checks
    TBlobStream stream(field, TBlobStreamMode::bmWrite);
    EXPECT_TRUE(stream.Opened());
  }
}

// Random reads and writes through the stream against a std::string and a stream position model.
TEST(TBlobStream, RandomRunsAgainstAStringModel) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    std::mt19937 rng(seed);
    FakeField field;
    field.blob->PieceSize = 1 + seed * 3;
    std::string model(1000, 'v');
    TBlobStream stream(field, TBlobStreamMode::bmReadWrite);
    std::int64_t pos = 0;
    for (int step = 0; step < 1000; ++step) {
      const auto size = static_cast<std::int64_t>(model.size());
      switch (rng() % 4) {
        case 0: {
          pos = static_cast<std::int64_t>(rng() % (model.size() + 20)) - 5;
          stream.Seek(pos, TSeekOrigin::Beginning);
          break;
        }
        case 1: {
          std::int64_t count = rng() % 40;
          std::string buf(static_cast<std::size_t>(count) + 8, '#');
          std::int64_t got = stream.Read(buf.data(), count);
          std::int64_t expect = (pos < 0 || pos >= size) ? 0 : std::min(count, size - pos);
          ASSERT_EQ(got, expect);
          if (got) {
            ASSERT_EQ(buf.substr(0, static_cast<std::size_t>(got)),
                      model.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(got)));
          }
          ASSERT_EQ(buf.substr(static_cast<std::size_t>(got)), std::string(buf.size() - static_cast<std::size_t>(got), '#'));
          pos += got;
          break;
        }
        case 2: {
          std::string data(rng() % 30, static_cast<char>('a' + rng() % 26));
          std::int64_t wrote = stream.Write(data.data(), static_cast<std::int64_t>(data.size()));
          if (pos < 0 || data.empty()) {
            ASSERT_EQ(wrote, 0);
          } else {
            std::size_t at = static_cast<std::size_t>(std::min(pos, size));
            if (model.size() < at + data.size()) model.resize(at + data.size());
            model.replace(at, data.size(), data);
            pos += wrote;
          }
          break;
        }
        default:
          ASSERT_EQ(stream.Size(), size);
      }
      ASSERT_EQ(stream.Position(), pos);
    }
    ASSERT_EQ(field.blob->GetAsString(), model);
  }
}

}  // namespace
}  // namespace da
