#pragma once
// The program's own pictures, drawn at build time by tools/pagepictures with our GIF encoder and
// compiled in as the bytes of GIF files: the information page's seven pictures by their keys, and
// the tray's icons in cycle order (the first is the icon at rest). Constant data: any thread.
#include <cstddef>
#include <span>

namespace sch {

struct EmbeddedPicture {
  const char* key;
  const unsigned char* bytes;
  std::size_t size;
};

std::span<const EmbeddedPicture> PagePictureData();
std::span<const EmbeddedPicture> TrayIconData();

}  // namespace sch
