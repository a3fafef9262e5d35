#pragma once
// The character-set tool ("Oracle character set selector") without a window: the client's and
// the database's character set, the database's valid sets, changing the client's NLS_LANG, and
// rewriting the character-set id of a dump file. The window (app/gui) shows the fields and calls
// these for its buttons; every command raises olv::Exception with the text the window shows in
// an error box, or returns the text of its message box.
//
// NLS_LANG is the settings store's (the client's home key), never the program's environment:
// the data module takes it on its next connection. "Test" puts the previous NLS_LANG back
// whatever happened; "Set" keeps the new one even when the connection fails with it, and says so.
// A compressed dump's id is never written (its header holds the compression's bytes).
//
// Ownership: the model keeps a reference to the session (which outlives it) and the settings
// store. Threads: the main thread; the main data module is used under the session's lock.
#include <string>
#include <vector>

#include "app/core/OracleClient.h"

namespace plat {
class Registry;
}

namespace sch {

class TDMSession;

inline constexpr const char* kCharsetSelectorCaption = "Oracle character set selector";
inline constexpr const char* kDmpFileFilter = "Dmp files(*.dmp)|*.dmp|All Files(*.*)|*.*";
inline constexpr const char* kSelectCharsetFirst = "Please select one in the charset list.";
// Our own text: "Test" and "Set" with no Oracle home in the settings store.
inline constexpr const char* kNoClientHome = "No Oracle client home is known in the settings.";

class TOraCharsetModel {
 public:
  // Detects the client in registry; the link fields take the given login.
  TOraCharsetModel(TDMSession& session, plat::Registry& registry, std::string user, std::string password,
                   std::string service);

  // Link infos.
  std::string Username, Password, Service;

  // "Client character set": the client detected (at creation, again after "Set").
  const TOracleClient& Client() const { return client_; }
  // "Database character set" and the "Character set list", as the last Refresh left them.
  const std::string& DatabaseCharset() const { return databaseCharset_; }
  const std::vector<std::string>& Charsets() const { return charsets_; }

  // "Connect": the main data module connected with the link fields (raises on failure), then
  // Refresh.
  void Connect();
  // "Refresh": the database's character set and its valid sets.
  void Refresh();

  // Selecting an entry of the list (-1: none): its name becomes the selected set.
  void Select(int index);
  const std::string& SelectedCharset() const { return selected_; }

  // "Export file": the dump whose id is shown (SourceCharset) and converted; "Target file": where
  // the converted dump goes. Setting the export file reads its id when it names a file.
  void SetExportFile(const std::string& fileName);
  const std::string& ExportFile() const { return exportFile_; }
  std::string TargetFile;
  // The source label: the name of the export file's id ("" when unknown or compressed).
  const std::string& SourceCharset() const { return sourceCharset_; }
  // "Select": the chosen dump becomes both the export and the target file.
  void ChooseDump(const std::string& fileName);

  // "Convert": the selected set's id written into the target (a copy of the export file when
  // the target differs). Returns "OK".
  std::string Convert();
  // "Test" and "Set": the client's character set tried or set; the text to show. Both raise when
  // nothing is selected or no client home is known.
  std::string Test();
  std::string Set();

 private:
  // NLS_LANG := Language.name and the main module connected again; true when that worked. When
  // testOnly, NLS_LANG is put back and the module connected again as before, whatever happened.
  bool SetClientCharset(const std::string& name, bool testOnly, std::string* error);
  const std::string& RequireSelected() const;

  TDMSession& session_;
  plat::Registry& registry_;
  TOracleClient client_;
  std::string databaseCharset_;
  std::vector<std::string> charsets_;
  std::string selected_;
  std::string exportFile_;
  std::string sourceCharset_;
};

}  // namespace sch
