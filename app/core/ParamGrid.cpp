#include "app/core/ParamGrid.h"

#include "app/core/SchemeObject.h"
#include "foundation/text/Utf8.h"

namespace sch {

std::string FirstLineOrNoValue(const std::string& text) {
  // Blanks and line ends before the text go, as the class library's left trim takes them.
  size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) <= ' ') ++start;
  if (start == text.size()) return kNoValue;
  const size_t end = text.find_first_of("\r\n", start);
  std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return line;
}

ParamRow ParamRowOf(const TItemDescription& p) {
  ParamRow row;
  row.caption = p.GetKeyDesc();
  row.required = (p.Tag & kTagRequired) != 0;
  row.readOnly = p.ReadOnly;
  row.value = p.KeyValue();
  row.password = (p.Tag & kTagPassword) != 0;
  const bool text = p.DlgType == dtTextEditor;
  if (text)
    row.shown = FirstLineOrNoValue(p.KeyValue());
  else if (row.password)
    row.shown = std::string(olv::utf8::Length(p.KeyValue()), '*');
  else
    row.shown = p.KeyValue();
  row.typed = !p.ReadOnly && !text;
  row.button = !p.ReadOnly && p.EditStyle == esEllipsis;
  if (p.EditStyle == esPickList)
    for (int i = 0; i < p.PickList->Count(); ++i) row.pickList.push_back(p.PickList->Strings(i));
  row.maxLength = p.MaxLength > 0 ? p.MaxLength : 0;
  row.editMask = p.EditMask;
  return row;
}

std::vector<ParamRow> ParamRows(const TSchemeObject& scheme) {
  std::vector<ParamRow> rows;
  for (int i = 0; i < scheme.ParamCount(); ++i) {
    if (const TItemDescription* p = scheme.GetParam(i)) {
      rows.push_back(ParamRowOf(*p));
    } else {
      // A line without its description (a damaged file): shown, never edited.
      ParamRow row;
      row.caption = scheme.SchParams->Names(i);
      row.readOnly = true;
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

}  // namespace sch
