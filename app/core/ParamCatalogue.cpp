#include "app/core/ParamCatalogue.h"

#include <array>

namespace sch {
namespace {

struct Row {
  const char* name;
  const char* caption;
};

// Some captions differ between the export and import rows of the same name ("Indexs(Y)" and
// "Indexes(Y)", "DMP file" and "Dmp file"); they are shown exactly as written.
constexpr std::array<Row, ParamCount> kRows{{
    {"cmdfilename", "Cmd file name"},
    {"dbusername", "DB User name"},
    {"dbpassword", "DB User password"},
    {"service", "Database service name"},
    {"dmpcompressed", "Compress dmp file"},
    {"charset", "Allow charset conversion"},
    {"file", "DMP file"},
    {"log", "Log file"},
    {"parfile", "Parfile"},
    {"Prefix", "Prefix SQL scripts"},
    {"Suffix", "Suffix SQL scripts"},
    {"FULL", "Full(N)"},
    {"BUFFER", "Buffer"},
    {"OWNER", "Owners(DB users)"},
    {"FILE", "DMP file"},
    {"TABLES", "Tables"},
    {"COMPRESS", "Compress(Y)"},
    {"RECORDLENGTH", "Record length"},
    {"GRANTS", "Grants(Y)"},
    {"INCTYPE", "Inc type"},
    {"INDEXES", "Indexs(Y)"},
    {"RECORD", "Record(Y)"},
    {"DIRECT", "Direct(N)"},
    {"TRIGGERS", "Triggers(Y)"},
    {"LOG", "Logfile name"},
    {"STATISTICS", "Statistics(ESTIMATE)"},
    {"ROWS", "Rows(Y)"},
    {"PARFILE", "Parfile name"},
    {"CONSISTENT", "Consistent"},
    {"CONSTRAINTS", "Constraints(Y)"},
    {"FEEDBACK", "Feedback(0)"},
    {"FILESIZE", "File size"},
    {"FLASHBACK_SCN", "Flashback SCN"},
    {"FLASHBACK_TIME", "Flashback time"},
    {"QUERY", "Query"},
    {"RESUMABLE", "Resumable(N)"},
    {"RESUMABLE_NAME", "Resumable name"},
    {"RESUMABLE_TIMEOUT", "Resumable timeout"},
    {"TTS_FULL_CHECK", "TTS full check"},
    {"TABLESPACES", "Tablespaces"},
    {"TRANSPORT_TABLESPACE", "Transport tablespace(N)"},
    {"TEMPLATE", "iAS Template name"},
    {"FULL", "Full(N)"},
    {"BUFFER", "Buffer"},
    {"FROMUSER", "From users"},
    {"FILE", "Dmp file"},
    {"TOUSER", "To users"},
    {"SHOW", "Show only(N)"},
    {"TABLES", "Tables"},
    {"IGNORE", "Ignore(N)"},
    {"RECORDLENGTH", "IO Record length"},
    {"GRANTS", "Grants(Y)"},
    {"INCTYPE", "Inc type"},
    {"INDEXES", "Indexes(Y)"},
    {"COMMIT", "Commit(N)"},
    {"ROWS", "Rows(Y)"},
    {"PARFILE", "Parfile name"},
    {"LOG", "Logfile name"},
    {"CONSTRAINTS", "Constraints(Y)"},
    {"DESTROY", "Destroy(N)"},
    {"INDEXFILE", "Index file name"},
    {"SKIP_UNUSABLE_INDEXES", "Skip unusable indexes(N)"},
    {"FEEDBACK", "Feedback(0)"},
    {"TOID_NOVALIDATE", "Skip id novalidate"},
    {"FILESIZE", "File size"},
    {"STATISTICS", "Statistics"},
    {"RESUMABLE", "Resumable(N)"},
    {"RESUMABLE_NAME", "Resumable name"},
    {"RESUMABLE_TIMEOUT", "Resumable timeout"},
    {"COMPILE", "Compile(Y)"},
    {"TRANSPORT_TABLESPACE", "Transport tablespace(N)"},
    {"TABLESPACES", "Tablespaces"},
    {"DATAFILES", "Data files"},
    {"TTS_OWNERS", "TTS owners"},
    {"params", "Parameters"},
}};

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Parameter names are ASCII; bytes of other characters are compared as they are.
bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace

void GetParamRec(int id, TParamRec& rec) {
  if (id < 0 || id >= ParamCount) return;
  rec.Name = kRows[static_cast<size_t>(id)].name;
  rec.Caption = kRows[static_cast<size_t>(id)].caption;
}

TParamRec GetParamRec(int id) {
  TParamRec rec;
  GetParamRec(id, rec);
  return rec;
}

std::optional<int> FindParamId(std::string_view name) {
  for (int id = 0; id < ParamCount; ++id) {
    if (SameTextAscii(kRows[static_cast<size_t>(id)].name, name)) return id;
  }
  return std::nullopt;
}

std::string ParamCaption(std::string_view name) {
  if (auto id = FindParamId(name)) return kRows[static_cast<size_t>(*id)].caption;
  return std::string(name);
}

}  // namespace sch
