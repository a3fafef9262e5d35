#pragma once
// The Skin3rd lines a skin component starts with: controls of other component libraries that are
// skinned as a built-in kind ("class=kind"). Three lines stand twice, as they always have.
#include <string>
#include <vector>

namespace skin {

const std::vector<std::string>& DefaultSkin3rd();

}  // namespace skin
