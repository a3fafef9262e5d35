// The Oracle dataset's field information (FieldsOrigin, DefaultValues): the select list read with
// the Oracle lexer, the tables of the FROM list, and, when the text alone does not tell, the
// columns and defaults the data dictionary gives.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "dataaccess/TextUtil.h"
#include "oracle/components/OraDataSet.h"
#include "oracle/OraParser.h"
#include "oracle/components/OraSQLText.h"
#include "oracle/components/OraSession.h"

namespace ora {

namespace {

struct TLexem {
  int code;
  std::string text;
};

// A quoted identifier keeps its case without its quotes; any other is upper-cased.
std::string NormalName(const std::string& ident) {
  if (ident.size() >= 2 && ident.front() == '"' && ident.back() == '"') return ident.substr(1, ident.size() - 2);
  return da::AsciiUpper(ident);
}

// One item of a select list.
struct TSelectItem {
  enum Kind { Column, Star, Expression } kind = Expression;
  std::string qualifier;  // table or alias (Column, Star); empty when none
  std::string column;     // Column
  std::string name;       // the name the result column gets
};

bool IsPseudoColumn(const std::string& upper) {
  return upper == "NULL" || upper == "SYSDATE" || upper == "USER" || upper == "UID" || upper == "ROWNUM" ||
         upper == "LEVEL" || upper == "ROWID" || upper == "SYSTIMESTAMP";
}

TSelectItem ReadItem(std::vector<TLexem> item) {
  TSelectItem result;
  std::string alias;
  const std::size_t n = item.size();
  if (n >= 2 && item[n - 2].code == lxAS) {
    alias = item[n - 1].text;
    item.resize(n - 2);
  } else if (n >= 2 && item[n - 1].code == da::lcIdent && item[n - 2].code != lxDot) {
    alias = item[n - 1].text;
    item.resize(n - 1);
  }
  const std::size_t m = item.size();
  if (m == 1 && item[0].code == lxStar) {
    result.kind = TSelectItem::Star;
  } else if (m == 3 && item[0].code == da::lcIdent && item[1].code == lxDot && item[2].code == lxStar) {
    result.kind = TSelectItem::Star;
    result.qualifier = NormalName(item[0].text);
  } else {
    // ident, q.ident or s.q.ident: a column; anything else an expression.
    bool column = m % 2 == 1 && m <= 5;
    for (std::size_t i = 0; column && i < m; ++i)
      column = i % 2 == 0 ? item[i].code == da::lcIdent : item[i].code == lxDot;
    if (column && m == 1 && IsPseudoColumn(NormalName(item[0].text))) column = false;
    if (column) {
      result.kind = TSelectItem::Column;
      result.column = NormalName(item[m - 1].text);
      if (m >= 3) result.qualifier = NormalName(item[m - 3].text);
      result.name = result.column;
    } else {
      for (const TLexem& l : item) result.name += l.code == da::lcIdent ? NormalName(l.text) : l.text;
    }
  }
  if (!alias.empty()) result.name = NormalName(alias);
  return result;
}

// The items of the first select list at depth 0 (ALL, DISTINCT and UNIQUE passed over).
std::vector<TSelectItem> ReadSelectList(const std::string& sql) {
  std::vector<TSelectItem> items;
  TOraParser parser(sql.c_str());
  parser.OmitComment = true;
  std::string lexem;
  int code;
  do {
    code = parser.GetNext(lexem);
  } while (code != da::lcEnd && code != lxSELECT);
  if (code == da::lcEnd) return items;
  code = parser.GetNext(lexem);
  const std::string upper = da::AsciiUpper(lexem);
  if (code == da::lcIdent && (upper == "ALL" || upper == "DISTINCT" || upper == "UNIQUE")) code = parser.GetNext(lexem);
  std::vector<TLexem> item;
  int depth = 0;
  for (; code != da::lcEnd; code = parser.GetNext(lexem)) {
    if (code == da::lcSymbol && lexem == "(") ++depth;
    if (code == da::lcSymbol && lexem == ")") --depth;
    if (depth == 0 && (code == lxComma || code == lxFROM)) {
      if (!item.empty()) items.push_back(ReadItem(std::move(item)));
      item.clear();
      if (code == lxFROM) break;
      continue;
    }
    item.push_back({code, lexem});
  }
  if (code == da::lcEnd && !item.empty()) items.push_back(ReadItem(std::move(item)));
  return items;
}

struct TTable {
  std::string owner;  // the owner expression of the dictionary queries
  std::string name;   // the table, upper-cased
  std::string alias;
};

struct TColumn {
  std::size_t table;
  std::string column;
};


// The value a column's dictionary default gives a new record: a quoted text (its doubled quotes
// made single) or a number. Anything else is an expression the server computes when the row is
// written (SYSDATE, SYSTIMESTAMP, USER, a sequence, a function call): such a field is left empty,
// so that an insert which leaves it out has the server fill it.
std::string LiteralDefault(std::string text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  text.erase(0, start);
  if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
    std::string inner;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
      if (text[i] == '\'' && text[i + 1] == '\'' && i + 2 < text.size()) ++i;
      else if (text[i] == '\'') return std::string();  // two texts joined: an expression
      inner += text[i];
    }
    return inner;
  }
  static const std::regex number(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
  return std::regex_match(text, number) ? text : std::string();
}

}  // namespace

void TOraDataSet::GetFieldsInfo() {
  const bool defaults = OptionsDS().DefaultValues;
  const std::string sql = GetFinalSQL();
  const std::vector<TSelectItem> items = ReadSelectList(sql);
  auto* session = dynamic_cast<TOraSession*>(UsedConnection());

  std::vector<TTable> tables;
  std::string currentOwner;
  for (const TTableInfo& info : GetTablesInfo(sql)) {
    std::string name = info.Name.substr(0, info.Name.find('@'));
    TTable table;
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
      table.owner = "'" + NormalName(name.substr(0, dot)) + "'";
      name = name.substr(dot + 1);
    } else {
      if (currentOwner.empty()) {
        const std::string version = session ? session->ServerVersion() : std::string();
        currentOwner = !version.empty() && version[0] == '7'
                           ? "'" + da::AsciiUpper(session->Username()) + "'"
                           : "sys_context('USERENV', 'CURRENT_SCHEMA')";
      }
      table.owner = currentOwner;
    }
    table.name = NormalName(name);
    table.alias = NormalName(info.Alias);
    tables.push_back(std::move(table));
  }
  if (tables.empty() || !session) return;

  // The table a qualifier names (alias first), or -1.
  auto tableOf = [&tables](const std::string& qualifier) -> int {
    for (std::size_t i = 0; i < tables.size(); ++i)
      if (!tables[i].alias.empty() && tables[i].alias == qualifier) return static_cast<int>(i);
    for (std::size_t i = 0; i < tables.size(); ++i)
      if (tables[i].alias.empty() && tables[i].name == qualifier) return static_cast<int>(i);
    return -1;
  };
  bool unattributed = false;
  for (const TSelectItem& item : items)
    if (item.kind == TSelectItem::Star || (item.kind == TSelectItem::Column && item.qualifier.empty()))
      unattributed = true;

  // The dictionary: every table's columns in order, and with DefaultValues their defaults.
  std::vector<TColumn> dictionary;
  std::vector<std::map<std::string, std::string>> defaultsOf(tables.size());
  auto run = [session](const std::string& text, const std::function<void(da::TCustomDADataSet&)>& row) {
    std::unique_ptr<da::TCustomDADataSet> ds = session->CreateDataSet();
    ds->NoMonitor = true;
    ds->SetSQL(text);
    ds->Open();
    for (ds->First(); !ds->Eof(); ds->Next()) row(*ds);
  };
  auto defaultText = [](const da::TField& field) { return LiteralDefault(field.IsNull() ? std::string() : field.AsString()); };
  if (defaults || (tables.size() >= 2 && unattributed)) {
    std::string selects;
    for (std::size_t i = 0; i < tables.size(); ++i) {
      const std::string select = "SELECT table_name,column_name," + std::to_string(i + 1) + " table_id" +
                                 (defaults && tables.size() == 1 ? ",data_default" : "") +
                                 ",column_id FROM all_tab_columns WHERE owner = " + tables[i].owner +
                                 " and table_name = '" + tables[i].name + "'";
      selects += i == 0 ? select : "\rUNION (\r" + select + "\r)\r";
    }
    if (tables.size() >= 2) {
      selects = "SELECT table_name,column_name,table_id FROM (\r" + selects + ")\rORDER BY table_id,column_id";
    }
    std::vector<std::pair<int, TColumn>> found;
    run(selects, [&](da::TCustomDADataSet& ds) {
      const std::size_t table = static_cast<std::size_t>(ds.FieldByName("TABLE_ID").AsInteger() - 1);
      if (table >= tables.size()) return;
      const std::string column = ds.FieldByName("COLUMN_NAME").AsString();
      const int order = tables.size() == 1 ? ds.FieldByName("COLUMN_ID").AsInteger() : static_cast<int>(found.size());
      found.push_back({order, {table, column}});
      if (defaults && tables.size() == 1) defaultsOf[0][column] = defaultText(ds.FieldByName("DATA_DEFAULT"));
    });
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& f : found) dictionary.push_back(std::move(f.second));
    if (defaults && tables.size() >= 2)
      for (std::size_t i = 0; i < tables.size(); ++i)
        run("SELECT column_name,data_default FROM all_tab_columns WHERE owner = " + tables[i].owner +
                " and table_name = '" + tables[i].name + "'",
            [&](da::TCustomDADataSet& ds) {
              defaultsOf[i][ds.FieldByName("COLUMN_NAME").AsString()] = defaultText(ds.FieldByName("DATA_DEFAULT"));
            });
  }

  // What each result column comes from, in select-list order: a table's column, or nothing (an
  // expression).
  struct TSource {
    std::string name;
    int table;
    std::string column;
    bool used = false;
  };
  std::vector<TSource> sources;
  for (const TSelectItem& item : items) {
    if (item.kind == TSelectItem::Expression) {
      sources.push_back({item.name, -1, std::string()});
    } else if (item.kind == TSelectItem::Column) {
      int table = item.qualifier.empty() ? (tables.size() == 1 ? 0 : -1) : tableOf(item.qualifier);
      if (item.qualifier.empty() && table < 0)
        for (const TColumn& c : dictionary)
          if (c.column == item.column) {
            table = static_cast<int>(c.table);
            break;
          }
      sources.push_back({item.name, table, item.column});
    } else {
      const int only = item.qualifier.empty() ? -1 : tableOf(item.qualifier);
      for (const TColumn& c : dictionary)
        if (only < 0 || static_cast<int>(c.table) == only)
          sources.push_back({c.column, static_cast<int>(c.table), c.column});
    }
  }

  for (int i = 0; i < FieldCount(); ++i) {
    da::TField& field = Fields(i);
    if (field.Calculated() || field.FieldNo() <= 0) continue;
    const std::string name = da::AsciiUpper(field.FieldName());
    int table = -1;
    std::string column;
    auto source = std::find_if(sources.begin(), sources.end(), [&](const TSource& s) {
      return !s.used && da::AsciiUpper(s.name) == name;
    });
    if (source != sources.end()) {
      source->used = true;
      table = source->table;
      column = source->column;
    } else if (tables.size() == 1) {
      table = 0;
      column = field.FieldName();
    }
    if (table < 0) continue;
    field.Origin = tables[static_cast<std::size_t>(table)].name + "." + column;
    if (defaults) {
      const auto& known = defaultsOf[static_cast<std::size_t>(table)];
      if (auto d = known.find(column); d != known.end()) field.DefaultExpression = d->second;
    }
  }
}

}  // namespace ora
