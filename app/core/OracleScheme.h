#pragma once
// The Oracle kinds of scheme: TOracleScheme (their common base) and its two kinds, the export
// (kind 1) and the import (kind 2). They add nothing to the scheme file: their extra fields
// describe the Oracle client found on this machine and the file names of the current run.
//
// The program is started without a shell: BuildCommand gives the argument vector actually
// spawned, BuildCommandLine the same as one display text. The database password goes only into
// the argument vector; every text that is kept (run records, logs, the display line of a scheme
// that is not running) shows it masked.
//
// The client character set is switched for a run by NLS_LANG in the child's environment only
// (ChildNlsLang); the program's own environment and the settings store are left alone.
//
// Threads: as TSchemeObject. The Read/WriteDmpCharsetId and OldRunFiles helpers are pure and
// may be called from any thread.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/SchemeObject.h"

namespace plat {
class Registry;
}

namespace sch {

class TOracleSession;

// The program and its arguments as spawned (argv[0] is the program).
struct TOracleCommand {
  std::string Program;
  std::vector<std::string> Args;
  // Where the password (macros expanded) stands in Args[0], so the kept line can mask it.
  size_t PasswordAt = 0;
  size_t PasswordLength = 0;
};

class TOracleScheme : public TSchemeObject {
  OLV_CLASS(TOracleScheme, TSchemeObject)
 public:
  // Detects the Oracle client (DetectOracleClient) so that the default programs the kinds'
  // BuildParamList gives have a home.
  TOracleScheme();

  // The Oracle client: the registry key of its home, its folder, and the two halves of its
  // NLS_LANG (language before the ".", character set after it).
  std::string HomeKey, OracleHome, CharSet, Language;
  // Expanded file names of the current or next run.
  std::string LogFile, DmpFile, ParFile;
  // The database character set, read before each run.
  uint16_t TargetCharsetId = 0;
  std::string TargetCharset;

  // The common parameters; the kinds append theirs after them.
  void BuildParamList() override;
  // The program named by "cmdfilename" exists and "dbusername" is not empty.
  bool IsValid() override;
  // The display line: the program in double quotes, user/password[@service], then the
  // parameter file alone or every non-empty NAME=value. The password is masked unless the
  // scheme is running. Unless running, the run's file names are prepared first. Macros are
  // expanded in every part (ExpandMacros: the run's list while running).
  std::string BuildCommandLine() override;
  // The argument vector of the same line, the password in clear. Each part is expanded once:
  // the program, user, password, service and values here, the file names when they are
  // prepared. tempLog, when not empty, is added as log=tempLog (the run's temporary log when
  // no log is named).
  TOracleCommand BuildCommand(const std::string& tempLog = {});
  // The line as kept in a run record: the argument vector joined, the program in double
  // quotes, the password masked.
  std::string RecordedCommandLine(const TOracleCommand& command) const;

  // DmpFile, LogFile and ParFile from "file", "log" and "parfile": macros and date macros
  // expanded (ExpandFileName), a name that no file has yet, the folder created while the
  // scheme is running. The import keeps its dump's name.
  virtual void PrepareFileNames();
  // "<home>/bin/exp" or "<home>/bin/imp" when it exists, else the bare name found on PATH,
  // else "<home>/bin/<name>".
  virtual std::string GetDefaultExe();
  // The client of the settings store's last Oracle home (Registry::Default unless given).
  virtual void DetectOracleClient();
  void DetectOracleClient(plat::Registry& registry);

  // The frame's BeforeRun, then the run's file names.
  void BeforeRun() override;

  // The upper-cased "charset" / "dmpcompressed" contains "YES".
  bool AllowCharset() const;
  bool CompressDmp() const;
  // 0: "dbusername", 1: "dbpassword", 2: "service"; other indexes: empty.
  std::string GetLoginValue(int index) const;

  // The NLS_LANG entry for the child ("NLS_LANG=<Language>.<TargetCharset>") when the run is to
  // switch the client character set: charset switching asked for (AllowCharset false, as the
  // stored schemes mean it), a target known and different from CharSet regardless of case.
  std::optional<std::string> ChildNlsLang() const;

  // On the start notice of a run (main thread, the run waiting): when the client character set
  // is to be switched (AllowCharset false), TargetCharset and TargetCharsetId from the
  // database through session. No session or an error leaves both as they were; never raises.
  void ReadTargetCharset(const std::shared_ptr<TOracleSession>& session);

  // "Prefix" or "Suffix": when the parameter holds a script, runs it on the run context's
  // session and notes "Process SQL script...OK" or "Failed" and the message in CurLog. Never
  // raises.
  void RunSQLScript(std::string_view name);

  // The run step shared by both kinds, on a scheme claimed for the run with CurLog set: the
  // prefix script, the program (its record line with the password masked, a temporary log
  // when none is named, NLS_LANG for the child when switching), the result text and the log,
  // the suffix script. True when the program could be started.
  bool DoRun() override;

  // The character-set id of a dump: the big-endian number in bytes 1 and 2. A missing or too
  // short file reads 0. Writing refuses (false) a missing, too short or compressed file, so a
  // compressed dump's header is never damaged.
  static uint16_t ReadDmpCharsetId(const std::string& fileName);
  static bool WriteDmpCharsetId(const std::string& fileName, uint16_t id);

  // The values of the whole parameters "file=" and "log=" (any letter case of the name, the
  // value as written, up to the next blank) in a recorded command line; "parfile=" is not
  // "file=". Missing ones are left out.
  static std::vector<std::string> OldRunFiles(std::string_view commandLine);

 protected:
  // "exp" or "imp".
  virtual std::string ProgramBaseName() const { return {}; }
  // The lines remaining for the command line (step 1 to 7): NAME, value.
  std::vector<std::pair<std::string, std::string>> CommandParams();
  bool Running() const { return State.load() == ssRunning; }
  // Starts the program in its own process group, listed in Processes(), and waits for it; the
  // child is the scheme's process meanwhile (SetProcess), so the terminate commands and the
  // application's shutdown reach it.
  virtual int RunProgram(const TOracleCommand& command);
};

class TOracleExportScheme : public TOracleScheme {
  OLV_CLASS(TOracleExportScheme, TOracleScheme)
 public:
  TOracleExportScheme() = default;
  void BuildParamList() override;
  // With AutoClearLogs and DelDmpFile: deletes the dump and log files of the records the
  // trimming is about to drop; then the file names of the run.
  void BeforeRun() override;
  // The run step, then the dump compressed in place when asked for, whatever the result.
  bool DoRun() override;
  // The files of the oldest LogCount - max(RemainCount, 0) records.
  std::vector<std::string> FilesOfDroppedRecords() const;

 protected:
  std::string ProgramBaseName() const override { return "exp"; }
};

class TOracleImportScheme : public TOracleScheme {
  OLV_CLASS(TOracleImportScheme, TOracleScheme)
 public:
  TOracleImportScheme() = default;
  void BuildParamList() override;
  // Adds that the dump named by "file" exists.
  bool IsValid() override;
  void PrepareFileNames() override;
  // A compressed dump is expanded into a temporary file first (when that fails, imp is not
  // started); when switching character sets, the dump's id is set to TargetCharsetId for the
  // run and put back afterwards. The temporary file is removed and DmpFile restored.
  bool DoRun() override;

 protected:
  std::string ProgramBaseName() const override { return "imp"; }
};

}  // namespace sch
