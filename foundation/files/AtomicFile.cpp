#include "foundation/files/AtomicFile.h"

#include "foundation/base/Exception.h"

namespace olv {

namespace {

template <class F>
auto AsLibraryError(F&& f) {
  try {
    return f();
  } catch (const plat::FileError& e) {
    throw olv::Exception(e.what());
  }
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& target, std::optional<mode_t> permissions,
                                   std::string_view tempPrefix, plat::Durability durability) {
  AsLibraryError([&] { file_.emplace(target, permissions, tempPrefix, durability); });
}

AtomicFileWriter::~AtomicFileWriter() = default;

const std::string& AtomicFileWriter::target() const { return file_->target(); }
const std::string& AtomicFileWriter::tempPath() const { return file_->tempPath(); }

int64_t AtomicFileWriter::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  AsLibraryError([&] { file_->write(buffer, static_cast<size_t>(count)); });
  Moved(count);
  return count;
}

void AtomicFileWriter::commit() {
  AsLibraryError([&] { file_->commit(); });
}

void SaveFileAtomically(const std::string& target, std::optional<mode_t> permissions,
                        const std::function<void(olv::TStream&)>& writeContent, plat::Durability durability) {
  AtomicFileWriter writer(target, permissions, plat::kSaveTempPrefix, durability);
  writeContent(writer);
  writer.commit();
}

}  // namespace olv
