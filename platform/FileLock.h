#pragma once
// One program per file: a record lock (fcntl) on a small lock file beside the guarded file
// (".<name>.lock" in the same folder), which the system drops when the holder ends, however it
// ends, so a crash never leaves the file locked. The lock file holds the holder's process id
// for people; the holder is read from the lock itself, not from that text. The lock file is
// left in place (removing it would race with a second program taking it).
//
// A record lock belongs to the process: a FileLock must be the only opener of its lock file in
// the program (closing any descriptor of the file would drop the lock). Main thread only.
#include <sys/types.h>

#include <memory>
#include <string>

namespace plat {

class FileLock {
 public:
  struct Outcome {
    std::unique_ptr<FileLock> lock;  // set when taken
    pid_t holder = 0;                // another program holds it: its process id
    std::string error;               // neither (the lock file could not be made): why
  };
  // Takes the lock that guards file.
  static Outcome Take(const std::string& file);
  // The process id of the program holding the lock that guards file; 0 when none does.
  static pid_t HolderOf(const std::string& file);
  // The lock file that guards file.
  static std::string LockFileOf(const std::string& file);

  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  const std::string& Guarded() const { return guarded_; }

 private:
  FileLock(int fd, std::string guarded) : fd_(fd), guarded_(std::move(guarded)) {}
  int fd_;
  std::string guarded_;
};

}  // namespace plat
