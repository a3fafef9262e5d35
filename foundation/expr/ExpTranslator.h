#pragma once
// The compiler of the expression language (module OlvExp).
//
//   auto r = GlobalTranslator().Translate("1 + 2 * Length('abc')");
//   if (r.Node) { r.Node->Calculate(kAlwaysStamp); r.Node->AsString(); }   // "7"
//   else        { r.ErrorCode; r.Pos; r.GetErrorInfo(); }
//
// Operands and operators are read left to right and reduced by precedence (a lower number binds
// tighter; equal precedence groups from the left):
//   0 "^"   1 "*" "/"   2 "+" "-"   3 "=" "<>" ">" ">=" "<" "<=" "$"   4 "&" AND   5 "|" OR
//   6 ":" (format of the left operand)   7 ":=" (assignment)
// Constant sub-trees are folded at compile time; function calls never are. "{$I expr}" in a text
// is replaced by the value of expr before compiling. Identifiers resolve as variables in the
// translator's variable list at run time; calls are looked up in its function registry.
//
// Errors come back as a code (1..11, texts from ErrorText) with a 1-based position, never as an
// exception: also a number too large for 32 bits (code 5) and an unterminated quoted text
// (code 3).
//
// Threads: Translate keeps its state per call, so any thread may compile at any time with the
// same translator; the registry and variable lists guard themselves. A compiled tree belongs to
// the caller and must not outlive the translator's function registry.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/expr/Expression.h"
#include "foundation/expr/FunctionList.h"
#include "foundation/expr/VarList.h"

namespace olv {

// Error codes of a compile.
enum TExpError : int {
  eeNone = 0,
  eeUndefinedVariable = 1,  // not set by the compiler
  eeBadFunctionName = 2,
  eeQuoteMismatch = 3,
  eeParenMismatch = 4,
  eeBadOperand = 5,
  eeBadOperator = 6,
  eeBadArgument = 7,
  eeTypeMismatch = 8,
  eeOperandExpected = 9,
  eeParenExpected = 10,
  eeTooFewArguments = 11,
};

// The handle that the root variable "Screen" holds: the screen object is found by this handle
// through the form library, never through an address held in an expression value.
inline constexpr std::int32_t kScreenHandle = 1;

// The stream classes and functions of the modules built on the expression language (core
// functions, macros, dates), which the program's translator registers on its first use. Defined by
// the start-up unit (foundation/startup), so that the compiler need not know those modules.
void RegisterExpressionModuleClasses();
void RegisterExpressionModuleFunctions(TFunctionList& functions);

class TObject;
// The live screen object that kScreenHandle stands for. The form library installs its screen
// object here when it makes it and uninstalls it (null) before freeing it, so "Screen" never
// reaches a freed object. ScreenObject gives null for another handle or while none is installed.
// Any thread; the object itself belongs to the main thread.
void SetScreenObject(TObject* screen);
TObject* ScreenObject(std::int64_t handle);

// The deepest tree (nesting of groups, calls and operators) that a compile accepts; deeper texts
// are error 5 at the operand that goes too deep, so that evaluating and freeing stay bounded.
inline constexpr int kMaxTreeDepth = 1000;

struct TTranslateResult {
  std::unique_ptr<TExpression> Node;  // null on an error (and for an empty text)
  int ErrorCode = eeNone;
  std::size_t Pos = 0;                // 1-based position of the error
  std::string Text;                   // the source after directives

  std::string GetErrorText() const;
  // The error text, " (", the source with "[错]" before the character at Pos, and ")".
  std::string GetErrorInfo() const;
};

// What a compile resolves names in; nodes created while compiling read it (per thread).
struct TCompileScope {
  TVarList* VarList = nullptr;
  TFunctionList* Functions = nullptr;
  static const TCompileScope* Current();
};

class TExpTranslator {
 public:
  // varList: the list identifiers resolve in (not owned); null means GlobalVarList().
  explicit TExpTranslator(TVarList* varList = nullptr);
  ~TExpTranslator();
  TExpTranslator(const TExpTranslator&) = delete;
  TExpTranslator& operator=(const TExpTranslator&) = delete;

  TTranslateResult Translate(std::string_view text) const;
  // The text with every "{$I expr}" replaced by the value of expr.
  std::string ExpandDirectives(std::string_view text) const;

  TFunctionList& FunctionList() { return functions_; }
  const TFunctionList& FunctionList() const { return functions_; }
  TVarList* VarList() const { return varList_.load(); }
  void SetVarList(TVarList* list);

  static std::string_view ErrorText(int code);

  // Called by a variable list that goes away: a translator using it turns to its parent.
  static void VarListDestroyed(TVarList* list, TVarList* parent);
  // Called by every new variable list, so that the translators' registry outlives it.
  static void VarListCreated();

 private:
  TFunctionList functions_;
  std::atomic<TVarList*> varList_;
};

// Registers the functions of the language itself (VarRef, VarAssign, CustomFunction,
// CustFuncParam, Argc) in a registry; GlobalTranslator's has them from the start.
void RegisterLanguageFunctions(TFunctionList& functions);

// The root variable list: "Yes" (true), "No" (false) and "Screen" (kScreenHandle).
TVarList& GlobalVarList();
// The program's translator on GlobalVarList, with the language's own functions registered.
TExpTranslator& GlobalTranslator();

// Hook through which CompileExpression expands macros before compiling (set by the macro
// lists); none by default.
using TExpMacroExpander = void (*)(std::string& text);
void SetExpMacroExpander(TExpMacroExpander expander);

// Always a node, which the caller owns: the compiled text; or, for an empty text or an error, a
// constant holding the text (after macros) or the error information.
std::unique_ptr<TExpression> CompileExpression(std::string_view text);

}  // namespace olv
