#include "foundation/expr/ExpTranslator.h"

#include <algorithm>
#include <vector>

#include "foundation/expr/CustomFunction.h"
#include "foundation/expr/ExpOperators.h"
#include "foundation/expr/ExpVariables.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/text/TextScan.h"
#include "foundation/text/TextServices.h"
#include "platform/ThreadAnnotations.h"

namespace olv {

namespace {

thread_local const TCompileScope* tScope = nullptr;

struct ScopeGuard {
  const TCompileScope* saved;
  explicit ScopeGuard(const TCompileScope* s) : saved(tScope) { tScope = s; }
  ~ScopeGuard() { tScope = saved; }
};

struct TranslatorRegistry {
  plat::Mutex mutex;
  std::vector<TExpTranslator*> items GUARDED_BY(mutex);
};

TranslatorRegistry& Translators() {
  static TranslatorRegistry r;
  return r;
}

std::atomic<TExpMacroExpander> gMacroExpander{nullptr};
std::atomic<TObject*> gScreenObject{nullptr};

constexpr int kOpFormat = 14;
constexpr int kOpEnd = 16;
constexpr int kPrecedence[17] = {0, 1, 1, 2, 2, 3, 3, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8};

const TClass* OperatorClass(int op) {
  switch (op) {
    case 0: return &TExp_Power::StaticClass();
    case 1: return &TExp_Mul::StaticClass();
    case 2: return &TExp_Div::StaticClass();
    case 3: return &TExp_Add::StaticClass();
    case 4: return &TExp_Sub::StaticClass();
    case 5: return &TExp_Equ::StaticClass();
    case 6: return &TExp_NotEqu::StaticClass();
    case 7: return &TExp_Great::StaticClass();
    case 8: return &TExp_GorE::StaticClass();
    case 9: return &TExp_Less::StaticClass();
    case 10: return &TExp_LorE::StaticClass();
    case 11: return &TExp_In::StaticClass();
    case 12: return &TExp_And::StaticClass();
    case 13: return &TExp_Or::StaticClass();
    case 15: return &TExp_VarAssign::StaticClass();
    default: return nullptr;
  }
}

// Identifiers: letters, "_" and every byte of a multi-byte character; then also ".", digits, "@".
bool IsIdentFirst(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 128;
}
bool IsIdentRest(unsigned char c) {
  return IsIdentFirst(c) || c == '.' || (c >= '0' && c <= '9') || c == '@';
}
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsHexToken(std::string_view t) {
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
  return (!t.empty() && t[0] == '$') ||
         (t.size() > 1 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'));
}

// Position of the "}" that closes the "{" at pos (nested braces counted, quoted texts stepped
// over), or 0 when the text ends first.
std::size_t MatchBrace(std::string_view text, std::size_t pos) {
  int depth = 0;
  std::size_t i = pos;
  while (i <= text.size()) {
    const char c = text[i - 1];
    if (c == '"' || c == '\'') {
      i = SkipLiteral(text, i);
      continue;
    }
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth == 0) return i;
    }
    ++i;
  }
  return 0;
}

struct Operand {
  std::unique_ptr<TExpression> node;
  int depth = 0;
  bool constant = false;
};

// One compile: the text, the position and the error. Nothing here is shared between compiles.
class Parser {
 public:
  Parser(TFunctionList& functions, std::string_view text) : functions_(functions), text_(text) {}

  std::size_t pos = 1;
  int error = eeNone;

  Operand ParseExpression(std::size_t endPos);
  std::size_t Length() const { return text_.size(); }

 private:
  struct Item {
    Operand operand;
    int op = kOpEnd;
    std::size_t opPos = 0;
  };

  unsigned char At(std::size_t p) const { return static_cast<unsigned char>(CharAt(text_, p)); }
  void SetError(int code, std::size_t at) {
    if (error == eeNone) {
      error = code;
      pos = at;
    }
  }
  void SkipBlanks(std::size_t endPos);
  int ReadOperator(std::size_t endPos, std::size_t& opPos);
  Operand ParseOperand(std::size_t endPos);
  Operand ParseFunction();
  Operand CallOrError(std::size_t endPos, std::size_t nameEnd);
  bool BalancedGroupAt(std::size_t p, std::size_t endPos) const;
  Operand Merge(Operand a, int op, std::size_t opPos, Operand b);
  Operand Reduce(std::vector<Item>& items);
  void Fold(Operand& o);

  TFunctionList& functions_;
  std::string_view text_;
  int nesting_ = 0;
};

void Parser::SkipBlanks(std::size_t endPos) {
  while (pos <= endPos) {
    const unsigned char c = At(pos);
    if (c < 33) {
      ++pos;
    } else if (c == '/' && At(pos + 1) == '/') {
      const std::size_t lf = text_.find('\n', pos + 1);
      pos = lf == std::string_view::npos ? Length() + 1 : lf + 2;
    } else if (c == '{') {
      const std::size_t close = MatchBrace(text_, pos);
      pos = close ? close + 1 : Length() + 1;
    } else {
      return;
    }
  }
  pos = std::min(pos, endPos + 1);
}

int Parser::ReadOperator(std::size_t endPos, std::size_t& opPos) {
  SkipBlanks(endPos);
  opPos = pos;
  if (pos > endPos) return kOpEnd;
  const unsigned char c = At(pos);
  const unsigned char n = pos + 1 <= endPos ? At(pos + 1) : 0;
  int op = -1;
  std::size_t len = 1;
  switch (c) {
    case '^': op = 0; break;
    case '*': op = 1; break;
    case '/': op = 2; break;
    case '+': op = 3; break;
    case '-': op = 4; break;
    case '=': op = 5; break;
    case '$': op = 11; break;
    case '&': op = 12; break;
    case '|': op = 13; break;
    case '<':
      if (n == '=') op = 10, len = 2;
      else if (n == '>') op = 6, len = 2;
      else op = 9;
      break;
    case '>':
      if (n == '=') op = 8, len = 2;
      else op = 7;
      break;
    case ':':
      if (n == '=') op = 15, len = 2;
      else op = kOpFormat;
      break;
    case 'A':
    case 'a':
      if ((n == 'N' || n == 'n') && (At(pos + 2) == 'D' || At(pos + 2) == 'd') && pos + 2 <= endPos &&
          !IsIdentRest(At(pos + 3)))
        op = 12, len = 3;
      break;
    case 'O':
    case 'o':
      if ((n == 'R' || n == 'r') && !IsIdentRest(At(pos + 2))) op = 13, len = 2;
      break;
    default:
      break;
  }
  if (op < 0) {
    SetError(eeBadOperator, pos);
    return kOpEnd;
  }
  pos += len;
  return op;
}

bool Parser::BalancedGroupAt(std::size_t p, std::size_t endPos) const {
  if (p > endPos || At(p) != '(') return false;
  bool balanced = false;
  const std::size_t r = MatchParen(text_, p, balanced);
  return balanced && r - 1 <= endPos;
}

// A sign or "!" that starts no number: a call of a function whose name begins with it, or error 10.
Operand Parser::CallOrError(std::size_t endPos, std::size_t nameEnd) {
  std::size_t q = nameEnd;
  while (q <= endPos && At(q) < 33) ++q;
  if (BalancedGroupAt(q, endPos)) return ParseFunction();
  SetError(eeParenExpected, pos);
  return {};
}

Operand Parser::ParseOperand(std::size_t endPos) {
  SkipBlanks(endPos);
  if (pos > endPos) {
    SetError(eeOperandExpected, pos);
    return {};
  }
  const std::size_t start = pos;
  const unsigned char c = At(pos);

  if (IsDigit(c) || c == '+' || c == '-' || c == '$') {
    const std::size_t e = std::min(NumberEndEx(text_, pos), endPos + 1);
    if (e <= pos) {
      std::size_t nameEnd = pos + 1;
      while (nameEnd <= endPos && IsIdentRest(At(nameEnd))) ++nameEnd;
      return CallOrError(endPos, nameEnd);
    }
    const std::string_view token = text_.substr(pos - 1, e - pos);
    std::unique_ptr<TExpression> node;
    if (!IsHexToken(token) && token.find_first_of(".Ee") != std::string_view::npos) {
      node = MakeRealConstant(StrToFloatPrefix(token));
    } else {
      std::int32_t v = 0;
      if (!TryStrToInt32(token, v)) {
        SetError(eeBadOperand, start);  // no 32-bit integer
        return {};
      }
      node = MakeIntConstant(v);
    }
    pos = e;
    return {std::move(node), 1, true};
  }

  if (c == '!') {
    std::size_t nameEnd = pos + 1;
    while (nameEnd <= endPos && IsIdentRest(At(nameEnd))) ++nameEnd;
    return CallOrError(endPos, nameEnd);
  }

  if (c == '"' || c == '\'' || c == '#' || c == '^') {
    const std::size_t e = std::min(SkipLiteral(text_, pos), endPos + 1);
    if (e <= pos) {
      SetError(eeBadOperand, pos);
      return {};
    }
    // Every quoted part must be closed.
    for (std::size_t p = pos; p < e;) {
      const char ch = static_cast<char>(At(p));
      if (ch == '"' || ch == '\'') {
        const std::size_t q = SkipQuote(text_, p);
        if (q - 1 <= p || static_cast<char>(At(q - 1)) != ch || q > e) {
          SetError(eeQuoteMismatch, p);
          return {};
        }
        p = q;
      } else if (ch == '#') {
        p = std::max(NumberEnd(text_, p + 1), p + 1);
      } else {
        p += 2;
      }
    }
    std::string literal(text_.substr(pos - 1, e - pos));
    const std::string value = ParseStringLiteral(literal);
    pos = e;
    return {MakeTextConstant(value), 1, true};
  }

  if (c == '(') {
    bool balanced = false;
    const std::size_t r = MatchParen(text_, pos, balanced);
    if (!balanced || r - 1 > endPos) {
      SetError(eeParenMismatch, start);
      return {};
    }
    if (nesting_ >= kMaxTreeDepth) {
      SetError(eeBadOperand, start);
      return {};
    }
    ++nesting_;
    ++pos;
    Operand o = ParseExpression(r - 2);
    --nesting_;
    if (error) return {};
    if (!o.node) {
      SetError(eeOperandExpected, r - 1);  // "()" holds no operand
      return {};
    }
    pos = r;
    return o;
  }

  if (IsIdentFirst(c)) {
    std::size_t e = pos + 1;
    while (e <= endPos && IsIdentRest(At(e))) ++e;
    std::size_t q = e;
    while (q <= endPos && At(q) < 33) ++q;
    if (BalancedGroupAt(q, endPos)) return ParseFunction();
    const std::string_view name = text_.substr(pos - 1, e - pos);
    pos = e;
    if (At(e) == ':' && At(e + 1) == '=' && e + 1 <= endPos) return {MakeStringConstant(name), 1, true};
    return {MakeVarRef(name), 1, false};
  }

  SetError(eeBadOperand, pos);
  return {};
}

Operand Parser::ParseFunction() {
  const std::size_t start = pos;
  std::size_t e = pos;
  const unsigned char first = At(e);
  if (IsIdentFirst(first) || first == '!' || first == '$' || first == '-') {
    ++e;
    while (e <= Length() && IsIdentRest(At(e))) ++e;
  }
  const std::string_view name = text_.substr(pos - 1, e - pos);
  std::unique_ptr<TFunction> fn = functions_.CreateFunction(name);
  if (!fn) {
    SetError(eeBadFunctionName, start);
    return {};
  }
  if (nesting_ >= kMaxTreeDepth) {
    SetError(eeBadOperand, start);
    return {};
  }
  struct Nest {
    int& n;
    explicit Nest(int& x) : n(x) { ++n; }
    ~Nest() { --n; }
  } nest(nesting_);

  pos = e;
  while (pos <= Length() && At(pos) < 33) ++pos;
  ++pos;  // the "(" (the caller saw it)
  SkipBlanks(Length());

  const int total = TotalParamCount(*fn);
  const int minimum = fn->MinParamCount();
  int count = 0;
  int depth = 0;
  if (total == 0) {
    if (At(pos) != ')') {
      SetError(eeParenExpected, pos);
      return {};
    }
    ++pos;
  } else {
    unsigned char last = 0;
    if (At(pos) == ')') {
      last = ')';
      ++pos;
    }
    while (count < total && last != ')' && !error) {
      const std::size_t argStart = pos;
      Operand arg = ParseExpression(Length());
      if (error == eeBadOperator && (At(pos) == ')' || At(pos) == ',')) {
        error = eeNone;
        last = At(pos);
        if (!arg.node || !fn->AddParam(count, arg.node)) {
          SetError(eeTypeMismatch, argStart);
          break;
        }
        depth = std::max(depth, arg.depth);
        ++count;
        ++pos;
      } else if (error == eeNone || error == eeBadOperator) {
        error = eeNone;
        SetError(eeBadArgument, pos);
      }
    }
    if (!error) {
      if (count < minimum)
        SetError(eeTooFewArguments, pos);
      else if (last != ')')
        SetError(eeParenExpected, pos);
    }
  }
  if (error) return {};
  if (!fn->DecideDataType()) {
    SetError(eeTooFewArguments, start);
    return {};
  }
  Operand o{std::move(fn), depth + 1, false};
  o.constant = o.node->IsConstant();
  Fold(o);
  return o;
}

void Parser::Fold(Operand& o) {
  if (!o.node || !o.constant) return;
  if (&o.node->ClassType() == &TExpression::StaticClass()) return;
  if (!o.node->IsConstant()) {
    o.constant = false;
    return;
  }
  try {
    o.node->Calculate(kAlwaysStamp);
    auto c = std::make_unique<TExpression>();
    c->CopyResult(*o.node);
    o.node = std::move(c);
  } catch (const std::exception&) {
    o.constant = false;  // left to raise when it is evaluated
  }
}

Operand Parser::Merge(Operand a, int op, std::size_t opPos, Operand b) {
  auto typeError = [&]() -> Operand {
    // A refusal is the error unless an earlier one stands (a pending stop at an argument
    // delimiter gives way to it).
    if (error == eeNone || error == eeBadOperator) {
      error = eeTypeMismatch;
      pos = opPos;
    }
    return {};
  };
  if (op == kOpFormat) {
    if (!a.node || !b.node) return typeError();
    a.depth = std::max(a.depth, b.depth + 1);
    a.node->SetFormatExp(std::move(b.node));
    return a;
  }
  const TClass* cls = OperatorClass(op);
  if (!cls || !a.node || !b.node) return typeError();
  std::unique_ptr<TExpression> node = TExpression::CreateOfClass(*cls);
  if (!node || !node->AddParam(0, a.node) || !node->AddParam(1, b.node) || !node->DecideDataType())
    return typeError();
  Operand r{std::move(node), std::max(a.depth, b.depth) + 1, a.constant && b.constant};
  if (r.depth > kMaxTreeDepth) {
    SetError(eeBadOperand, opPos);
    return {};
  }
  Fold(r);
  return r;
}

Operand Parser::Reduce(std::vector<Item>& items) {
  if (items.empty()) return {};
  if (items.back().op != kOpEnd) {
    items.back().op = kOpEnd;
    SetError(eeOperandExpected, pos);
  }
  // Operator precedence with every operator grouping from the left: the leftmost pair whose
  // operator binds at least as tight as the next one is merged first.
  std::vector<Item> stack;
  stack.reserve(items.size());
  for (Item& it : items) {
    while (!stack.empty() && kPrecedence[stack.back().op] <= kPrecedence[it.op]) {
      Item left = std::move(stack.back());
      stack.pop_back();
      it.operand = Merge(std::move(left.operand), left.op, left.opPos, std::move(it.operand));
    }
    stack.push_back(std::move(it));
  }
  Operand result = std::move(stack.back().operand);
  Fold(result);
  return result;
}

Operand Parser::ParseExpression(std::size_t endPos) {
  std::vector<Item> items;
  while (error == eeNone && pos <= endPos) {
    Item it;
    it.operand = ParseOperand(endPos);
    it.opPos = pos;
    if (error == eeNone) it.op = ReadOperator(endPos, it.opPos);
    items.push_back(std::move(it));
  }
  return Reduce(items);
}

std::string ErrorInfoOf(int code, std::size_t pos, std::string_view text) {
  const std::size_t at = std::clamp<std::size_t>(pos, 1, text.size() + 1) - 1;
  std::string s(TExpTranslator::ErrorText(code));
  s += " (";
  s.append(text.substr(0, at));
  s += "[错]";
  s.append(text.substr(at));
  s += ")";
  return s;
}

}  // namespace

// ---------------------------------------------------------------- results and scope

std::string TTranslateResult::GetErrorText() const {
  return std::string(TExpTranslator::ErrorText(ErrorCode));
}

std::string TTranslateResult::GetErrorInfo() const { return ErrorInfoOf(ErrorCode, Pos, Text); }

const TCompileScope* TCompileScope::Current() { return tScope; }

std::string_view TExpTranslator::ErrorText(int code) {
  static constexpr std::string_view kTexts[] = {
      "编译完成", "变量没定义", "无效函数名", "引号不匹配", "括号不匹配", "无效操作数",
      "无效操作符", "无效参数", "类型不匹配", "需要操作数", "需要括号", "参数不够"};
  return code >= 0 && code <= 11 ? kTexts[code] : std::string_view();
}

// ---------------------------------------------------------------- translator

TExpTranslator::TExpTranslator(TVarList* varList)
    : varList_(varList ? varList : &GlobalVarList()) {
  auto& reg = Translators();
  plat::MutexLock lock(reg.mutex);
  reg.items.push_back(this);
}

TExpTranslator::~TExpTranslator() {
  auto& reg = Translators();
  plat::MutexLock lock(reg.mutex);
  reg.items.erase(std::remove(reg.items.begin(), reg.items.end(), this), reg.items.end());
}

void TExpTranslator::SetVarList(TVarList* list) {
  if (varList_.load() != list) varList_.store(list);
}

void TExpTranslator::VarListDestroyed(TVarList* list, TVarList* parent) {
  auto& reg = Translators();
  plat::MutexLock lock(reg.mutex);
  for (TExpTranslator* t : reg.items) {
    TVarList* expected = list;
    t->varList_.compare_exchange_strong(expected, parent);
  }
}

void TExpTranslator::VarListCreated() { Translators(); }

std::string TExpTranslator::ExpandDirectives(std::string_view source) const {
  TCompileScope scope{VarList(), const_cast<TFunctionList*>(&functions_)};
  ScopeGuard guard(&scope);
  std::string t(source);
  std::size_t i = 1;
  while (i <= t.size()) {
    const char c = t[i - 1];
    if (c == '"' || c == '\'') {
      i = std::max(SkipLiteral(t, i), i + 1);
      continue;
    }
    if (c == '/' && i < t.size() && t[i] == '/') {
      const std::size_t lf = t.find('\n', i + 1);
      i = lf == std::string::npos ? t.size() + 1 : lf + 2;
      continue;
    }
    if (c == '{') {
      const std::size_t close = MatchBrace(t, i);
      const bool directive = i + 2 <= t.size() && t[i] == '$' && (t[i + 1] == 'I' || t[i + 1] == 'i');
      if (!close) break;  // an open comment runs to the end
      if (!directive) {
        i = close + 1;
        continue;
      }
      Parser p(const_cast<TFunctionList&>(functions_), t);
      p.pos = i + 3;
      Operand o = p.ParseExpression(close - 1);
      std::string replacement;
      if (p.error) {
        // The information shows the directive itself, not the whole text: with the whole text,
        // every failing directive would double the text.
        replacement = ErrorInfoOf(p.error, p.pos - (i - 1), std::string_view(t).substr(i - 1, close - i + 1));
      } else if (o.node) {
        try {
          o.node->Calculate(kAlwaysStamp);
          replacement = o.node->AsString();
        } catch (const std::exception& e) {
          replacement = e.what();
        }
      }
      t.replace(i - 1, close - i + 1, replacement);
      i += replacement.size();
      continue;
    }
    ++i;
  }
  return t;
}

TTranslateResult TExpTranslator::Translate(std::string_view text) const {
  TTranslateResult r;
  TCompileScope scope{VarList(), const_cast<TFunctionList*>(&functions_)};
  ScopeGuard guard(&scope);
  r.Text = text.find("{$") != std::string_view::npos ? ExpandDirectives(text) : std::string(text);
  Parser p(const_cast<TFunctionList&>(functions_), r.Text);
  Operand o;
  try {
    o = p.ParseExpression(r.Text.size());
  } catch (const Exception&) {
    // A conversion of the library that refused a piece of the text.
    if (p.error == eeNone) {
      p.error = eeBadOperand;
    }
  }
  r.ErrorCode = p.error;
  r.Pos = p.pos;
  if (p.error == eeNone) r.Node = std::move(o.node);
  return r;
}

// ---------------------------------------------------------------- globals

void RegisterLanguageFunctions(TFunctionList& functions) {
  functions.RegisterClasses({&TExp_VarRef::StaticClass(), &TExp_VarAssign::StaticClass(),
                             &TCustomFunction::StaticClass(), &TExp_CustFuncParam::StaticClass(),
                             &TExp_Argc::StaticClass()});
}

void RegisterExpStreamClasses() {
  RegisterObjClasses({&TVarList::StaticClass(), &TExpression::StaticClass(), &TExp_Power::StaticClass(), &TExp_Mul::StaticClass(),
                      &TExp_Div::StaticClass(), &TExp_Add::StaticClass(), &TExp_Sub::StaticClass(),
                      &TExp_Equ::StaticClass(), &TExp_NotEqu::StaticClass(), &TExp_Great::StaticClass(),
                      &TExp_GorE::StaticClass(), &TExp_Less::StaticClass(), &TExp_LorE::StaticClass(),
                      &TExp_In::StaticClass(), &TExp_And::StaticClass(), &TExp_Or::StaticClass(),
                      &TExp_VarRef::StaticClass(), &TExp_VarAssign::StaticClass(),
                      &TCustomFunction::StaticClass(), &TExp_CustFuncRef::StaticClass(),
                      &TExp_CustFuncParam::StaticClass(), &TExp_Argc::StaticClass()});
  RegisterExpressionModuleClasses();
}

void SetScreenObject(TObject* screen) { gScreenObject.store(screen); }

TObject* ScreenObject(std::int64_t handle) { return handle == kScreenHandle ? gScreenObject.load() : nullptr; }

TVarList& GlobalVarList() {
  static TVarList* list = [] {
    static TVarList l;
    const auto names = GetBoolNames();
    l.SetVar(names[1], MakeBoolConstant(true));
    l.SetVar(names[0], MakeBoolConstant(false));
    l.SetVar("Screen", MakeIntConstant(kScreenHandle));
    return &l;
  }();
  return *list;
}

TExpTranslator& GlobalTranslator() {
  static TExpTranslator* translator = [] {
    RegisterExpStreamClasses();
    static TExpTranslator t(&GlobalVarList());
    RegisterLanguageFunctions(t.FunctionList());
    RegisterExpressionModuleFunctions(t.FunctionList());
    return &t;
  }();
  return *translator;
}

void SetExpMacroExpander(TExpMacroExpander expander) { gMacroExpander.store(expander); }

std::unique_ptr<TExpression> CompileExpression(std::string_view text) {
  std::string copy(text);
  if (TExpMacroExpander expand = gMacroExpander.load()) expand(copy);
  if (!copy.empty()) {
    TTranslateResult r = GlobalTranslator().Translate(copy);
    if (r.Node) return std::move(r.Node);
    if (r.ErrorCode != eeNone) copy = r.GetErrorInfo();
  }
  return MakeTextConstant(copy);
}

}  // namespace olv
