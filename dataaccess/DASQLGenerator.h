#pragma once
// TDASQLGenerator: update statements made for the current record of a SQL dataset, for a
// dataset that names the table it writes (TCustomDADataSet::UpdatingTable) and has no
// UpdateObject. Data fields that are stored columns take part (not calculated, not read-only,
// not object, array or nested-table fields):
//   insert:  INSERT INTO t (the fields with a value) VALUES (:field, ...)
//   update:  UPDATE t SET (the fields whose value changed) = :field WHERE <row>; empty when none changed
//   delete:  DELETE FROM t WHERE <row>
//   refresh: SELECT (every field) FROM t WHERE key = :key ...; empty without key fields
// <row> names the record as it was read: each key field (KeyFields), or every field that is no
// blob when there are none, as "field = :OLD_field", or "field IS NULL" for a NULL. Names are
// quoted by the dataset's QuoteName. Reads the dataset's current and old values; one thread.
#include <string>

namespace da {

class TCustomDADataSet;
class TField;

class TDASQLGenerator {
 public:
  explicit TDASQLGenerator(TCustomDADataSet& dataSet) : dataSet_(dataSet) {}
  std::string InsertSQL();
  std::string UpdateSQL();
  std::string DeleteSQL();
  std::string RefreshSQL();

 private:
  bool Writable(const TField& field) const;
  std::string Param(const std::string& prefix, const TField& field) const;
  std::string RowCondition();
  TCustomDADataSet& dataSet_;
};

}  // namespace da
