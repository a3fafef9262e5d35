#pragma once
// The Oracle layer's own message texts, by the resource ids the components know them by.
namespace ora {

inline constexpr const char* SSessionNotDefined = "Session is not defined";            // 64848
inline constexpr const char* SSessionNotConnected = "Session is not connected";        // 64849
inline constexpr const char* SUnsupportedDataType = "Unsupported data type";           // 64850
inline constexpr const char* SInvalidIndex = "Index of array is not range";            // 64851
inline constexpr const char* STypeNotSupportedInTable = "This type cannot consist in table";  // 64852
inline constexpr const char* STypeNotSupportedInDML = "Type is not allowed in DML array";     // 64853
inline constexpr const char* SCursorNotOpened = "Cursor must be opened";               // 64854
inline constexpr const char* SArrayParam = "%s parameter must be array with length %d";  // 64855
inline constexpr const char* STooManyInputParams = "Too many Input params";            // 64856
inline constexpr const char* SNotEnoughInputParams = "Not enough Input params";        // 64857
inline constexpr const char* STooManyOutputParams = "Too many Output params";          // 64858
inline constexpr const char* SNotEnoughOutputParams = "Not enough Output params";      // 64859
inline constexpr const char* SNotRows = "SQL statement doesn't return rows";           // 64860
inline constexpr const char* SNeedThreadSafety = "Session must be Thread Safety";      // 64861
inline constexpr const char* SCannotReopen = "Reopen is not allowed";                  // 64862
inline constexpr const char* SLobNotAllocated = "Lob is not allocated";                // 64863
inline constexpr const char* SSvcCtxNotDefined = "OCISvcCtx is not defined";           // 64832
inline constexpr const char* SNeedParamType = "Lob parameter should be Input or Output";  // 64833
inline constexpr const char* SLobNotInited = "Lob locator should be inited";           // 64834
inline constexpr const char* SCannotDisableLobCache = "Cannot disable lob caching. Lob is not empty.";  // 64835
inline constexpr const char* SNotObjectField = "Field type should be Object";          // 64836
inline constexpr const char* SNeedDataSetField = "Missing DataSetField property";      // 64837
inline constexpr const char* SInvalidInterval = "Invalid interval.";                   // 64838

// Raised by binds and describes for a type the call style cannot carry.
inline constexpr const char* SDataTypeNotSupported = "Data type is not supported.";

// Raised by the call-interface layer itself.
inline constexpr const char* SOCINotLinked = "OCI function is not linked";
inline constexpr const char* SOCINotInited = "OCI is not inizialized";
inline constexpr const char* SNeedOCI73 = "Need Oracle 7.3 Call Interface";
inline constexpr const char* SNeedOCI80 = "Need Oracle 8 Call Interface";
inline constexpr const char* SNeedOCI81 = "Need Oracle 8i Call Interface";
inline constexpr const char* SNeedOCI90 = "Need Oracle 9 Call Interface";
// The direct network client cannot start, or the program has not handed it over.
inline constexpr const char* SCannotInitNet = "Can't initialize Net client";

}  // namespace ora
