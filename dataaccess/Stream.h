#pragma once
// The data-access layer reads and writes values through the library's byte stream (a blob's
// LoadFromStream and SaveToStream, the dataset's blob stream): the names below are the library's
// own classes, so a file stream or memory stream of the library can be handed to a blob directly.
#include "foundation/streams/Stream.h"

namespace da {

using olv::TMemoryStream;
using olv::TSeekOrigin;
using olv::TStream;

}  // namespace da
