#pragma once
// The value objects of the data types whose values the client library keeps in a descriptor: LOBs
// and files (TOraLob, TOraFile: a locator), timestamps (TOraTimeStamp: a datetime descriptor) and
// intervals (TOraInterval). The record set keeps one per such column of a record, an object one
// per such attribute of its instance; both make, bind and fill them through these functions.
//
// Ownership: NewDescriptorValue gives its creator's reference. A descriptor allocated by
// DescriptorOf is the value's; one given to BindDescriptor stays the library's. One thread at a
// time.
#include "dataaccess/DataTypes.h"
#include "dataaccess/SharedObject.h"
#include "oracle/client/OciTypes.h"

namespace da {
class Variant;
}

namespace ora {

bool IsLobDataType(da::TDataType type);   // BLOB, CLOB
bool IsFileDataType(da::TDataType type);  // BFILE, CFILE
bool IsTimeStampDataType(da::TDataType type);
bool IsIntervalDataType(da::TDataType type);
// Any of the four.
bool IsDescriptorDataType(da::TDataType type);

// A new value object of the type holding no descriptor yet: a TOraLob (a TOraFile for files)
// working through svc and caching its content when cacheLobs, a TOraTimeStamp or a TOraInterval.
// Any other type is an assertion.
da::TSharedObject* NewDescriptorValue(da::TDataType type, OCISvcCtx* svc, bool cacheLobs);
// The value's descriptor, allocated when it has none.
void* DescriptorOf(da::TDataType type, da::TSharedObject* value);
// Binds the value to a descriptor the library holds (nullptr: none).
void BindDescriptor(da::TDataType type, da::TSharedObject* value, void* descriptor);
// What the library left in the descriptor: NULL or a value. A LOB's content is then on the
// server, read at once when readNow and the LOB caches (a file only when it exists); a NULL LOB
// keeps no content.
void DescriptorFilled(da::TDataType type, da::TSharedObject* value, bool isNull, bool readNow);

// A timestamp or interval value as its column gives it as a variant: a timestamp's date-time, an
// interval's text; Null for NULL. Any other type is an assertion.
da::Variant GetTimeValueVariant(da::TDataType type, da::TSharedObject* value);
// Writes a variant into a timestamp or interval value as its column takes one
// (TOraTimeStamp::SetAsVariant, TOraInterval::SetAsVariant); whether the value is NULL then. Any
// other type is an assertion.
bool SetTimeValueVariant(da::TDataType type, da::TSharedObject* value, const da::Variant& variant);

}  // namespace ora
