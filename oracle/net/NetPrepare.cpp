// Statement preparation: the statement type and the bind names, found with the Oracle lexer.
#include <algorithm>

#include "oracle/OraParser.h"
#include "oracle/net/NetStatement.h"

namespace ora {
namespace {

int TypeOf(int code) {
  switch (code) {
    case lxSELECT: return kStmtSelect;
    case lxUPDATE: return kStmtUpdate;
    case lxDELETE: return kStmtDelete;
    case lxINSERT: return kStmtInsert;
    case lxBEGIN: return kStmtBegin;
    case lxDECLARE: return kStmtDeclare;
    default: return kStmtOther;
  }
}

bool NamesBind(int code) { return code == da::lcIdent || code == da::lcNumber || code >= lxAND; }

}  // namespace

void TNetStatementState::Prepare(const std::string& sql) {
  FreeLists();
  sql_ = sql;
  std::string lexeme;
  {
    TOraParser parser(sql_.c_str());
    parser.OmitComment = true;
    int code;
    do code = parser.GetNext(lexeme);
    while (code == da::lcSymbol && lexeme == "(");
    type_ = TypeOf(code);
    if (type_ == kStmtUpdate || type_ == kStmtInsert) {
      while ((code = parser.GetNext(lexeme)) != da::lcEnd) {
        if (code != lxRETURNING) continue;
        // The returned values come back as out binds of a block.
        sql_ = "begin " + sql + "; end;";
        type_ = kStmtBegin;
        break;
      }
    }
  }
  const bool block = type_ == kStmtBegin || type_ == kStmtDeclare;
  TOraParser parser(sql_.c_str());
  parser.OmitComment = true;
  for (int code; (code = parser.GetNext(lexeme)) != da::lcEnd;) {
    if (code == lxTRIGGER) break;  // :new and :old of a trigger body are no binds
    if (code != lxColon) continue;
    const int next = parser.GetNext(lexeme);
    if (!NamesBind(next)) {
      parser.Back();  // ":=" and the like
      continue;
    }
    if (block && std::any_of(binds_.begin(), binds_.end(), [&](const auto& b) { return b->name == lexeme; }))
      continue;
    std::unique_ptr<TNetItem> bind = NewItem();
    bind->name = lexeme;
    binds_.push_back(std::move(bind));
  }
}

}  // namespace ora
