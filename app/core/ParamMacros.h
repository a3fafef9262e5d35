#pragma once
// The macros of one run (or one edit): a scheme's parameters as name=value pairs, written
// "~name~" in a command line or script. Each run has a list of its own, so runs of different
// schemes at the same time never see each other's values. Names compare without regard to
// letter case; a name the list does not hold is left in the text as it is.
// One thread at a time (the run's, or the main thread for an edit).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sch {

class ParamMacros {
 public:
  void SetMacro(std::string_view name, std::string_view value);
  void ClearMacro(std::string_view name);
  // The text with every "~name~" of a held name replaced by its value.
  std::string Expand(std::string_view text) const;

 private:
  const std::string* Find(std::string_view name) const;
  std::vector<std::pair<std::string, std::string>> macros_;
};

}  // namespace sch
