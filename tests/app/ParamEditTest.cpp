// The parameters as the scheme's page shows and edits them: which cells are typed into, picked
// or opened with their button, how values and passwords are shown, the edit button's dialogs
// (the script editor with the parameters as macros, the Oracle object picker) and the script
// editor's own commands.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "app/core/ParamGrid.h"
#include "app/core/SchCommon.h"
#include "app/core/SchemeEditor.h"
#include "app/core/SchemeHost.h"
#include "app/core/OracleSession.h"
#include "app/core/StringsEditor.h"
#include "foundation/expr/OlvMacro.h"
#include "platform/ProcessRegistry.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace {

class ParamEdit : public schtest::SchemeTest {};

TEST_F(ParamEdit, EveryParameterOfAnExportCanBeSetInItsCell) {
  sch::TOracleExportScheme s;
  s.BuildParamList();
  s.FindParam("dbpassword")->SetKeyValue("pä€");
  s.FindParam("Suffix")->SetKeyValue("\n  \tcommit;\nexit;");
  struct Case {
    const char* name;
    bool typed, button, pick, password, required;
    std::string shown;
  } cases[] = {
      {"cmdfilename", true, true, false, false, true, s.ParamValue("cmdfilename")},
      {"dbusername", true, false, false, false, true, "system"},
      {"dbpassword", true, false, false, true, true, "***"},
      {"service", true, false, false, false, false, ""},
      {"charset", true, false, true, false, false, "Yes"},
      {"Prefix", false, true, false, false, false, "(no value)"},
      {"Suffix", false, true, false, false, false, "commit;"},
      {"file", true, true, false, false, true, ""},
      {"FULL", true, false, true, false, false, ""},
      {"OWNER", true, true, false, false, false, ""},
      {"TABLES", true, true, false, false, false, ""},
      {"BUFFER", true, false, false, false, false, ""},
  };
  const std::vector<sch::ParamRow> rows = sch::ParamRows(s);
  ASSERT_EQ(rows.size(), static_cast<size_t>(s.ParamCount()));
  for (const auto& c : cases) {
    int i = 0;
    while (i < s.ParamCount() && s.GetParam(i)->KeyName() != c.name) ++i;
    ASSERT_LT(i, s.ParamCount()) << c.name;
    const sch::ParamRow& row = rows[i];
    EXPECT_EQ(row.typed, c.typed) << c.name;
    EXPECT_EQ(row.button, c.button) << c.name;
    EXPECT_EQ(!row.pickList.empty(), c.pick) << c.name;
    EXPECT_EQ(row.password, c.password) << c.name;
    EXPECT_EQ(row.required, c.required) << c.name;
    EXPECT_EQ(row.shown, c.shown) << c.name;
    EXPECT_EQ(row.value, s.ParamValue(c.name)) << c.name;
  }
  EXPECT_EQ(rows[0].caption, "Cmd file name");
}

TEST_F(ParamEdit, ReadOnlyParametersKeepTheirValueAndMaskAndLengthComeFromTheParameter) {
  sch::TSchemeObject s;
  sch::TItemDescription* fixed = s.AddParamEx("fixed", "v", sch::dtFileOpen);
  fixed->ReadOnly = true;
  sch::TItemDescription* date = s.AddParam("date", "");
  date->EditMask = "!99/99/0000;1;_";
  date->MaxLength = 10;
  const auto rows = sch::ParamRows(s);
  EXPECT_TRUE(rows[0].readOnly);
  EXPECT_FALSE(rows[0].typed);
  EXPECT_FALSE(rows[0].button);
  EXPECT_EQ(rows[1].editMask, "!99/99/0000;1;_");
  EXPECT_EQ(rows[1].maxLength, 10);

  plat::ProcessRegistry registry;
  sch::SchemeServices services;
  services.processes = &registry;
  sch::SchemeHost host(services);
  EXPECT_FALSE(host.SetParamValue(s, 0, "w"));
  EXPECT_FALSE(host.EditParam(s, 0));
  EXPECT_EQ(s.ParamValue("fixed"), "v");
  EXPECT_TRUE(host.SetParamValue(s, 1, "01/02/2024"));
}

TEST_F(ParamEdit, TextCellsShowTheirFirstLine) {
  struct {
    const char* text;
    const char* shown;
  } cases[] = {{"", "(no value)"}, {" \r\n\t ", "(no value)"}, {"  select 1;\r\nselect 2;", "select 1;"},
               {"\n\nexec p;  ", "exec p;  "}, {"one", "one"}};
  for (const auto& c : cases) EXPECT_EQ(sch::FirstLineOrNoValue(c.text), c.shown) << c.text;
}

// Answers the dialogs as a user would, and notes what the editor saw while it was open.
class AnsweringEditor : public sch::SchemeEditor {
 public:
  std::optional<std::string> picked;
  bool pickedTables = false;
  std::string pickStart, macroSeen;
  std::function<void()> whileOpen;
  std::optional<std::string> PickFile(const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  bool EditScript(sch::TSchemeObject&, std::string& text) override {
    if (whileOpen) whileOpen();
    macroSeen = olv::CurrentMacros().Expanded("~dbusername~@~service~");
    text = "select '" + macroSeen + "' from dual;\n";
    return true;
  }
  std::optional<std::string> PickOracleObjects(sch::TSchemeObject&, bool tables, const std::string& value) override {
    pickedTables = tables;
    pickStart = value;
    return picked;
  }
};

TEST_F(ParamEdit, TheScriptEditorSeesTheParametersAsMacrosEvenWhenARunComesAndGoes) {
  sch::TOracleExportScheme s;
  s.BuildParamList();
  s.FindParam("service")->SetKeyValue("orcl");
  AnsweringEditor editor;
  // A run starting and ending on the scheme while the editor is open registers and drops its
  // own list: the editor's stays.
  editor.whileOpen = [&] {
    s.RegisterParamMacros();
    s.ClearParamMacros();
  };
  int prefix = 0;
  while (s.GetParam(prefix)->KeyName() != "Prefix") ++prefix;
  ASSERT_TRUE(s.EditParam(prefix, editor));
  EXPECT_EQ(editor.macroSeen, "system@orcl");
  EXPECT_EQ(s.ParamValue("Prefix"), "select 'system@orcl' from dual;\n");
  EXPECT_EQ(olv::CurrentMacros().Expanded("~service~"), "") << "gone once the editor is closed";
}

TEST_F(ParamEdit, UserAndTableCellsOpenTheObjectPickerFromTheirValue) {
  sch::TOracleExportScheme s;
  s.BuildParamList();
  AnsweringEditor editor;
  int owner = 0;
  while (s.GetParam(owner)->KeyName() != "OWNER") ++owner;
  s.GetParam(owner)->SetKeyValue("SCOTT");
  EXPECT_FALSE(s.EditParam(owner, editor)) << "cancelled";
  EXPECT_EQ(editor.pickStart, "SCOTT");
  EXPECT_FALSE(editor.pickedTables);
  editor.picked = "SCOTT,HR";
  EXPECT_TRUE(s.EditParam(owner, editor));
  EXPECT_EQ(s.ParamValue("OWNER"), "SCOTT,HR");
  editor.picked = "SCOTT.EMP";
  EXPECT_TRUE(s.EditParam(owner + 1, editor));
  EXPECT_TRUE(editor.pickedTables);
  EXPECT_EQ(s.ParamValue("TABLES"), "SCOTT.EMP");
}

// ---- the script editor ------------------------------------------------------------------------

class Session : public sch::TOracleSession {
 public:
  bool connected = false;
  std::string ran, fail;
  void Connect(const std::string&, const std::string&, const std::string&) override {}
  bool Connected() const override { return connected; }
  void ExecScript(const std::string& script) override {
    if (!fail.empty()) throw std::runtime_error(fail);
    ran = script;
  }
  std::string DatabaseCharset() override { return {}; }
  unsigned DatabaseCharsetId() override { return 0; }
};

TEST(StringsEditor, LinesLoadSaveAndExecute) {
  testsupport::ScratchFolder dir;
  auto session = std::make_shared<Session>();
  sch::TStringsEditorModel editor("select 1;\r\nselect 2;\n", session);
  EXPECT_EQ(editor.Text(), "select 1;\nselect 2;");
  EXPECT_EQ(editor.Lines(), "select 1;\nselect 2;\n");
  EXPECT_FALSE(editor.CanExecute()) << "not connected";
  session->connected = true;
  EXPECT_TRUE(editor.CanExecute());
  editor.Execute();
  EXPECT_EQ(session->ran, "select 1;\nselect 2;");
  session->fail = "ORA-00942: table or view does not exist";
  try {
    editor.Execute();
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Failed!\r\nORA-00942: table or view does not exist");
  }
  EXPECT_FALSE(sch::TStringsEditorModel("", nullptr).CanExecute());

  editor.SaveTo(dir / "s.sql");
  EXPECT_EQ(testsupport::ReadAll(dir / "s.sql"), "select 1;\nselect 2;\n");
  testsupport::WriteAll(dir / "in.sql", "begin\r\n  null;\r\nend;\r\n");
  editor.LoadFrom(dir / "in.sql");
  EXPECT_EQ(editor.Text(), "begin\n  null;\nend;");
  EXPECT_THROW(editor.LoadFrom(dir / "missing.sql"), std::exception);
  EXPECT_EQ(editor.Text(), "begin\n  null;\nend;");
  EXPECT_THROW(editor.SaveTo(dir / "no-folder/s.sql"), std::exception);
}

}  // namespace
