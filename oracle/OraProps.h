#pragma once
// The numbered properties the Oracle layer adds to the framework's (dataaccess/VtAccess.h).
#include "dataaccess/VtAccess.h"

namespace ora {

// Commands.
inline constexpr int prSQLType = 12;
inline constexpr int prRowsProcessed = 13;
inline constexpr int prNonBlocking = 50;
inline constexpr int prErrorOffset = 57;
inline constexpr int prFieldsAsString = 59;
inline constexpr int prCacheLobs = 64;
inline constexpr int prScrollable = 67;
inline constexpr int prFetchRowId = 68;

// Connections.
inline constexpr int prThreadSafety = 51;
inline constexpr int prMaxStringSize = 58;
inline constexpr int prDateFormat = 60;
inline constexpr int prConnectMode = 62;
inline constexpr int prCharLength = 63;
inline constexpr int prEnableIntegers = 65;
inline constexpr int prInternalName = 66;
inline constexpr int prCharset = 69;
inline constexpr int prDateLanguage = 70;
inline constexpr int prTimeStampFormat = 71;
inline constexpr int prTimeStampTZFormat = 72;
inline constexpr int prConnectTimeout = 73;  // milliseconds
inline constexpr int prReceiveTimeout = 74;  // milliseconds, 0: none
using da::prOnError;

}  // namespace ora
