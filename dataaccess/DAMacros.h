#pragma once
// TMacro and TMacros: SQL macros of the data-access components. A name written after the macro
// character ("&", MacroChar) in a SQL text is replaced by its macro's Value before the text goes
// to the server (nothing when the macro is inactive). Scan finds the macros of a text; Expand
// replaces them. Both cut the text with the lexer of ParserClass (TParser by default; the Oracle
// components set their own), so "&" inside a quoted string or a comment is no macro.
// (The foundation library's olv::TMacros, "~" macros of the expression language, is unrelated.)
//
// Changes (a macro's Value or Active, the collection changed outside BeginUpdate/EndUpdate) call
// OnChange, through which the owning SQL component re-parses its text.
// Ownership: the collection owns its macros. One thread, the owner's.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/VtParser.h"

namespace da {

// The macro character, "&" from start-up.
extern char MacroChar;

class TMacros;

class TMacro {
 public:
  explicit TMacro(TMacros* collection = nullptr, std::string name = std::string())
      : name_(std::move(name)), collection_(collection) {}
  TMacro(const TMacro&) = delete;
  TMacro& operator=(const TMacro&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string value) { name_ = std::move(value); }
  const std::string& Value() const { return value_; }
  // A different text tells the collection.
  void SetValue(std::string value);
  bool Active() const { return active_; }
  void SetActive(bool value);
  std::string DisplayName() const { return name_; }
  // Name, Value and Active of source (no notification).
  void Assign(const TMacro& source);

 private:
  friend class TMacros;
  std::string name_;
  std::string value_;
  bool active_ = true;
  TMacros* collection_;
};

class TMacros {
 public:
  using TParserClass = std::unique_ptr<TParser> (*)(const char* text);

  // ownerName: the owning component's name, for "Name: Macro %s not found.".
  explicit TMacros(std::string ownerName = std::string()) : ownerName_(std::move(ownerName)) {}
  TMacros(const TMacros&) = delete;
  TMacros& operator=(const TMacros&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TMacro& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  TMacro& Add(std::string name = std::string());
  void Clear();

  // Case-insensitive; nullptr when absent.
  TMacro* FindMacro(std::string_view name) const;
  // EDatabaseError "Macro %s not found." (prefixed with the owner's name and ": ").
  TMacro& MacroByName(std::string_view name) const;
  // Same count and, item by item, the same Name (case-sensitive), Value and Active.
  bool IsEqual(const TMacros& other) const;
  // Copies of source's macros in place of these.
  void Assign(const TMacros& source);

  // The macros of sql: a text without the macro character clears them all; otherwise one macro
  // per name found (first spelling), keeping the Value and Active of a macro already here.
  void Scan(const std::string& sql);
  // The text with each "&name" replaced by the macro's value (nothing when inactive); "&" before
  // anything that names no macro is dropped and the rest kept. Blanks around stay as they were.
  void Expand(std::string& sql) const;

  void SetParserClass(TParserClass parserClass) { parserClass_ = parserClass; }
  void SetOwnerName(std::string name) { ownerName_ = std::move(name); }

  // The legacy binary form of a form resource ("Data"): format byte ("d": newer, then one skipped
  // byte), then for each macro here in order its name (1-byte length), value (2-byte length) and,
  // in the newer form, an Active byte; texts keep at most 1000 characters. Each name must be a
  // macro here ("Macro %s not found."); a truncated stream raises "Invalid macro data.".
  void ReadData(const std::vector<std::uint8_t>& data);

  void BeginUpdate() { ++updateCount_; }
  // The last EndUpdate tells the owner once.
  void EndUpdate();
  std::function<void()> OnChange;

 private:
  friend class TMacro;
  void Changed();
  std::unique_ptr<TParser> MakeParser(const char* text) const;

  std::vector<std::unique_ptr<TMacro>> items_;
  std::string ownerName_;
  TParserClass parserClass_ = nullptr;
  int updateCount_ = 0;
  bool pendingChange_ = false;
};

}  // namespace da
