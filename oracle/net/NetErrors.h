#pragma once
// The failures of the direct network client, each an olv::Exception so that one handler catches
// them all:
// - ENetError: the transport (TNS packets); message "Net error " + code.
// - EDBError: the call protocol above it; message "Unknown error " + code.
// - EOraNetError: an Oracle error the client itself finds (a NUMBER that overflows its target),
//   reported with its positive Oracle number and text as if the server had sent it.
// - ESocketError: the operating system's socket layer, with the errno it reported and the step
//   that failed (name lookup, connect, or a send or receive on an open connection).
// TranslateNetException (TranslateNetException.h) turns any of them into an Oracle-style code and
// text. Thrown by value, caught by reference; any thread may raise them.
#include <string>

#include "foundation/base/Exception.h"

namespace ora {

// A failure named by a number: the message is a fixed prefix and the code.
class ECodedNetError : public olv::Exception {
 public:
  ECodedNetError(const char* prefix, int code) : olv::Exception(prefix + std::to_string(code)), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

class ENetError : public ECodedNetError {
 public:
  // Transport codes.
  static constexpr int kShortTransfer = 0;      // a send or receive fell short, or the peer closed
  static constexpr int kNotConnected = 200;
  static constexpr int kPacketTooLong = 203;    // longer than the buffer or the SDU
  static constexpr int kBadPacketType = 204;    // type above 19
  static constexpr int kUnexpectedPacket = 205;
  static constexpr int kRefused = 206;
  static constexpr int kPacketTooShort = 207;   // shorter than its header or than its type needs
  static constexpr int kTooManyHops = 208;      // RESEND and REDIRECT answers past the cap
  static constexpr int kInterrupted = 209;      // a break shut the stream down

  explicit ENetError(int code) : ECodedNetError("Net error ", code) {}
};

class EDBError : public ECodedNetError {
 public:
  explicit EDBError(int code) : ECodedNetError("Unknown error ", code) {}
};

class EOraNetError : public olv::Exception {
 public:
  static constexpr int kIntegerOverflow = 1455;  // converting column overflows integer datatype
  static constexpr int kNumericOverflow = 1426;  // numeric overflow

  EOraNetError(int code, const std::string& text) : olv::Exception(text), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

class ESocketError : public olv::Exception {
 public:
  enum class Step { Lookup, Connect, Stream };

  ESocketError(Step step, int errorNumber, const std::string& message)
      : olv::Exception(message), step_(step), errno_(errorNumber) {}
  Step FailedStep() const { return step_; }
  // The errno of the failed call; 0 for a failed name lookup.
  int ErrorNumber() const { return errno_; }

 private:
  Step step_;
  int errno_;
};

}  // namespace ora
