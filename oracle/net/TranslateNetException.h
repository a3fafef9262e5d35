#pragma once
// Turns any failure of the direct network client into the code and text of an error handle, as
// the emulated call-interface entries report it (they return -1 and the Oracle layer reports the
// code's absolute value with the text):
// - a failed name lookup: -1 "NET: Invalid host"; refused: -1 "NET: Service unavailable"; timed
//   out: "NET: Connection timed out"; reset or broken pipe: -3113 "ORA-03113"; any other errno n:
//   "NET: Network error (n)";
// - ENetError 0 (short transfer, peer closed): -12571 "ORA-12571"; 206: -1 "NET: Invalid SID";
//   200 (not connected): -3114 "NET: Net error 200"; 209 (a break shut the stream down): -3113
//   "NET: Connection closed by a break"; others "NET: Net error " + code;
// - EOraNetError: its own positive Oracle code and text, as a status reply would give them;
// - anything else (EDBError included): -1 "NET: " + its message.
// A failure of an open stream (a socket error on send or receive, or a broken packet: 203, 204,
// 205, 207) has closed the connection and is reported as -3113 with its own text, so the caller
// sees a lost connection. Any thread may call it.
#include <cstdint>
#include <exception>
#include <string>

namespace ora {

struct TNetErrorInfo {
  std::int32_t code = 0;
  std::string text;
};

TNetErrorInfo DescribeNetException(const std::exception_ptr& failure);

// Fills code and text from DescribeNetException and returns -1 (the call interface's error status).
int TranslateNetException(const std::exception_ptr& failure, std::int32_t& code, std::string& text);

}  // namespace ora
