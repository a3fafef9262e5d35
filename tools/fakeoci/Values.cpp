// External data types to and from SQLite values, Oracle's error texts, the DATE encoder.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

const char* StandardText(int code) {
  switch (code) {
    case 1: return "unique constraint violated";
    case 900: return "invalid SQL statement";
    case 904: return "invalid identifier";
    case 932: return "inconsistent datatypes";
    case 942: return "table or view does not exist";
    case 1002: return "fetch out of sequence";
    case 1007: return "variable not in select list";
    case 1008: return "not all variables bound";
    case 1012: return "not logged on";
    case 1013: return "user requested cancel of current operation";
    case 1017: return "invalid username/password; logon denied";
    case 1036: return "illegal variable name/number";
    case 1400: return "cannot insert NULL";
    case 1403: return "no data found";
    case 1405: return "fetched column value is NULL";
    case 1406: return "fetched column value was truncated";
    case 1455: return "converting column overflows integer datatype";
    case 1722: return "invalid number";
    case 1821: return "date format not recognized";
    case 1830: return "date format picture ends before converting entire input string";
    case 1843: return "not a valid month";
    case 1847: return "day of month must be between 1 and last day of month";
    case 1849: return "hour must be between 1 and 12";
    case 1850: return "hour must be between 0 and 23";
    case 1851: return "minutes must be between 0 and 59";
    case 1852: return "seconds must be between 0 and 59";
    case 1858: return "a non-numeric character was found where a numeric was expected";
    case 1861: return "literal does not match format string";
    case 1867: return "the interval is invalid";
    case 1873: return "the leading precision of the interval is too small";
    case 1877: return "string is too long for internal buffer";
    case 1891: return "Datetime/Interval internal error";
    case 2091: return "transaction rolled back";
    case 3114: return "not connected to ORACLE";
    case 3115: return "unsupported network datatype or representation";
    case 6550: return "line 1, column 7:\nPLS-00201: identifier must be declared";
    case 12154: return "TNS:could not resolve the connect identifier specified";
    case 22275: return "invalid LOB locator specified";
    case 22285: return "non-existent directory or file for FILEEXISTS operation";
    case 22288: return "file or LOB operation FILEOPEN failed";
    case 22289: return "cannot perform operation on an unopened file or LOB";
    case 22926: return "specified trim length is greater than current LOB value's length";
    case 24315: return "illegal attribute type";
    case 24333: return "zero iteration count";
    case 24345: return "A Truncation or null fetch error occurred";
    default: return "unknown error";
  }
}

bool ParseReal(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (*end != '\0') return false;
  out = v;
  return true;
}

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // Years before Christ have no year 0: 1 BC is the leap year of the astronomical count.
  int astronomical = year < 0 ? year + 1 : year;
  bool leap = (astronomical % 4 == 0 && astronomical % 100 != 0) || astronomical % 400 == 0;
  return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Copies a text or raw value into a buffer of room bytes; a longer value is cut and reported.
Status PutBytes(const std::string& data, void* buffer, sb4 room, bool terminate, sb2* ind, ub2* rlen, ub2* rcode) {
  const std::size_t capacity = terminate ? static_cast<std::size_t>(room) - 1 : static_cast<std::size_t>(room);
  const std::size_t n = std::min(capacity, data.size());
  std::memcpy(buffer, data.data(), n);
  if (terminate) static_cast<char*>(buffer)[n] = '\0';
  if (rlen) *rlen = static_cast<ub2>(std::min<std::size_t>(n, 65535));
  if (n < data.size()) {
    if (ind) *ind = static_cast<sb2>(std::min<std::size_t>(data.size(), 32767));
    if (rcode) *rcode = 1406;
    return Error(24345);
  }
  return {};
}

}  // namespace

std::string Value::AsText() const {
  switch (kind) {
    case Int: return std::to_string(i);
    case Real: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", r);
      return buf;
    }
    case Text:
    case Blob: return s;
    case Null: break;
  }
  return {};
}

Status Error(int code) { return {code, StandardText(code)}; }

Status Error(int code, std::string text) { return {code, std::move(text)}; }

bool DateTextToBytes(const std::string& text, ub1* bytes) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const char* p = text.c_str();
  bool bc = false;
  if (*p == '-') {
    bc = true;
    ++p;
  }
  // The stored form "YYYY-MM-DD HH:MI:SS" is read digit by digit; any other through sscanf.
  auto digits = [](const char* q, int n, int& out) {
    out = 0;
    for (int i = 0; i < n; ++i) {
      if (q[i] < '0' || q[i] > '9') return false;
      out = out * 10 + (q[i] - '0');
    }
    return true;
  };
  const std::size_t rest = text.size() - static_cast<std::size_t>(p - text.c_str());
  if (rest == 19 && p[4] == '-' && p[7] == '-' && p[10] == ' ' && p[13] == ':' && p[16] == ':' &&
      digits(p, 4, year) && digits(p + 5, 2, month) && digits(p + 8, 2, day) && digits(p + 11, 2, hour) &&
      digits(p + 14, 2, minute) && digits(p + 17, 2, second)) {
    p += 19;
  } else {
    int consumed = 0;
    int fields = std::sscanf(p, "%d-%d-%d%n", &year, &month, &day, &consumed);
    if (fields != 3) return false;
    p += consumed;
    if (*p == ' ' || *p == 'T') {
      int more = 0;
      if (std::sscanf(p + 1, "%d:%d:%d%n", &hour, &minute, &second, &more) != 3) return false;
      p += 1 + more;
    }
  }
  if (*p != '\0') return false;
  if (bc) year = -year;
  if (year == 0 || year < -4712 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 59)
    return false;
  // Excess-100 notation: the century and the year of the century, each added to 100 after
  // Christ and taken from 100 before.
  const int magnitude = std::abs(year);
  const int sign = year < 0 ? -1 : 1;
  bytes[0] = static_cast<ub1>(100 + sign * (magnitude / 100));
  bytes[1] = static_cast<ub1>(100 + sign * (magnitude % 100));
  bytes[2] = static_cast<ub1>(month);
  bytes[3] = static_cast<ub1>(day);
  bytes[4] = static_cast<ub1>(hour + 1);
  bytes[5] = static_cast<ub1>(minute + 1);
  bytes[6] = static_cast<ub1>(second + 1);
  return true;
}

std::string DateBytesToText(const ub1* bytes) {
  const int year = (bytes[0] - 100) * 100 + (bytes[1] - 100);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%04d-%02d-%02d %02d:%02d:%02d", year < 0 ? "-" : "", std::abs(year), bytes[2],
                bytes[3], bytes[4] - 1, bytes[5] - 1, bytes[6] - 1);
  return buf;
}

bool IsDescriptorType(ub2 type) {
  switch (type) {
    case SQLT_BLOB: case SQLT_CLOB: case SQLT_BFILEE: case SQLT_CFILEE: case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ: case SQLT_TIMESTAMP_LTZ: case SQLT_INTERVAL_YM: case SQLT_INTERVAL_DS:
      return true;
    default: return false;
  }
}

namespace {

bool IsLocatorType(ub2 type) {
  return type == SQLT_BLOB || type == SQLT_CLOB || type == SQLT_BFILEE || type == SQLT_CFILEE;
}

}  // namespace

Status ToExternal(const Value& v, ub2 type, void* buffer, sb4 size, sb2* ind, ub2* rlen, ub2* rcode) {
  if (rcode) *rcode = 0;
  if (ind) *ind = 0;
  if (v.kind == Value::Null) {
    if (!ind) return Error(1405);
    *ind = -1;
    if (rlen) *rlen = 0;
    return {};
  }
  if (IsDescriptorType(type)) {
    if (!buffer) return Error(3115);
    return IsLocatorType(type) ? LocatorToExternal(v, type, buffer, ind) : DateTimeToExternal(v, type, buffer, ind);
  }
  if (!buffer || size <= 0) return Error(3115);
  std::string converted;
  const std::string& text = v.kind == Value::Text || v.kind == Value::Blob ? v.s : (converted = v.AsText());
  switch (type) {
    case SQLT_STR:
    case SQLT_AVC:
      return PutBytes(text, buffer, size, true, ind, rlen, rcode);
    case SQLT_CHR:
    case SQLT_LNG:
      return PutBytes(text, buffer, size, false, ind, rlen, rcode);
    case SQLT_AFC: {
      std::string text = v.AsText();
      if (text.size() < static_cast<std::size_t>(size)) text.resize(static_cast<std::size_t>(size), ' ');
      return PutBytes(text, buffer, size, false, ind, rlen, rcode);
    }
    case SQLT_BIN:
    case SQLT_LBI:
      return PutBytes(v.s.empty() ? v.AsText() : v.s, buffer, size, false, ind, rlen, rcode);
    case SQLT_INT:
    case SQLT_UIN: {
      std::int64_t n = 0;
      double d = 0;
      if (v.kind == Value::Int) {
        n = v.i;
      } else if (v.kind == Value::Real || (v.kind == Value::Text && ParseReal(v.s, d))) {
        n = std::llround(v.kind == Value::Real ? v.r : d);
      } else {
        return Error(1722);
      }
      if (size == 8) {
        std::memcpy(buffer, &n, 8);
      } else if (size == 4) {
        if (n < INT32_MIN || n > (type == SQLT_UIN ? static_cast<std::int64_t>(UINT32_MAX) : INT32_MAX)) return Error(1455);
        std::int32_t x = static_cast<std::int32_t>(n);
        std::memcpy(buffer, &x, 4);
      } else if (size == 2) {
        if (n < INT16_MIN || n > INT16_MAX) return Error(1455);
        std::int16_t x = static_cast<std::int16_t>(n);
        std::memcpy(buffer, &x, 2);
      } else if (size == 1) {
        if (n < INT8_MIN || n > UINT8_MAX) return Error(1455);
        *static_cast<std::int8_t*>(buffer) = static_cast<std::int8_t>(n);
      } else {
        return Error(3115);
      }
      if (rlen) *rlen = static_cast<ub2>(size);
      return {};
    }
    case SQLT_FLT: {
      double d = 0;
      if (v.kind == Value::Int) {
        d = static_cast<double>(v.i);
      } else if (v.kind == Value::Real) {
        d = v.r;
      } else if (!(v.kind == Value::Text && ParseReal(v.s, d))) {
        return Error(1722);
      }
      if (size == 8) {
        std::memcpy(buffer, &d, 8);
      } else if (size == 4) {
        float f = static_cast<float>(d);
        std::memcpy(buffer, &f, 4);
      } else {
        return Error(3115);
      }
      if (rlen) *rlen = static_cast<ub2>(size);
      return {};
    }
    case SQLT_DAT: {
      if (size < 7) return Error(3115);
      if (v.kind != Value::Text) return Error(932);
      if (!DateTextToBytes(v.s, static_cast<ub1*>(buffer))) return Error(1858);
      if (rlen) *rlen = 7;
      return {};
    }
    default:
      return Error(3115);
  }
}

Value FromExternal(ub2 type, const void* buffer, sb4 size, const sb2* ind, const ub2* alen, Status& status) {
  status = {};
  if ((ind && *ind < 0) || !buffer || size < 0) return {};
  if (IsDescriptorType(type))
    return IsLocatorType(type) ? LocatorFromExternal(type, buffer, status) : DateTimeFromExternal(type, buffer, status);
  const char* p = static_cast<const char*>(buffer);
  const std::size_t room = static_cast<std::size_t>(size);
  auto counted = [&]() { return alen ? std::min<std::size_t>(*alen, room) : room; };
  Value v;
  switch (type) {
    case SQLT_STR:
    case SQLT_AVC:
      v = Value::OfText(std::string(p, ::strnlen(p, room)));
      break;
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_LNG:
      v = Value::OfText(std::string(p, counted()));
      break;
    case SQLT_BIN:
    case SQLT_LBI:
      v = Value::OfBlob(std::string(p, counted()));
      break;
    case SQLT_INT:
    case SQLT_UIN: {
      std::int64_t n = 0;
      if (room == 8) {
        std::memcpy(&n, p, 8);
      } else if (room == 4) {
        if (type == SQLT_UIN) {
          std::uint32_t x;
          std::memcpy(&x, p, 4);
          n = x;
        } else {
          std::int32_t x;
          std::memcpy(&x, p, 4);
          n = x;
        }
      } else if (room == 2) {
        std::int16_t x;
        std::memcpy(&x, p, 2);
        n = x;
      } else if (room == 1) {
        n = *reinterpret_cast<const std::int8_t*>(p);
      } else {
        status = Error(3115);
        return {};
      }
      v = Value::OfInt(n);
      break;
    }
    case SQLT_FLT: {
      if (room == 8) {
        double d;
        std::memcpy(&d, p, 8);
        v = Value::OfReal(d);
      } else if (room == 4) {
        float f;
        std::memcpy(&f, p, 4);
        v = Value::OfReal(f);
      } else {
        status = Error(3115);
        return {};
      }
      break;
    }
    case SQLT_DAT: {
      ub1 bytes[7];
      if (room < 7) {
        status = Error(3115);
        return {};
      }
      std::memcpy(bytes, p, 7);
      std::string text = DateBytesToText(bytes);
      ub1 check[7];
      if (!DateTextToBytes(text, check)) {
        status = Error(1858);
        return {};
      }
      v = Value::OfText(text);
      break;
    }
    default:
      status = Error(3115);
      return {};
  }
  // The server keeps no empty texts: an empty string is NULL.
  if ((v.kind == Value::Text || v.kind == Value::Blob) && v.s.empty()) return {};
  return v;
}

void CopyOut(const std::string& text, OraText* buffer, std::size_t size) {
  if (!buffer || size == 0) return;
  if (Setting("unterminated_texts") == "1") {
    const std::size_t n = std::min(size, text.size());
    std::memcpy(buffer, text.data(), n);
    std::memset(buffer + n, 'Z', size - n);
    return;
  }
  const std::size_t n = std::min(size - 1, text.size());
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::string TextArg(const OraText* p, sb4 len) {
  if (!p) return {};
  const char* c = reinterpret_cast<const char*>(p);
  return len < 0 ? std::string(c) : std::string(c, static_cast<std::size_t>(len));
}

}  // namespace fakeoci
