#pragma once
// The Oracle kinds of scheme: TOracleScheme (their common base) and its two kinds, the export
// (kind 1) and the import (kind 2). They add nothing to the scheme file: their extra fields
// describe the Oracle client found on this machine and the file names of the current run.
//
// The program is started without a shell: BuildCommand gives the argument vector actually
// spawned, RecordedCommandLine the line kept in the run record, BuildCommandLine the line shown
// on the scheme's page. The database password goes only into the argument vector; every text
// that is kept or shown has it masked, one "*" per character. Values holding blanks are quoted
// in the kept and shown lines (QuoteRecordedValue), so a dump name with a blank survives.
//
// Only a run expands macros with their expressions; the shown line is built with DisplayText,
// which evaluates nothing, and never from the fields a run writes: while a run is on, it takes
// the run's file names from a copy the run publishes under the scheme's lock.
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
  // The line shown on the scheme's page, for any thread that may read the parameters (the
  // main thread, also while the scheme runs): the program in double quotes, a blank,
  // user/password[@service] with the password masked, then the parameter file alone or every
  // non-empty NAME=value. File names are the running run's (as it published them), else worked
  // out afresh without creating anything. References are shown with DisplayText: nothing is
  // evaluated. No field is written.
  std::string BuildCommandLine() override;
  // The argument vector of the run, the password in clear, on the running thread after
  // PrepareFileNames. Each part is expanded once (ExpandMacros): the program, user, password,
  // service and values here, the file names when they are prepared. tempLog, when not empty, is
  // added as log=tempLog (the run's temporary log when no log is named).
  TOracleCommand BuildCommand(const std::string& tempLog = {});
  // The line as kept in a run record: the program in double quotes, two blanks (the program's
  // text is cut off the line and joined again with one), the arguments with the password masked
  // and values holding blanks quoted, one blank between them.
  std::string RecordedCommandLine(const TOracleCommand& command) const;

  // DmpFile, LogFile and ParFile from "file", "log" and "parfile" (FileNames with ExpandMacros),
  // the folders created while the scheme is running; a running scheme also publishes them for
  // BuildCommandLine.
  void PrepareFileNames();
  // "<home>/bin/exp" or "<home>/bin/imp" when it exists, else the bare name found on PATH,
  // else "<home>/bin/<name>".
  virtual std::string GetDefaultExe();
  // The client of the settings store's last Oracle home (Registry::Default unless given).
  virtual void DetectOracleClient();
  void DetectOracleClient(plat::Registry& registry);

  // The frame's BeforeRun, then the run's file names.
  void BeforeRun() override;
  // The published file names are dropped, then the frame's AfterRun.
  void AfterRun() override;
  // DlgType 2 and 3: the Oracle object picker (users, tables) with the scheme's login, starting
  // from the value; the picked text becomes the value. Others: the frame's.
  bool EditParam(int index, SchemeEditor& editor) override;

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
  // session and notes "Process SQL script...OK" or "Failed" and the message in CurLog. A failed
  // script makes the run no success and is named in the record's errors ("<caption>: <message>");
  // the run goes on. A terminate breaks the script off (SetBreaker) and the record takes the
  // request's code and text (RecordCancel); once a run is asked to end, no script starts. True
  // when there was nothing to run or the script ran to its end. Never raises.
  bool RunSQLScript(std::string_view name);

  // The run step shared by both kinds, on a scheme claimed for the run with CurLog set: the
  // prefix script, the program (its record line with the password masked, a temporary log
  // when none is named, NLS_LANG for the child when switching), the result text and the log,
  // the suffix script. True when the program could be started; the record is a success only
  // when the program ended with 0 and both scripts ran to their end.
  bool DoRun() override;

  // The character-set id of a dump: the big-endian number in bytes 1 and 2. A missing or too
  // short file reads 0. Writing refuses (false) a missing, too short or compressed file, so a
  // compressed dump's header is never damaged.
  static uint16_t ReadDmpCharsetId(const std::string& fileName);
  static bool WriteDmpCharsetId(const std::string& fileName, uint16_t id);

  // The values of the arguments "file=" and "log=" (any letter case of the name) in a recorded
  // command line (RecordedValue: quoted values whole, "parfile=" is not "file="). Missing ones,
  // and those that cannot be read exactly, are left out.
  static std::vector<std::string> OldRunFiles(std::string_view commandLine);

 protected:
  // "exp" or "imp".
  virtual std::string ProgramBaseName() const { return {}; }
  // The run's file names (dump, log, parameter file).
  struct FileNameSet {
    std::string Dmp, Log, Par;
  };
  // From "file", "log" and "parfile" with expand and the date macros (ExpandFileName): each a
  // name that no file has yet, its folder created when createFolders; an empty value gives an
  // empty name. The import keeps its dump's name.
  virtual FileNameSet FileNames(bool display, bool createFolders);
  // text through ExpandMacros for a run, DisplayText for the shown line.
  std::string Expand(std::string_view text, bool display) const {
    return display ? DisplayText(text) : ExpandMacros(text);
  }
  // The program and its arguments for the given file names, the password in clear.
  TOracleCommand Compose(const FileNameSet& files, bool display);
  // The lines remaining for the command line (step 1 to 7): NAME, value.
  std::vector<std::pair<std::string, std::string>> CommandParams(const FileNameSet& files, bool display);
  bool Running() const { return State.load() == ssRunning; }
  // A terminate request stopped a step before or after the program (the dump's expansion or
  // compression): the record takes the request's code and its result text, and is no success.
  void RecordCancel();
  // Starts the program in its own process group, listed in Processes(), and waits for it; the
  // child is the scheme's process meanwhile (SetProcess), so the terminate commands and the
  // application's shutdown reach it.
  virtual int RunProgram(const TOracleCommand& command);

 private:
  // The running run's file names; none outside a run.
  std::optional<FileNameSet> runFiles_ GUARDED_BY(DataLock());
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
  // The files of the oldest LogCount - max(RemainCount, 0) records; under the scheme's lock.
  std::vector<std::string> FilesOfDroppedRecords() const REQUIRES(DataLock());

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
  // A compressed dump is expanded into a temporary file first (when that fails, imp is not
  // started); when switching character sets, the dump's id is set to TargetCharsetId for the
  // run and put back afterwards. The temporary file is removed and DmpFile restored.
  bool DoRun() override;

 protected:
  std::string ProgramBaseName() const override { return "imp"; }
  FileNameSet FileNames(bool display, bool createFolders) override;
};

}  // namespace sch
