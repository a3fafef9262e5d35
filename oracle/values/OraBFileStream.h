#pragma once
// TBFileStream: the blob stream of a BFILE field. A file that is not cached on the client stays
// open on the server for the life of the stream, and every Read fetches only the bytes asked for
// at the stream's position; a cached file's content is read whole once, as any cached value is.
// A file that does not exist reads as empty and is not opened. The record's file is held for the
// life of the stream. One thread.
#include "dataaccess/BlobStream.h"
#include "oracle/values/OraLob.h"

namespace ora {

class TBFileStream : public da::TBlobStream {
 public:
  // file: the record's BFILE value (none: a plain blob stream).
  TBFileStream(da::TBlobStreamField& field, da::TBlobStreamMode mode, TOraFile* file);
  ~TBFileStream() override;

 private:
  TOraFile* file_ = nullptr;
  bool fileOpened_ = false;  // this stream opened the file and closes it
};

}  // namespace ora
