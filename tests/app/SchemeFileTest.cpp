// The scheme file: containers saved plain or compressed load back equal, failed saves keep the
// previous file, and a file worked out by hand from the layouts loads.
#include "app/core/SchemeFile.h"

#include <gtest/gtest.h>

#include "foundation/files/CompressedFile.h"
#include "foundation/files/ZlibStream.h"
#include "foundation/files/FileStream.h"
#include "foundation/objects/ObjStream.h"
#include "tests/support/ScratchFolder.h"
#include "tests/app/SchemeTestSupport.h"
#include "tests/foundation/StreamBytes.h"

namespace {

using testsupport::ReadAll;
using testsupport::WriteAll;

class SchemeFileTest : public schtest::SchemeTest {
 protected:
  testsupport::ScratchFolder dir;
};

TEST_F(SchemeFileTest, EveryKindSavedPlainAndCompressedLoadsEqual) {
  auto w = schtest::EveryKindContainer();
  const std::string expected = olv::ObjectToBytes(w.get());
  sch::SaveObjectToFile(dir / "plain.sch", w.get(), false);
  sch::SaveObjectToFile(dir / "packed.sch", w.get(), true);
  EXPECT_EQ(ReadAll(dir / "plain.sch"), expected);
  EXPECT_TRUE(sch::IsCompressedFile(dir / "packed.sch"));
  EXPECT_FALSE(sch::IsCompressedFile(dir / "plain.sch"));
  EXPECT_EQ(testsupport::ModeOf(dir / "packed.sch"), 0600u);

  clock.Advance(std::chrono::hours(24 * 400));  // reading later must not change what was stored
  for (const char* name : {"plain.sch", "packed.sch"}) {
    auto back = sch::LoadObjectFromFile(dir / name);
    ASSERT_NE(back, nullptr) << name;
    EXPECT_EQ(olv::ObjectToBytes(back.get()), expected) << name;
    ASSERT_EQ(back->Count(), 3);
    EXPECT_TRUE(back->CheckPwdForRestore);
    EXPECT_EQ(back->GetPassword(), "Secret pass");
    sch::TSchemeObject* exp = back->GetScheme(0);
    EXPECT_EQ(exp->GetClassNameStr(), "TOracleExportScheme");
    EXPECT_EQ(exp->Owner, back.get());
    EXPECT_EQ(exp->SchParams->Strings(1), "dbpassword=Tiger");
    EXPECT_EQ(exp->GetParam(1)->Tag, 3);
    EXPECT_EQ(exp->GetParam(2)->PickList->Strings(1), "No");
    EXPECT_FALSE(exp->AutoClearLogs);
    EXPECT_TRUE(exp->AutoExec);
    EXPECT_EQ(exp->RemainCount, 5);
    EXPECT_EQ(exp->SchemeTime->GetItem(0)->GetText(exp->SchemeTime->FMode), "Friday8:0");
    EXPECT_EQ(exp->GetLog(0)->ResultMsgs, "Run Scripts...Ok\r\n");
    EXPECT_EQ(back->GetScheme(1)->GetClassNameStr(), "TOracleImportScheme");
    EXPECT_FALSE(back->GetScheme(1)->DelDmpFile);
    EXPECT_EQ(back->GetScheme(1)->GetLog(0)->ExitCode, -1);
    EXPECT_EQ(back->GetScheme(1)->ParamValue("Prefix"), "select 1 from dual;\nselect 2 from dual;");
    EXPECT_EQ(back->GetScheme(2)->BuildCommandLine(), "\"/usr/local/bin/copy.sh\" -v /data");
    EXPECT_EQ(back->GetScheme(2)->SchemeTime->GetItem(0)->Year, 2024);
  }
}

TEST_F(SchemeFileTest, InterruptedSaveLeavesThePreviousFileLoadable) {
  auto w = schtest::EveryKindContainer();
  const std::string expected = olv::ObjectToBytes(w.get());
  for (bool compressed : {false, true}) {
    const std::string file = dir / (compressed ? "packed.sch" : "plain.sch");
    sch::SaveObjectToFile(file, w.get(), compressed);
    // A much bigger container that the disk cannot take.
    sch::TSchemeWrapper big;
    for (int i = 0; i < 300; ++i) {
      big.AddScheme("scheme " + std::to_string(i), sch::skDosCommand)
          ->GetParam(1)
          ->SetKeyValue(testsupport::RandomBytes(200, unsigned(i)));
    }
    {
      testsupport::FileSizeLimit limit(8192);
      EXPECT_THROW(sch::SaveObjectToFile(file, &big, compressed), olv::Exception) << compressed;
    }
    auto back = sch::LoadObjectFromFile(file);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(olv::ObjectToBytes(back.get()), expected) << compressed;
  }
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"packed.sch", "plain.sch"}));
}

TEST_F(SchemeFileTest, MissingEmptyForeignAndDamagedFiles) {
  EXPECT_EQ(sch::LoadObjectFromFile(""), nullptr);
  EXPECT_EQ(sch::LoadObjectFromFile(dir / "missing.sch"), nullptr);

  WriteAll(dir / "empty.sch", "");
  try {
    sch::LoadObjectFromFile(dir / "empty.sch");
    ADD_FAILURE() << "an empty file loaded";
  } catch (const olv::Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Invalid stream format"), std::string::npos) << e.what();
  }

  WriteAll(dir / "nil.sch", std::string("TPF0\0", 5));
  EXPECT_EQ(sch::LoadObjectFromFile(dir / "nil.sch"), nullptr);

  sch::TSchemeLog log;
  WriteAll(dir / "log.sch", olv::ObjectToBytes(&log));
  EXPECT_THROW(sch::LoadObjectFromFile(dir / "log.sch"), sch::EInvalidCast);

  const std::string packed = sch::CompressBytes(olv::ObjectToBytes(schtest::EveryKindContainer().get()));
  WriteAll(dir / "cut.sch", packed.substr(0, packed.size() / 2));
  EXPECT_THROW(sch::LoadObjectFromFile(dir / "cut.sch"), sch::EZlibError);

  // The magic text in lower case is still the header.
  WriteAll(dir / "lower.sch", "olvek" + packed.substr(5));
  auto lower = sch::LoadObjectFromFile(dir / "lower.sch");
  ASSERT_NE(lower, nullptr);
  EXPECT_EQ(lower->Count(), 3);
}

// A container with one command-file scheme, byte by byte from the layouts: the writer must
// produce these bytes and the reader must load them.
std::string HandWorkedSchemeFile() {
  using olvtest::Bytes;
  Bytes b;
  b.raw("TPF0").rec("TSchemeWrapper", "");
  b.name("CheckPwdForRestore").b(9).end();
  // The scheme list: a container of kind OlvStringList, its lines, then the schemes.
  b.rec("TListContainer", "List");
  b.name("ListType").str("OlvStringList").name("ListCount").int8(1);
  b.name("Strings").b(1).str("nightly").end();
  b.end();
  b.rec("TDosCommandScheme", "Object_0");
  b.name("SchName").str("nightly").name("SchType").int8(3).name("TimerInterval").int16(1000);
  b.name("AutoClearLogs").b(9).name("DelDmpFile").b(8).name("RemainCount").int8(3).end();
  b.rec("TSchemeTime", "SchemeTime").name("FMode").int8(0).end();
  b.rec("TListContainer", "List").name("ListType").str("List").name("ListCount").int8(1);
  b.name("Strings").b(1).end().end();
  b.rec("TSchemeTimeItem", "Object_0").name("Hour").int8(8).name("Minute").int8(0).name("Week").int8(2);
  b.name("Month").int8(3).name("Year").int16(2024).name("Day").int8(6).end().end();
  b.end();  // the time list's objects
  b.end();  // SchemeTime's objects
  b.rec("TListContainer", "SchParams").name("ListType").str("OlvStringList").name("ListCount").int8(2);
  b.name("Strings").b(1).str("cmdfilename=/bin/true").str("params=").end().end();
  b.rec("TItemDescription", "Object_0").name("KeyName").str("cmdfilename").name("KeyValue").str("/bin/true");
  b.name("Tag").int8(2).name("Tags").str("EXE File|*.exe|All|*.*").name("EditStyle").int8(1);
  b.name("DlgType").int8(1).end().end();
  b.rec("TItemDescription", "Object_1").name("KeyName").str("params").name("EditStyle").int8(1);
  b.name("DlgType").int8(4).end().end();
  b.end();  // the parameters' objects
  b.end();  // the scheme's objects
  b.end();  // the scheme list's objects
  b.end();  // the container's objects
  return b.str();
}

TEST_F(SchemeFileTest, HandWorkedFileMatchesTheWriterAndLoads) {
  sch::TSchemeWrapper w;
  w.CheckPwdForRestore = true;
  sch::TSchemeObject* s = w.AddScheme("nightly", sch::skDosCommand);
  s->DelDmpFile = false;
  s->GetParam(0)->SetKeyValue("/bin/true");
  auto item = std::make_unique<sch::TSchemeTimeItem>();  // 2024-03-06, a Wednesday
  item->Hour = 8;
  item->Minute = 0;
  s->SchemeTime->Add(std::move(item));
  const std::string golden = HandWorkedSchemeFile();
  EXPECT_EQ(olv::ObjectToBytes(&w), golden);

  WriteAll(dir / "golden.sch", golden);
  clock.Set(schtest::LocalMoment(2030, 1, 1, 0, 0));
  auto back = sch::LoadObjectFromFile(dir / "golden.sch");
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->Count(), 1);
  sch::TSchemeObject* b = back->GetScheme(0);
  EXPECT_EQ(b->SchName(), "nightly");
  EXPECT_FALSE(b->DelDmpFile);
  EXPECT_TRUE(b->AutoClearLogs);
  EXPECT_EQ(b->SchemeTime->GetItem(0)->GetText(sch::tmSpecifically), "2024-3-6 8:0");
  EXPECT_EQ(b->BuildCommandLine(), "\"/bin/true\"");
}

}  // namespace

namespace {

// Scheme files and dumps are named as the user writes them, path macros included.
TEST_F(SchemeFileTest, FileNamesGoThroughThePathExpander) {
  const std::string folder = dir / "";
  olv::SetPathExpander([folder](const std::string& name) {
    const std::string macro = "<data>/";
    return name.rfind(macro, 0) == 0 ? folder + name.substr(macro.size()) : name;
  });
  auto w = schtest::EveryKindContainer();
  sch::SaveObjectToFile("<data>/macro.sch", w.get(), true);
  EXPECT_TRUE(sch::IsCompressedFile(dir / "macro.sch"));
  EXPECT_TRUE(sch::IsCompressedFile("<data>/macro.sch"));
  auto back = sch::LoadObjectFromFile("<data>/macro.sch");
  olv::SetPathExpander(nullptr);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Count(), 3);
}

}  // namespace
