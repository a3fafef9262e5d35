#include "oracle/components/OraSQLMonitor.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "dataaccess/DAConnection.h"
#include "dataaccess/Params.h"
#include "oracle/components/OraParams.h"

namespace ora {

using namespace da;

namespace {

std::atomic<TOraSQLMonitor*> gMonitor{nullptr};

// Field type to Oracle type name, indexed by the field type (0 .. 37); empty where none.
const char* const kOraTypeNames[38] = {
    "Unknown", "VARCHAR", "", "INTEGER", "", "BOOLEAN", "FLOAT", "", "", "DATE", "TIME", "", "", "", "", "BLOB",
    "MEMO", "", "", "", "", "", "CURSOR", "CHAR", "VARCHAR", "INTEGER", "", "ARRAY", "REFERENCE", "DATASET",
    "HUGEBLOB", "HUGECLOB", "VARIANT", "INTERFACE", "DISPATCH", "", "", ""};

std::size_t TextLength(const Variant& v) { return v.IsEmptyOrNull() ? 0 : v.AsString().size(); }

}  // namespace

TOraSQLMonitor::TOraSQLMonitor() : TCustomDASQLMonitor(false) {
  TOraSQLMonitor* none = nullptr;
  gMonitor.compare_exchange_strong(none, this);
  try {
    SetActive(true);
  } catch (...) {
    TOraSQLMonitor* self = this;
    gMonitor.compare_exchange_strong(self, nullptr);
    throw;
  }
}

TOraSQLMonitor::~TOraSQLMonitor() {
  try {
    SetActive(false);
  } catch (...) {
    // A destructor cannot report.
  }
  TOraSQLMonitor* self = this;
  gMonitor.compare_exchange_strong(self, nullptr);
}

TCustomDASQLMonitor* TOraSQLMonitor::GetMonitor() { return gMonitor.load(); }

std::string TOraSQLMonitor::GetParamDataType(const TParam& param) const {
  std::string text;
  if (const auto* p = dynamic_cast<const TOraParam*>(&param); p && MonitorDataTypeText(*p, text)) return text;
  const int type = param.DataType();
  // A table or DML array shows its size; a single value its text length.
  const auto length = [&param] {
    const Variant value = param.Value();
    const std::size_t n = value.IsArray() ? static_cast<std::size_t>(std::max(param.Size, 0)) : TextLength(value);
    return "[" + std::to_string(n) + "]";
  };
  switch (type) {
    case ftString: return "VARCHAR" + length();
    case ftFixedChar: return "CHAR" + length();
    case ftBlob: case ftOraBlob: return "BLOB";
    case ftMemo: return "LONG";
    case ftCursor: return "CURSOR";
    case ftADT: return "OBJECT:unknown";
    case ftArray: return "ARRAY:unknown";
    case ftReference: return "Ref:unknown";
    case ftDataSet: return "TABLE:unknown";
    case ftOraClob: return "CLOB";
    case ftBFile: return "BFILE";
    case ftLabel: return "LABEL";
    default: return type < 38 ? kOraTypeNames[type] : std::string();
  }
}

std::string TOraSQLMonitor::GetParamValue(const TParam& param) const {
  std::string text;
  if (const auto* p = dynamic_cast<const TOraParam*>(&param); p && MonitorValueText(*p, text)) return text;
  if (param.IsNull()) return "<NULL>";
  const Variant value = param.Value();
  switch (static_cast<int>(param.DataType())) {
    case ftOraBlob: case ftOraClob: return "<LOB:" + std::to_string(TextLength(value)) + ">";
    case ftCursor: return "<CURSOR>";
    case ftString: case ftDateTime: case ftFixedChar: return "'" + value.AsString() + "'";
    default: return TCustomDASQLMonitor::GetParamValue(param);
  }
}

void TOraSQLMonitor::Savepoint(const TCustomDAConnection& session, const std::string& name) {
  TCustomDASQLMonitor* m = Live(&TOraSQLMonitor::GetMonitor);
  if (!m || !m->Active()) return;
  int id = 0;
  static_cast<TOraSQLMonitor*>(m)->ConnectionEvent(qeOther, "Savepoint " + name, tfTransact, session, false, id);
}

void TOraSQLMonitor::RollbackToSavepoint(const TCustomDAConnection& session, const std::string& name) {
  TCustomDASQLMonitor* m = Live(&TOraSQLMonitor::GetMonitor);
  if (!m || !m->Active()) return;
  int id = 0;
  static_cast<TOraSQLMonitor*>(m)->ConnectionEvent(qeOther, "Rollback to savepoint " + name, tfTransact, session, false, id);
}

}  // namespace ora
