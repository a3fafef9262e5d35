#pragma once
// The client's buffers for the fake server's generated rows ("select id, name, created from
// fake_rows_N"): NUMBER into 8-byte integers, VARCHAR2(30) into zero-terminated texts of 31 bytes
// with indicator and length, DATE into 7 bytes, `rows` rows of each. For the tests and the
// benchmark; header only, so the fake itself does not link the client.
#include <cstdint>
#include <string>
#include <vector>

#include "oracle/net/NetStatement.h"

namespace ora::fake {

// The three columns of the fake's generated rows, fetched `batch` rows at a time.
struct GeneratedRows {
  explicit GeneratedRows(std::uint32_t batch)
      : id(batch), name(std::size_t(batch) * 31), created(std::size_t(batch) * 7), nameLength(batch),
        nameIndicator(batch) {}
  // Defines the three columns of `s` on these buffers.
  void Define(ora::TNetStatementState& s) {
    auto define = [](ora::TNetItem& item, std::uint16_t type, void* value, std::int32_t size) {
      item.type = type;
      item.value = value;
      item.maxSize = size;
    };
    define(s.DefineAt(1), ora::kTypeInteger, id.data(), 8);
    define(s.DefineAt(2), ora::kTypeString, name.data(), 31);
    s.DefineAt(2).indicator = nameIndicator.data();
    s.DefineAt(2).length = nameLength.data();
    define(s.DefineAt(3), ora::kTypeDate, created.data(), 7);
  }
  std::string Name(std::size_t row) const { return std::string(&name[row * 31]); }

  std::vector<std::int64_t> id;
  std::vector<char> name;
  std::vector<std::uint8_t> created;
  std::vector<std::uint16_t> nameLength;
  std::vector<std::int16_t> nameIndicator;
};

}  // namespace ora::fake
