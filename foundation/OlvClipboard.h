#pragma once
// The library's clipboard: puts object streams on the clipboard under the format "OlvekObject"
// and text as plain text, over the installed plat::Clipboard.
//
// Several entries put between Open and Close reach the clipboard together when the last Close
// comes; a Put outside a session is a session of its own. The one instance (OlvClipboard()) is
// meant for the main thread; its state is locked, so a stray call from another thread is safe
// but may join a session the main thread has open.
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace olv {

class TOlvClipBoard {
 public:
  static constexpr const char* kObjectFormat = "OlvekObject";

  void Open();
  void Close();
  // Bytes under a format; the first entry of a session empties the clipboard.
  void PutBytes(const std::string& format, const std::string& bytes);
  std::optional<std::string> GetBytes(const std::string& format) const;
  bool HasFormat(const std::string& format) const;

  void SetAsText(const std::string& text);
  std::string AsText() const;  // empty when the clipboard holds no text

  // The bytes of an object stream, under "OlvekObject".
  void PutObjectStream(const std::string& bytes) { PutBytes(kObjectFormat, bytes); }
  std::optional<std::string> ObjectStream() const { return GetBytes(kObjectFormat); }
  bool HasObject() const { return HasFormat(kObjectFormat); }

 private:
  mutable std::mutex mutex_;
  int openCount_ = 0;
  std::map<std::string, std::string> pending_;
};

// The library's one clipboard object, made on first use.
TOlvClipBoard& OlvClipboard();

}  // namespace olv
