#include "foundation/startup/OlvStartup.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/files/FileStream.h"
#include "foundation/text/Format.h"
#include "foundation/objects/OlvClass.h"
#include "foundation/files/LogWriter.h"
#include "foundation/startup/OlvPub.h"
#include "foundation/files/ProgramFiles.h"
#include "platform/Sanitizers.h"
#include "tests/support/ScratchFolder.h"

namespace fs = std::filesystem;
using namespace olv;

namespace {

class StartUpWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = scratch_.path();
    fs::create_directories(dir_ / "dumps");
    // A portable copy: its scheme file beside it keeps the program's files there.
    std::ofstream(dir_ / "orascheme.sch").put('x');
    SetProgramPathOverride((dir_ / "orascheme").string());
  }
  void TearDown() override {
    ShutDown();
    InstallFormatSettings(FormatSettings{});
  }
  testsupport::ScratchFolder scratch_;
  fs::path dir_;
};

TEST_F(StartUpWorld, PreparesTheLibraryInOrder) {
  std::vector<std::string> steps;
  AddStartUpHook([&] {
    // Hooks run after the command line and the path expander are in place.
    steps.push_back("first:" + ExpandStreamFileName("<Dumps>"));
  });
  AddStartUpHook([&] { steps.push_back("second"); });
  const std::string dumps = (dir_ / "dumps").string();
  const std::string arg = "Dumps=" + dumps + ";Mode=full";
  const char* argv[] = {"orascheme", arg.c_str(), "x=1"};
  StartUp(3, argv);

  EXPECT_TRUE(IsStartedUp());
  EXPECT_EQ(steps, (std::vector<std::string>{"first:" + dumps, "second"}));
  EXPECT_EQ(CommandLineParams(), (std::vector<std::string>{"Dumps=" + dumps, "Mode=full", "x=1"}));
  EXPECT_EQ(CurrentFormatSettings()->ShortDateFormat, "YYYY.M.D");
  EXPECT_EQ(CurrentFormatSettings()->DateSeparator, ".");
  EXPECT_EQ(SchemeFilePath(), (dir_ / "orascheme.sch").string());
  EXPECT_EQ(LogFileName(), (dir_ / "orascheme.LOG").string());
  EXPECT_NE(FindObjClass("TExpression"), nullptr) << "expression classes registered at start-up";

  // A hook added late runs at once.
  AddStartUpHook([&] { steps.push_back("late"); });
  EXPECT_EQ(steps.back(), "late");
}

TEST_F(StartUpWorld, TheFileStreamOpensNamesWithMacros) {
  const std::string arg = "Dumps=" + (dir_ / "dumps").string();
  const char* argv[] = {"orascheme", arg.c_str()};
  StartUp(2, argv);
  {
    TFileStream out("<Dumps>\\<PROGRAMNAME>_日志.txt", fmCreate);
    out.WriteBuffer("ok", 2);
    EXPECT_EQ(out.FileName(), (dir_ / "dumps" / "orascheme_日志.txt").string());
  }
  EXPECT_EQ(testsupport::ReadAll(dir_ / "dumps" / "orascheme_日志.txt"), "ok");
  {
    TFileStream in("<PROGRAMDIR>/dumps/orascheme_日志.txt", fmOpenRead);
    EXPECT_EQ(in.Size(), 2);
  }
  // An unknown macro is no folder: the name is opened as written and so not found.
  EXPECT_THROW(TFileStream("<Nowhere>/x.txt", fmOpenRead), EFOpenError);

  WriteLog("through the macro-expanded log", false);
  EXPECT_EQ(testsupport::ReadAll(dir_ / "orascheme.LOG"), "through the macro-expanded log\r\n");
}

TEST_F(StartUpWorld, TheHeapKeepsWhatTheProgramFrees) {
#if ORASCHEME_ASAN || ORASCHEME_TSAN
  GTEST_SKIP() << "a sanitizer's allocator has no such policy";
#endif
  const char* argv[] = {"orascheme"};
  StartUp(1, argv);
  // Most of 64 MiB freed from the top of the heap stays in the process instead of going back at
  // once (some of the blocks may have come from free space lower down).
  std::vector<void*> blocks;
  blocks.reserve(1024);  // no list growing between the blocks
  for (int i = 0; i < 1024; ++i) blocks.push_back(std::malloc(64 * 1024));
  for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) std::free(*it);
  EXPECT_GE(mallinfo2().keepcost, std::size_t{32} << 20);
}

TEST_F(StartUpWorld, ShutDownRestoresThePlainLibrary) {
  const char* argv[] = {"orascheme", "Dumps=/x"};
  StartUp(2, argv);
  ShutDown();
  EXPECT_FALSE(IsStartedUp());
  EXPECT_TRUE(CommandLineParams().empty());
  EXPECT_EQ(ExpandStreamFileName("<PROGRAMDIR>/a"), "<PROGRAMDIR>/a");
}

}  // namespace
