#include "widgets/gif/GraphicFormats.h"

#include <algorithm>
#include <vector>


namespace olv {

namespace {

struct Format {
  std::string extension;
  std::string description;
  TGraphicClass cls;
};

std::vector<Format>& Formats() {
  static std::vector<Format> formats = {{"bmp", "Bitmaps", TGraphicClass::Bitmap},
                                        {"gif", "GIF Image", TGraphicClass::GIFImage}};
  return formats;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

const Format* Find(TGraphicClass cls) {
  for (const Format& f : Formats())
    if (f.cls == cls) return &f;
  return nullptr;
}

}  // namespace

void RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicClass cls) {
  UnregisterFileFormat(cls);
  Formats().push_back({Lower(extension), description, cls});
}

void UnregisterFileFormat(TGraphicClass cls) {
  auto& formats = Formats();
  std::erase_if(formats, [cls](const Format& f) { return f.cls == cls; });
}

std::string GraphicExtension(TGraphicClass cls) {
  const Format* f = Find(cls);
  return f ? f->extension : std::string();
}

std::string GraphicDescription(TGraphicClass cls) {
  const Format* f = Find(cls);
  return f ? f->description : std::string();
}

std::optional<TGraphicClass> GraphicClassOf(std::string extension) {
  if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
  extension = Lower(extension);
  for (const Format& f : Formats())
    if (f.extension == extension) return f.cls;
  return std::nullopt;
}

}  // namespace olv
