#include "oracle/net/NetDataTypes.h"

#include <cstdlib>

namespace ora {
namespace {

using Table = std::array<std::uint8_t, kDataTypeTableSize>;

Table Build() {
  Table t{};
  std::size_t n = 0;
  auto row = [&](int type, int sentAs, int representation) {
    t[n++] = std::uint8_t(type);
    t[n++] = std::uint8_t(sentAs);
    t[n++] = std::uint8_t(representation);
    t[n++] = 0;
  };
  row(1, 1, 1);
  row(2, 2, 10);
  row(8, 8, 1);
  row(12, 12, 10);
  row(23, 23, 1);
  row(24, 24, 1);
  for (int type = 25; type <= 33; ++type) row(type, type, 1);
  row(10, 10, 1);
  row(11, 11, 1);
  for (int type = 34; type <= 167; ++type) row(type, type, 1);
  // The numeric kinds travel as NUMBER, the character kinds as VARCHAR2.
  for (int type : {3, 4, 6, 7}) row(type, 2, 10);
  for (int type : {5, 9}) row(type, 1, 1);
  // Kinds passed through unconverted.
  for (int type = 168; type <= 195; ++type) {
    t[n++] = std::uint8_t(type);
    t[n++] = 0;
  }
  t[n++] = 0;
  if (n != kDataTypeTableSize) std::abort();  // a wrong table must never reach a server
  return t;
}

}  // namespace

const Table& DataTypeTable() {
  static const Table table = Build();
  return table;
}

}  // namespace ora
