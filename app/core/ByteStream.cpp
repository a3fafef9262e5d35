#include "app/core/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace sch {

std::size_t StringSource::read(void* buffer, std::size_t count) {
  const std::size_t n = std::min(count, data_.size());
  if (n != 0) std::memcpy(buffer, data_.data(), n);
  data_.remove_prefix(n);
  return n;
}

std::size_t ReadFully(ByteSource& source, void* buffer, std::size_t count) {
  auto* p = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t n = source.read(p + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace sch
