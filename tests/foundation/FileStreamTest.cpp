#include "foundation/files/FileStream.h"

#include "foundation/objects/ObjStream.h"
#include "tests/support/TestObjects.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
using namespace olv;

namespace {

class FileStreamFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
  }
  void TearDown() override {
    SetPathExpander(nullptr);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Bytes that differ at every position within a block and between blocks.
  static std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
  }
  testsupport::ScratchFolder scratch_;
  fs::path dir_;
};

TEST_F(FileStreamFiles, OpenOrCreateMakesAMissingFileReadyForReadAndWrite) {
  {
    TFileStream s(Path("new.bin"), fmOpenOrCreate | fmOpenReadWrite);
    EXPECT_EQ(s.Size(), 0);
    s.WriteBuffer("hello", 5);
    s.SetPosition(0);
    char buf[5];
    s.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(s.Mode(), fmOpenReadWrite);
  }
  // An existing file is opened, not emptied.
  TFileStream again(Path("new.bin"), fmOpenOrCreate | fmOpenRead);
  EXPECT_EQ(again.Size(), 5);
  EXPECT_EQ(again.Mode(), fmOpenRead);
}

TEST_F(FileStreamFiles, CreateEmptiesAndKeepsTheFileOpenDenyingWrite) {
  Put("f", "old content");
  TFileStream s(Path("f"), fmCreate);
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Mode(), fmOpenReadWrite | fmShareDenyWrite);
  EXPECT_THROW(TFileStream(Path("f"), fmOpenWrite), EFOpenError);
  EXPECT_NO_THROW(TFileStream(Path("f"), fmOpenRead | fmShareDenyNone));
}

TEST_F(FileStreamFiles, ShareModesDecideWhoElseMayOpen) {
  Put("f", "x");
  struct Case {
    std::uint16_t first, second;
    bool allowed;
  };
  const Case cases[] = {
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenReadWrite | fmShareDenyNone, false},
      {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
      {fmOpenReadWrite | fmShareDenyRead, fmOpenRead, false},
      {fmOpenReadWrite | fmShareDenyRead, fmOpenWrite, true},
      {fmOpenReadWrite | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
      // The second open may not deny what the first already does.
      {fmOpenReadWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false},
      {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenWrite | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
      {fmOpenWrite | fmShareDenyWrite, fmOpenRead | fmShareDenyNone, true},
  };
  for (const auto& c : cases) {
    TFileStream first(Path("f"), c.first);
    bool opened = true;
    try {
      TFileStream second(Path("f"), c.second);
    } catch (const EFOpenError&) {
      opened = false;
    }
    EXPECT_EQ(opened, c.allowed) << std::hex << c.first << " then " << c.second;
  }
  // Closing a stream lifts its share mode.
  { TFileStream s(Path("f"), fmOpenRead | fmShareExclusive); }
  EXPECT_NO_THROW(TFileStream(Path("f"), fmOpenReadWrite));
}

TEST_F(FileStreamFiles, ARefusedCreateLeavesTheFileAlone) {
  Put("f", "precious");
  TFileStream holder(Path("f"), fmOpenRead | fmShareDenyWrite);
  EXPECT_THROW(TFileStream(Path("f"), fmCreate), EFCreateError);
  EXPECT_EQ(Get("f"), "precious");
}

TEST_F(FileStreamFiles, MissingFileAndWriteToReadOnlyStreamRaise) {
  EXPECT_THROW(TFileStream(Path("missing"), fmOpenRead), EFOpenError);
  Put("f", "abc");
  TFileStream s(Path("f"), fmOpenRead);
  EXPECT_THROW(s.Write("x", 1), EFileStreamError);
  char buf[10];
  EXPECT_EQ(s.Read(buf, 10), 3);
  EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
}

TEST_F(FileStreamFiles, InsertBytesAroundTheBlockSize) {
  const std::string old = Pattern(40000);
  struct Case {
    std::int64_t position, count;
  };
  const Case cases[] = {{16383, 10}, {16384, 10},    {16385, 10},   {16383, 16384}, {16384, 16385},
                        {16385, 1},  {0, 10},        {39999, 3},    {40000, 5},     {45000, 7},
                        {16384, 30000}};
  for (const auto& c : cases) {
    Put("f", old);
    {
      TFileStream s(Path("f"), fmOpenReadWrite);
      s.SetPosition(1234);
      s.InsertBytes(c.position, c.count);
      EXPECT_EQ(s.Position(), 1234);
    }
    // Expected: the rest moved up by count; the gap keeps what was there (zeros past the old end).
    std::string want = old;
    const auto pos = static_cast<std::size_t>(c.position), n = static_cast<std::size_t>(c.count);
    if (pos < old.size()) {
      want.resize(old.size() + n, '\0');
      std::copy(old.begin() + static_cast<std::ptrdiff_t>(pos), old.end(),
                want.begin() + static_cast<std::ptrdiff_t>(pos + n));
    } else {
      want.resize(pos + n, '\0');
    }
    EXPECT_EQ(Get("f"), want) << "insert " << c.count << " at " << c.position;
  }
}

TEST_F(FileStreamFiles, DeleteBytesAroundTheBlockSize) {
  const std::string old = Pattern(40000);
  struct Case {
    std::int64_t position, count;
  };
  const Case cases[] = {{16383, 10}, {16384, 10}, {16385, 10}, {0, 16384}, {16383, 16385},
                        {39990, 10}, {39990, 50}, {40000, 5},  {0, 40000}};
  for (const auto& c : cases) {
    Put("f", old);
    std::int64_t position;
    {
      TFileStream s(Path("f"), fmOpenReadWrite);
      s.SetPosition(30000);
      s.DeleteBytes(c.position, c.count);
      position = s.Position();
    }
    std::string want = old;
    if (static_cast<std::size_t>(c.position) < old.size())
      want.erase(static_cast<std::size_t>(c.position), static_cast<std::size_t>(c.count));
    EXPECT_EQ(Get("f"), want) << "delete " << c.count << " at " << c.position;
    EXPECT_EQ(position, std::min<std::int64_t>(30000, static_cast<std::int64_t>(want.size())));
  }
}

TEST_F(FileStreamFiles, InsertThenDeleteRestoresTheFile) {
  const std::string old = Pattern(20000);
  Put("f", old);
  TFileStream s(Path("f"), fmOpenReadWrite);
  s.InsertBytes(0, 10);
  EXPECT_EQ(s.Size(), 20010);
  s.SetPosition(10);
  std::string moved(20000, '\0');
  s.ReadBuffer(moved.data(), 20000);
  EXPECT_EQ(moved, old);
  s.DeleteBytes(0, 10);
  EXPECT_EQ(s.Size(), 20000);
  EXPECT_EQ(Get("f"), old);
  EXPECT_THROW(s.DeleteBytes(-1, 1), EFileStreamError);
}

TEST_F(FileStreamFiles, ReopenKeepsThePositionAndReportsAVanishedFile) {
  Put("f", "0123456789");
  TFileStream s(Path("f"), fmOpenReadWrite);
  s.SetPosition(4);
  s.Reopen();
  char c;
  s.ReadBuffer(&c, 1);
  EXPECT_EQ(c, '4');
  s.Truncate();
  EXPECT_EQ(Get("f"), "01234");
  fs::remove(dir_ / "f");
  try {
    s.Reopen();
    FAIL() << "reopening a removed file succeeded";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("打开文件失败\r\n文件：" + Path("f") + "\r\n[2]", 0), 0u) << e.what();
  }
}

TEST_F(FileStreamFiles, FileNamesGoThroughThePathExpander) {
  SetPathExpander([this](const std::string& name) {
    const std::string macro = "<Temp>";
    std::string r = name;
    if (r.rfind(macro, 0) == 0) r.replace(0, macro.size(), dir_.string());
    return r;
  });
  {
    TFileStream s("<Temp>/expanded.txt", fmCreate);
    s.WriteBuffer("ok", 2);
    EXPECT_EQ(s.FileName(), Path("expanded.txt"));
  }
  EXPECT_EQ(Get("expanded.txt"), "ok");
  SetPathExpander(nullptr);
  EXPECT_EQ(ExpandStreamFileName("<Temp>/x"), "<Temp>/x");
}

TEST_F(FileStreamFiles, ObjectsGoToAFileThroughTheStreamInterface) {
  olv::RegisterObjClass(olvtest::TChildObj::StaticClass());
  olvtest::TChildObj obj;
  obj.name = "weekly";
  obj.value = 3;
  {
    TFileStream out(Path("obj.bin"), fmCreate);
    TStream& s = out;
    WriteObjectToStream(s, &obj);
  }
  TFileStream in(Path("obj.bin"), fmOpenRead | fmShareDenyWrite);
  auto back = ReadObjectFromStream(in);
  auto* child = dynamic_cast<olvtest::TChildObj*>(back.get());
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->name, "weekly");
  EXPECT_EQ(child->value, 3);
  EXPECT_EQ(in.Position(), in.Size());
}

TEST_F(FileStreamFiles, ObjectsSaveTheirStreamAndItsTextThroughPathMacros) {
  olvtest::RegisterTestClasses();
  SetPathExpander([this](const std::string& name) {
    return name.rfind("<Dir>", 0) == 0 ? dir_.string() + name.substr(5) : name;
  });
  olvtest::TChildObj o;
  o.name = "系统";
  o.value = 7;
  o.SaveToFile("<Dir>/o.obj");
  EXPECT_EQ(Get("o.obj"), ObjectToBytes(&o));
  o.SaveToTextFile("<Dir>/o.txt");
  EXPECT_EQ(Get("o.txt"), "object TChildObj\r\n  Name = '\xcf\xb5\xcd\xb3'\r\n  Value = 7\r\nend\r\n");
}

TEST_F(FileStreamFiles, AFailedObjectSaveLeavesThePreviousFile) {
  olvtest::RegisterTestClasses();
  Put("kept.obj", "previous");
  olvtest::TWithVariant refused;  // the stream cannot write its field
  EXPECT_THROW(refused.SaveToFile(Path("kept.obj")), EWriteError);
  EXPECT_THROW(refused.SaveToTextFile(Path("kept.obj")), EWriteError);
  EXPECT_EQ(Get("kept.obj"), "previous");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << "no work file left";
}

}  // namespace
