#include "app/core/OraCharset.h"

#include <cctype>
#include <cstdint>
#include <exception>
#include <filesystem>

#include "foundation/base/Exception.h"
#include "foundation/files/CompressedFile.h"
#include "app/core/DMSession.h"
#include "app/core/OracleScheme.h"
#include "platform/Registry.h"

namespace sch {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsFile(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(name, ec);
}

}  // namespace

TOraCharsetModel::TOraCharsetModel(TDMSession& session, plat::Registry& registry, std::string user,
                                   std::string password, std::string service)
    : Username(std::move(user)),
      Password(std::move(password)),
      Service(std::move(service)),
      session_(session),
      registry_(registry),
      client_(DetectOracleClientOf(registry)) {}

void TOraCharsetModel::Connect() {
  {
    plat::RecursiveMutexLock lock(session_.MainLock());
    session_.Main().Connect(Username, Password, Service);
  }
  Refresh();
}

void TOraCharsetModel::Refresh() {
  plat::RecursiveMutexLock lock(session_.MainLock());
  TDM& dm = session_.Main();
  std::uint16_t id = 0;
  std::string name;
  if (dm.GetDBCharset(id, name)) databaseCharset_ = name;
  dm.GetValidCharsets(charsets_);
}

void TOraCharsetModel::Select(int index) {
  selected_ = index >= 0 && static_cast<size_t>(index) < charsets_.size() ? charsets_[static_cast<size_t>(index)]
                                                                          : std::string();
}

void TOraCharsetModel::SetExportFile(const std::string& fileName) {
  exportFile_ = fileName;
  sourceCharset_.clear();
  // A compressed dump's first bytes are the compression's header, not an id.
  if (!IsFile(fileName) || olv::IsCompressedFile(fileName)) return;
  const std::uint16_t id = TOracleScheme::ReadDmpCharsetId(fileName);
  if (id == 0) return;
  plat::RecursiveMutexLock lock(session_.MainLock());
  sourceCharset_ = session_.Main().GetCharsetName(id);
}

void TOraCharsetModel::ChooseDump(const std::string& fileName) {
  TargetFile = fileName;
  SetExportFile(fileName);
}

const std::string& TOraCharsetModel::RequireSelected() const {
  if (selected_.empty()) throw olv::Exception(kSelectCharsetFirst);
  return selected_;
}

std::string TOraCharsetModel::Convert() {
  if (!IsFile(exportFile_)) throw olv::Exception("The file is nonexistent:" + exportFile_);
  if (TargetFile.empty()) throw olv::Exception("must specify the target file");
  const std::string& name = RequireSelected();
  if (olv::IsCompressedFile(exportFile_))
    throw olv::Exception("The dump is compressed; its character set cannot be changed:" + exportFile_);
  int id = 0;
  {
    plat::RecursiveMutexLock lock(session_.MainLock());
    id = session_.Main().GetCharsetId(name);
  }
  if (id <= 0) throw olv::Exception("The database does not know the character set " + name);
  const bool sameFile = Upper(TargetFile) == Upper(exportFile_);
  if (!sameFile) {
    std::error_code ec;
    fs::copy_file(exportFile_, TargetFile, fs::copy_options::overwrite_existing, ec);
    if (ec) throw olv::Exception("Copying the document comes amiss:" + exportFile_ + "==>" + TargetFile);
  }
  if (!TOracleScheme::WriteDmpCharsetId(TargetFile, static_cast<std::uint16_t>(id)))
    throw olv::Exception("The character set could not be written into " + TargetFile);
  if (sameFile) sourceCharset_ = name;
  return "OK";
}

bool TOraCharsetModel::SetClientCharset(const std::string& name, bool testOnly, std::string* error) {
  if (client_.HomeKey.empty()) throw olv::Exception(kNoClientHome);
  // The value exactly as it was, so that a test leaves the store as it found it.
  const auto before = registry_.GetValue(plat::Registry::kLocalMachine, client_.HomeKey, "NLS_LANG");
  if (!WriteClientNlsLang(registry_, client_, client_.Language + "." + name)) throw olv::Exception(kNoClientHome);
  plat::RecursiveMutexLock lock(session_.MainLock());
  TDM& dm = session_.Main();
  bool ok = false;
  try {
    dm.Disconnect();
    dm.Connect(Username, Password, Service);
    ok = dm.Connected();
    if (!ok && error) *error = "No database user is given.";
  } catch (const std::exception& e) {
    if (error) *error = e.what();
  }
  if (testOnly) {
    if (before)
      registry_.SetValue(plat::Registry::kLocalMachine, client_.HomeKey, "NLS_LANG", *before);
    else
      registry_.DeleteValue(plat::Registry::kLocalMachine, client_.HomeKey, "NLS_LANG");
    try {
      dm.Disconnect();
      dm.Connect(Username, Password, Service);
    } catch (const std::exception&) {
      // The test's answer is given; the next connection says what is wrong with the old setting.
    }
  } else {
    client_ = DetectOracleClientOf(registry_);
  }
  return ok;
}

std::string TOraCharsetModel::Test() {
  const std::string name = RequireSelected();
  if (SetClientCharset(name, true, nullptr))
    return "The charset of this client can set to " + name + ", but maybe lose some data.";
  return "the charset of this client can not set to " + name;
}

std::string TOraCharsetModel::Set() {
  const std::string name = RequireSelected();
  std::string error;
  const bool ok = SetClientCharset(name, false, &error);
  std::string text = "the charset of this client has been set to " + name;
  if (!ok) text += "\r\n" + error;
  return text;
}

}  // namespace sch
