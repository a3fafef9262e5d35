#pragma once
// Byte and sub-block input and output shared by the GIF blocks. Streams are the caller's; these
// routines only move their position.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/streams/Stream.h"

namespace olv {

// One byte; 0 when nothing could be read.
uint8_t GIFReadByte(TStream& s);
// One byte, or -1 at the end of the stream.
int GIFPeekOrEnd(TStream& s);
void GIFWriteByte(TStream& s, uint8_t b);
// Exactly count bytes: GIFException "Premature end of data" when fewer arrive.
void GIFReadCheck(TStream& s, void* buffer, size_t count);
uint16_t GIFReadWord(TStream& s);
void GIFWriteWord(TStream& s, uint16_t v);
// Each string cut into sub-blocks of at most 255 bytes, then one 0 byte after all strings.
void GIFWriteStrings(TStream& s, const std::vector<std::string>& strings);
// One string per sub-block, until a 0 length byte or the end of the stream (a sub-block cut short
// keeps what there was).
std::vector<std::string> GIFReadStrings(TStream& s);
// Skips data sub-blocks up to and including the 0 length byte (or to the end of the stream).
void GIFSkipSubBlocks(TStream& s);

}  // namespace olv
