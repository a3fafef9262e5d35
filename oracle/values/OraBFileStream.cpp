#include "oracle/values/OraBFileStream.h"

namespace ora {

TBFileStream::TBFileStream(da::TBlobStreamField& field, da::TBlobStreamMode mode, TOraFile* file)
    : da::TBlobStream(field, mode) {
  if (!Opened() || !file) return;
  if (file->GetCached()) {
    file->CheckValue();
    return;
  }
  if (!file->Exists()) {
    // Absent reads as empty, without asking the server for the length of a file it lacks.
    file->SetNeedsRead(false);
    return;
  }
  file->Open();
  file->AddRef();
  file_ = file;
  fileOpened_ = true;
}

TBFileStream::~TBFileStream() {
  if (!file_) return;
  try {
    if (fileOpened_ && !file_->GetCached()) file_->Close();
  } catch (...) {
    // A destructor cannot report; the server closes the file with the session.
  }
  file_->Release();
}

}  // namespace ora
