#pragma once
// The picture classes' file formats: which extension names a file of a picture class ("bmp" for
// bitmaps, "gif" for GIF pictures, both there from the start) and which class reads a file of an
// extension. Pages and dialogs name the files they save after the class of the picture they hold.
//
// Registering and unregistering is meant for start-up and shutdown on the main thread; looking up
// may then happen on any thread.
#include <optional>
#include <string>

namespace olv {

enum class TGraphicClass { Bitmap, GIFImage };

// Registers (or replaces) the format of a class; extensions compare without regard to case.
void RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicClass cls);
void UnregisterFileFormat(TGraphicClass cls);
// The extension of the class's files, lower case and without the dot; empty when none is registered.
std::string GraphicExtension(TGraphicClass cls);
std::string GraphicDescription(TGraphicClass cls);
// The class that reads files of the extension (with or without its dot).
std::optional<TGraphicClass> GraphicClassOf(std::string extension);

}  // namespace olv
