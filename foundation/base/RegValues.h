#pragma once
// One registry value given by a full key path ("HKEY_LOCAL_MACHINE\SOFTWARE\ORACLE"), for the
// expression language's RegValue and the Oracle home helpers. Any thread may call these; each
// call uses its own registry object on the shared store.
#include <memory>
#include <string>

#include "foundation/base/OlvRegistry.h"

namespace olv {

// A registry object opened on the path (read-write with canCreate, else read); none when the key
// cannot be opened or its root is unknown.
std::unique_ptr<TRegistry> OpenRegPath(const std::string& path, bool canCreate);
// The value read whatever its type (TRegistry::ReadDataStr); empty when the key cannot be opened.
std::string ReadRegValue(const std::string& path, const std::string& name);
// Writes a string value, creating the key; false when the key cannot be opened or the write
// fails. Never raises.
bool WriteRegValue(const std::string& path, const std::string& name, const std::string& value);

}  // namespace olv
