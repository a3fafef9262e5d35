#include "foundation/objects/OlvClipboard.h"

#include "foundation/objects/ObjStream.h"
#include "foundation/streams/Stream.h"
#include "platform/Clipboard.h"

namespace olv {

void TOlvClipBoard::Open() {
  plat::MutexLock lock(mutex_);
  if (openCount_++ == 0) pending_.clear();
}

void TOlvClipBoard::Close() {
  plat::MutexLock lock(mutex_);
  if (openCount_ == 0) return;
  if (--openCount_ == 0 && !pending_.empty()) {
    plat::CurrentClipboard().Put(pending_);
    pending_.clear();
  }
}

void TOlvClipBoard::PutBytes(const std::string& format, const std::string& bytes) {
  Open();
  {
    plat::MutexLock lock(mutex_);
    pending_[format] = bytes;
  }
  Close();
}

std::optional<std::string> TOlvClipBoard::GetBytes(const std::string& format) const {
  return plat::CurrentClipboard().Get(format);
}

bool TOlvClipBoard::HasFormat(const std::string& format) const {
  return plat::CurrentClipboard().HasFormat(format);
}

void TOlvClipBoard::SetAsText(const std::string& text) { PutBytes(plat::kTextFormat, text); }

std::string TOlvClipBoard::AsText() const { return GetBytes(plat::kTextFormat).value_or(""); }

void TOlvClipBoard::CopyObject(const TBaseObject* obj) { PutObjectStream(ObjectToBytes(obj)); }

std::unique_ptr<TBaseObject> TOlvClipBoard::PasteObject() const {
  std::optional<std::string> bytes = ObjectStream();
  if (!bytes) return nullptr;
  TMemoryStream stream(*bytes);
  return ReadObjectFromStream(stream);
}

void CopyToClipboard(const TBaseObject* obj) { OlvClipboard().CopyObject(obj); }

TOlvClipBoard& OlvClipboard() {
  static TOlvClipBoard clipboard;
  return clipboard;
}

}  // namespace olv
