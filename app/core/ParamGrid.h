#pragma once
// The parameter grid of the scheme's page without a window: for each parameter, the caption and
// how it is drawn, the text of its value cell, and how the cell is edited. The window builds its
// rows and cell editors from these and sends every change back through the schemes' host
// (SetParamValue for a typed or picked value, EditParam for the edit button). Pure functions of a
// parameter; the thread that edits the scheme (the main thread).
#include <string>
#include <vector>

#include "app/core/ItemDescription.h"

namespace sch {

class TSchemeObject;

inline constexpr const char* kNoValue = "(no value)";

struct ParamRow {
  std::string caption;  // the catalogue's caption (GetKeyDesc)
  bool required = false;  // drawn in bold (Tag bit 1)
  bool readOnly = false;  // caption drawn in the dark shadow colour; the value cannot change
  // The value cell's text: a password as one "*" per character; a text parameter its first line
  // without leading blanks, or "(no value)".
  std::string shown;
  // What the cell editor starts from (the value itself).
  std::string value;
  // The value can be typed into the cell: every parameter but read-only and text parameters
  // (DlgType 4, which have their editor). Pick-list and edit-button cells are typed into too.
  bool typed = false;
  // The cell has an edit button (EditStyle 1), which calls EditParam: a file dialog, the Oracle
  // object picker or, for a text parameter, the script editor. Not on read-only parameters.
  bool button = false;
  // The choices of a pick-list cell (EditStyle 2); empty for the others.
  std::vector<std::string> pickList;
  // The cell editor hides what is typed (Tag bit 0).
  bool password = false;
  int maxLength = 0;     // 0: any length
  std::string editMask;  // the parameter's edit mask, in the class library's notation
};

ParamRow ParamRowOf(const TItemDescription& param);
// One row per parameter line, in parameter order (a line without its description: its name,
// read-only).
std::vector<ParamRow> ParamRows(const TSchemeObject& scheme);

// A text parameter's cell: its first line, blanks and line ends before it removed, or
// "(no value)" when nothing is left.
std::string FirstLineOrNoValue(const std::string& text);

}  // namespace sch
