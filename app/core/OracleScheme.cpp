#include "app/core/OracleScheme.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>

#include "foundation/files/CompressedFile.h"
#include "foundation/files/PosixFile.h"
#include "foundation/text/Utf8.h"
#include "app/core/SchemeEditor.h"
#include "app/core/DosCommandScheme.h"
#include "app/core/OracleClient.h"
#include "app/core/OracleSession.h"
#include "app/core/ParamCatalogue.h"
#include "app/core/RunLogExcerpt.h"
#include "app/core/WorkFiles.h"
#include "platform/Process.h"
#include "platform/Registry.h"

namespace sch {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

bool SameText(std::string_view a, std::string_view b) { return Upper(a) == Upper(b); }

// One "*" per character.
std::string Masked(std::string_view password) { return std::string(olv::utf8::Length(password), '*'); }

// An argument as the kept and shown lines write it: NAME=value with the value quoted when it
// holds a blank; the login (no name) quoted whole.
std::string ShownArg(std::string_view arg, bool named) {
  const size_t eq = named ? arg.find('=') : std::string_view::npos;
  if (eq == std::string_view::npos) return QuoteRecordedValue(arg);
  return std::string(arg.substr(0, eq + 1)) + QuoteRecordedValue(arg.substr(eq + 1));
}

}  // namespace

TOracleScheme::TOracleScheme() {
  try {
    DetectOracleClient();
  } catch (const std::exception&) {
    // A damaged settings store leaves the client unknown; the program can still be named.
  }
}

// ---- parameters -------------------------------------------------------------------------------

void TOracleScheme::BuildParamList() {
  TItemDescription* item = AddParamEx("cmdfilename", GetDefaultExe(), dtFileOpen);
  item->Tag = kTagRequired;
  item->Tags = "EXE File|*.exe|All|*.*";
  AddParam("dbusername", "system")->Tag = kTagRequired;
  AddParam("dbpassword", "")->Tag = kTagPassword | kTagRequired;
  AddParam("service", "");
  AddPickParam("charset", "Yes", "Yes;No");
  AddPickParam("dmpcompressed", "No", "Yes;No");
  AddParamEx("Prefix", "", dtTextEditor);
  AddParamEx("Suffix", "", dtTextEditor);
  item = AddParamEx("file", "", dtFileOpen);
  item->Tag = kTagRequired;
  item->Tags = "dmp files|*.dmp|All|*.*;dmp";
  AddParamEx("log", "", dtFileOpen)->Tags = "Log file|*.log|All|*.*;log";
  AddParamEx("parfile", "", dtFileOpen)->Tags = "par file|*.par|All|*.*;par";
}

void TOracleExportScheme::BuildParamList() {
  TOracleScheme::BuildParamList();
  const char* yn = "Yes;No";
  AddPickParam("FULL", "", yn);
  AddParamEx("OWNER", "", dtOracleUser);
  AddParamEx("TABLES", "", dtOracleTable);
  AddParam("BUFFER", "");
  AddPickParam("COMPRESS", "", yn);
  AddParam("RECORDLENGTH", "");
  AddPickParam("GRANTS", "", yn);
  AddParam("INCTYPE", "");
  AddPickParam("INDEXES", "", yn);
  AddPickParam("RECORD", "", yn);
  AddPickParam("DIRECT", "", yn);
  AddPickParam("TRIGGERS", "", yn);
  AddPickParam("STATISTICS", "", "COMPUTE;ESTIMATE;No");
  AddPickParam("ROWS", "", yn);
  AddPickParam("CONSISTENT", "", yn);
  AddPickParam("CONSTRAINTS", "", yn);
  for (const char* n : {"FEEDBACK", "FILESIZE", "FLASHBACK_SCN", "FLASHBACK_TIME", "QUERY"}) AddParam(n, "");
  AddPickParam("RESUMABLE", "", yn);
  for (const char* n : {"RESUMABLE_NAME", "RESUMABLE_TIMEOUT", "TTS_FULL_CHECK", "TABLESPACES",
                        "TRANSPORT_TABLESPACE", "TEMPLATE"})
    AddParam(n, "");
}

void TOracleImportScheme::BuildParamList() {
  TOracleScheme::BuildParamList();
  const char* yn = "Yes;No";
  AddPickParam("FULL", "", yn);
  AddParam("FROMUSER", "");
  AddParamEx("TOUSER", "", dtOracleUser);
  AddParam("TABLES", "");
  AddParam("BUFFER", "");
  AddPickParam("SHOW", "", yn);
  AddPickParam("IGNORE", "", yn);
  AddParam("RECORDLENGTH", "");
  AddPickParam("GRANTS", "", yn);
  AddParam("INCTYPE", "");
  AddPickParam("INDEXES", "", yn);
  AddPickParam("COMMIT", "", yn);
  AddPickParam("ROWS", "", yn);
  AddPickParam("CONSTRAINTS", "", yn);
  AddPickParam("DESTROY", "", yn);
  AddParamEx("INDEXFILE", "", dtFileOpen)->Tags = "All|*.*";
  AddPickParam("SKIP_UNUSABLE_INDEXES", "", yn);
  AddParam("FEEDBACK", "");
  AddParam("TOID_NOVALIDATE", "");
  AddParam("FILESIZE", "");
  AddPickParam("STATISTICS", "", "NONE;ALWAYS;SAFE;RECALCUATE");
  AddPickParam("RESUMABLE", "", yn);
  AddParam("RESUMABLE_NAME", "");
  AddParam("RESUMABLE_TIMEOUT", "");
  AddPickParam("COMPILE", "", yn);
  AddPickParam("TRANSPORT_TABLESPACE", "", yn);
  AddParam("TABLESPACES", "");
  AddParamEx("DATAFILES", "", dtFileOpen)->Tags = "All|*.*";
  AddParam("TTS_OWNERS", "");
}

bool TOracleScheme::IsValid() {
  const std::string exe = ParamValue("cmdfilename");
  std::error_code ec;
  return !exe.empty() && fs::is_regular_file(exe, ec) && !ParamValue("dbusername").empty();
}

bool TOracleImportScheme::IsValid() {
  if (!TOracleScheme::IsValid()) return false;
  const std::string dump = ParamValue("file");
  std::error_code ec;
  return !dump.empty() && fs::exists(dump, ec);
}

bool TOracleScheme::AllowCharset() const { return Upper(ParamValue("charset")).find("YES") != std::string::npos; }
bool TOracleScheme::CompressDmp() const {
  return Upper(ParamValue("dmpcompressed")).find("YES") != std::string::npos;
}

std::string TOracleScheme::GetLoginValue(int index) const {
  switch (index) {
    case 0: return ParamValue("dbusername");
    case 1: return ParamValue("dbpassword");
    case 2: return ParamValue("service");
    default: return {};
  }
}

std::optional<std::string> TOracleScheme::ChildNlsLang() const {
  if (AllowCharset() || TargetCharset.empty() || SameText(TargetCharset, CharSet)) return std::nullopt;
  return "NLS_LANG=" + Language + "." + TargetCharset;
}

// ---- client and programs ----------------------------------------------------------------------

void TOracleScheme::DetectOracleClient() { DetectOracleClient(plat::Registry::Default()); }

void TOracleScheme::DetectOracleClient(plat::Registry& reg) {
  TOracleClient client = DetectOracleClientOf(reg);
  HomeKey = std::move(client.HomeKey);
  OracleHome = std::move(client.OracleHome);
  CharSet = std::move(client.CharSet);
  Language = std::move(client.Language);
}

std::string TOracleScheme::GetDefaultExe() {
  const std::string name = ProgramBaseName();
  if (name.empty()) return {};
  const std::string inHome = OracleHome + "/bin/" + name;
  std::error_code ec;
  if (!OracleHome.empty() && fs::is_regular_file(inHome, ec)) return inHome;
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    while (true) {
      const size_t colon = rest.find(':');
      const std::string dir(rest.substr(0, colon));
      if (!dir.empty()) {
        const std::string candidate = dir + "/" + name;
        if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) return name;
      }
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  return inHome;
}

// ---- file names --------------------------------------------------------------------------------

TOracleScheme::FileNameSet TOracleScheme::FileNames(bool display, bool createFolders) {
  auto name = [&](const char* param) {
    const std::string v = ParamValue(param);
    return v.empty() ? std::string() : ExpandFileName(Expand(v, display), true, createFolders);
  };
  return {name("file"), name("log"), name("parfile")};
}

TOracleScheme::FileNameSet TOracleImportScheme::FileNames(bool display, bool createFolders) {
  FileNameSet files = TOracleScheme::FileNames(display, createFolders);
  const std::string v = ParamValue("file");
  files.Dmp = v.empty() ? std::string() : ExpandFileName(Expand(v, display), false, false);
  return files;
}

void TOracleScheme::PrepareFileNames() {
  const bool running = Running();
  FileNameSet files = FileNames(false, running);
  DmpFile = files.Dmp;
  LogFile = files.Log;
  ParFile = files.Par;
  if (running) {
    plat::MutexLock lock(DataLock());
    runFiles_ = std::move(files);
  }
}

// ---- command line -----------------------------------------------------------------------------

std::vector<std::pair<std::string, std::string>> TOracleScheme::CommandParams(const FileNameSet& names,
                                                                              bool display) {
  std::vector<std::pair<std::string, std::string>> lines;
  for (int i = 0; i < ParamCount(); ++i) {
    const TItemDescription* item = GetParam(i);
    if (!item || item->KeyValue().empty()) continue;
    static const char* const kLeftOut[] = {"cmdfilename", "dbusername", "dbpassword", "service",
                                           "dmpcompressed", "charset", "Prefix", "Suffix"};
    bool leftOut = false;
    for (const char* n : kLeftOut) leftOut = leftOut || SameText(item->KeyName(), n);
    if (!leftOut) lines.emplace_back(item->KeyName(), Expand(item->KeyValue(), display));
  }
  const std::pair<const char*, const std::string*> files[] = {
      {"file", &names.Dmp}, {"log", &names.Log}, {"parfile", &names.Par}};
  for (const auto& [name, value] : files) {
    auto it = lines.begin();
    while (it != lines.end() && !SameText(it->first, name)) ++it;
    if (value->empty()) {
      if (it != lines.end()) lines.erase(it);
    } else if (it != lines.end()) {
      it->second = *value;
    } else {
      lines.emplace_back(name, *value);
    }
  }
  for (const auto& line : lines)
    if (SameText(line.first, "parfile")) return {line};
  return lines;
}

TOracleCommand TOracleScheme::Compose(const FileNameSet& files, bool display) {
  TOracleCommand cmd;
  cmd.Program = Expand(ParamValue("cmdfilename"), display);
  const std::string user = Expand(ParamValue("dbusername"), display);
  const std::string password = Expand(ParamValue("dbpassword"), display);
  std::string login = user + "/" + password;
  cmd.PasswordAt = user.size() + 1;
  cmd.PasswordLength = password.size();
  const std::string service = Expand(ParamValue("service"), display);
  if (!service.empty()) login += "@" + service;
  cmd.Args.push_back(std::move(login));
  for (const auto& [name, value] : CommandParams(files, display)) cmd.Args.push_back(name + "=" + value);
  return cmd;
}

TOracleCommand TOracleScheme::BuildCommand(const std::string& tempLog) {
  TOracleCommand cmd = Compose({DmpFile, LogFile, ParFile}, false);
  if (!tempLog.empty()) cmd.Args.push_back("log=" + tempLog);
  return cmd;
}

namespace {

// The arguments as the kept and shown lines write them, the password masked.
std::string JoinedArgs(const TOracleCommand& command) {
  std::string line;
  for (size_t i = 0; i < command.Args.size(); ++i) {
    std::string arg = command.Args[i];
    if (i == 0 && command.PasswordLength > 0 && command.PasswordAt + command.PasswordLength <= arg.size())
      arg.replace(command.PasswordAt, command.PasswordLength,
                  Masked(std::string_view(arg).substr(command.PasswordAt, command.PasswordLength)));
    if (i > 0) line += ' ';
    line += ShownArg(arg, i > 0);
  }
  return line;
}

}  // namespace

std::string TOracleScheme::RecordedCommandLine(const TOracleCommand& command) const {
  return "\"" + command.Program + "\"  " + JoinedArgs(command);
}

std::string TOracleScheme::BuildCommandLine() {
  std::optional<FileNameSet> files;
  {
    plat::MutexLock lock(DataLock());
    files = runFiles_;
  }
  // Not running (or not yet this far): the names a run would take now, nothing created.
  if (!files) files = FileNames(true, false);
  return "\"" + Expand(ParamValue("cmdfilename"), true) + "\" " + JoinedArgs(Compose(*files, true));
}

// ---- scripts ----------------------------------------------------------------------------------

bool TOracleScheme::RunSQLScript(std::string_view name) {
  const TItemDescription* item = FindParam(name);
  if (!item || item->KeyValue().empty() || !CurLog) return true;
  // A run asked to end runs no further script.
  if (CancelCode() != 0) return false;
  CurLog->AddResult("Process SQL script...");
  try {
    const auto& session = Context().oracleSession;
    if (!session) throw std::runtime_error("No database session");
    session->RunScript({GetLoginValue(0), GetLoginValue(1), GetLoginValue(2)}, item->KeyValue(),
                       [this](std::function<void()> breaker) { SetBreaker(std::move(breaker)); });
    CurLog->AddResult("OK");
    CurLog->AddResult("\r\n");
    return true;
  } catch (const std::exception& e) {
    if (CancelCode() != 0) {
      // Broken off by the terminate (or the close): the run ends as a terminated program's.
      RecordCancel();
      return false;
    }
    std::string msg = e.what();
    // A driver may quote the connect string back; the password stays out of the record.
    const std::string password = GetLoginValue(1);
    if (!password.empty())
      for (size_t p = msg.find(password); p != std::string::npos; p = msg.find(password, p + 1))
        msg.replace(p, password.size(), Masked(password));
    CurLog->AddResult("Failed");
    CurLog->AddResult("\r\n");
    CurLog->AddResult(msg);
    CurLog->AddResult("\r\n");
    // The run did not do all it was asked to: no success, and the record's errors say which step.
    CurLog->IsSucceed = false;
    if (!CurLog->ErrorMsgs.empty()) CurLog->ErrorMsgs += "\r\n";
    CurLog->ErrorMsgs += ParamCaption(name) + ": " + msg;
    return false;
  }
}

void TOracleScheme::ReadTargetCharset(const std::shared_ptr<TOracleSession>& session) {
  if (AllowCharset() || !session) return;
  std::string name;
  unsigned id = 0;
  if (!session->ReadDatabaseCharset({GetLoginValue(0), GetLoginValue(1), GetLoginValue(2)}, name, id)) return;
  TargetCharset = std::move(name);
  TargetCharsetId = static_cast<uint16_t>(id);
}

// ---- the run ----------------------------------------------------------------------------------

int TOracleScheme::RunProgram(const TOracleCommand& command) {
  plat::SpawnOptions opt;
  opt.program = command.Program;
  opt.args = command.Args;
  if (auto nls = ChildNlsLang()) opt.extraEnv.push_back(*nls);
  return RunChild(std::move(opt));
}

bool TOracleScheme::DoRun() {
  if (!CurLog) return false;
  const bool prefixDone = RunSQLScript("Prefix");
  bool ok = false;
  plat::TempFile tempLogFile;
  try {
    CurLog->AddResult("Run Scripts...");
    std::string tempLog;
    // Made exclusively in the program's private folder: no other program can guess or plant it.
    if (LogFile.empty()) {
      tempLogFile = CreateWorkFile(kTempLogPrefix, kTempLogSuffix);
      tempLog = tempLogFile.path();
    }
    const TOracleCommand cmd = BuildCommand(tempLog);
    CurLog->RunScripts = RecordedCommandLine(cmd);
    CurLog->ExitCode = RunProgram(cmd);
    ok = CurLog->ExitCode != plat::kExitStartFailed;
    // A program that could not start has said why (RunProgram); any other exit but 0 is a
    // failure too, and the record says so.
    CurLog->IsSucceed = CurLog->ExitCode == 0 && prefixDone;
    if (ok) CurLog->AddResult(RunResultText(CurLog->ExitCode) + "\r\n");
    std::error_code ec;
    if (!LogFile.empty()) {
      CurLog->AddResult("Log file:" + LogFile + "\r\n");
    } else if (fs::exists(tempLog, ec)) {
      CurLog->AddResult(TakeRunLog(tempLog, ProgramBaseName()) + "\r\n");
    }
  } catch (const std::exception& e) {
    CurLog->AddError(e.what());
  }
  tempLogFile.Remove();
  RunSQLScript("Suffix");
  return ok;
}

bool TOracleExportScheme::DoRun() {
  const bool ok = TOracleScheme::DoRun();
  std::error_code ec;
  if (CompressDmp() && !DmpFile.empty() && fs::is_regular_file(DmpFile, ec)) {
    // Whatever stops the compression, the dump stays as exp wrote it, and the run is no success.
    try {
      olv::CompressFileInPlace(DmpFile, [this] { return CancelCode() != 0; });
    } catch (const olv::ECancelled&) {
      if (CurLog) RecordCancel();
    } catch (const std::exception& e) {
      if (CurLog) {
        CurLog->IsSucceed = false;
        CurLog->AddResult(std::string("Compress failed") + "\r\n" + e.what() + "\r\n");
      }
    }
  }
  return ok;
}

bool TOracleImportScheme::DoRun() {
  if (!CurLog) return false;
  const std::string own = DmpFile;
  std::error_code ec;
  plat::TempFile expanded;
  if (!own.empty() && olv::IsCompressedFile(own)) {
    CurLog->AddResult("UnCompress:" + own + "...");
    std::string reason;
    try {
      // Expanded into the work file itself, never renamed over it: the file keeps its lock while
      // imp reads it, so another instance's start-up does not take it for a dead run's leftover.
      expanded = CreateWorkFile(kExpandedDumpPrefix);
      olv::PosixFile out = olv::PosixFile::Adopt(expanded.fd(), expanded.path());
      expanded.ReleaseDescriptor();
      if (!olv::DecompressFileTo(own, out, [this] { return CancelCode() != 0; }))
        reason = "The file is no longer compressed";
      else
        out.close();
    } catch (const olv::ECancelled&) {
      // Terminated during the expansion: imp is never started. The run is over as a terminated
      // program's is (not due again), and no success.
      expanded.Remove();
      CurLog->AddResult("\r\n");
      RecordCancel();
      return true;
    } catch (const std::exception& e) {
      reason = e.what();
    }
    if (!reason.empty()) {
      // imp must not read a partial expansion, nor the compressed file as if it were a dump.
      expanded.Remove();
      CurLog->AddResult(std::string("Failed") + "\r\n" + reason + "\r\n");
      return false;
    }
    DmpFile = expanded.path();
    CurLog->AddResult(std::string("OK") + "\r\n");
  }
  bool ok;
  if (!AllowCharset() && !TargetCharset.empty()) {
    CurLog->AddResult(std::string("Adjuest CharSet...") + "\r\n");
    const uint16_t kept = ReadDmpCharsetId(DmpFile);
    const bool written = WriteDmpCharsetId(DmpFile, TargetCharsetId);
    ok = TOracleScheme::DoRun();
    CurLog->AddResult(std::string("Restor CharSet...") + "\r\n");
    if (written) WriteDmpCharsetId(DmpFile, kept);
  } else {
    ok = TOracleScheme::DoRun();
  }
  if (DmpFile != own) {
    expanded.Remove();
    DmpFile = own;
  }
  return ok;
}

void TOracleScheme::RecordCancel() {
  CurLog->ExitCode = CancelCode();
  CurLog->IsSucceed = false;
  CurLog->AddResult(RunResultText(CurLog->ExitCode) + "\r\n");
}

// ---- dump files -------------------------------------------------------------------------------

uint16_t TOracleScheme::ReadDmpCharsetId(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  unsigned char b[3] = {};
  const ssize_t n = ::pread(fd, b, 3, 0);
  ::close(fd);
  if (n != 3) return 0;
  return static_cast<uint16_t>((b[1] << 8) | b[2]);
}

bool TOracleScheme::WriteDmpCharsetId(const std::string& fileName, uint16_t id) {
  // The id lives in the dump's own bytes; in a compressed dump those bytes are the header.
  if (olv::IsCompressedFile(fileName)) return false;
  const int fd = ::open(fileName.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st{};
  bool ok = ::fstat(fd, &st) == 0 && st.st_size >= 3;
  if (ok) {
    const unsigned char b[2] = {static_cast<unsigned char>(id >> 8), static_cast<unsigned char>(id & 0xff)};
    ok = ::pwrite(fd, b, 2, 1) == 2;
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

std::vector<std::string> TOracleScheme::OldRunFiles(std::string_view line) {
  std::vector<std::string> files;
  for (std::string_view name : {"file", "log"})
    if (auto value = RecordedValue(line, name)) files.push_back(std::move(*value));
  return files;
}

std::vector<std::string> TOracleExportScheme::FilesOfDroppedRecords() const {
  std::vector<std::string> files;
  const int keep = RemainCount < 0 ? 0 : RemainCount;
  for (int i = 0; i < LogCount() - keep; ++i) {
    const TSchemeLog* rec = GetLog(i);
    if (!rec) continue;
    for (auto& f : OldRunFiles(rec->RunScripts)) files.push_back(std::move(f));
  }
  return files;
}

void TOracleExportScheme::BeforeRun() {
  std::vector<std::string> files;
  {
    plat::MutexLock lock(DataLock());
    if (AutoClearLogs && DelDmpFile) {
      if (RemainCount < 0) RemainCount = 0;
      files = FilesOfDroppedRecords();
    }
  }
  std::error_code ec;
  for (const auto& f : files)
    if (fs::is_regular_file(f, ec)) fs::remove(f, ec);
  TOracleScheme::BeforeRun();
}

void TOracleScheme::BeforeRun() {
  TSchemeObject::BeforeRun();
  PrepareFileNames();
}

void TOracleScheme::AfterRun() {
  {
    plat::MutexLock lock(DataLock());
    runFiles_.reset();
  }
  TSchemeObject::AfterRun();
}

bool TOracleScheme::EditParam(int index, SchemeEditor& editor) {
  TItemDescription* item = GetParam(index);
  if (!item || (item->DlgType != dtOracleUser && item->DlgType != dtOracleTable)) return TSchemeObject::EditParam(index, editor);
  std::optional<std::string> picked = editor.PickOracleObjects(*this, item->DlgType == dtOracleTable, item->KeyValue());
  if (!picked) return false;
  item->SetKeyValue(*picked);
  return true;
}

}  // namespace sch
