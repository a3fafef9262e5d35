#pragma once
// A ten-row in-memory store of employees shared by the filter and locate tests:
// ID int32, NAME string(20), SAL float, HIRED date, DEPT int32, COMM float (NULL in most rows),
// "FIRST NAME" string(10), with the same rows available as plain values for other engines; in a
// store of the kind asked for.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/MemData.h"
#include "dataaccess/Variant.h"
#include "tests/dataaccess/OwnFormatStore.h"

namespace da::testing {

struct Emp {
  int id;
  const char* name;
  double sal;
  int year, month, day;
  int dept;
  std::optional<double> comm;
  const char* first;
};

inline const std::vector<Emp>& EmpRows() {
  static const std::vector<Emp> rows{
      {1, "SMITH", 800, 1980, 12, 17, 20, std::nullopt, "Ann"},
      {2, "ALLEN", 1600, 1981, 2, 20, 30, 300, "Ann"},
      {3, "WARD", 1250, 1981, 2, 22, 30, 500, "Ann"},
      {4, "JONES", 2975, 1981, 4, 2, 20, std::nullopt, "Bob"},
      {5, "MARTIN", 1250, 1981, 9, 28, 30, 1400, "Ann"},
      {6, "BLAKE", 2850, 1981, 5, 1, 30, std::nullopt, "Ann"},
      {7, "CLARK", 2450, 1981, 6, 9, 10, std::nullopt, "Ann"},
      {8, "SCOTT", 3000, 2004, 12, 9, 20, std::nullopt, "Ann"},
      {9, "KING", 5000, 1981, 11, 17, 10, std::nullopt, "Ann"},
      {10, "ADAMS", 1100, 2005, 1, 12, 20, std::nullopt, "Ann"},
  };
  return rows;
}

class EmpStore {
 public:
  explicit EmpStore(StoreKind kind = StoreKind::Memory) : store(MakeStore(kind)), data(*store) {
    data.AutoInitFields = false;
    data.AddField("ID", dtInt32);
    data.AddField("NAME", dtString, 20);
    data.AddField("SAL", dtFloat);
    data.AddField("HIRED", dtDate);
    data.AddField("DEPT", dtInt32);
    data.AddField("COMM", dtFloat);
    data.AddField("FIRST NAME", dtString, 10);
    data.InitFields();
    data.Open();
    std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
    for (const Emp& e : EmpRows()) {
      data.InitRecord(rec.get());
      data.PutFieldAsVariant(1, rec.get(), Variant(e.id));
      data.PutFieldAsVariant(2, rec.get(), Variant(e.name));
      data.PutFieldAsVariant(3, rec.get(), Variant(e.sal));
      data.PutFieldAsVariant(4, rec.get(), Variant::Date(EncodeDayNumber(e.year, e.month, e.day)));
      data.PutFieldAsVariant(5, rec.get(), Variant(e.dept));
      if (e.comm) data.PutFieldAsVariant(6, rec.get(), Variant(*e.comm));
      data.PutFieldAsVariant(7, rec.get(), Variant(e.first));
      data.AppendRecord(rec.get());
    }
  }

  // IDs of the visible records, in order.
  std::vector<int> VisibleIds() {
    std::vector<int> ids;
    std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
    data.SetToBegin();
    while (true) {
      data.GetNextRecord(rec.get());
      if (data.GetEOF()) break;
      ids.push_back(data.GetFieldAsVariant(1, rec.get()).AsInteger());
    }
    return ids;
  }

  int CurrentId() {
    std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
    if (!data.CurrentRecordPtr()) return -1;
    data.GetRecord(rec.get());
    return data.GetFieldAsVariant(1, rec.get()).AsInteger();
  }

  std::unique_ptr<TMemData> store;
  TMemData& data;
};

}  // namespace da::testing
