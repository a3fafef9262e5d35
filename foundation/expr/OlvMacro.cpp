#include "foundation/expr/OlvMacro.h"

#include <map>
#include <mutex>
#include <unordered_map>

#include "foundation/base/Exception.h"
#include "foundation/expr/ExpFunction.h"
#include "foundation/expr/ExpOperators.h"
#include "foundation/expr/ExpTranslator.h"
#include "foundation/expr/FunctionList.h"
#include "foundation/text/TextScan.h"

namespace olv {

namespace {

// Nesting of lookups on this thread, across lists and through expressions that expand macros
// again (Calc, CompileExpression): a cycle ends here with an empty value.
thread_local int tMacroDepth = 0;

// Nested lookups made since the outermost one began on this thread: values that each refer to
// the next one twice would make 2^depth lookups within the depth limit.
thread_local long tNestedLookups = 0;

struct DepthGuard {
  DepthGuard() {
    if (++tMacroDepth == 1) tNestedLookups = 0;
    else if (++tNestedLookups > kMaxNestedMacroLookups) {
      --tMacroDepth;
      throw Exception("宏嵌套引用过多");
    }
  }
  ~DepthGuard() { --tMacroDepth; }
  bool TooDeep() const { return tMacroDepth > kMaxMacroDepth; }
};

thread_local TMacros* tCurrent = nullptr;

// Recursive: a value read under the lock may be an expression that calls MacroText again.
plat::RecursiveMutex gHandleMutex;
std::map<std::int32_t, TMacros*>& Handles() REQUIRES(gHandleMutex) {
  static std::map<std::int32_t, TMacros*> handles;
  return handles;
}
std::int32_t gNextHandle GUARDED_BY(gHandleMutex) = 1;

}  // namespace

// Names of the lines to the index of their first line, for one state of one list: the keys view
// the lines' own texts, so the index is used only while the list and its change stamp are those
// it was built from.
class TMacros::NameIndex {
 public:
  // The value of the first line named `name`: empty when there is none, or when that line has
  // no "=".
  std::string_view Value(const TStringList& list, std::string_view name) {
    if (&list != list_ || list.ChangeStamp() != stamp_) Build(list);
    const auto it = lines_.find(name);
    if (it == lines_.end()) return {};
    const std::string& line = list.Strings(it->second.line);
    return std::string_view(line).substr(it->second.valueAt);
  }

 private:
  static char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
  struct Hash {
    std::size_t operator()(std::string_view s) const noexcept {
      std::size_t h = 14695981039346656037ull;  // FNV-1a of the lower-cased bytes
      for (char c : s) h = (h ^ static_cast<unsigned char>(Lower(c))) * 1099511628211ull;
      return h;
    }
  };
  struct Equal {
    bool operator()(std::string_view a, std::string_view b) const noexcept { return SameName(a, b); }
  };

  void Build(const TStringList& list) {
    lines_.clear();
    lines_.reserve(static_cast<std::size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
      const std::string_view line = list.Strings(i);
      const std::size_t eq = line.find('=');
      const std::size_t valueAt = eq == std::string_view::npos ? line.size() : eq + 1;
      lines_.emplace(line.substr(0, eq), Line{i, valueAt});  // an earlier line keeps its name
    }
    list_ = &list;
    stamp_ = list.ChangeStamp();
  }

  struct Line {
    int line;
    std::size_t valueAt;
  };
  std::unordered_map<std::string_view, Line, Hash, Equal> lines_;
  const TStringList* list_ = nullptr;
  std::uint64_t stamp_ = 0;
};

TMacros::TMacros() : Parent(&GlobalMacros()), index_(std::make_unique<NameIndex>()) {}

TMacros::TMacros(TMacros* parent) : Parent(parent), index_(std::make_unique<NameIndex>()) {}

TMacros::~TMacros() = default;

void TMacros::EnumProps(PropMode mode, TPropEnumProc& proc) {
  TStoredStrList::EnumProps(mode, proc);
  proc.Report<pkChar>("StartSign", StartSign, StartSign != '~');
  proc.Report<pkChar>("EndSign", EndSign, EndSign != '~');
  proc.Report<pkChar>("ExpSign", ExpSign, ExpSign != '?');
  proc.Report<pkBoolean>("ParentEnable", ParentEnable, !ParentEnable);
  proc.Report<pkBoolean>("NullReplace", NullReplace, !NullReplace);
}

std::string TMacros::OwnValue(std::string_view name) const {
  plat::MutexLock lock(mutex_);
  return std::string(index_->Value(*List, name));
}

void TMacros::SetMacro(std::string_view name, std::string_view value) {
  if (name.empty()) return;
  if (name[0] == '.' && Parent) {
    Parent->SetMacro(name.substr(1), value);
    return;
  }
  if (name[0] == '\\') {
    TMacros& global = GlobalMacros();
    if (&global != this || name.size() > 1) global.SetMacro(name.substr(1), value);
    return;
  }
  plat::MutexLock lock(mutex_);
  List->SetValue(name, value);
}

void TMacros::SetMacros(const std::vector<std::string>& names, const std::vector<std::string>& values) {
  for (std::size_t i = 0; i < names.size(); ++i)
    SetMacro(names[i], i < values.size() ? std::string_view(values[i]) : std::string_view());
}

void TMacros::ClearMacros(const std::vector<std::string>& names) {
  for (const auto& n : names) SetMacro(n, {});
}

std::string TMacros::GetMacro(std::string_view name) const { return Lookup(name, 0); }

std::string TMacros::Lookup(std::string_view name, int) const {
  DepthGuard guard;
  if (guard.TooDeep() || name.empty()) return {};
  if (name[0] == ExpSign) {
    TTranslateResult r = GlobalTranslator().Translate(name.substr(1));
    if (!r.Node) return r.ErrorCode != eeNone ? r.GetErrorInfo() : std::string();
    r.Node->Calculate(kAlwaysStamp);
    return r.Node->AsString();
  }
  std::string value;
  if (name[0] == '.' && Parent)
    value = Parent->Lookup(name.substr(1), 0);
  else if (name[0] == '\\')
    value = GlobalMacros().Lookup(name.substr(1), 0);
  if (!value.empty()) return value;
  value = OwnValue(name);
  if (value.empty() && ParentEnable && Parent) value = Parent->Lookup(name, 0);
  if (!value.empty() && value.find(StartSign) != std::string::npos) ExpandMacros(value);
  return value;
}

bool TMacros::FindNextMacro(std::string_view text, std::size_t& pos, std::string& name) const {
  const std::size_t start = text.find(StartSign, pos);
  if (start == std::string_view::npos) return false;
  pos = start;
  std::size_t q = start + 1;
  if (q < text.size() && text[q] == '(') {
    bool balanced = false;
    q = MatchParen(text, q + 1, balanced) - 1;  // 1-based in and out
  }
  const std::size_t end = q < text.size() ? text.find(EndSign, q) : std::string_view::npos;
  if (end == std::string_view::npos) return false;
  name.assign(text.substr(start + 1, end - start - 1));
  return true;
}

std::string TMacros::ResolveReference(std::string_view name, int depth) const {
  if (name[0] == '(') {
    DepthGuard guard;
    if (guard.TooDeep()) return {};
    bool balanced = false;
    const std::size_t e = MatchParen(name, 1, balanced) - 1;  // 0-based, after ")"
    const std::size_t innerLen = balanced && e >= 2 ? e - 2 : name.size() - 1;
    std::string computed;
    bool found = false;
    ExpandInto(name.substr(1, innerLen), computed, found, depth + 1);
    if (balanced && e < name.size()) computed.append(name.substr(e));
    if (computed.empty()) return {};
    return ResolveReference(computed, depth + 1);
  }
  std::string value = Lookup(name, depth);
  // An expression's text is scanned again, as if it had been written in place.
  if (name[0] == ExpSign && value.find(StartSign) != std::string::npos) {
    DepthGuard guard;
    if (guard.TooDeep()) return {};
    std::string again;
    bool found = false;
    ExpandInto(value, again, found, depth + 1);
    value = std::move(again);
  }
  return value;
}

void TMacros::ExpandInto(std::string_view text, std::string& out, bool& found, int depth) const {
  std::size_t pos = 0;
  std::size_t copied = 0;
  std::string name;
  while (FindNextMacro(text, pos, name)) {
    found = true;
    out.append(text.substr(copied, pos - copied));
    const std::size_t after = pos + name.size() + 2;
    if (name.empty()) {
      out.push_back(text[pos]);
    } else {
      std::string value = ResolveReference(name, depth);
      if (value.empty() && !NullReplace)
        out.append(text.substr(pos, after - pos));
      else
        out.append(value);
      // Values that double at every level would otherwise grow to gigabytes within the depth.
      if (out.size() > kMaxTextLength) throw Exception("宏展开结果过长");
    }
    pos = copied = after;
  }
  out.append(text.substr(copied));
}

bool TMacros::ExpandMacros(std::string& text) const {
  if (text.find(StartSign) == std::string::npos) return false;
  std::string out;
  out.reserve(text.size());
  bool found = false;
  ExpandInto(text, out, found, 0);
  text = std::move(out);
  return found;
}

std::string TMacros::Expanded(std::string_view text) const {
  std::string s(text);
  ExpandMacros(s);
  return s;
}

std::string TMacros::Text() const {
  plat::MutexLock lock(mutex_);
  std::string text;
  for (int i = 0; i < List->Count(); ++i) {
    if (i) text += "\r\n";
    text += List->Strings(i);
  }
  return text;
}

std::vector<std::pair<std::string, std::string>> TMacros::Lines() const {
  plat::MutexLock lock(mutex_);
  std::vector<std::pair<std::string, std::string>> lines;
  for (int i = 0; i < List->Count(); ++i) {
    const std::string& line = List->Strings(i);
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
      lines.emplace_back(line, std::string());
    else
      lines.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return lines;
}

std::size_t TMacros::MacroCount() const {
  plat::MutexLock lock(mutex_);
  return static_cast<std::size_t>(List->Count());
}

void TMacros::ClearMacroLines() {
  plat::MutexLock lock(mutex_);
  List->Clear();
}

TMacros& GlobalMacros() {
  static TMacros* global = [] {
    static TMacros list(nullptr);
    return &list;
  }();
  return *global;
}

std::unique_ptr<TMacros> NewRunMacros() { return std::make_unique<TMacros>(&GlobalMacros()); }

TMacros& CurrentMacros() { return tCurrent ? *tCurrent : GlobalMacros(); }

TMacroScope::TMacroScope(TMacros& list) : previous_(tCurrent) { tCurrent = &list; }
TMacroScope::~TMacroScope() { tCurrent = previous_; }

std::int32_t RegisterMacroHandle(TMacros& list) {
  plat::RecursiveMutexLock lock(gHandleMutex);
  const std::int32_t h = gNextHandle++;
  Handles()[h] = &list;
  return h;
}

void UnregisterMacroHandle(std::int32_t handle) {
  plat::RecursiveMutexLock lock(gHandleMutex);
  Handles().erase(handle);
}

// ---------------------------------------------------------------- expression functions

namespace {

std::string ListText(const TMacros& list) {
  std::string text;
  for (const TMacros* l = &list; l; l = (l->ParentEnable ? l->Parent : nullptr)) {
    if (l != &list) text += "\r\n";
    text += l->Text();
  }
  return text;
}

}  // namespace

class TExp_DefinMacro : public TStrFunction {
  OLV_CLASS(TExp_DefinMacro, TStrFunction)
 public:
  int MinParamCount() const override { return 2; }
  void DoCalculate() override {
    std::string value = GetParam(1)->AsString();
    CurrentMacros().SetMacro(GetParam(0)->AsString(), value);
    Value.Text = std::move(value);
  }
};

class TExp_MacroText : public TStrFunction {
  OLV_CLASS(TExp_MacroText, TStrFunction)
 public:
  int OptParamCount() const override { return 1; }
  void DoCalculate() override {
    const std::string name = GetParam(0)->AsString();
    const TExpression* b = GetParam(1);
    std::int32_t handle = 0;
    if (b && b->DataType == TExpDataType::Integer) handle = b->AsInteger();
    const auto read = [&](const TMacros& list) {
      Value.Text = name == "_MacroList" ? ListText(list) : list.GetMacro(name);
    };
    if (handle == 0) {
      read(CurrentMacros());
      return;
    }
    // A list named by its handle is read under the lock, so it cannot be unregistered meanwhile.
    plat::RecursiveMutexLock lock(gHandleMutex);
    auto it = Handles().find(handle);
    if (it == Handles().end()) {
      Value.Text.clear();
      return;
    }
    read(*it->second);
  }
};

class TExp_ExpandMacros : public TStrFunction {
  OLV_CLASS(TExp_ExpandMacros, TStrFunction)
 public:
  void DoCalculate() override {
    std::string text = GetParam(0)->AsString();
    CurrentMacros().ExpandMacros(text);
    if (text.size() > kMaxTextLength) text.resize(kMaxTextLength);
    Value.Text = std::move(text);
  }
};

class TExp_Calc : public TFunction {
  OLV_CLASS(TExp_Calc, TFunction)
 public:
  bool DecideDataType() override {
    DataType = TExpDataType::Auto;
    return true;
  }
  void Calculate(std::uint32_t stamp) override {
    if (!EnterRound(stamp)) return;
    CalculateParams(stamp);
    DepthGuard guard;
    if (guard.TooDeep()) RaiseCalcError("Calc嵌套过深");
    std::unique_ptr<TExpression> node = CompileExpression(GetParam(0)->AsString());
    node->Calculate(kAlwaysStamp);
    AssignValue(*node);
  }
};

void RegisterMacroFunctions(TFunctionList& functions) {
  functions.RegisterClasses({&TExp_DefinMacro::StaticClass(), &TExp_MacroText::StaticClass(),
                             &TExp_ExpandMacros::StaticClass(), &TExp_Calc::StaticClass()});
  functions.RegisterFunction("Calculate", TExp_Calc::StaticClass());
}

void RegisterMacroStreamClasses() {
  RegisterObjClasses({&TMacros::StaticClass(), &TExp_DefinMacro::StaticClass(), &TExp_MacroText::StaticClass(),
                      &TExp_ExpandMacros::StaticClass(), &TExp_Calc::StaticClass()});
}

void InstallMacroExpander() {
  SetExpMacroExpander([](std::string& text) { CurrentMacros().ExpandMacros(text); });
}

}  // namespace olv
