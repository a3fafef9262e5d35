#pragma once
// The program's own skin package, built into the program: compressed, as a skin component stores
// it (skin/SkinData.h, SetPackage). Immutable; any thread.
#include <cstdint>
#include <span>

namespace resources {

std::span<const uint8_t> EmbeddedSkinPackage();

}  // namespace resources
