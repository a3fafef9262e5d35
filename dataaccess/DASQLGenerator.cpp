#include "dataaccess/DASQLGenerator.h"

#include <algorithm>
#include <cctype>

#include "dataaccess/DADataSet.h"
#include "dataaccess/FilterExpression.h"

namespace da {

namespace {

bool PlainName(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
           const auto u = static_cast<unsigned char>(c);
           return u >= 0x80 || std::isalnum(u) || c == '_' || c == '$' || c == '#';
         });
}

// The field's value as the record was read (before the edit).
Variant OldValue(TCustomDADataSet& dataSet, TField& field);

}  // namespace

bool TDASQLGenerator::Writable(const TField& field) const {
  if (field.FieldNo() <= 0 || field.Calculated() || field.ReadOnly() || field.ParentField()) return false;
  switch (field.DataType()) {
    case ftADT: case ftArray: case ftReference: case ftDataSet: case ftCursor: return false;
    default: return true;
  }
}

std::string TDASQLGenerator::Param(const std::string& prefix, const TField& field) const {
  const std::string name = prefix + field.FieldName();
  return PlainName(name) ? ":" + name : ":\"" + name + "\"";
}

std::string TDASQLGenerator::RowCondition() {
  std::vector<TField*> fields;
  for (const std::string& name : SplitNames(dataSet_.KeyFields())) fields.push_back(&dataSet_.FieldByName(name));
  if (fields.empty())
    for (int i = 0; i < dataSet_.FieldCount(); ++i) {
      TField& f = dataSet_.Fields(i);
      if (Writable(f) && !f.IsBlob()) fields.push_back(&f);
    }
  std::string where;
  for (TField* f : fields) {
    if (!where.empty()) where += " AND ";
    const std::string column = dataSet_.QuoteName(f->FieldName());
    where += OldValue(dataSet_, *f).IsEmptyOrNull() ? column + " IS NULL" : column + " = " + Param("OLD_", *f);
  }
  return where;
}

std::string TDASQLGenerator::InsertSQL() {
  std::string columns, values;
  for (int pass = 0; pass < 2 && columns.empty(); ++pass)
    for (int i = 0; i < dataSet_.FieldCount(); ++i) {
      TField& f = dataSet_.Fields(i);
      // The fields given a value; all of them when none was.
      if (!Writable(f) || (pass == 0 && f.IsNull())) continue;
      columns += (columns.empty() ? "" : ", ") + dataSet_.QuoteName(f.FieldName());
      values += (values.empty() ? "" : ", ") + Param("", f);
    }
  if (columns.empty()) return std::string();
  return "INSERT INTO " + dataSet_.UpdatingTable + " (" + columns + ") VALUES (" + values + ")";
}

std::string TDASQLGenerator::UpdateSQL() {
  std::string set;
  for (int i = 0; i < dataSet_.FieldCount(); ++i) {
    TField& f = dataSet_.Fields(i);
    if (!Writable(f)) continue;
    const Variant now = f.AsVariant(), before = OldValue(dataSet_, f);
    const bool same = now.IsEmptyOrNull() ? before.IsEmptyOrNull() : !before.IsEmptyOrNull() && VarEquals(now, before);
    if (same) continue;
    set += (set.empty() ? "" : ", ") + dataSet_.QuoteName(f.FieldName()) + " = " + Param("", f);
  }
  if (set.empty()) return std::string();
  return "UPDATE " + dataSet_.UpdatingTable + " SET " + set + " WHERE " + RowCondition();
}

std::string TDASQLGenerator::DeleteSQL() { return "DELETE FROM " + dataSet_.UpdatingTable + " WHERE " + RowCondition(); }

std::string TDASQLGenerator::RefreshSQL() {
  const std::vector<std::string> keys = SplitNames(dataSet_.KeyFields());
  if (keys.empty()) return std::string();
  std::string columns, where;
  for (int i = 0; i < dataSet_.FieldCount(); ++i) {
    TField& f = dataSet_.Fields(i);
    if (f.FieldNo() > 0 && !f.Calculated() && !f.ParentField())
      columns += (columns.empty() ? "" : ", ") + dataSet_.QuoteName(f.FieldName());
  }
  for (const std::string& key : keys) {
    TField& f = dataSet_.FieldByName(key);
    where += (where.empty() ? "" : " AND ") + dataSet_.QuoteName(f.FieldName()) + " = " + Param("", f);
  }
  return "SELECT " + columns + " FROM " + dataSet_.UpdatingTable + " WHERE " + where;
}

namespace {

Variant OldValue(TCustomDADataSet& dataSet, TField& field) { return dataSet.OldFieldValue(field); }

}  // namespace

}  // namespace da
