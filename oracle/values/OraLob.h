#pragma once
// TOraLob: the value of a BLOB or CLOB column, parameter or object attribute: a TBlob that also
// holds a LOB locator and the service context through which it is used. Two modes:
//   cached (GetCached true, the default): the content lives in the blob's pieces on the client
//     and moves to and from the server as a whole (ReadLob, WriteLob; pieces of PieceSize bytes,
//     offsets counted from 1 as the server counts them);
//   direct: Read and SaveToStream go straight to the server through the locator and the pieces
//     stay empty. Writing (Write, LoadFromStream) always switches to cached mode.
// The caching flag is this class's own; TBlob::Cached() is the rollback mode and independent.
// NeedsRead marks content that is on the server and not yet in the pieces (set by the fetch):
// CheckValue then reads it, Size asks the server for its length without reading.
//
// TOraFile: the same for BFILE and CFILE values, a read-only LOB in a server file, with a file
// locator it always allocates itself, and Open, Close and Exists (a missing directory or file,
// Oracle error 22285, does not exist).
//
// Ownership: shared objects (released, never deleted). An allocated locator is owned and freed
// with the object; one given by SetOCILobLocator is not. Client-library calls go through the
// entry-point table, checked on hOCIError; they take no connection lock. One thread at a time.
#include <cstdint>
#include <string>

#include "dataaccess/Blob.h"
#include "oracle/client/OciTypes.h"

namespace ora {

class TOraLob : public da::TBlob {
 public:
  explicit TOraLob(OCISvcCtx* svc);

  void CheckValue() override;
  std::uint32_t Size() override;
  std::uint32_t Read(std::uint32_t position, std::uint32_t count, void* destination) override;
  void Write(std::uint32_t position, std::uint32_t count, const void* source) override;
  void LoadFromStream(da::TStream& stream) override;
  // Direct mode writes at the stream's position and leaves what the stream held before it.
  void SaveToStream(da::TStream& stream) override;

  // The service context, and the environment read from it.
  void SetOCISvcCtx(OCISvcCtx* svc);
  OCISvcCtx* GetOCISvcCtx() const { return svc_; }
  void AllocLob();
  void FreeLob();
  OCILobLocator* GetOCILobLocator();      // allocated when missing
  OCILobLocator** GetOCILobLocatorPtr();  // the same, for binds and defines that write a locator
  void SetOCILobLocator(OCILobLocator* locator);  // not owned

  // "Cannot disable lob caching. Lob is not empty." when turning caching off on content.
  void SetCached(bool value);
  bool GetCached() const { return caching_; }
  bool GetNeedsRead() const { return needsRead_; }
  void SetNeedsRead(bool value) { needsRead_ = value; }
  // Content written into the pieces that the locator's LOB does not hold yet (set by whoever
  // writes it, as a record store does for an object's attribute); reading the LOB, writing it and
  // clearing it for a NULL value end it.
  bool GetModified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }

  bool IsInit();
  std::uint32_t LengthLob();  // the server's length; 0 for a locator that is not initialised
  void ReadLob();             // the server content into the pieces
  void WriteLob();            // the pieces onto the server, trimmed to 0 first
  // A fresh temporary LOB of the session: OCI_TEMP_BLOB or OCI_TEMP_CLOB.
  void CreateTemporary(std::uint8_t lobType);

  void CheckAlloc();    // "Lob is not allocated"
  void CheckSession();  // "OCISvcCtx is not defined"
  void CheckInit();     // "Lob locator should be inited"
  std::uint8_t GetCharsetForm();

 protected:
  TOraLob(OCISvcCtx* svc, ub4 descriptorType);
  ~TOraLob() override;
  OCIEnv* Environment() const;

  OCILobLocator* locator_ = nullptr;

 private:
  // One read from the server at position (0-based), with the checks already made.
  std::uint32_t ReadDirect(std::uint32_t position, std::uint32_t count, void* destination, std::uint8_t form);

  const ub4 descriptorType_;  // OCI_DTYPE_LOB or OCI_DTYPE_FILE
  OCISvcCtx* svc_ = nullptr;
  OCIEnv* env_ = nullptr;
  bool ownLocator_ = false;
  bool caching_ = true;
  std::uint8_t charsetForm_ = 0;  // 0 not known yet
  bool needsRead_ = false;
  bool modified_ = false;
};

class TOraFile : public TOraLob {
 public:
  explicit TOraFile(OCISvcCtx* svc);

  // Reads the content when it is still on the server and the file exists; a file that does not
  // exist is an empty value.
  void CheckValue() override;
  void Commit() override {}
  void Cancel() override {}

  void Open();
  void Close();
  bool Exists();
  std::string GetFileDir();
  std::string GetFileName();

 protected:
  ~TOraFile() override = default;
};

}  // namespace ora
