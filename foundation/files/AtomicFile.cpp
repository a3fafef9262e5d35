#include "foundation/files/AtomicFile.h"

#include "foundation/base/Exception.h"

namespace sch {

AtomicFileWriter::AtomicFileWriter(const std::string& target, std::optional<mode_t> permissions,
                                   std::string_view tempPrefix)
    : target_(ResolveLink(target)) {
  if (!permissions) permissions = FilePermissions(target_);
  // A file that is to be private is private from its first byte.
  const mode_t initial = permissions ? 0600 : 0666;
  file_.emplace(PosixFile::CreateBeside(target_, tempPrefix, initial, tempPath_));
  try {
    if (permissions) file_->setPermissions(*permissions);
  } catch (...) {
    file_.reset();
    RemoveFileQuietly(tempPath_);
    throw;
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!committed_) {
    file_.reset();
    RemoveFileQuietly(tempPath_);
  }
}

int64_t AtomicFileWriter::Write(const void* buffer, int64_t count) {
  if (!file_) throw olv::Exception("The file \"" + target_ + "\" is no longer open for saving");
  const int64_t n = file_->Write(buffer, count);
  Moved(n);
  return n;
}

void AtomicFileWriter::commit() {
  if (!file_) throw olv::Exception("The file \"" + target_ + "\" is no longer open for saving");
  file_->sync();
  file_->close();
  file_.reset();
  RenameFile(tempPath_, target_);
  committed_ = true;
  SyncFolderOf(target_);
}

void SaveFileAtomically(const std::string& target, std::optional<mode_t> permissions,
                        const std::function<void(olv::TStream&)>& writeContent) {
  AtomicFileWriter writer(target, permissions);
  writeContent(writer);
  writer.commit();
}

}  // namespace sch
