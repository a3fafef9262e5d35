// LOBs and files: parameters written after the execution and read back, both modes of reading,
// temporary LOBs and server files, against the stand-in's LOB store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dataaccess/DAErrors.h"
#include "oracle/client/OraCall.h"
#include "oracle/OraConsts.h"
#include "oracle/OraError.h"
#include "oracle/values/OraLob.h"
#include "oracle/OraProps.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

using da::Variant;
using testing::CallsOf;
using testing::MessageOf;
using Lines = std::vector<std::string>;
using testing::Held;

constexpr std::uint32_t kPiece = da::TBlob::kDefaultPieceSize;  // 65514

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 65514) & 0xFF);
  return s;
}

class OraLobTest : public testing::OraSessionTest {
 protected:
  void SetUp() override {
    testing::OraSessionTest::SetUp();
    Connect(OCI80);
    ASSERT_EQ(fake_.exec("CREATE TABLE lobs(id NUMBER(10), b BLOB, c CLOB)"), 0);
    fake_.logClear();
  }
  Held<TOraLob> NewLob() { return Held<TOraLob>(new TOraLob(c_.GetSvcCtx())); }
  static void LobParam(TOraParamDesc& p, da::TDataType type, da::TParamType direction, TOraLob* lob) {
    p.SetDataType(type);
    p.SetParamType(direction);
    p.SetObject(lob);
  }
  // A new row whose BLOB gets value through a RETURNING clause.
  void InsertBlob(int id, const std::string& value) {
    auto lob = NewLob();
    lob->SetAsString(value);
    auto command = Command("insert into lobs(id, b) values (:id, empty_blob()) returning b into :b");
    command->GetOraParam(0)->SetValue(Variant(id));
    LobParam(*command->GetOraParam(1), dtOraBlob, da::ptInput, lob.object);
    command->Execute(1);
  }
  // The row's BLOB through an output parameter, read by the command when it caches LOBs.
  void SelectBlob(int id, TOraLob* lob, bool cacheLobs = true) {
    fake_.script("select b into :b", ("outsql SELECT b AS B FROM lobs WHERE id = " + std::to_string(id)).c_str());
    auto command = Command("begin select b into :b from lobs where id = " + std::to_string(id) + "; end;");
    command->SetProp(prCacheLobs, Variant(cacheLobs));
    LobParam(*command->GetOraParam(0), dtOraBlob, da::ptOutput, lob);
    command->Execute(1);
  }
  static std::vector<std::uint32_t> PieceSizes(TOraLob* lob) {
    std::vector<std::uint32_t> sizes;
    for (da::TPieceHeader* p = lob->GetFirstPiece(); p; p = p->Next) sizes.push_back(p->Used);
    return sizes;
  }
};

TEST_F(OraLobTest, WrittenAfterTheExecutionInPiecesFromOffsetOneThenCommitted) {
  const struct {
    std::uint32_t size;
    Lines writes;
  } cases[] = {
      {2 * kPiece,
       {"OCILobWrite amount=65514 offset=1 piece=0 form=0", "OCILobWrite amount=65514 offset=65515 piece=0 form=0"}},
      {2 * kPiece + 1,
       {"OCILobWrite amount=65514 offset=1 piece=0 form=0", "OCILobWrite amount=65514 offset=65515 piece=0 form=0",
        "OCILobWrite amount=1 offset=131029 piece=0 form=0"}},
  };
  int id = 0;
  for (const auto& c : cases) {
    fake_.logClear();
    const std::string value = Pattern(c.size);
    InsertBlob(++id, value);
    Lines expected{"OCIStmtExecute iters=1 mode=0", "OCILobTrim length=0"};
    expected.insert(expected.end(), c.writes.begin(), c.writes.end());
    expected.push_back("OCITransCommit flags=0");
    EXPECT_EQ(CallsOf(fake_, {"OCIStmtExecute", "OCILobTrim", "OCILobWrite", "OCITransCommit"}), expected) << c.size;
    EXPECT_EQ(fake_.Query("SELECT LOB_DATA(b) FROM lobs WHERE id = " + std::to_string(id)), value);
  }
}

TEST_F(OraLobTest, ReadInPiecesUntilAShortOne) {
  const struct {
    std::uint32_t size;
    std::vector<std::uint32_t> pieces;
    Lines reads;
  } cases[] = {
      // Two full pieces, then a read that gives nothing and adds nothing.
      {2 * kPiece, {kPiece, kPiece},
       {"OCILobRead amount=65514 offset=1 form=0", "OCILobRead amount=65514 offset=65515 form=0",
        "OCILobRead amount=65514 offset=131029 form=0"}},
      {2 * kPiece + 1, {kPiece, kPiece, 1},
       {"OCILobRead amount=65514 offset=1 form=0", "OCILobRead amount=65514 offset=65515 form=0",
        "OCILobRead amount=65514 offset=131029 form=0"}},
      {10, {10}, {"OCILobRead amount=65514 offset=1 form=0"}},
  };
  int id = 0;
  for (const auto& c : cases) {
    const std::string value = Pattern(c.size);
    InsertBlob(++id, value);
    fake_.logClear();
    auto lob = NewLob();
    SelectBlob(id, lob.object);
    EXPECT_EQ(CallsOf(fake_, {"OCILobRead"}), c.reads) << c.size;
    EXPECT_EQ(PieceSizes(lob.object), c.pieces) << c.size;
    EXPECT_EQ(lob->GetAsString(), value);
    EXPECT_FALSE(lob->GetNeedsRead());
  }
}

TEST_F(OraLobTest, AShorterValueLeavesNoTailOfTheOldOne) {
  InsertBlob(1, Pattern(3 * kPiece));
  auto lob = NewLob();
  lob->SetAsString("short");
  auto command = Command("update lobs set id = id where id = 1 returning b into :b");
  LobParam(*command->GetOraParam(0), dtOraBlob, da::ptInput, lob.object);
  command->Execute(1);
  EXPECT_EQ(fake_.Query("SELECT LOB_DATA(b) FROM lobs WHERE id = 1"), "short");
}

TEST_F(OraLobTest, ALobParameterIsInputOrOutput) {
  InsertBlob(1, "x");
  auto lob = NewLob();
  lob->SetAsString("y");
  auto command = Command("update lobs set id = id where id = 1 returning b into :b");
  LobParam(*command->GetOraParam(0), dtOraBlob, da::ptInputOutput, lob.object);
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), SNeedParamType);
}

TEST_F(OraLobTest, DirectModeReadsFromTheServer) {
  const std::string value = Pattern(2 * kPiece + 100);
  InsertBlob(1, value);
  auto lob = NewLob();
  fake_.logClear();
  SelectBlob(1, lob.object, /*cacheLobs=*/false);
  EXPECT_FALSE(lob->GetCached());
  EXPECT_TRUE(CallsOf(fake_, {"OCILobRead"}).empty()) << "nothing is read at execution";

  char head[10];
  fake_.logClear();
  EXPECT_EQ(lob->Read(0, sizeof head, head), sizeof head);
  EXPECT_EQ(std::string(head, sizeof head), value.substr(0, 10));
  EXPECT_EQ(CallsOf(fake_, {"OCILobRead"}), Lines{"OCILobRead amount=10 offset=1 form=0"});

  // Saved at the stream's position, after what the stream held.
  da::TMemoryStream stream;
  stream.WriteBuffer("head", 4);
  fake_.logClear();
  lob->SaveToStream(stream);
  EXPECT_EQ(CallsOf(fake_, {"OCILobRead"}).size(), 3u);
  EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(4 + value.size()));
  std::string saved(static_cast<std::size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(saved.data(), saved.size());
  EXPECT_EQ(saved, "head" + value);
  EXPECT_EQ(lob->GetFirstPiece(), nullptr) << "direct reads leave the pieces empty";
}

TEST_F(OraLobTest, ADirectSaveStopsWhenTheServerGivesNothing) {
  InsertBlob(1, Pattern(1000));
  auto lob = NewLob();
  SelectBlob(1, lob.object, /*cacheLobs=*/false);
  fake_.set("lob_reads_empty", "1");
  fake_.logClear();
  da::TMemoryStream stream;
  lob->SaveToStream(stream);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(CallsOf(fake_, {"OCILobRead"}).size(), 1u);
}

TEST_F(OraLobTest, APieceReportedLongerThanAskedIsAnErrorAndTheLobStaysUnread) {
  const std::string value = Pattern(10000);
  InsertBlob(1, value);
  auto lob = NewLob();
  SelectBlob(1, lob.object, /*cacheLobs=*/false);
  lob->SetCached(true);
  lob->SetNeedsRead(true);  // as a fetch leaves it
  lob->PieceSize = 1000;
  fake_.set("lie_lengths", "5");
  EXPECT_EQ(MessageOf([&] { lob->CheckValue(); }),
            "The client library reported a LOB piece of 1005 bytes in 1000 bytes of room");
  EXPECT_TRUE(lob->GetNeedsRead()) << "a LOB not read is not marked as read";
  EXPECT_EQ(lob->GetFirstPiece(), nullptr) << "no part of it is kept";
  // Read straight from the server, the same.
  char head[10];
  lob->SetCached(false);
  EXPECT_EQ(MessageOf([&] { lob->Read(0, sizeof head, head); }),
            "The client library reported a LOB piece of 15 bytes in 10 bytes of room");

  fake_.set("lie_lengths", "0");
  lob->SetCached(true);
  lob->CheckValue();
  EXPECT_EQ(lob->GetAsString(), value);
}

TEST_F(OraLobTest, SizeOfAnUnreadLobComesFromTheServer) {
  const std::string value = Pattern(5000);
  InsertBlob(1, value);
  auto lob = NewLob();
  SelectBlob(1, lob.object, /*cacheLobs=*/false);
  lob->SetCached(true);
  lob->SetNeedsRead(true);  // as a fetch leaves it
  fake_.logClear();
  EXPECT_EQ(lob->Size(), 5000u);
  EXPECT_EQ(CallsOf(fake_, {"OCILobGetLength", "OCILobRead"}), Lines{"OCILobGetLength"});
  EXPECT_EQ(lob->GetAsString(), value);
  EXPECT_FALSE(lob->GetNeedsRead());

  // An empty LOB is not read at all, and asking its size clears the flag.
  fake_.exec("INSERT INTO lobs(id, b) VALUES (2, EMPTY_BLOB())");
  auto empty = NewLob();
  SelectBlob(2, empty.object, /*cacheLobs=*/false);
  empty->SetNeedsRead(true);
  fake_.logClear();
  EXPECT_EQ(empty->Size(), 0u);
  EXPECT_FALSE(empty->GetNeedsRead());
  EXPECT_TRUE(CallsOf(fake_, {"OCILobRead"}).empty());
}

TEST_F(OraLobTest, CachingAndItsChecks) {
  auto lob = NewLob();
  lob->SetCached(false);  // empty: allowed
  lob->SetAsString("abc");
  EXPECT_TRUE(lob->GetCached()) << "writing switches to cached mode";
  EXPECT_EQ(MessageOf([&] { lob->SetCached(false); }), SCannotDisableLobCache);
  EXPECT_TRUE(lob->GetCached());

  Held<TOraLob> unallocated(new TOraLob(nullptr));
  EXPECT_EQ(MessageOf([&] { unallocated->ReadLob(); }), SLobNotAllocated);
  unallocated->AllocLob();
  EXPECT_EQ(MessageOf([&] { unallocated->ReadLob(); }), SSvcCtxNotDefined);
  Held<TOraFile> file(new TOraFile(c_.GetSvcCtx()));
  file->AllocLob();
  EXPECT_EQ(MessageOf([&] { file->WriteLob(); }), SLobNotInited);
}

TEST_F(OraLobTest, TemporaryLobs) {
  auto lob = NewLob();
  lob->CreateTemporary(OCI_TEMP_CLOB);
  EXPECT_EQ(CallsOf(fake_, {"OCILobCreateTemporary"}), Lines{"OCILobCreateTemporary type=2 form=0 duration=10"});
  EXPECT_EQ(lob->GetCharsetForm(), SQLCS_IMPLICIT);
  lob->SetAsString("temporary text");
  lob->WriteLob();
  lob->ReadLob();
  EXPECT_EQ(lob->GetAsString(), "temporary text");
  EXPECT_EQ(CallsOf(fake_, {"OCILobRead"}).back(), "OCILobRead amount=65514 offset=1 form=1");
}

class OraFileTest : public OraLobTest {
 protected:
  void SetUp() override {
    OraLobTest::SetUp();
    folder_ = home_->Root() / "files";
    std::filesystem::create_directories(folder_);
    std::ofstream(folder_ / "a.txt") << "hello file";
    fake_.set("directory_DATA", folder_.c_str());
  }
  // A file locator the server fills: BFILENAME(dir, name) through an output parameter.
  Held<TOraFile> ServerFile(const std::string& dir, const std::string& name) {
    auto* file = new TOraFile(c_.GetSvcCtx());
    Held<TOraFile> held(file);
    fake_.script(":f :=", ("outsql SELECT bfilename('" + dir + "', '" + name + "') AS F").c_str());
    auto command = Command("begin :f := bfilename('" + dir + "', '" + name + "'); end;");
    command->GetOraParam(0)->SetDataType(dtBFile);
    command->GetOraParam(0)->SetParamType(da::ptOutput);
    command->GetOraParam(0)->SetObject(file);
    command->Execute(1);
    file->AddRef();  // for the holder returned; held gives its own up
    return Held<TOraFile>(file);
  }
  std::filesystem::path folder_;
};

TEST_F(OraFileTest, AnExistingFileIsOpenedReadAndClosed) {
  auto file = ServerFile("DATA", "a.txt");
  EXPECT_EQ(file->GetFileDir(), "DATA");
  EXPECT_EQ(file->GetFileName(), "a.txt");
  EXPECT_TRUE(file->Exists());
  file->SetNeedsRead(true);
  fake_.logClear();
  EXPECT_EQ(file->GetAsString(), "hello file");
  EXPECT_EQ(CallsOf(fake_, {"OCILobFileExists", "OCILobFileOpen", "OCILobRead", "OCILobFileClose"}),
            (Lines{"OCILobFileExists", "OCILobFileOpen mode=1", "OCILobRead amount=65514 offset=1 form=0",
                   "OCILobFileClose"}));
}

TEST_F(OraFileTest, MissingFilesDoNotExist) {
  const struct {
    const char* name;
    const char* dir;
    const char* file;
    bool asked;  // whether the server is asked at all
  } cases[] = {
      {"MissingFile", "DATA", "missing.txt", true},
      {"UnknownDirectory", "NOWHERE", "a.txt", true},  // the server's error 22285
      {"EmptyName", "DATA", "", false},
  };
  for (const auto& c : cases) {
    auto file = ServerFile(c.dir, c.file);
    fake_.logClear();
    EXPECT_FALSE(file->Exists()) << c.name;
    file->SetNeedsRead(true);
    EXPECT_EQ(file->GetAsString(), "") << c.name;
    EXPECT_EQ(CallsOf(fake_, {"OCILobFileExists"}).size(), c.asked ? 2u : 0u) << c.name;
    EXPECT_TRUE(CallsOf(fake_, {"OCILobFileOpen"}).empty()) << c.name;
  }
  auto gone = ServerFile("NOWHERE", "a.txt");
  EXPECT_EQ(testing::OraErrorOf([&] { gone->Open(); }),
            "22285 ORA-22285: non-existent directory or file for FILEOPEN operation");
}

}  // namespace
}  // namespace ora
