#include "tests/dataaccess/DriverKinds.h"

#include <algorithm>
#include <map>

#include "dataaccess/TextUtil.h"

namespace da::testing {

namespace {

struct EmpRow {
  int id;
  const char* name;
  const char* note;  // nullptr: NULL
  int dept;
  const char* hired;
};
const EmpRow kEmp[] = {{1, "SMITH", "first note", 20, "1980.12.17"},
                       {2, "ALLEN", nullptr, 30, "1981.2.20"},
                       {3, "WARD", "w", 30, "1981.2.22"},
                       {4, "JONES", "j", 20, "1981.4.2"}};
const std::pair<int, const char*> kDept[] = {{10, "ACCOUNTING"}, {20, "RESEARCH"}, {30, "SALES"}};

ScriptResult EmpResult(int dept) {
  ScriptResult r;
  r.Columns = {{"ID", dtInt32}, {"NAME", dtString, 255}, {"NOTE", dtMemo}, {"DEPT", dtInt32}, {"HIRED", dtDateTime}};
  for (const EmpRow& e : kEmp)
    if (dept == 0 || e.dept == dept)
      r.Rows.push_back({Variant(e.id), Variant(e.name), e.note ? Variant(e.note) : Variant::Null(), Variant(e.dept),
                        Variant::Date(TextToDateTime(e.hired))});
  return r;
}

}  // namespace

std::string DriverName(const ::testing::TestParamInfo<DriverKind>& info) {
  return info.param == DriverKind::Sqlite ? "Sqlite" : "Script";
}

DriverDb::DriverDb(DriverKind kind) : kind_(kind) {
  if (kind == DriverKind::Script) {
    script_.AcceptDml = true;
    script_.Results["select * from emp"] = EmpResult(0);
    for (const auto& [no, name] : kDept) {
      script_.Results["select * from emp where dept = " + std::to_string(no)] = EmpResult(no);
      (void)name;
    }
    script_.Results["select * from emp where id = 0"] = ScriptResult{EmpResult(0).Columns, {}};
    ScriptResult dept;
    dept.Columns = {{"DEPTNO", dtInt32}, {"DNAME", dtString, 255}};
    for (const auto& [no, name] : kDept) dept.Rows.push_back({Variant(no), Variant(name)});
    script_.Results["select * from dept"] = dept;
    connection_ = std::make_unique<ScriptConnection>(script_);
    connection_->Connect("");
    return;
  }
  auto sqlite = std::make_unique<SqliteConnection>();
  sqlite->Connect("");
  sqlite->Exec("CREATE TABLE dept(deptno INTEGER, dname TEXT)");
  sqlite->Exec("CREATE TABLE emp(id INTEGER PRIMARY KEY, name TEXT, note MEMO, dept INTEGER, hired DATE)");
  connection_ = std::move(sqlite);
  for (const auto& [no, name] : kDept)
    Execute("insert into dept values (:NO, :NAME)", {{"NO", Variant(no)}, {"NAME", Variant(name)}});
  for (const EmpRow& e : kEmp)
    Execute("insert into emp values (:ID, :NAME, :NOTE, :DEPT, :HIRED)",
            {{"ID", Variant(e.id)},
             {"NAME", Variant(e.name)},
             {"NOTE", e.note ? Variant(e.note) : Variant::Null()},
             {"DEPT", Variant(e.dept)},
             {"HIRED", Variant(e.hired)}});
}

void DriverDb::Execute(const std::string& sql, const std::vector<std::pair<std::string, Variant>>& params) {
  std::unique_ptr<TVtCommand> command = connection_->CreateCommand();
  command->SetSQL(sql);
  for (const auto& [name, value] : params) {
    TParamDesc* p = command->AddParam();
    p->SetName(name);
    p->SetParamType(ptInput);
    p->SetValue(value);
  }
  command->Execute(1);
}

std::vector<std::pair<int, std::string>> DriverDb::EmpRows() {
  std::vector<std::pair<int, std::string>> rows;
  if (kind_ == DriverKind::Sqlite) {
    std::unique_ptr<TVtRecordSet> rs = connection_->CreateRecordSet();
    rs->SetSQL("select id, name from emp order by id");
    rs->Open();
    std::unique_ptr<std::uint8_t[]> rec(rs->AllocRecBuf());
    rs->SetToBegin();
    for (rs->GetNextRecord(rec.get()); !rs->GetEOF(); rs->GetNextRecord(rec.get())) {
      const Variant name = rs->GetFieldAsVariant(2, rec.get());
      rows.emplace_back(rs->GetFieldAsVariant(1, rec.get()).AsInteger(), name.IsNull() ? "" : name.AsString());
    }
    return rows;
  }
  // The script keeps no table: replay what it logged on the starting rows.
  std::map<int, std::string> table;
  for (const EmpRow& e : kEmp) table[e.id] = e.name;
  for (const std::string& line : script_.Log) {
    int id = 0;
    char name[64] = {};
    if (std::sscanf(line.c_str(), "execute insert into emp (id, name, dept) values (%d, %63[^,]", &id, name) == 2) {
      if (table.count(id)) ADD_FAILURE() << "row " << id << " inserted twice";
      table[id] = name;
    } else if (std::sscanf(line.c_str(), "execute update emp set name = %63[^ ] where id = %d", name, &id) == 2) {
      table[id] = name;
    } else if (std::sscanf(line.c_str(), "execute delete from emp where id = %d", &id) == 1) {
      table.erase(id);
    }
  }
  for (const auto& [id, name] : table) rows.emplace_back(id, name);
  return rows;
}

bool DriverDataSet::PerformAppend() {
  ++Appends;
  db_.Execute("insert into emp (id, name, dept) values (:ID, :NAME, :DEPT)",
              {{"ID", FieldByName("ID").AsVariant()},
               {"NAME", FieldByName("NAME").AsVariant()},
               {"DEPT", FieldByName("DEPT").AsVariant()}});
  return true;
}

bool DriverDataSet::PerformUpdate() {
  ++Updates;
  db_.Execute("update emp set name = :NAME where id = :ID",
              {{"NAME", FieldByName("NAME").AsVariant()}, {"ID", FieldByName("ID").AsVariant()}});
  return true;
}

bool DriverDataSet::PerformDelete() {
  ++Deletes;
  db_.Execute("delete from emp where id = :ID", {{"ID", FieldByName("ID").AsVariant()}});
  return true;
}

}  // namespace da::testing
