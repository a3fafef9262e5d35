#pragma once
// What a parameter's edit button opens, behind an interface so that the scheme model needs no
// window: a file-open dialog, the SQL script editor and the Oracle object picker. The window
// side hands its own to the schemes' host (SchemeServices); without one every dialog is
// cancelled. Called on the thread that edits (the main thread).
#include <optional>
#include <string>

namespace sch {

class TSchemeObject;

class SchemeEditor {
 public:
  virtual ~SchemeEditor() = default;
  // filter: "text|pattern|text|pattern..."; defaultExt without a dot. The chosen file, or none.
  virtual std::optional<std::string> PickFile(const std::string& filter, const std::string& defaultExt,
                                              const std::string& current) = 0;
  // Edits a script of the scheme's (its parameter macros are registered meanwhile). True when
  // left with OK; text then holds the new script.
  virtual bool EditScript(TSchemeObject& scheme, std::string& text) = 0;
  // Picks Oracle users (tables when `tables`) with the scheme's login, starting from value.
  virtual std::optional<std::string> PickOracleObjects(TSchemeObject& scheme, bool tables,
                                                       const std::string& value) = 0;
};

// Cancels every dialog.
class HeadlessSchemeEditor : public SchemeEditor {
 public:
  std::optional<std::string> PickFile(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool EditScript(TSchemeObject&, std::string&) override { return false; }
  std::optional<std::string> PickOracleObjects(TSchemeObject&, bool, const std::string&) override {
    return std::nullopt;
  }
};

}  // namespace sch
