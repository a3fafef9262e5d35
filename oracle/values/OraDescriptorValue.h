#pragma once
// TOraDescriptorValue: what a timestamp and an interval share: one descriptor of the process-wide
// environment (allocated on demand and then owned, or given and not owned) and the NULL indicator
// of its value (-1 NULL, 0 a value), which binds and defines hand to the library in place.
// Freeing the descriptor, also for a change of its type, makes the value NULL.
// Instantiated for OCIDateTime and OCIInterval (OraDateTime.cpp). One thread at a time.
#include <cstdint>

#include "dataaccess/SharedObject.h"
#include "oracle/client/OciTypes.h"

namespace ora {

template <class Descriptor>
class TOraDescriptorValue : public da::TSharedObject {
 public:
  void AllocDescriptor();
  void FreeDescriptor();
  void SetDescriptorType(ub4 type);
  ub4 GetDescriptorType() const { return descriptorType_; }
  Descriptor* GetDescriptor();       // allocated when missing
  Descriptor** GetDescriptorPtr();   // the same, for binds and defines
  void SetDescriptor(Descriptor* descriptor);  // not owned

  bool IsNull() const { return indicator_ == -1; }
  void SetIsNull(bool value) { indicator_ = value ? -1 : 0; }
  std::int16_t* GetIndicatorPtr() { return &indicator_; }

 protected:
  explicit TOraDescriptorValue(ub4 type) : descriptorType_(type) {}
  ~TOraDescriptorValue() override;
  // Takes a descriptor in place of the current one, which is returned with its ownership.
  Descriptor* Swap(Descriptor* descriptor, bool own, bool& ownedBefore);

  Descriptor* descriptor_ = nullptr;
  ub4 descriptorType_;
  bool ownDescriptor_ = false;
  std::int16_t indicator_ = -1;
};

}  // namespace ora
