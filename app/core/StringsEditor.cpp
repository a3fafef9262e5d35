#include "app/core/StringsEditor.h"

#include <fstream>

#include "app/core/OracleSession.h"
#include "foundation/base/Exception.h"
#include "foundation/files/AtomicFile.h"
#include "foundation/objects/OlvStringList.h"

namespace sch {

namespace {

// The memo's text of a list's text: its lines without a line end after the last.
std::string MemoText(std::string_view listText) {
  olv::TStringList lines;
  lines.SetText(listText);
  std::string text = lines.Text();
  if (!text.empty()) text.pop_back();
  return text;
}

}  // namespace

TStringsEditorModel::TStringsEditorModel(std::string_view text, std::shared_ptr<TOracleSession> session)
    : text_(MemoText(text)), session_(std::move(session)) {}

std::string TStringsEditorModel::Lines() const {
  olv::TStringList lines;
  lines.SetText(text_);
  return lines.Text();
}

bool TStringsEditorModel::CanExecute() const { return session_ && session_->Connected(); }

void TStringsEditorModel::Execute() {
  try {
    if (!session_) throw olv::Exception("No database session");
    session_->ExecScript(text_);
  } catch (const std::exception& e) {
    throw olv::Exception(std::string("Failed!\r\n") + e.what());
  }
}

void TStringsEditorModel::LoadFrom(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw olv::Exception("Cannot open file " + fileName);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<unsigned long long>(size) > kMaxScriptFileSize)
    throw olv::Exception("The file " + fileName + " is too large for a script");
  in.seekg(0);
  std::string content(static_cast<size_t>(size), '\0');
  if (!in.read(content.data(), size)) throw olv::Exception("Cannot read file " + fileName);
  text_ = MemoText(content);
}

void TStringsEditorModel::SaveTo(const std::string& fileName) const {
  const std::string lines = Lines();
  olv::SaveFileAtomically(fileName, std::nullopt,
                     [&](olv::TStream& out) { out.WriteBuffer(lines.data(), lines.size()); });
}

}  // namespace sch
