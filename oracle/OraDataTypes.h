#pragma once
// The Oracle layer's data type codes, beside the framework's 0 to 26 (dataaccess/DataTypes.h).
#include "dataaccess/DataTypes.h"

namespace ora {

using da::TDataType;

inline constexpr TDataType dtRowId = 100;
inline constexpr TDataType dtCursor = 101;
inline constexpr TDataType dtOraBlob = 102;
inline constexpr TDataType dtOraClob = 103;
inline constexpr TDataType dtBFile = 104;
inline constexpr TDataType dtCFile = 105;
inline constexpr TDataType dtLabel = 106;
inline constexpr TDataType dtFixedChar = 107;
inline constexpr TDataType dtUndefined = 108;
inline constexpr TDataType dtTimeStamp = 109;
inline constexpr TDataType dtTimeStampTZ = 110;
inline constexpr TDataType dtTimeStampLTZ = 111;
inline constexpr TDataType dtIntervalYM = 112;
inline constexpr TDataType dtIntervalDS = 113;
// The sub-type of a dtString column holding a universal ROWID longer than a plain one.
inline constexpr TDataType dtURowId = 114;

}  // namespace ora
