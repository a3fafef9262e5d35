#include "app/core/ParamCatalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CatalogueRow {
  int id;
  const char* name;
  const char* caption;
};

// Rows copied by hand from the product's parameter table; they cover both ends, the borders
// between the common, export, import and command-file blocks, and the captions that differ
// between rows of the same name.
const CatalogueRow kExpected[] = {
    {0, "cmdfilename", "Cmd file name"},
    {2, "dbpassword", "DB User password"},
    {6, "file", "DMP file"},
    {9, "Prefix", "Prefix SQL scripts"},
    {10, "Suffix", "Suffix SQL scripts"},
    {11, "FULL", "Full(N)"},
    {13, "OWNER", "Owners(DB users)"},
    {20, "INDEXES", "Indexs(Y)"},
    {25, "STATISTICS", "Statistics(ESTIMATE)"},
    {41, "TEMPLATE", "iAS Template name"},
    {42, "FULL", "Full(N)"},
    {45, "FILE", "Dmp file"},
    {50, "RECORDLENGTH", "IO Record length"},
    {53, "INDEXES", "Indexes(Y)"},
    {61, "SKIP_UNUSABLE_INDEXES", "Skip unusable indexes(N)"},
    {63, "TOID_NOVALIDATE", "Skip id novalidate"},
    {65, "STATISTICS", "Statistics"},
    {73, "TTS_OWNERS", "TTS owners"},
    {74, "params", "Parameters"},
};

TEST(ParamCatalogue, RowsMatchTheTable) {
  for (const auto& row : kExpected) {
    SCOPED_TRACE(row.id);
    sch::TParamRec rec = sch::GetParamRec(row.id);
    EXPECT_EQ(rec.Name, row.name);
    EXPECT_EQ(rec.Caption, row.caption);
  }
}

TEST(ParamCatalogue, EveryIdInRangeHasNameAndCaption) {
  for (int id = 0; id < sch::ParamCount; ++id) {
    SCOPED_TRACE(id);
    sch::TParamRec rec = sch::GetParamRec(id);
    EXPECT_FALSE(rec.Name.empty());
    EXPECT_FALSE(rec.Caption.empty());
  }
}

TEST(ParamCatalogue, IdOutsideTheTableLeavesTheRecordAsItWas) {
  for (int id : {-1, 75, 1000, -2147483647 - 1}) {
    SCOPED_TRACE(id);
    sch::TParamRec rec{"keep", "this"};
    sch::GetParamRec(id, rec);
    EXPECT_EQ(rec.Name, "keep");
    EXPECT_EQ(rec.Caption, "this");
    sch::TParamRec fresh = sch::GetParamRec(id);
    EXPECT_TRUE(fresh.Name.empty());
    EXPECT_TRUE(fresh.Caption.empty());
  }
}

TEST(ParamCatalogue, LookupIgnoresCaseAndTheFirstRowWins) {
  struct Case {
    const char* name;
    int id;
    const char* caption;
  };
  const Case cases[] = {
      {"file", 6, "DMP file"},      // found before the export's "FILE" (14)
      {"FILE", 6, "DMP file"},
      {"File", 6, "DMP file"},
      {"prefix", 9, "Prefix SQL scripts"},
      {"STATISTICS", 25, "Statistics(ESTIMATE)"},  // an import scheme shows the export caption
      {"RECORDLENGTH", 17, "Record length"},
      {"indexes", 20, "Indexs(Y)"},
      {"full", 11, "Full(N)"},
      {"FromUser", 44, "From users"},
      {"DATAFILES", 72, "Data files"},
      {"PARAMS", 74, "Parameters"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto id = sch::FindParamId(c.name);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(*id, c.id);
    EXPECT_EQ(sch::ParamCaption(c.name), c.caption);
  }
}

TEST(ParamCatalogue, UnknownNameIsShownAsItself) {
  for (const char* name : {"", "NOSUCH", "FILE ", " file", "fil", "files", "TEMPLATES", "参数"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(sch::FindParamId(name).has_value());
    EXPECT_EQ(sch::ParamCaption(name), name);
  }
}

}  // namespace
