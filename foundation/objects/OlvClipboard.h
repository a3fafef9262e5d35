#pragma once
// The library's clipboard: puts objects on the clipboard as their object stream under the format
// "OlvekObject" (kObjectClipboardFormat) and text as plain text, over the installed
// plat::Clipboard.
//
// Several entries put between Open and Close reach the clipboard together when the last Close
// comes; a Put outside a session is a session of its own. The one instance (OlvClipboard()) is
// meant for the main thread; its state is locked, so a stray call from another thread is safe
// but may join a session the main thread has open.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "foundation/objects/OlvClass.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

class TOlvClipBoard {
 public:
  void Open();
  void Close();
  // Bytes under a format; the first entry of a session empties the clipboard.
  void PutBytes(const std::string& format, const std::string& bytes);
  std::optional<std::string> GetBytes(const std::string& format) const;
  bool HasFormat(const std::string& format) const;

  void SetAsText(const std::string& text);
  std::string AsText() const;  // empty when the clipboard holds no text

  // The bytes of an object stream, under "OlvekObject".
  void PutObjectStream(const std::string& bytes) { PutBytes(std::string(kObjectClipboardFormat), bytes); }
  std::optional<std::string> ObjectStream() const { return GetBytes(std::string(kObjectClipboardFormat)); }
  bool HasObject() const { return HasFormat(std::string(kObjectClipboardFormat)); }

  // The object's stream on the clipboard.
  void CopyObject(const TBaseObject* obj);
  // The object on the clipboard, re-created by its class name; none when the clipboard holds no
  // object. Damaged bytes raise the object stream's errors.
  std::unique_ptr<TBaseObject> PasteObject() const;

 private:
  mutable plat::Mutex mutex_;
  int openCount_ GUARDED_BY(mutex_) = 0;
  std::map<std::string, std::string> pending_ GUARDED_BY(mutex_);
};

// The library's one clipboard object, made on first use.
TOlvClipBoard& OlvClipboard();

// An object's copy to the clipboard: OlvClipboard().CopyObject(obj).
void CopyToClipboard(const TBaseObject* obj);

}  // namespace olv
