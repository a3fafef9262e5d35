#include "widgets/Icon.h"

#include <fstream>
#include <iterator>

#include "foundation/base/Exception.h"

namespace olv {

TIcon::TIcon(std::vector<unsigned char> encoded)
    : data_(std::make_shared<const std::vector<unsigned char>>(std::move(encoded))) {}

TIcon TIcon::FromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("Cannot open the icon file \"" + path + "\"");
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw Exception("Cannot read the icon file \"" + path + "\"");
  return TIcon(std::move(bytes));
}

const std::vector<unsigned char>& TIcon::Data() const {
  static const std::vector<unsigned char> none;
  return data_ ? *data_ : none;
}

bool operator==(const TIcon& a, const TIcon& b) {
  return a.data_ == b.data_ || a.Data() == b.Data();
}

}  // namespace olv
