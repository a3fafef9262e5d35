#pragma once
// The kinds of controls and menus a skin can take over, the set of them a skin component skins,
// and which windows a component skins. Plain values, no thread affinity.
#include <cstdint>
#include <initializer_list>

namespace skin {

enum TSkinControlType : uint8_t {
  xcMainMenu,
  xcPopupMenu,
  xcToolbar,
  xcControlbar,
  xcCombo,
  xcCheckBox,
  xcRadioButton,
  xcProgress,
  xcScrollbar,
  xcEdit,
  xcButton,
  xcBitBtn,
  xcSpeedButton,
  xcPanel,
  xcGroupBox,
  xcStatusBar,
  xcTab,
  xcSystemMenu,
  xcFastReport,
};
constexpr int kSkinControlTypeCount = xcFastReport + 1;

class TSkinControlTypes {
 public:
  constexpr TSkinControlTypes() = default;
  constexpr TSkinControlTypes(std::initializer_list<TSkinControlType> kinds) {
    for (TSkinControlType k : kinds) bits_ |= Bit(k);
  }
  // Every kind from xcMainMenu to xcSystemMenu: the component's default.
  static constexpr TSkinControlTypes Defaults() {
    TSkinControlTypes s;
    s.bits_ = (1u << (xcSystemMenu + 1)) - 1;
    return s;
  }

  constexpr bool Has(TSkinControlType k) const { return (bits_ & Bit(k)) != 0; }
  constexpr TSkinControlTypes& Add(TSkinControlType k) {
    bits_ |= Bit(k);
    return *this;
  }
  constexpr TSkinControlTypes& Remove(TSkinControlType k) {
    bits_ &= ~Bit(k);
    return *this;
  }
  // The set as stored in a form: three bytes, bit n for kind n.
  constexpr uint32_t Bits() const { return bits_; }
  friend constexpr bool operator==(TSkinControlTypes, TSkinControlTypes) = default;

 private:
  static constexpr uint32_t Bit(TSkinControlType k) { return 1u << k; }
  uint32_t bits_ = 0;
};

enum class TSkinFormType : uint8_t { sfMainform, sfOnlyThisForm, sfDialog };

}  // namespace skin
