#include "resources/EmbeddedSkin.h"

namespace resources_data {
extern const unsigned char kEmbeddedSkinPackage[];
extern const unsigned long kEmbeddedSkinPackage_size;
}  // namespace resources_data

namespace resources {

std::span<const uint8_t> EmbeddedSkinPackage() {
  return {resources_data::kEmbeddedSkinPackage, resources_data::kEmbeddedSkinPackage_size};
}

}  // namespace resources
