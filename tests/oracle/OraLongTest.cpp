// LONG and LONG RAW values moved in pieces during an execution: through the bind callbacks, through
// the piece information calls of the handle interface, and through the old interface's.
#include <gtest/gtest.h>

#include <string>

#include "dataaccess/Blob.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/OraConsts.h"
#include "oracle/OraProps.h"
#include "platform/Dialogs.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

using testing::CallsOf;
using Lines = std::vector<std::string>;

enum class Road { Callbacks, PieceInfo, OldInterface };

// A blob held for the length of a test.
struct BlobHolder {
  testing::Held<da::TBlob> held{new da::TBlob()};
  da::TBlob* const blob = held.object;
};

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return s;
}

class OraLongTest : public testing::OraSessionTest, public ::testing::WithParamInterface<Road> {
 protected:
  void SetUp() override {
    testing::OraSessionTest::SetUp();
    Connect(GetParam() == Road::OldInterface ? OCI73 : OCI80);
    if (GetParam() == Road::PieceInfo) fake_.set("long_pieces", "polling");
    ASSERT_EQ(fake_.exec("CREATE TABLE longs(id NUMBER(10), l LONG, r LONG RAW)"), 0);
    c_.SetWarningHandler([this](const std::string& text) { warnings_.push_back(text); });
    plat::SetDialogs(&dialogs_);
    fake_.logClear();
  }
  void TearDown() override {
    plat::SetDialogs(nullptr);
    testing::OraSessionTest::TearDown();
    // The layer reports to its owner and never shows a box of its own.
    EXPECT_TRUE(dialogs_.Log().empty());
  }
  // A LONG parameter over holder's blob.
  static void Long(TOraParamDesc& p, da::TParamType type, da::TBlob* blob, da::TDataType dataType = da::dtMemo) {
    p.SetDataType(dataType);
    p.SetParamType(type);
    p.SetObject(blob);
  }
  // The pieces the library moved, from the call log.
  Lines Pieces() {
    Lines out;
    for (const std::string& line : fake_.Lines())
      if (line.find("callback") != std::string::npos || line.rfind("piece ", 0) == 0) out.push_back(line);
    return out;
  }
  static std::vector<std::uint32_t> PieceSizes(da::TBlob* blob) {
    std::vector<std::uint32_t> sizes;
    for (da::TPieceHeader* p = blob->GetFirstPiece(); p; p = p->Next) sizes.push_back(p->Used);
    return sizes;
  }
  void Insert(int id, const std::string& value) {
    BlobHolder held;
    held.blob->SetAsString(value);
    auto command = Command("insert into longs(id, l) values (:id, :l)");
    command->GetOraParam(0)->SetValue(da::Variant(id));
    Long(*command->GetOraParam(1), da::ptInput, held.blob);
    command->Execute(1);
  }

  plat::ScriptedDialogs dialogs_;
  Lines warnings_;  // what the connection's warning handler was told
};

TEST_P(OraLongTest, SeventyThousandBytesGoInPieces) {
  const std::string value = Pattern(70000);
  Insert(1, value);
  EXPECT_EQ(fake_.Query("SELECT l FROM longs WHERE id = 1"), value);
  switch (GetParam()) {
    case Road::Callbacks:
      EXPECT_EQ(CallsOf(fake_, {"OCIBindByName", "in-bind"}),
                (Lines{"OCIBindByName name=:id type=3 size=4", "OCIBindByName name=:l type=8 size=70000 mode=2",
                       "in-bind callback L piece=1 length=65514", "in-bind callback L piece=3 length=4486"}));
      break;
    case Road::PieceInfo:
      EXPECT_EQ(CallsOf(fake_, {"OCIStmtSetPieceInfo", "OCIStmtExecute"}),
                (Lines{"OCIStmtExecute iters=1 mode=32", "OCIStmtSetPieceInfo piece=1 length=65514",
                       "OCIStmtExecute iters=1 mode=0", "OCIStmtSetPieceInfo piece=3 length=4486",
                       "OCIStmtExecute iters=1 mode=0"}));
      break;
    case Road::OldInterface:
      EXPECT_EQ(CallsOf(fake_, {"obindps", "osetpi", "oexn"}),
                (Lines{"obindps opcode=0 name=:l type=8 size=2147483647", "oexn iters=1 rowoff=0",
                       "osetpi piece=1 length=65514", "oexn iters=1 rowoff=0", "osetpi piece=3 length=4486",
                       "oexn iters=1 rowoff=0", "osetpi piece=3 length=0"}));
      break;
  }
  EXPECT_EQ(Pieces(), (Lines{GetParam() == Road::Callbacks ? "in-bind callback L piece=1 length=65514"
                                                            : "piece in L piece=1 length=65514",
                             GetParam() == Road::Callbacks ? "in-bind callback L piece=3 length=4486"
                                                           : "piece in L piece=3 length=4486"}));
  EXPECT_TRUE(dialogs_.Log().empty());
}

TEST_P(OraLongTest, TheRowIdIsReadOnceThePiecesHaveMoved) {
  BlobHolder held;
  held.blob->SetAsString(Pattern(70000));
  auto command = Command("insert into longs(id, l) values (4, :l)");
  Long(*command->GetOraParam(0), da::ptInput, held.blob);
  command->SetProp(prFetchRowId, da::Variant(true));
  command->Execute(1);
  EXPECT_EQ(command->RowId, "AAAAABAABAAAAAAAAB") << "the row the INSERT made";
}

TEST_P(OraLongTest, AValueComesBackInPiecesOfThePieceSize) {
  const std::string value = Pattern(150000);
  Insert(2, value);
  fake_.script("into :l", "outsql SELECT l AS L FROM longs WHERE id = 2");
  auto command = Command("begin select l into :l from longs where id = 2; end;");
  BlobHolder held;
  held.blob->SetAsString("old value");
  Long(*command->GetOraParam(0), da::ptOutput, held.blob);
  fake_.logClear();
  command->Execute(1);
  EXPECT_EQ(held.blob->GetAsString(), value);
  // Through the callbacks every piece keeps its room; the piece information calls shrink the
  // last one to its length.
  const std::uint32_t last = GetParam() == Road::Callbacks ? 65514 : 150000 - 2 * 65514;
  EXPECT_EQ(PieceSizes(held.blob), (std::vector<std::uint32_t>{65514, 65514, 150000 - 2 * 65514}));
  EXPECT_EQ(held.blob->GetFirstPiece()->Next->Next->Size, last);
  EXPECT_EQ(Pieces().size(), 3u);

  // Executed again, the value is not appended to the old one.
  command->Execute(1);
  EXPECT_EQ(held.blob->Size(), 150000u);
}

TEST_P(OraLongTest, EmptyAndNullValues) {
  BlobHolder held;
  auto command = Command("insert into longs(id, r) values (3, :r)");
  Long(*command->GetOraParam(0), da::ptInput, held.blob, da::dtBlob);
  command->Execute(1);
  EXPECT_EQ(fake_.Query("SELECT r IS NULL FROM longs WHERE id = 3"), "1");
  EXPECT_TRUE(Pieces().empty()) << "a NULL value moves no piece";

  fake_.script("into :r", "outsql SELECT r AS R FROM longs WHERE id = 3");
  auto back = Command("begin select r into :r from longs where id = 3; end;");
  held.blob->SetAsString("stale");
  Long(*back->GetOraParam(0), da::ptOutput, held.blob, da::dtBlob);
  back->Execute(1);
  EXPECT_EQ(held.blob->Size(), 0u);
  EXPECT_TRUE(back->GetOraParam(0)->GetNull());
}

INSTANTIATE_TEST_SUITE_P(Roads, OraLongTest, ::testing::Values(Road::Callbacks, Road::PieceInfo, Road::OldInterface),
                         [](const auto& info) {
                           return info.param == Road::Callbacks   ? "Callbacks"
                                  : info.param == Road::PieceInfo ? "PieceInfo"
                                                                  : "OldInterface";
                         });

class OraLongOldInterfaceTest : public OraLongTest {};

// The old interface names no bind: when the LONG parameters and the server's pieces do not
// match, a warning says so and the statement still completes.
TEST_P(OraLongOldInterfaceTest, MismatchedPiecesAreWarnedAboutAndSettled) {
  fake_.script("into :a", "out A=first");
  auto command = Command("begin select 'first', 'second' into :a, :b from dual; end;");
  BlobHolder a, b;
  Long(*command->GetOraParam(0), da::ptOutput, a.blob);
  Long(*command->GetOraParam(1), da::ptOutput, b.blob);
  command->Execute(1);
  EXPECT_EQ(a.blob->GetAsString(), "first");
  EXPECT_EQ(warnings_, Lines{STooManyOutputParams});

  warnings_.clear();
  fake_.script("into :c", "out C=dropped;D=dropped too");
  auto more = Command("begin select 1, 2 into :c, :d from dual; end;");
  BlobHolder c;
  Long(*more->GetOraParam(0), da::ptOutput, c.blob);
  // :d is a LONG the server sends in pieces, but the command binds it as one as well: no
  // parameter takes the second value when the first one is a text.
  more->GetOraParam(1)->SetDataType(da::dtMemo);
  more->GetOraParam(1)->SetParamType(da::ptInput);
  BlobHolder d;
  more->GetOraParam(1)->SetObject(d.blob);
  more->Execute(1);
  EXPECT_EQ(c.blob->GetAsString(), "dropped");
  EXPECT_EQ(warnings_, Lines{SNotEnoughOutputParams});
}

INSTANTIATE_TEST_SUITE_P(Roads, OraLongOldInterfaceTest, ::testing::Values(Road::OldInterface),
                         [](const auto&) { return "OldInterface"; });

}  // namespace
}  // namespace ora
