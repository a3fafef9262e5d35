#pragma once
// Record stores for tests that run over every kind of store: the in-memory store as it is, and
// OwnFormatStore, an in-memory store that keeps its records in forms of its own, as a server's
// store does: a 16-bit NULL indicator a field (-1 NULL, 0 not NULL), and every date, time and
// date-time as 9 bytes: year (16-bit), month, day, hour, minute, second, millisecond (16-bit).
// Code that reads a record's NULL flags or dates without asking the store reads garbage from it.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "dataaccess/MemData.h"

namespace da::testing {

class OwnFormatStore : public TMemData {
 public:
  std::uint16_t FieldSize(TDataType type, std::uint16_t length) const override;
  bool GetNull(int fieldNo, const void* record) override;
  void SetNull(int fieldNo, void* record, bool value) override;
  void DateTimeToInternal(const void* source, void* dest, int format) const override;
  void InternalToDateTime(void* dest, const void* source, int format) const override;

 protected:
  int GetIndicatorSize() const override { return 2 * GetFieldCount(); }
};

enum class StoreKind { Memory, OwnFormat };
inline void PrintTo(StoreKind kind, std::ostream* os) { *os << (kind == StoreKind::OwnFormat ? "OwnFormat" : "Memory"); }

std::unique_ptr<TMemData> MakeStore(StoreKind kind);
// Bytes of NULL indicator a field takes in the kind's records.
int IndicatorBytes(StoreKind kind);

inline const auto kAllStores = ::testing::Values(StoreKind::Memory, StoreKind::OwnFormat);
std::string StoreName(const ::testing::TestParamInfo<StoreKind>& info);

// A test over every kind of store: data is a fresh store of the kind.
class StoreTest : public ::testing::TestWithParam<StoreKind> {
 protected:
  std::unique_ptr<TMemData> store = MakeStore(GetParam());
  TMemData& data = *store;
};

}  // namespace da::testing
