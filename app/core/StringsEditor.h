#pragma once
// The SQL script editor ("SQL Script Editor", EditStrings) without a window: the script being
// edited, loading it from a file and saving it to one, and running it on the database session.
// The window (app/gui/StrEditor) shows the text in a memo and calls these for its buttons; the
// schemes' text parameters ("Prefix", "Suffix", "params") reach it through the parameter's edit
// button, with the scheme's parameters registered as macros while it is open.
//
// Ownership: the model keeps its own copy of the text and shares the session. Threads: the
// thread of the window that shows it (the main thread).
#include <memory>
#include <string>
#include <string_view>

namespace sch {

class TOracleSession;

inline constexpr const char* kStringsEditorCaption = "SQL Script Editor";
inline constexpr const char* kSqlFileFilter = "SQL( *.SQL)|*.sql|All files( *.*)|*.*";
inline constexpr const char* kSqlFileExt = "sql";
// Scripts loaded into the editor are refused beyond this size.
inline constexpr size_t kMaxScriptFileSize = size_t{16} << 20;

class TStringsEditorModel {
 public:
  // text: the lines to edit, as a string list's text; session: where "Execute" runs (null: none).
  TStringsEditorModel(std::string_view text, std::shared_ptr<TOracleSession> session);

  // The memo's text: the lines, a line end between them.
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  // What "Ok" writes back: the memo's lines, each followed by a line end (a string list's text).
  std::string Lines() const;

  // "Execute" is offered only while the session is connected.
  bool CanExecute() const;
  // Runs the memo's text on the session (macros expand there, through the current list). Raises
  // olv::Exception "Failed!\r\n" followed by the session's message.
  void Execute();
  // "Load": the memo's text becomes the file's lines. Raises when the file cannot be read or is
  // larger than kMaxScriptFileSize (the text stays as it was).
  void LoadFrom(const std::string& fileName);
  // "Save": the memo's lines into the file, replaced atomically. Raises on failure (the old file
  // stays).
  void SaveTo(const std::string& fileName) const;

 private:
  std::string text_;
  std::shared_ptr<TOracleSession> session_;
};

}  // namespace sch
