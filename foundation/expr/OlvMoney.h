#pragma once
// Money text: an amount written under a small format language, as Arabic or full-width digits
// or Chinese lower-case or financial numerals, with units after the digits (元 角 分 十 百 千
// 万 亿 ...), the reading of an amount with its runs of zeros collapsed (壹仟零伍圆整), a
// currency mark, grouping, a closing word, fill characters, or a single digit position.
//
// Format codes (anything else is literal text; quoted text is stepped over whole):
//   @n           digit style 0..3 (Arabic, full-width, Chinese lower-case, financial)
//   ^n           keep only digit position n (0 units, 1 tens, -1 first decimal, ...)
//   ~'text'      closing word, default 整, written when the amount has no decimals or ends in 0
//   ,n'text'     group every n digits with text (default 3 and ",")
//   #'fill'w.d   width w padded with fill (default "0"), d decimals (default 2)
//   $'text'      currency mark, default ￥
//   &['&']'u'.'p' a unit after every digit ("&&" reads the amount and collapses zeros); a
//                quoted text replaces every unit; ".'p'" keeps the point written as p
//
// Texts are UTF-8. The class is a plain value; FormatMoney and FormatMoneyStr keep no state
// and may be called from any thread. Nothing here throws for any format or number text.
#include <string>
#include <string_view>

namespace olv {

class TRenMinBi {
 public:
  // Parses `format` and takes `value` rounded half away from zero to Decimals decimals (on its
  // 15-significant-digit decimal value), padded in front with blanks to IntWidth characters.
  TRenMinBi(std::string_view format, double value);

  void ParseFormat(std::string_view format);

  // Takes a number given as text: its decimals are cut or padded with "0" to Decimals (no
  // rounding), then it is padded in front with blanks to IntWidth characters.
  void SetNumberText(std::string_view text);

  std::string Render() const;

  std::string NumberText;    // optional sign, digits, optional "." and decimals; blank padding
  std::string Template;      // the format's literal text with "%s" where the money text goes
  int Style = 0;             // 0..3
  std::string Currency;      // currency mark, empty for none
  std::string Closing;       // closing word, empty for none
  std::string FillText;      // replaces each padding blank; empty makes blanks vanish
  int IntWidth = 1;          // width of NumberText
  int Decimals = 2;          // 0..MaxDecimals
  int GroupSize = 3;         // below 1 means no grouping
  std::string GroupSep;      // empty for no grouping
  bool Units = false;        // a unit after every digit
  std::string UnitText;      // fixed text for every unit instead of the unit table
  bool Point = true;         // write the decimal point
  std::string PointText = ".";
  bool PositionOn = false;   // keep only digit position Position
  int Position = 0;
  bool DoubleUnits = false;  // read the amount: collapse zeros and units

  static constexpr int MaxDecimals = 18;
  static constexpr int MaxWidth = 4096;

 private:
  // Byte offset in Template of the "%s" that ParseFormat put there. Literal text is never
  // used as a format string: only "%%" is read (as "%"), every other "%" stays as written.
  size_t templateSlot_ = 0;
};

// The money text of `value` under `format`.
std::string FormatMoney(std::string_view format, double value);

// The money text of a number given as text (see TRenMinBi::SetNumberText).
std::string FormatMoneyStr(std::string_view numberText, std::string_view format);

}  // namespace olv
