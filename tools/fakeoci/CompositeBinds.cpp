// Binds whose value is more than one plain value: named types and REFs bound with OCIBindObject,
// and PL/SQL index-by tables (a bind with a maximum array length). Statements see them in their
// stored forms: an object or collection as its JSON text, a REF as "TABLE:rowid", a table as a
// JSON array of its current elements, so a scripted answer can read them ("sql", "outsql") and
// fill them ("out", "outsql") as it does plain values.
#include <algorithm>
#include <cstring>

#include "tools/fakeoci/FakeOci.h"
#include "tools/fakeoci/Objects.h"

namespace fakeoci {

namespace {

bool IsTable(const BindSlot& slot) { return slot.maxArray > 0 && !slot.objects; }

ub4 ElementSkip(const BindSlot& slot) {
  if (slot.valueSkip) return slot.valueSkip;
  return IsDescriptorType(slot.type) ? static_cast<ub4>(sizeof(void*)) : static_cast<ub4>(std::max<sb4>(slot.size, 0));
}

template <class T>
T* At(T* base, ub4 skip, ub4 index, ub4 fallback) {
  if (!base) return nullptr;
  return reinterpret_cast<T*>(reinterpret_cast<char*>(base) + static_cast<std::size_t>(index) * (skip ? skip : fallback));
}

}  // namespace

bool CompositeBindValue(const BindSlot& slot, Value& value, Status& status) {
  status = {};
  if (slot.objects) {
    const void* instance = *slot.objects;
    if (slot.type == SQLT_REF) {
      value = RefValue(instance);
    } else {
      value = InstanceValue(instance, slot.objectInds ? *slot.objectInds : nullptr);
    }
    return true;
  }
  if (!IsTable(slot)) return false;
  // The caller says how many elements it sends; never more than the array holds.
  const ub4 count = std::min(slot.curElements ? *slot.curElements : slot.maxArray, slot.maxArray);
  std::vector<Value> elements;
  for (ub4 i = 0; i < count; ++i) {
    Status s;
    elements.push_back(FromExternal(slot.type, At(static_cast<char*>(slot.value), slot.valueSkip, i, ElementSkip(slot)),
                                    slot.size, At(slot.ind, slot.indSkip, i, sizeof(sb2)),
                                    At(slot.alen, slot.alenSkip, i, sizeof(ub2)), s));
    if (!s.Ok()) {
      status = s;
      return true;
    }
  }
  value = Value::OfText(JsonArrayText(elements));
  return true;
}

bool WriteCompositeBind(BindSlot& slot, const Value& value, Status& status) {
  status = {};
  if (slot.objects) {
    // A new instance or REF each time, as a fetch makes one: the caller lets its old one go.
    if (slot.type == SQLT_REF) {
      *slot.objects = RefFromValue(value);
    } else {
      const auto* type = static_cast<const ObjType*>(slot.objectType);
      if (!type) {
        status = Error(3115);
        return true;
      }
      void* instance = nullptr;
      void* ind = nullptr;
      status = InstanceFromValue(type, value, &instance, &ind);
      *slot.objects = instance;
      if (slot.objectInds) *slot.objectInds = ind;
    }
    if (slot.ind) *slot.ind = value.kind == Value::Null ? -1 : 0;
    return true;
  }
  if (!IsTable(slot)) return false;
  std::vector<Value> elements;
  if (value.kind != Value::Null && !JsonArrayValues(value.AsText(), elements)) {
    status = Error(6502, "PL/SQL: numeric or value error: the value is no array");
    return true;
  }
  if (elements.size() > slot.maxArray) {
    status = Error(6513, "PL/SQL: index for PL/SQL table out of range for host language array");
    return true;
  }
  const ub4 count = static_cast<ub4>(elements.size());
  for (ub4 i = 0; i < count; ++i) {
    Status s = ToExternal(elements[i], slot.type, At(static_cast<char*>(slot.value), slot.valueSkip, i, ElementSkip(slot)),
                          slot.size, At(slot.ind, slot.indSkip, i, sizeof(sb2)),
                          At(slot.alen, slot.alenSkip, i, sizeof(ub2)), At(slot.rcode, slot.rcodeSkip, i, sizeof(ub2)));
    if (!s.Ok() && s.code != 24345) {
      status = s;
      return true;
    }
  }
  if (slot.curElements) *slot.curElements = count;
  return true;
}

}  // namespace fakeoci

using namespace fakeoci;

FAKEOCI_OCI8 sword OCIBindObject(OCIBind* bindp, OCIError* errhp, const OCIType* type, void** pgvpp, ub4*, void** indpp,
                                 ub4*) {
  if (auto e = Enter("OCIBindObject", "")) return Fail(errhp, *e);
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  auto* bind = Live<BindHandle>(bindp, OCI_HTYPE_BIND);
  if (!bind || !pgvpp || !type) return OCI_INVALID_HANDLE;
  if (bind->slot->type != SQLT_NTY && bind->slot->type != SQLT_REF) return Fail(errhp, Error(932));
  bind->slot->objects = pgvpp;
  bind->slot->objectInds = indpp;
  bind->slot->objectType = type;
  return OCI_SUCCESS;
}
