// Seeds of the fuzz targets whose inputs our own writers make: scheme files, object streams,
// registry hives and enciphered texts. A fuzzer that starts from valid scheme files reaches every
// scheme class, where one starting from nothing reads none. Run with ORASCHEME_WRITE_FUZZ_SEEDS=1
// to write them anew into fuzz/corpus/ (commit the result; passwords and hidden texts are
// enciphered anew each time, so the bytes differ from run to run). Otherwise the test checks that
// the committed scheme seeds still load as the program loads a scheme file and that, together,
// they hold every class of the scheme file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/core/SchCommon.h"
#include "app/core/SchemeFile.h"
#include "app/core/SchemeFileBytes.h"
#include "foundation/files/CompressedFile.h"
#include "foundation/cipher/OlvLProc.h"
#include "foundation/cipher/OlvLString.h"
#include "foundation/objects/ObjStream.h"
#include "platform/Registry.h"
#include "tests/support/SchemeTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestObjects.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(ORASCHEME_SOURCE_DIR) / "fuzz" / "corpus";

// One scheme of each kind, plus the two base kinds that a damaged or foreign file may hold, and
// parameters that use macros and date macros.
std::unique_ptr<sch::TSchemeWrapper> AllClasses() {
  auto w = schtest::EveryKindContainer();
  sch::TSchemeObject* cmd = w->GetScheme(2);
  cmd->GetParam(1)->SetKeyValue("-o /bak/~?FormatDateTime('yyyymmdd', Now)~.log ~(N~I~)~ '<yyyy>'");
  auto base = std::make_unique<sch::TSchemeObject>();
  base->SetSchName("base");
  base->AddParam("x", "~X~");
  w->List->AddObject("base", base.release());
  auto oracle = std::make_unique<sch::TOracleScheme>();
  oracle->SetSchName("oracle");
  oracle->SetSchType(sch::skOracleExport);
  w->List->AddObject("oracle", oracle.release());
  return w;
}

std::unique_ptr<sch::TSchemeWrapper> OneCommand() {
  auto w = std::make_unique<sch::TSchemeWrapper>();
  sch::TSchemeObject* cmd = w->AddScheme("tar", sch::skDosCommand);
  cmd->GetParam(0)->SetKeyValue("<PROGRAMDIR>/backup.sh");
  cmd->GetParam(1)->SetKeyValue("\"a b\" 'c d' e\\\"f");
  cmd->AutoExec = true;
  return w;
}

std::string Plain(const olv::TBaseObject& obj) { return olv::ObjectToBytes(&obj); }

void Write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

void WriteObjectStreamSeeds();
void WriteHiveSeeds();
void WriteCipherSeeds();

void WriteSeeds() {
  olvtest::RegisterTestClasses();
  const auto all = AllClasses();
  const auto one = OneCommand();
  const sch::TSchemeWrapper empty;
  // The object stream alone, as fuzz_scheme_file reads it.
  Write(kCorpus / "scheme_file" / "all_classes.tpf", Plain(*all));
  Write(kCorpus / "scheme_file" / "one_command.tpf", Plain(*one));
  Write(kCorpus / "scheme_file" / "empty.tpf", Plain(empty));
  Write(kCorpus / "scheme_file" / "lone_scheme.tpf", Plain(*all->GetScheme(0)));
  // Whole files, as the program finds them at start-up.
  Write(kCorpus / "scheme_file_startup" / "all_classes.sch", olv::CompressBytes(Plain(*all)));
  Write(kCorpus / "scheme_file_startup" / "all_classes_plain.sch", Plain(*all));
  Write(kCorpus / "scheme_file_startup" / "empty.sch", olv::CompressBytes(Plain(empty)));
  std::string lower = olv::CompressBytes(Plain(*one));
  lower.replace(0, 5, "olvek");
  Write(kCorpus / "scheme_file_startup" / "one_command_lower_header.sch", lower);
  WriteObjectStreamSeeds();
  WriteHiveSeeds();
  WriteCipherSeeds();
}

// Objects of the object stream's test classes, for fuzz_object_stream_reader.
void WriteObjectStreamSeeds() {
  using namespace olvtest;
  auto child = [](std::string name, int value) {
    auto c = std::make_unique<TChildObj>();
    c->name = std::move(name);
    c->value = value;
    return c;
  };
  TAllKinds a;
  a.str = "text with 中文";
  a.hidden = "secret pw";
  a.shortStr = "short";
  a.obj = child("inner", 7);
  a.list->Add(child("l0", 0));
  a.olvList->AddObject("a=1", child("oa", 1).release());
  a.olvList->AddObject("b=2", nullptr);
  a.strings = std::make_unique<olv::TStringList>();
  a.strings->Add("one");
  a.i32 = -123456789;
  a.u16 = 65535;
  a.b = true;
  a.dbl = 1.0 / 3.0;
  a.date = 45000.25;
  a.set32 = 0x80000001u;
  Write(kCorpus / "object_stream_reader" / "all_kinds.tpf", Plain(a));
  TNode head;
  head.next = std::make_unique<TNode>();
  head.next->next = std::make_unique<TNode>();
  Write(kCorpus / "object_stream_reader" / "node_chain.tpf", Plain(head));
  Write(kCorpus / "object_stream_reader" / "child.tpf", Plain(*child("alone", -1)));
}

// Hive files as the settings store writes them, for fuzz_registry_hive.
void WriteHiveSeeds() {
  const fs::path dir = fs::temp_directory_path() / ("orascheme-seeds-" + std::to_string(::getpid()));
  plat::RegistrySeed none;
  none.oratab = dir / "no-oratab";
  {
    plat::Registry reg(dir, none);
    const int cu = plat::Registry::kCurrentUser;
    reg.CreateKey(cu, "Software\\orascheme\\Settings");
    reg.SetValue(cu, "Software\\orascheme\\Settings", "Name", plat::RegValue::Str("text \"quoted\" 中文\r\n"));
    reg.SetValue(cu, "Software\\orascheme\\Settings", "Count", plat::RegValue::DWord(4000000000u));
    reg.SetValue(cu, "Software\\orascheme\\Settings", "Path", plat::RegValue::ExpandStr("%HOME%/x"));
    reg.SetValue(cu, "Software\\orascheme\\Settings", "Bytes", plat::RegValue::Bin(std::string("\0\x01\xff", 3)));
    reg.SetValue(cu, "Software\\orascheme\\Settings", "List", plat::RegValue::MultiStr({"a", "", "b c"}));
    reg.SetValue(cu, "Software\\orascheme\\Settings", "", plat::RegValue::Str("default"));
    reg.CreateKey(cu, "Software\\Empty");
    Write(kCorpus / "registry_hive" / "values.reg", testsupport::ReadAll(reg.HiveFile(cu)));
  }
  fs::remove_all(dir);
}

// Texts as the scheme file's password is stored, for fuzz_cipher_text.
void WriteCipherSeeds() {
  const olv::TCipherKey key = olv::MakeTextKey("OraSchK1");
  Write(kCorpus / "cipher_text" / "password", olv::CipherString("Secret pass", key, true));
  Write(kCorpus / "cipher_text" / "empty", olv::CipherString("", key, true));
  Write(kCorpus / "cipher_text" / "long", olv::CipherString(std::string(200, 'x') + "中文", key, true));
}

std::vector<fs::path> Files(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

class WriterSeeds : public testing::Test {
 protected:
  void SetUp() override { sch::RegisterSchemeClasses(); }
};

TEST_F(WriterSeeds, CommittedSeedsLoadAndHoldEveryClass) {
  if (std::getenv("ORASCHEME_WRITE_FUZZ_SEEDS")) WriteSeeds();
  const std::vector<std::string> classes = {
      "TSchemeTimeItem",  "TSchemeTime",         "TSchemeObject",       "TSchemeWrapper", "TOracleScheme",
      "TItemDescription", "TOracleExportScheme", "TOracleImportScheme", "TSchemeLog",     "TDosCommandScheme"};
  for (const char* target : {"scheme_file", "scheme_file_startup"}) {
    SCOPED_TRACE(target);
    std::vector<std::string> missing = classes;
    for (const fs::path& file : Files(kCorpus / target)) {
      SCOPED_TRACE(file.filename().string());
      // The stream names each object's class, one length byte before the name.
      const std::string payload = *sch::LoadSchemeFileBytes(file.string());
      std::erase_if(missing, [&](const std::string& c) { return payload.find(char(c.size()) + c) != std::string::npos; });
      olv::TMemoryStream in(payload);
      EXPECT_NO_THROW(EXPECT_NE(olv::ReadObjectFromStream(in), nullptr));
      if (std::string_view(target) == "scheme_file_startup") {
        EXPECT_NE(sch::LoadObjectFromFile(file.string()), nullptr);
      }
    }
    EXPECT_TRUE(missing.empty()) << "no seed holds " << missing.front();
  }
}

}  // namespace
