#pragma once
// The library's file stream: every file the program opens itself goes through it, so that path
// macros work in file names. Adds open-or-create, in-place insertion and deletion of bytes,
// reopening and truncation to a plain POSIX file.
//
// Open modes are the original program's 16-bit modes (constants below). Sharing is advisory: a
// stream opened with a share mode holds open-file-description locks that make a conflicting open
// by this or another process fail, as the original's share modes did; programs that do not use
// this class are not stopped.
//
// A stream is used by one thread at a time. The path expander is process-wide; set it at
// start-up, before streams are opened on other threads.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/streams/Stream.h"

namespace olv {

class EFileStreamError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
};
class EFCreateError : public EFileStreamError {
 public:
  using EFileStreamError::EFileStreamError;
};

// Open modes.
constexpr std::uint16_t fmCreate = 0xFFFF;  // create the file, or empty it
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;
constexpr std::uint16_t fmOpenOrCreate = 0x8000;  // open when the file exists, else create it

// Turns a file name as written (with path macros) into the name to open. The path-macro module
// installs its expander at start-up; until then names are taken as they are.
using PathExpander = std::function<std::string(const std::string&)>;
void SetPathExpander(PathExpander expander);  // an empty function restores the identity
std::string ExpandStreamFileName(const std::string& name);

class TFileStream : public TStream {
 public:
  // Block size of InsertBytes and DeleteBytes.
  static constexpr std::int64_t kMoveBlock = 16384;

  // Raises EFCreateError or EFOpenError when the file cannot be created or opened, or when a share
  // mode of another open stream forbids it.
  TFileStream(const std::string& fileName, std::uint16_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // The stream operations over the file; a system failure raises EFileStreamError. A position
  // past the end is allowed; writing there extends the file.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t size) override;

  // Removes count bytes at position: the rest moves down in blocks of kMoveBlock bytes and the
  // file is cut at its new end. The position is kept when it is still inside the file, else it
  // goes to the new end.
  virtual void DeleteBytes(std::int64_t position, std::int64_t count);
  // Opens a gap of count bytes at position, moving the rest up block by block from the end (the
  // gap keeps its old content); beyond the end the file is extended to position + count. The
  // position is kept.
  virtual void InsertBytes(std::int64_t position, std::int64_t count);
  // Closes and opens the file again with the stored mode, keeping the position; raises
  // olv::Exception "打开文件失败\r\n文件：<name>\r\n[<errno>]<system message>" (RaiseFileError).
  virtual void Reopen();
  // Cuts the file at the current position.
  virtual void Truncate();

  const std::string& FileName() const { return fileName_; }  // expanded
  std::uint16_t Mode() const { return mode_; }
  int Handle() const { return fd_; }

 private:
  void OpenWith(std::uint16_t mode, bool create);
  void Close();

  std::string fileName_;
  std::uint16_t mode_ = 0;
  int fd_ = -1;
  int lockFd_ = -1;  // a write-only stream's read-only description holding its share locks
  std::int64_t position_ = 0;
  int lastError_ = 0;  // errno of the last failed open
};

}  // namespace olv
