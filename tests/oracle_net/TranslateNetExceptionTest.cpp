// Every kind of failure of the network client, as the error handle receives it.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "foundation/base/Exception.h"
#include "oracle/net/NetErrors.h"
#include "oracle/net/TranslateNetException.h"

namespace {

using ora::ENetError;
using ora::ESocketError;
using Step = ESocketError::Step;

struct Case {
  std::exception_ptr failure;
  int code;
  const char* text;
};

TEST(TranslateNetException, CodesAndTexts) {
  const Case cases[] = {
      {std::make_exception_ptr(ESocketError(Step::Lookup, 0, "no such host")), -1, "NET: Invalid host"},
      {std::make_exception_ptr(ESocketError(Step::Connect, ECONNREFUSED, "")), -1, "NET: Service unavailable"},
      {std::make_exception_ptr(ESocketError(Step::Connect, ETIMEDOUT, "")), -1, "NET: Connection timed out"},
      {std::make_exception_ptr(ESocketError(Step::Connect, EHOSTUNREACH, "")), -1,
       "NET: Network error (113)"},
      // On an open stream the connection is gone: reported as lost contact, the text kept.
      {std::make_exception_ptr(ESocketError(Step::Stream, ECONNRESET, "")), -3113, "ORA-03113"},
      {std::make_exception_ptr(ESocketError(Step::Stream, EPIPE, "")), -3113, "ORA-03113"},
      {std::make_exception_ptr(ESocketError(Step::Stream, ETIMEDOUT, "")), -3113, "NET: Connection timed out"},
      {std::make_exception_ptr(ESocketError(Step::Stream, ENETDOWN, "")), -3113, "NET: Network error (100)"},
      {std::make_exception_ptr(ENetError(0)), -12571, "ORA-12571"},
      {std::make_exception_ptr(ENetError(200)), -3114, "NET: Net error 200"},
      {std::make_exception_ptr(ENetError(203)), -3113, "NET: Net error 203"},
      {std::make_exception_ptr(ENetError(204)), -3113, "NET: Net error 204"},
      {std::make_exception_ptr(ENetError(205)), -3113, "NET: Net error 205"},
      {std::make_exception_ptr(ENetError(206)), -1, "NET: Invalid SID"},
      {std::make_exception_ptr(ENetError(207)), -3113, "NET: Net error 207"},
      {std::make_exception_ptr(ENetError(208)), -1, "NET: Net error 208"},
      {std::make_exception_ptr(ora::EDBError(444)), -1, "NET: Unknown error 444"},
      {std::make_exception_ptr(olv::Exception("Invalid port")), -1, "NET: Invalid port"},
  };
  for (const Case& c : cases) {
    std::int32_t code = 0;
    std::string text;
    EXPECT_EQ(ora::TranslateNetException(c.failure, code, text), -1);
    EXPECT_EQ(code, c.code) << c.text;
    EXPECT_EQ(text, c.text);
  }
}

}  // namespace
