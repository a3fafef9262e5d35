#pragma once
// TOraTimeStamp and TOraInterval: the values of the datetime and interval types (TIMESTAMP,
// WITH TIME ZONE, WITH LOCAL TIME ZONE; INTERVAL YEAR TO MONTH, DAY TO SECOND). Each wraps one
// descriptor of the process-wide environment and a NULL indicator (-1 NULL, 0 a value) that
// binds and defines hand to the library in place, and converts the value to and from text with
// an Oracle format model; a timestamp also to and from the library's date-times.
//
// The library's fractional seconds are nanoseconds: a date-time's milliseconds become
// milliseconds x 1 000 000 and back, whatever Precision says; Precision is the number of
// fraction digits a text shows (FF). An empty Format stands for DefaultTimeStampFormat of the
// program's settings (OraTimeStampFormat.h).
//
// A variant is written into either as a column's value is (SetAsVariant): Null, Empty or an empty
// text make the value NULL; a timestamp reads a text in its Format and any other variant as a
// date-time; an interval reads the variant's text.
//
// Ownership: shared objects (released, never deleted); the descriptor as TOraDescriptorValue
// holds it. Calls are checked on hOCIError and take no
// connection lock. One thread at a time.
#include <cstdint>
#include <string>

#include "dataaccess/DataTypes.h"
#include "oracle/values/OraDescriptorValue.h"

namespace da {
class Variant;
}

namespace ora {

class TOraTimeStamp : public TOraDescriptorValue<OCIDateTime> {
 public:
  // dtTimeStamp, dtTimeStampTZ or dtTimeStampLTZ (anything else is an assertion).
  explicit TOraTimeStamp(da::TDataType dataType);

  void AllocDateTime() { AllocDescriptor(); }
  void FreeDateTime() { FreeDescriptor(); }
  OCIDateTime* GetOCIDateTime() { return GetDescriptor(); }
  OCIDateTime** GetOCIDateTimePtr() { return GetDescriptorPtr(); }
  void SetOCIDateTime(OCIDateTime* descriptor) { SetDescriptor(descriptor); }
  void AssignTo(TOraTimeStamp& target);

  void GetDate(int& year, int& month, int& day);
  void GetTime(int& hour, int& minute, int& second, std::uint32_t& fraction);  // fraction in nanoseconds
  // timeZone: "+hh:mm" or empty for the session's.
  void Construct(int year, int month, int day, int hour, int minute, int second, std::uint32_t milliseconds,
                 const std::string& timeZone);

  double GetAsDateTime();  // 0 for NULL; EConvertError for a date the library cannot encode
  void SetAsDateTime(double value);
  std::string GetAsString();  // empty for NULL
  // The previous value survives a text that does not match the format.
  void SetAsString(const std::string& text);
  void SetAsVariant(const da::Variant& value);
  void SetFormat(const std::string& text);  // empty: the default
  const std::string& GetFormat() const { return format_; }

  std::uint8_t Precision = 6;

 protected:
  ~TOraTimeStamp() override = default;

 private:
  std::string format_;
};

class TOraInterval : public TOraDescriptorValue<OCIInterval> {
 public:
  // dtIntervalYM or dtIntervalDS (anything else is an assertion).
  explicit TOraInterval(da::TDataType dataType);

  void AllocInterval() { AllocDescriptor(); }
  void FreeInterval() { FreeDescriptor(); }
  OCIInterval* GetOCIInterval() { return GetDescriptor(); }
  OCIInterval** GetOCIIntervalPtr() { return GetDescriptorPtr(); }
  void SetOCIInterval(OCIInterval* descriptor) { SetDescriptor(descriptor); }
  void AssignTo(TOraInterval& target);

  void CheckValid();  // "Invalid interval."
  std::string GetAsString();
  void SetAsString(const std::string& text);
  void SetAsVariant(const da::Variant& value);

  std::uint8_t FracPrecision = 6;
  std::uint8_t LeadPrecision = 2;

 protected:
  ~TOraInterval() override = default;
};

}  // namespace ora
