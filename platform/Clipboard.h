#pragma once
// The clipboard behind an interface: entries of bytes under format names ("text/plain",
// "OlvekObject", ...). The in-process version serves tests and programs without a window system;
// the window side installs one over the desktop clipboard.
//
// A Put replaces everything on the clipboard with its entries at once, so a reader never sees a
// half-set clipboard. Implementations are thread-safe; the installed clipboard is process-wide.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ThreadAnnotations.h"

namespace plat {

constexpr const char* kTextFormat = "text/plain";
// A bitmap as the bytes of a BMP file.
constexpr const char* kBitmapFormat = "image/bmp";

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Empties the clipboard and puts the entries (format -> bytes) on it; a clipboard that refuses
  // them raises (std::exception) and is left as it was.
  virtual void Put(const std::map<std::string, std::string>& entries) = 0;
  virtual std::optional<std::string> Get(const std::string& format) const = 0;
  virtual bool HasFormat(const std::string& format) const { return Get(format).has_value(); }
  virtual void Clear() { Put({}); }
};

class InProcessClipboard : public Clipboard {
 public:
  void Put(const std::map<std::string, std::string>& entries) override;
  std::optional<std::string> Get(const std::string& format) const override;

 private:
  mutable Mutex mutex_;
  std::map<std::string, std::string> entries_ GUARDED_BY(mutex_);
};

// The installed clipboard: an InProcessClipboard until SetClipboard gives another, which must
// outlive its use; SetClipboard(nullptr) puts the in-process one back. Process-wide because the
// library's clipboard object (OlvClipboard()) is a free function that string lists, the object
// copy and the GIF clipboard reach from anywhere, as the system clipboard itself is one.
Clipboard& CurrentClipboard();
void SetClipboard(Clipboard* clipboard);

}  // namespace plat
