// Skin packages come from the program's resources or from a skin file the user names: loading any
// bytes must give a skin or leave the component empty, never crash, read outside a buffer or take
// memory the bytes cannot justify. The first byte chooses what the rest is: a compressed package
// as stored (even), or a container that is compressed here first (odd), so the container's
// counts, names, sizes, INI and bitmaps are reached as well as the decoder.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "tools/skinkit/LzhEncoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  skin::TSkinData skin;
  const bool loaded = (data[0] & 1) ? skin.SetPackage(skinkit::LzhEncode(rest))
                                    : skin.SetPackage(std::vector<std::uint8_t>(rest.begin(), rest.end()));
  if (loaded != !skin.Empty()) __builtin_trap();
  if (!loaded) return 0;
  // Draw what was loaded the way the painters will: whatever the INI said, it stays in bounds.
  olv::TBitmap target(48, 32);
  olv::TCanvas canvas(target);
  const skin::TDataSkinButton& b = skin.Buttons();
  skin::DrawSkinImage(canvas, target.Bounds(), b.Bitmap, false, b.Tile == 1, b.Trans == 1, b.FrameCount(), 4,
                      b.Margins());
  for (const auto& button : skin.SysButtons())
    skin::DrawSkinFrame(canvas, {0, 0, 16, 16}, button->Bitmap, true, button->FrameCount(), 4);
  if (const skin::TDataSkinObject* bar = skin.Object(skin::TSkinRole::MenuBar))
    skin::DrawSkinBar(canvas, {0, 0, 48, 10}, bar->Bitmap, true, false, bar->FrameCount(), 2, bar->Margins());
  return 0;
}
