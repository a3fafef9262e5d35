#include "oracle/net/TranslateNetException.h"

#include <cerrno>

#include "oracle/net/NetErrors.h"

namespace ora {
namespace {

constexpr std::int32_t kFailure = -1;
constexpr std::int32_t kLostContact = -3113;
constexpr std::int32_t kNotConnected = -3114;
constexpr std::int32_t kPacketWriterFailure = -12571;

TNetErrorInfo FromSocketError(const ESocketError& e) {
  const bool stream = e.FailedStep() == ESocketError::Step::Stream;
  const std::int32_t code = stream ? kLostContact : kFailure;
  if (e.FailedStep() == ESocketError::Step::Lookup) return {kFailure, "NET: Invalid host"};
  switch (e.ErrorNumber()) {
    case ECONNRESET:
    case EPIPE:
      return {kLostContact, "ORA-03113"};
    case ECONNREFUSED:
      return {code, "NET: Service unavailable"};
    case ETIMEDOUT:
      return {code, "NET: Connection timed out"};
    default:
      return {code, "NET: Network error (" + std::to_string(e.ErrorNumber()) + ")"};
  }
}

TNetErrorInfo FromNetError(const ENetError& e) {
  switch (e.Code()) {
    case ENetError::kShortTransfer:
      return {kPacketWriterFailure, "ORA-12571"};
    case ENetError::kRefused:
      return {kFailure, "NET: Invalid SID"};
    case ENetError::kNotConnected:
      return {kNotConnected, std::string("NET: ") + e.what()};
    case ENetError::kInterrupted:
      return {kLostContact, "NET: Connection closed by a break"};
    case ENetError::kPacketTooLong:
    case ENetError::kBadPacketType:
    case ENetError::kUnexpectedPacket:
    case ENetError::kPacketTooShort:
      return {kLostContact, std::string("NET: ") + e.what()};
    default:
      return {kFailure, std::string("NET: ") + e.what()};
  }
}

}  // namespace

TNetErrorInfo DescribeNetException(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const ESocketError& e) {
    return FromSocketError(e);
  } catch (const ENetError& e) {
    return FromNetError(e);
  } catch (const EOraNetError& e) {
    return {e.Code(), e.what()};
  } catch (const std::exception& e) {
    return {kFailure, std::string("NET: ") + e.what()};
  } catch (...) {
    return {kFailure, "NET: Unknown failure"};
  }
}

int TranslateNetException(const std::exception_ptr& failure, std::int32_t& code, std::string& text) {
  TNetErrorInfo info = DescribeNetException(failure);
  code = info.code;
  text = std::move(info.text);
  return -1;
}

}  // namespace ora
