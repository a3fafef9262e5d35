#include "app/core/SchemeFile.h"

#include "app/core/SchemeFileBytes.h"
#include "foundation/files/FileStream.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/streams/Stream.h"

namespace sch {

std::unique_ptr<TSchemeWrapper> LoadObjectFromFile(const std::string& fileName) {
  std::optional<std::string> bytes = LoadSchemeFileBytes(olv::ExpandStreamFileName(fileName));
  if (!bytes) return nullptr;
  olv::TMemoryStream stream(*bytes);
  std::unique_ptr<olv::TBaseObject> obj = olv::ReadObjectFromStream(stream);
  if (!obj) return nullptr;
  if (!dynamic_cast<TSchemeWrapper*>(obj.get())) {
    throw EInvalidCast("Invalid class typecast: the file \"" + fileName + "\" holds a " +
                       obj->GetClassNameStr() + ", not a TSchemeWrapper");
  }
  return std::unique_ptr<TSchemeWrapper>(static_cast<TSchemeWrapper*>(obj.release()));
}

void SaveObjectToFile(const std::string& fileName, const TSchemeWrapper* obj, bool compressed) {
  olv::TMemoryStream stream;
  olv::WriteObjectToStream(stream, obj);
  SaveSchemeFileBytes(olv::ExpandStreamFileName(fileName), stream.View(), compressed);
}

}  // namespace sch
