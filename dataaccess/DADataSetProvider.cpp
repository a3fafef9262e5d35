#include <string>

#include "dataaccess/DAConnection.h"
#include "dataaccess/DADataSet.h"

namespace da {

namespace {

// "?" marks become ":1", ":2", ...; a mark inside a quoted string is text and stays.
std::string NumberMarks(const std::string& sql) {
  std::string out;
  out.reserve(sql.size() + 8);
  int next = 1;
  char quote = 0;
  for (char c : sql) {
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '?') {
      out += ':' + std::to_string(next++);
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

void TCustomDADataSet::SetStateFieldValue(TDataSetState state, TField& field, const Variant& value) {
  const TDataSetState saved = SetTempState(state);
  try {
    if (field.DataType() == ftLargeint && !field.ReadOnly() && !value.IsEmptyOrNull())
      field.SetAsVariant(Variant(value.AsInt64()));
    else
      field.SetAsVariant(value);
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
}

int TCustomDADataSet::PSExecuteStatement(const std::string& sql, const TParams& params) {
  TCustomDAConnection* connection = UsedConnection();
  if (!connection) throw EDatabaseError("Connection is not defined.");
  std::unique_ptr<TCustomDASQL> statement = connection->CreateSQL();
  statement->Debug = Debug;
  statement->SetSQL(NumberMarks(sql));
  TParams& own = statement->Params();
  own.Clear();
  for (int i = 0; i < params.Count(); ++i) {
    const TParam& given = params.Items(i);
    TParam& param = own.CreateParam(given.DataType(), std::to_string(i + 1), given.ParamType);
    param.Assign(given);
    param.Name = std::to_string(i + 1);
    if (param.ParamType == ptUnknown) param.ParamType = ptInput;
  }
  statement->Execute();
  return statement->RowsAffected();
}

void TCustomDADataSet::PSStartTransaction() {
  TCustomDAConnection* connection = UsedConnection();
  if (connection && AutoCommit() && connection->AutoCommit()) connection->StartTransaction();
}

void TCustomDADataSet::PSEndTransaction(bool commit) {
  TCustomDAConnection* connection = UsedConnection();
  if (!connection || !AutoCommit() || !connection->AutoCommit()) return;
  if (commit)
    connection->Commit();
  else
    connection->Rollback();
}

bool TCustomDADataSet::PSInTransaction() {
  TCustomDAConnection* connection = UsedConnection();
  return connection && connection->InTransaction();
}

void TCustomDADataSet::PSSetParams(const TParams& params) {
  if (params.Count() > 0) Params().Assign(params);
  Close();
}

void TCustomDADataSet::PSSetCommandText(const std::string& text) {
  if (!text.empty()) SetSQL(text);
}

void TCustomDADataSet::PSReset() {
  if (!Active()) return;
  Close();
  Open();
}

}  // namespace da
