// What an atomic save asks of the disk: a save flushes the new file and then its folder; a save
// of a scratch file (written afresh at every start) flushes nothing and is atomic all the same:
// the target is whole or untouched, and no temporary file stays.
#include "platform/AtomicFile.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ScratchFolder.h"

namespace {

std::atomic<int> gFlushes{0};

}  // namespace

// The program's flushes, counted and passed on.
extern "C" int fsync(int fd) {
  gFlushes.fetch_add(1);
  using Fsync = int (*)(int);
  static const Fsync real = reinterpret_cast<Fsync>(::dlsym(RTLD_NEXT, "fsync"));
  return real(fd);
}

namespace plat {
namespace {

using testsupport::ReadAll;
using testsupport::WriteAll;

TEST(AtomicFileDurability, OnlyDurableSavesFlushAndBothReplaceWholeOrNotAtAll) {
  const struct {
    Durability durability;
    int flushes;
  } cases[] = {{Durability::Synced, 2}, {Durability::Unsynced, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.durability == Durability::Synced ? "synced" : "unsynced");
    testsupport::ScratchFolder dir;
    const std::string target = dir / "imgTimer.gif";
    WriteAll(target, "old");
    const int before = gFlushes.load();
    WriteFileAtomically(target, "new", std::nullopt, kSaveTempPrefix, c.durability);
    EXPECT_EQ(gFlushes.load() - before, c.flushes);
    EXPECT_EQ(ReadAll(target), "new");
    {
      AtomicFile unfinished(target, std::nullopt, kSaveTempPrefix, c.durability);
      unfinished.write("half", 4);
    }
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"imgTimer.gif"}));
  }
}

}  // namespace
}  // namespace plat
