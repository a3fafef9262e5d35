#pragma once
// The outside peers of the GIF tests: giflib's decoder, and ImageMagick's convert run as a program.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/gfx/Color.h"
#include "widgets/gif/GIFImage.h"

namespace olv::giftest {

struct PeerFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<uint8_t> pixels;  // rows top to bottom, de-interlaced
  std::vector<TColor> colors;   // the frame's active colour table
  int transparent = -1;
  int disposal = 0;
  int delay = 0;
};

struct PeerPicture {
  int width = 0, height = 0;
  std::vector<PeerFrame> frames;
  int loops = -1;  // -1: no looping extension
};

// giflib's reading of the bytes; nullopt when it refuses them.
std::optional<PeerPicture> GiflibDecode(const std::vector<uint8_t>& bytes);

// giflib's coding of one frame of 2^bits colours: the minimum code size byte, the LZW data
// sub-blocks and the terminator, as they stand in the file giflib writes.
std::vector<uint8_t> GiflibImageData(const std::vector<uint8_t>& pixels, int width, int height, int bits);

// Our reading in the same shape: frames with pixels only; warnings collected.
PeerPicture OurDecode(const std::vector<uint8_t>& bytes, std::vector<std::string>* warnings = nullptr);

std::vector<uint8_t> SaveToBytes(TGIFImage& image);

// A picture of one frame of the pixels, with 2^bits distinct colours in the global table (or the
// frame's own table when local), coded with compression (0 LZW, 1 run-length).
std::unique_ptr<TGIFImage> OneFrame(int width, int height, int bits, const std::vector<uint8_t>& pixels,
                                    bool interlaced, bool local = false, uint8_t compression = 0);
// Reproducible pseudo-random bytes below limit.
std::vector<uint8_t> Noise(size_t count, int limit, uint32_t seed);

// The path of ImageMagick's convert, or empty when it is not installed (a "convert" on PATH that is
// not ImageMagick's does not count).
std::string ConvertProgram();
// Runs convert with the arguments (joined with blanks, no shell quoting needed for ours); true on
// exit code 0.
bool RunConvert(const std::string& arguments);
std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string TempPath(const std::string& name);

}  // namespace olv::giftest
