// The Oracle tools without their windows: the object picker over the data module, and the
// character-set tool converting dump ids and trying and setting NLS_LANG in the settings store.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/base/Exception.h"
#include "foundation/files/CompressedFile.h"
#include "app/core/DMSession.h"
#include "app/core/OraCharset.h"
#include "app/core/OraObjSel.h"
#include "app/core/OracleClient.h"
#include "app/core/OracleScheme.h"
#include "app/core/SchDM.h"
#include "platform/Registry.h"
#include "tests/support/FakeDMLink.h"
#include "tests/support/ScratchFolder.h"

namespace {

using schtest::FakeLink;
using schtest::LinkLog;

class OracleToolsTest : public ::testing::Test, public schtest::ToolsDatabase {
 protected:
  std::string NlsLang() {
    auto v = registry.GetValue(plat::Registry::kLocalMachine, "\\Software\\ORACLE\\HOME0", "NLS_LANG");
    return v ? v->data : "(none)";
  }
  std::vector<std::string> Connects() {
    std::vector<std::string> c;
    for (auto& line : log->calls)
      if (line.rfind("connect ", 0) == 0) c.push_back(line);
    log->calls.clear();
    return c;
  }
};

TEST_F(OracleToolsTest, UserPickerStartsFromTheValueAndAddsEachUserOnce) {
  sch::TOraSelectorModel picker(session);
  picker.Open("system", "manager", "orcl", true, "SCOTT,HR");
  EXPECT_EQ(picker.Status(), "Connected");
  EXPECT_EQ(picker.Objects(), (std::vector<std::string>{"HR", "SCOTT", "SYS"}));
  EXPECT_EQ(picker.ChosenUsers(), (std::vector<std::string>{"SCOTT", "HR"}));
  picker.AddUsers({1, 2, 7});
  EXPECT_EQ(picker.Result(), "SCOTT,HR,SYS") << "SCOTT is chosen already; 7 is no entry";
  picker.RemoveUsers({0, 2});
  EXPECT_EQ(picker.Result(), "HR");

  main->failConnect = "ORA-01017: invalid username/password; logon denied";
  picker.Open("nobody", "x", "orcl", true, "");
  EXPECT_EQ(picker.Status(), "Connect Failed:ORA-01017: invalid username/password; logon denied");
  EXPECT_EQ(picker.Result(), "");
}

TEST_F(OracleToolsTest, TablePickerNamesTablesByTheirOwner) {
  sch::TOraSelectorModel picker(session);
  picker.Open("system", "manager", "orcl", false, "");
  picker.AddTables({0});
  EXPECT_EQ(picker.Result(), "") << "no user focused yet";
  main->answers[sch::TDM::kTablesSQL] = {{"BONUS"}, {"DEPT"}, {"EMP"}};
  picker.FocusUser(1);
  EXPECT_EQ(picker.FocusedUser(), "SCOTT");
  EXPECT_EQ(picker.SourceTables(), (std::vector<std::string>{"BONUS", "DEPT", "EMP"}));
  EXPECT_EQ(log->calls.back(),
            "system: open SELECT OBJECT_NAME FROM ALL_OBJECTS WHERE OWNER=:OWNER AND OBJECT_TYPE='TABLE' "
            "ORDER BY OBJECT_NAME :OWNER=SCOTT");
  picker.AddTables({2});
  picker.AddTables({1, 2});
  EXPECT_EQ(picker.Result(), "SCOTT.EMP,SCOTT.DEPT");
  picker.RemoveTables({0});
  EXPECT_EQ(picker.Result(), "SCOTT.DEPT");
  main->answers.erase(sch::TDM::kTablesSQL);
  EXPECT_THROW(picker.FocusUser(0), std::runtime_error);
  EXPECT_EQ(picker.FocusedUser(), "SCOTT") << "a failed lookup leaves the lists as they were";
}

// A dump's first bytes: a header byte, the id big-endian, then data.
std::string Dump(uint16_t id) {
  return std::string("\x03", 1) + static_cast<char>(id >> 8) + static_cast<char>(id & 0xff) + "EXPORT:V09.02.00";
}

TEST_F(OracleToolsTest, ConvertRewritesTheIdOfAnUncompressedDumpAndRefusesACompressedOne) {
  sch::TOraCharsetModel tool(session, registry, "system", "manager", "orcl");
  EXPECT_EQ(tool.Client().CharSet, "ZHS16GBK");
  tool.Connect();
  EXPECT_EQ(tool.DatabaseCharset(), "AL32UTF8");
  ASSERT_EQ(tool.Charsets().size(), 3u);

  const std::string dmp = dir / "db.dmp";
  testsupport::WriteAll(dmp, Dump(852));
  struct Case {
    std::string exportFile, target;
    int selected;
    std::string error;
  };
  const Case refused[] = {
      {dir / "missing.dmp", dmp, 2, "The file is nonexistent:" + dir / "missing.dmp"},
      {dmp, "", 2, "must specify the target file"},
      {dmp, dmp, -1, sch::kSelectCharsetFirst},
  };
  for (const Case& c : refused) {
    tool.SetExportFile(c.exportFile);
    tool.TargetFile = c.target;
    tool.Select(c.selected);
    try {
      tool.Convert();
      ADD_FAILURE() << c.error;
    } catch (const olv::Exception& e) {
      EXPECT_EQ(e.what(), c.error);
    }
  }

  tool.ChooseDump(dmp);
  EXPECT_EQ(tool.TargetFile, dmp);
  EXPECT_EQ(tool.SourceCharset(), "ZHS16GBK");
  EXPECT_EQ(log->calls.back(), "system: open SELECT NLS_CHARSET_NAME(:ID) NAME FROM DUAL :ID=852");
  tool.Select(2);
  EXPECT_EQ(tool.SelectedCharset(), "AL32UTF8");
  EXPECT_EQ(tool.Convert(), "OK");
  EXPECT_EQ(sch::TOracleScheme::ReadDmpCharsetId(dmp), 873);
  EXPECT_EQ(tool.SourceCharset(), "AL32UTF8") << "converted in place";

  // Into another file: the export stays as it is.
  tool.TargetFile = dir / "copy.dmp";
  main->answers[sch::TDM::kCharsetIdSQL] = {{"852"}};
  tool.Select(1);
  EXPECT_EQ(tool.Convert(), "OK");
  EXPECT_EQ(sch::TOracleScheme::ReadDmpCharsetId(dir / "copy.dmp"), 852);
  EXPECT_EQ(sch::TOracleScheme::ReadDmpCharsetId(dmp), 873);
  EXPECT_EQ(testsupport::ReadAll(dir / "copy.dmp").substr(3), Dump(0).substr(3));

  // A compressed dump: no id shown, nothing written, no copy made.
  const std::string packed = dir / "packed.dmp";
  olv::CompressFile(dmp, packed);
  const std::string bytes = testsupport::ReadAll(packed);
  tool.ChooseDump(packed);
  EXPECT_EQ(tool.SourceCharset(), "");
  tool.TargetFile = dir / "packed-copy.dmp";
  EXPECT_THROW(tool.Convert(), olv::Exception);
  tool.TargetFile = packed;
  try {
    tool.Convert();
    ADD_FAILURE();
  } catch (const olv::Exception& e) {
    EXPECT_EQ(std::string(e.what()), "The dump is compressed; its character set cannot be changed:" + packed);
  }
  EXPECT_EQ(testsupport::ReadAll(packed), bytes);
  EXPECT_FALSE(std::filesystem::exists(dir / "packed-copy.dmp"));
}

TEST_F(OracleToolsTest, TestPutsNlsLangBackWhateverHappensAndSetKeepsIt) {
  sch::TOraCharsetModel tool(session, registry, "system", "manager", "orcl");
  tool.Connect();
  tool.Select(2);
  Connects();
  EXPECT_EQ(tool.Test(), "The charset of this client can set to AL32UTF8, but maybe lose some data.");
  EXPECT_EQ(Connects(), (std::vector<std::string>{"connect system/manager@orcl charset=AL32UTF8",
                                                  "connect system/manager@orcl charset=ZHS16GBK"}));
  EXPECT_EQ(NlsLang(), "AMERICAN_AMERICA.ZHS16GBK");

  main->failConnect = "ORA-12705: Cannot access NLS data files or invalid environment specified";
  EXPECT_EQ(tool.Test(), "the charset of this client can not set to AL32UTF8");
  EXPECT_EQ(NlsLang(), "AMERICAN_AMERICA.ZHS16GBK") << "put back after a failure too";

  main->failConnect.clear();
  EXPECT_EQ(tool.Set(), "the charset of this client has been set to AL32UTF8");
  EXPECT_EQ(NlsLang(), "AMERICAN_AMERICA.AL32UTF8");
  EXPECT_EQ(tool.Client().CharSet, "AL32UTF8");
  EXPECT_TRUE(session.Connected());

  tool.Select(-1);
  EXPECT_THROW(tool.Test(), olv::Exception);
  EXPECT_THROW(tool.Set(), olv::Exception);
}

}  // namespace
