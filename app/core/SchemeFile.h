#pragma once
// The scheme file: the object stream of one TSchemeWrapper, stored plainly or compressed behind
// the "OLVEK" header. Saving replaces the file atomically with mode 0600 (it holds database
// passwords): a failed save raises and leaves the previous file loadable. The scheme classes
// must be registered (RegisterSchemeClasses). Path macros in file names are expanded, as for
// every file the library opens (olv::ExpandStreamFileName). Any thread may call; the caller serialises saves
// of one file.
#include <memory>
#include <string>

#include "app/core/SchemeWrapper.h"
#include "foundation/base/Exception.h"

namespace sch {

// The stream holds an object of another class.
class EInvalidCast : public olv::Exception {
 public:
  using olv::Exception::Exception;
};

// Null when the name is empty, the file does not exist or the stream holds a nil record.
// A file that is neither compressed nor an object stream raises "Invalid stream format"
// (olv::EReadError); a damaged compressed file EZlibError; another class EInvalidCast.
std::unique_ptr<TSchemeWrapper> LoadObjectFromFile(const std::string& fileName);
// Writes the container's object stream, compressed when asked.
void SaveObjectToFile(const std::string& fileName, const TSchemeWrapper* obj, bool compressed);

}  // namespace sch
