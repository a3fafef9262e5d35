#pragma once
// Macro lists (module OlvMacro): named text values that replace references in texts. A reference
// is a name between StartSign and EndSign ("~" by default): "~DUMPFILE~" gives the value of
// DUMPFILE; "~~" gives one "~"; "~?1+2~" is evaluated as an expression ("3"); "~(A~N~)~" refers
// to the macro named A followed by the value of N. A name starting with "." reads the parent list,
// one starting with "\" the global list; unknown names fall back to the parent while
// ParentEnable.
//
// Runs: GlobalMacros() is shared by the whole program. A run never writes its values there: it
// creates its own list with NewRunMacros() (a child of GlobalMacros), registers its parameters in
// it and expands its texts through it, so two runs at once never see each other's values, and a
// run's values vanish with its list.
//
// Cycles: a macro whose value refers to itself, directly or through others, is expanded to a
// fixed depth (kMaxMacroDepth); deeper references give an empty value. A result longer than
// kMaxTextLength, or more than kMaxNestedMacroLookups lookups made by values within one reference
// of a text, raises Exception instead of exhausting the memory or the time.
//
// Persistence: a TStoredStrList whose lines are name=value; the sign characters and the two
// switches are stored only when they differ from their defaults, so a default list stores only
// its lines. The parent is never stored (a list read back has GlobalMacros as parent).
//
// Lookups: a list indexes its names (without regard to ASCII case) to their first line on the
// first lookup after its lines change, so a reference costs one hash lookup however many macros
// the list holds; the first line of a name wins, as in a scan of the lines.
//
// Threads: every list guards its lines with its own lock, so any thread may read or change any
// list. A parent must outlive its children (GlobalMacros lives for the whole program).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/objects/StoredStrList.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

inline constexpr int kMaxMacroDepth = 32;
inline constexpr long kMaxNestedMacroLookups = 1000000;

class TMacros : public TStoredStrList {
  OLV_CLASS(TMacros, TStoredStrList)

 public:
  // A list whose parent is GlobalMacros().
  TMacros();
  // A list with the given parent (null: none).
  explicit TMacros(TMacros* parent);
  TMacros(const TMacros&) = delete;
  TMacros& operator=(const TMacros&) = delete;
  ~TMacros() override;

  // After the inherited fields: "StartSign", "EndSign", "ExpSign", "ParentEnable", "NullReplace".
  void EnumProps(PropMode mode, TPropEnumProc& proc) override;

  char StartSign = '~';
  char EndSign = '~';
  char ExpSign = '?';
  TMacros* Parent = nullptr;  // not owned
  bool ParentEnable = true;
  bool NullReplace = true;

  // Empty name: nothing. ".X" with a parent: the parent's X. "\X": GlobalMacros' X. Otherwise the
  // list's own value of the name; an empty value removes the line.
  void SetMacro(std::string_view name, std::string_view value);
  std::string GetMacro(std::string_view name) const;
  // Names[i] := Values[i], empty where Values is shorter.
  void SetMacros(const std::vector<std::string>& names, const std::vector<std::string>& values);
  void ClearMacros(const std::vector<std::string>& names);

  // From pos (0-based), the next reference: pos moves to its start sign, name gets the text
  // between the signs. False when there is none.
  bool FindNextMacro(std::string_view text, std::size_t& pos, std::string& name) const;
  // Replaces every reference; true when at least one pair of signs was found.
  bool ExpandMacros(std::string& text) const;
  std::string Expanded(std::string_view text) const;

  // The name=value lines, "\r\n" between them.
  std::string Text() const;
  std::vector<std::pair<std::string, std::string>> Lines() const;
  std::size_t MacroCount() const;
  void ClearMacroLines();

 private:
  std::string OwnValue(std::string_view name) const;
  std::string Lookup(std::string_view name, int depth) const;
  void ExpandInto(std::string_view text, std::string& out, bool& found, int depth) const;
  std::string ResolveReference(std::string_view name, int depth) const;

  class NameIndex;
  mutable plat::Mutex mutex_;  // guards List too
  mutable std::unique_ptr<NameIndex> index_ GUARDED_BY(mutex_);
};

// The program's list, created on first use.
TMacros& GlobalMacros();
// A list for one run: a child of GlobalMacros that the run owns.
std::unique_ptr<TMacros> NewRunMacros();

// The list that the macro functions of the expression language (DefinMacro, MacroText,
// ExpandMacros) and the compiler's macro expansion use on this thread: the innermost active
// TMacroScope, else GlobalMacros. A run opens a scope on its own list, so expressions it evaluates
// define and read its macros and not another run's.
TMacros& CurrentMacros();
class TMacroScope {
 public:
  explicit TMacroScope(TMacros& list);
  ~TMacroScope();
  TMacroScope(const TMacroScope&) = delete;
  TMacroScope& operator=(const TMacroScope&) = delete;

 private:
  TMacros* previous_;
};

// MacroText's second argument is a handle, never an address: a list is registered for the time
// it is in use and expressions name it by the handle (0 is GlobalMacros).
std::int32_t RegisterMacroHandle(TMacros& list);
void UnregisterMacroHandle(std::int32_t handle);

class TFunctionList;
// DefinMacro, MacroText, ExpandMacros and Calc / Calculate.
void RegisterMacroFunctions(TFunctionList& functions);
void RegisterMacroStreamClasses();
// Installs CurrentMacros() as the compiler's macro expansion.
void InstallMacroExpander();

}  // namespace olv
