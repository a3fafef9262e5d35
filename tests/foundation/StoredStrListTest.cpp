// Owned string lists, the stored string list and the configuration objects: who frees what,
// and what travels through the object stream.
#include "foundation/objects/StoredStrList.h"

#include <gtest/gtest.h>

#include "foundation/objects/AppCfg.h"
#include "foundation/objects/ObjStream.h"
#include "foundation/startup/OlvPub.h"
#include "foundation/streams/Stream.h"
#include "platform/Clipboard.h"
#include "tests/support/StreamBytes.h"
#include "tests/support/TestObjects.h"

namespace {

using namespace olv;

// Counts the living instances, so that a test sees what was freed.
class TTracked : public TBaseObject {
  OLV_CLASS(TTracked, TBaseObject)
 public:
  static inline int alive = 0;
  std::string name;
  TTracked() { ++alive; }
  explicit TTracked(std::string n) : name(std::move(n)) { ++alive; }
  ~TTracked() override { --alive; }
  void EnumProps(PropMode m, TPropEnumProc& p) override {
    TBaseObject::EnumProps(m, p);
    p.Report<pkString>("Name", name, !name.empty());
  }
};

class StringListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterObjClass(TTracked::StaticClass());
    TTracked::alive = 0;
  }
  void TearDown() override { EXPECT_EQ(TTracked::alive, 0) << "objects leaked or freed twice"; }
};

std::string NameAt(const TStringList& l, int i) {
  auto* t = dynamic_cast<TTracked*>(l.Objects(i));
  return t ? t->name : "<none>";
}

TEST_F(StringListTest, DeleteFreesMoveKeeps) {
  OlvStringList l;
  for (const char* n : {"a", "b", "c", "d"}) l.AddObject(n, new TTracked(n));
  l.Delete(1);
  EXPECT_EQ(TTracked::alive, 3);
  l.Delete(3);
  l.Delete(-1);
  EXPECT_EQ(l.Count(), 3);
  l.Move(0, 2);
  EXPECT_EQ(TTracked::alive, 3);
  EXPECT_EQ(l.Text(), "c\nd\na\n");
  EXPECT_EQ(NameAt(l, 2), "a");
  EXPECT_EQ(NameAt(l, 0), "c");
  l.Move(2, 5);
  l.Move(1, 1);
  EXPECT_EQ(l.Text(), "c\nd\na\n");
  l.InsertObject(1, "x", new TTracked("x"));
  l.InsertObject(9, "y", new TTracked("y"));  // outside: the object is still taken and freed
  EXPECT_EQ(l.Text(), "c\nx\nd\na\n");
  EXPECT_EQ(TTracked::alive, 4);
}

TEST_F(StringListTest, AppendingAndAssigningGiveIndependentCopies) {
  auto src = std::make_unique<OlvStringList>();
  src->AddObject("one", new TTracked("1"));
  src->Add("bare");
  OlvStringList copy;
  copy.Add("first");
  copy.AddStrings(*src);
  EXPECT_EQ(TTracked::alive, 2);
  EXPECT_NE(copy.Objects(1), src->Objects(0));
  src.reset();
  EXPECT_EQ(TTracked::alive, 1);
  EXPECT_EQ(copy.Text(), "first\none\nbare\n");
  EXPECT_EQ(NameAt(copy, 1), "1");
  EXPECT_EQ(copy.Objects(2), nullptr);

  copy.AddStrings(copy);  // a list may append itself
  EXPECT_EQ(copy.Count(), 6);
  EXPECT_EQ(TTracked::alive, 2);

  OlvStringList assigned;
  assigned.AddObject("old", new TTracked("old"));
  assigned.Assign(copy);
  EXPECT_EQ(assigned.Count(), 6);
  EXPECT_EQ(TTracked::alive, 4);
}

TEST_F(StringListTest, TextAndNameValueLines) {
  TStringList l;
  l.SetText("a=1\r\nB=2\nc\rd=\n");
  EXPECT_EQ(l.Count(), 4);
  EXPECT_EQ(l.Values("b"), "2");
  EXPECT_EQ(l.Values("c"), "");
  EXPECT_EQ(l.Names(0), "a");
  EXPECT_EQ(l.IndexOfName("D"), 3);
  l.SetValue("A", "9");
  l.SetValue("new", "x");
  l.SetValue("b", "");
  EXPECT_EQ(l.Text(), "A=9\nc\nd=\nnew=x\n");
}

TEST_F(StringListTest, ClipboardTextBecomesLinesAndBack) {
  plat::InProcessClipboard board;
  plat::SetClipboard(&board);
  board.Put({{plat::kTextFormat, "x\r\ny"}});
  OlvStringList l;
  l.Add("stale");
  l.AssignFromClipboard();
  EXPECT_EQ(l.Text(), "x\ny\n");
  l.Add("z");
  l.AssignToClipboard();
  EXPECT_EQ(board.Get(plat::kTextFormat), std::optional<std::string>("x\ny\nz\n"));
  board.Put({});
  l.AssignFromClipboard();
  EXPECT_EQ(l.Count(), 0) << "no text: no lines";
  plat::SetClipboard(nullptr);
}

template <class T>
std::unique_ptr<T> RoundTrip(const TBaseObject& obj) {
  auto c = obj.Clone();
  auto* t = dynamic_cast<T*>(c.get());
  EXPECT_NE(t, nullptr);
  c.release();
  return std::unique_ptr<T>(t);
}

TEST_F(StringListTest, StoredListTravelsWithItsObjects) {
  TStoredStrList empty;
  auto e = RoundTrip<TStoredStrList>(empty);
  ASSERT_NE(e->List, nullptr);
  EXPECT_EQ(e->Count(), 0);
  EXPECT_FALSE(e->AutoItemCaption);

  TStoredStrList s;
  s.AutoItemCaption = true;
  s.AddObject("k=v", new TTracked("kv"));
  s.InsertObject(0, "first", nullptr);
  auto c = RoundTrip<TStoredStrList>(s);
  EXPECT_TRUE(c->AutoItemCaption);
  EXPECT_EQ(c->List->Text(), "first\nk=v\n");
  EXPECT_EQ(c->Values("K"), "v");
  EXPECT_EQ(NameAt(*c->List, 1), "kv");
  EXPECT_NE(c->GetObject(1), s.GetObject(1));

  TStringList plain(true);
  s.AssignTo(plain);
  EXPECT_EQ(NameAt(plain, 1), "kv");
  TStoredStrList fromStrings;
  fromStrings.AssignStrings(plain);
  EXPECT_EQ(fromStrings.Count(), 2);
  EXPECT_EQ(olv::FindObjClass("TStoredStrList"), &TStoredStrList::StaticClass());
}

TEST_F(StringListTest, ConfigurationObjects) {
  // Known under its older name; ExitPrompt is on unless stored.
  using olvtest::Bytes;
  const std::string old = Bytes().raw("TPF0").rec("TOlvMISCfgInfo", "").name("AppName").str("mis").end().end().str();
  TMemoryStream stream(old);
  auto obj = ReadObjectFromStream(stream);
  auto* info = dynamic_cast<TAppCfgInfo*>(obj.get());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->AppName, "mis");
  EXPECT_TRUE(info->ExitPrompt);

  SetProgramPathOverride("/opt/orascheme/bin/orascheme-manager");
  const char* argv[] = {"x", "a=1;b=2"};
  LoadCommandLineParams(2, argv);
  EXPECT_TRUE(info->InitPaths());
  EXPECT_EQ(info->FFolderHost, "/opt/orascheme/bin/");
  EXPECT_EQ(info->FolderHelp, "/opt/orascheme/bin/HELP/");
  EXPECT_EQ(info->FolderData, "/opt/orascheme/bin/DATA/");
  EXPECT_EQ(info->HelpExt, "HLP");
  EXPECT_EQ(info->ShortName, "oraschem");
  EXPECT_EQ(info->CommandLine, "a=1;b=2");
  SetProgramPathOverride("");
  LoadCommandLineParams(0, nullptr);

  // Off is stored too: a switch that is on by default must not come back on.
  info->ExitPrompt = false;
  EXPECT_FALSE(RoundTrip<TAppCfgInfo>(*info)->ExitPrompt);

  TAppCfgParams params;
  params.Params->SetText("x=1\ny=2");
  auto p = RoundTrip<TAppCfgParams>(params);
  TStringList out;
  p->AssignTo(out);
  EXPECT_EQ(out.Text(), "x=1\ny=2\n");
}

}  // namespace
