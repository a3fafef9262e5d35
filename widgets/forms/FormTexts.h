#pragma once
// The texts of the form library: a caption with a parenthesised note, the halves of a form's Tag,
// the long part of a hint, control paths, the keys under which layouts are stored and the texts
// of the layout-editing menu. Pure functions; any thread.
#include <cstdint>
#include <string>
#include <string_view>

namespace olv {

// The caption cut before its first "(" (the whole caption when there is none); nothing trimmed.
std::string CaptionTitle(std::string_view caption);
// Empty without a "("; otherwise what follows the first "(" less the caption's last character.
std::string CaptionNote(std::string_view caption);
// The caption cut before its first "(", then "(" note ")" appended directly when note is not empty.
std::string CaptionWithNote(std::string_view caption, std::string_view note);
// A new title that keeps the caption's note: Title "Clients" on "Orders(3 rows)" gives
// "Clients(3 rows)".
std::string CaptionWithTitle(std::string_view caption, std::string_view title);

// The 16-bit halves of a form's Tag; writing one half keeps the other.
std::uint16_t TagHigh(std::int32_t tag);
std::uint16_t TagLow(std::int32_t tag);
std::int32_t WithTagHigh(std::int32_t tag, std::uint16_t high);
std::int32_t WithTagLow(std::int32_t tag, std::uint16_t low);

// A hint is "short|long"; the long part is what follows the first "|", the whole hint without one.
std::string LongHint(std::string_view hint);

// A control path is a control name followed by one "." per level up: "Edit1.." is the grandparent
// of Edit1. levels = the length of the text from the first "." on.
struct TControlPathParts {
  std::string name;
  std::size_t levels = 0;
};
TControlPathParts SplitControlPath(std::string_view path);

// The private key of a form's layout: "\<program>\控件位置\<user file name>\<module file name>_<form>";
// the common key: "\<program>\定制信息\<module file name>_<form>" (the private key's file-name
// part). File-name parts drop everything up to the last "/" or "\".
std::string PrivateLayoutKey(std::string_view programName, std::string_view appUser,
                             std::string_view moduleFile, std::string_view formName);
std::string CommonLayoutKey(std::string_view programName, std::string_view privateKey);

// The layout-editing menu: the keys in the order their items are made, and the caption and hint of
// one item from a line value "caption|hint".
inline constexpr std::string_view kCustomizeEnter = "进入";
inline constexpr std::string_view kCustomizeCancel = "取消";
inline constexpr std::string_view kCustomizeDelete = "删除";
inline constexpr std::string_view kCustomizeSave = "保存";
inline constexpr std::string_view kCustomizeCommon = "公用";
inline constexpr std::string_view kCustomizeKeys[] = {kCustomizeEnter, kCustomizeCancel, kCustomizeDelete,
                                                      kCustomizeSave, kCustomizeCommon};
struct TMenuText {
  std::string caption;
  std::string hint;
};
TMenuText SplitMenuText(std::string_view value);

// The hint shown while a control is moved or sized in a layout edit.
std::string PlaceHint(int left, int top, int width, int height);

}  // namespace olv
