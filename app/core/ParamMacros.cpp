#include "app/core/ParamMacros.h"

#include "foundation/OlvClass.h"

namespace sch {

const std::string* ParamMacros::Find(std::string_view name) const {
  for (const auto& [n, v] : macros_) {
    if (olv::SameName(n, name)) return &v;
  }
  return nullptr;
}

void ParamMacros::SetMacro(std::string_view name, std::string_view value) {
  for (auto& [n, v] : macros_) {
    if (olv::SameName(n, name)) {
      v = value;
      return;
    }
  }
  macros_.emplace_back(std::string(name), std::string(value));
}

void ParamMacros::ClearMacro(std::string_view name) {
  std::erase_if(macros_, [&](const auto& m) { return olv::SameName(m.first, name); });
}

std::string ParamMacros::Expand(std::string_view text) const {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t open = text.find('~', pos);
    if (open == std::string_view::npos) break;
    const size_t close = text.find('~', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text, pos, open - pos);
    if (const std::string* value = Find(text.substr(open + 1, close - open - 1))) {
      out += *value;
      pos = close + 1;
    } else {
      // Not ours: keep the first "~" and look again from the second, which may open a name.
      out += '~';
      pos = open + 1;
    }
  }
  out.append(text, pos, std::string_view::npos);
  return out;
}

}  // namespace sch
