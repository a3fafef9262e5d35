#pragma once
// BMP files in the "BM" layout: a 14-byte file header, an info header and the pixels.
//
// Reading accepts info headers of 12, 40, 52, 56, 108 and 124 bytes; 1, 4, 8, 16, 24 and 32 bits
// per pixel; no compression, RLE8, RLE4 and bit-field masks (16 and 32 bits); rows bottom-up or
// top-down. The result is in the file's own depth for 1, 4, 8 and 24 bits and 32 bits otherwise;
// an indexed file's colour table becomes the palette (its used-colour count, or 2^bits entries).
// Every size, count and offset of the file is checked against the bytes there are (in 64 bits)
// and against TBitmap's size limits: damaged files raise EInvalidGraphic, never read outside the
// data.
//
// Writing gives a 40-byte info header, rows bottom-up, no compression, and for indexed bitmaps the
// palette as colour table (used colours = the palette's count).
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/streams/Stream.h"
#include "widgets/gfx/Bitmap.h"

namespace olv {

TBitmap ReadBmp(std::span<const uint8_t> file);
// Reads one file from the stream's position to its end and leaves the position after the file's
// stated size (or at the end).
TBitmap ReadBmp(TStream& stream);

std::vector<uint8_t> WriteBmp(const TBitmap& bitmap);
void WriteBmp(const TBitmap& bitmap, TStream& stream);

}  // namespace olv
