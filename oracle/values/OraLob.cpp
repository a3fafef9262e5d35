#include "oracle/values/OraLob.h"

#include <algorithm>
#include <vector>

#include "oracle/client/OraCall.h"
#include "oracle/OraConsts.h"

namespace ora {

namespace {

void CheckLob(sword status) { Check(status, hOCIError); }

}  // namespace

TOraLob::TOraLob(OCISvcCtx* svc) : TOraLob(svc, OCI_DTYPE_LOB) {}

TOraLob::TOraLob(OCISvcCtx* svc, ub4 descriptorType) : descriptorType_(descriptorType) { SetOCISvcCtx(svc); }

TOraLob::~TOraLob() {
  try {
    FreeLob();
  } catch (...) {
    // The library is gone (unloaded first): nothing is left to free.
  }
}

OCIEnv* TOraLob::Environment() const { return env_ ? env_ : hOCIEnv; }

void TOraLob::SetOCISvcCtx(OCISvcCtx* svc) {
  svc_ = svc;
  if (svc) CheckLob(OCIAttrGet(svc, OCI_HTYPE_SVCCTX, &env_, nullptr, OCI_ATTR_ENV, hOCIError));
}

void TOraLob::AllocLob() {
  if (locator_) return;
  if (!OCIInited) OCIInit();
  void* locator = nullptr;
  CheckLob(OCIDescriptorAlloc(Environment(), &locator, descriptorType_, 0, nullptr));
  locator_ = static_cast<OCILobLocator*>(locator);
  ownLocator_ = true;
  if (descriptorType_ == OCI_DTYPE_LOB) {
    ub4 empty = 0;
    CheckLob(OCIAttrSet(locator_, OCI_DTYPE_LOB, &empty, 0, OCI_ATTR_LOBEMPTY, hOCIError));
  }
}

void TOraLob::FreeLob() {
  if (!locator_) return;
  OCILobLocator* locator = locator_;
  const bool own = ownLocator_;
  locator_ = nullptr;
  charsetForm_ = 0;
  ownLocator_ = false;
  if (own) OCIDescriptorFree(locator, descriptorType_);
}

OCILobLocator* TOraLob::GetOCILobLocator() {
  AllocLob();
  return locator_;
}

OCILobLocator** TOraLob::GetOCILobLocatorPtr() {
  AllocLob();
  return &locator_;
}

void TOraLob::SetOCILobLocator(OCILobLocator* locator) {
  FreeLob();
  locator_ = locator;
}

void TOraLob::SetCached(bool value) {
  if (value == caching_) return;
  if (!value && GetFirstPiece()) RaiseError(SCannotDisableLobCache);
  caching_ = value;
}

void TOraLob::CheckAlloc() {
  if (!locator_) RaiseError(SLobNotAllocated);
}

void TOraLob::CheckSession() {
  if (!svc_) RaiseError(SSvcCtxNotDefined);
}

void TOraLob::CheckInit() {
  if (!IsInit()) RaiseError(SLobNotInited);
}

bool TOraLob::IsInit() {
  CheckAlloc();
  boolean flag = 0;
  CheckLob(OCILobLocatorIsInit(Environment(), hOCIError, locator_, &flag));
  return flag != 0;
}

std::uint8_t TOraLob::GetCharsetForm() {
  if (charsetForm_ == 0) CheckLob(OCILobCharSetForm(Environment(), hOCIError, locator_, &charsetForm_));
  return charsetForm_;
}

std::uint32_t TOraLob::LengthLob() {
  CheckAlloc();
  CheckSession();
  ub4 length = 0;
  if (IsInit()) CheckLob(OCILobGetLength(svc_, hOCIError, locator_, &length));
  if (length == 0) needsRead_ = false;
  return length;
}

namespace {

[[noreturn]] void ReportedTooLong(std::uint32_t amount, std::uint32_t room) {
  RaiseError("The client library reported a LOB piece of " + std::to_string(amount) + " bytes in " +
             std::to_string(room) + " bytes of room");
}

}  // namespace

void TOraLob::ReadLob() {
  CheckAlloc();
  CheckSession();
  Clear();
  if (IsInit() && LengthLob() > 0) {
    const std::uint8_t form = GetCharsetForm();
    const ub4 pieceSize = std::max<std::uint32_t>(PieceSize, 1);
    ub4 offset = 1;  // the server counts from 1
    for (;;) {
      da::TPieceHeader* piece = nullptr;
      AllocPiece(piece, pieceSize);
      ub4 amount = pieceSize;
      try {
        CheckLob(OCILobRead(svc_, hOCIError, locator_, &amount, offset, PieceData(piece), pieceSize, nullptr, nullptr,
                            0, form));
      } catch (...) {
        FreePiece(piece);
        throw;
      }
      if (amount == 0) {
        FreePiece(piece);
        break;
      }
      if (amount > pieceSize) {
        // More than the piece holds: the value is not what was read, so it is not kept as read.
        FreePiece(piece);
        Clear();
        ReportedTooLong(amount, pieceSize);
      }
      piece->Used = std::min(amount, pieceSize);
      AppendPiece(piece);
      offset += piece->Used;
      if (amount != pieceSize) break;  // a short piece is the last
    }
  }
  needsRead_ = false;
  modified_ = false;
}

void TOraLob::WriteLob() {
  CheckAlloc();
  CheckSession();
  CheckInit();
  const std::uint8_t form = GetCharsetForm();
  // Emptied first, so that a shorter value leaves no tail of the old one.
  CheckLob(OCILobTrim(svc_, hOCIError, locator_, 0));
  ub4 offset = 1;
  for (da::TPieceHeader* piece = GetFirstPiece(); piece; piece = piece->Next) {
    if (piece->Used == 0) continue;  // an amount of 0 would ask the server for a stream
    ub4 amount = piece->Used;
    CheckLob(OCILobWrite(svc_, hOCIError, locator_, &amount, offset, PieceData(piece), piece->Used, OCI_ONE_PIECE,
                         nullptr, nullptr, 0, form));
    offset += amount;
  }
  modified_ = false;
}

void TOraLob::CreateTemporary(std::uint8_t lobType) {
  CheckOCI81();
  FreeLob();
  AllocLob();
  CheckLob(OCILobCreateTemporary(svc_, hOCIError, locator_, 0, 0, lobType, 0, OCI_DURATION_SESSION));
  charsetForm_ = lobType == OCI_TEMP_BLOB || lobType == OCI_TEMP_CLOB ? SQLCS_IMPLICIT : SQLCS_NCHAR;
}

void TOraLob::CheckValue() {
  if (needsRead_) ReadLob();
}

std::uint32_t TOraLob::Size() { return needsRead_ ? LengthLob() : TBlob::Size(); }

std::uint32_t TOraLob::Read(std::uint32_t position, std::uint32_t count, void* destination) {
  if (caching_) return TBlob::Read(position, count, destination);
  CheckAlloc();
  CheckSession();
  if (!IsInit()) return 0;
  const std::uint8_t form = GetCharsetForm();
  if (count == 0) {  // the whole value from position on
    const std::uint32_t length = LengthLob();
    count = length > position ? length - position : 0;
    if (count == 0) return 0;
  }
  return ReadDirect(position, count, destination, form);
}

std::uint32_t TOraLob::ReadDirect(std::uint32_t position, std::uint32_t count, void* destination, std::uint8_t form) {
  ub4 amount = count;
  CheckLob(OCILobRead(svc_, hOCIError, locator_, &amount, position + 1, destination, count, nullptr, nullptr, 0, form));
  if (amount > count) ReportedTooLong(amount, count);
  return amount;
}

void TOraLob::Write(std::uint32_t position, std::uint32_t count, const void* source) {
  SetCached(true);
  TBlob::Write(position, count, source);
}

void TOraLob::LoadFromStream(da::TStream& stream) {
  SetCached(true);
  TBlob::LoadFromStream(stream);
}

void TOraLob::SaveToStream(da::TStream& stream) {
  if (caching_) return TBlob::SaveToStream(stream);
  CheckAlloc();
  CheckSession();
  if (!IsInit()) return;
  // The locator is checked once; then every piece is one call.
  const std::uint8_t form = GetCharsetForm();
  const std::uint32_t pieceSize = std::max<std::uint32_t>(PieceSize, 1);
  std::vector<char> buffer(pieceSize);
  std::uint32_t position = 0;
  std::uint32_t remaining = LengthLob();
  while (remaining != 0) {
    const std::uint32_t n = ReadDirect(position, pieceSize, buffer.data(), form);
    // A server that gives less than the length it reported would otherwise be asked forever.
    if (n == 0) break;
    stream.WriteBuffer(buffer.data(), n);
    remaining -= std::min(n, remaining);
    position += n;
  }
}

// ---- TOraFile ----

TOraFile::TOraFile(OCISvcCtx* svc) : TOraLob(svc, OCI_DTYPE_FILE) {}

void TOraFile::CheckValue() {
  if (!GetNeedsRead()) return;
  if (!Exists()) {
    // A missing directory or file reads as absent: the empty value stands, and nothing asks the
    // server for the length of a file it does not have.
    SetNeedsRead(false);
    return;
  }
  Open();
  try {
    ReadLob();
  } catch (...) {
    try {
      Close();
    } catch (...) {
    }
    throw;
  }
  Close();
}

void TOraFile::Open() {
  CheckAlloc();
  CheckSession();
  if (IsInit()) CheckLob(OCILobFileOpen(GetOCISvcCtx(), hOCIError, locator_, OCI_FILE_READONLY));
}

void TOraFile::Close() {
  CheckAlloc();
  CheckSession();
  if (IsInit()) CheckLob(OCILobFileClose(GetOCISvcCtx(), hOCIError, locator_));
}

bool TOraFile::Exists() {
  if (!locator_ || !IsInit()) return false;
  CheckSession();
  if (GetFileName().empty()) return false;
  boolean flag = 0;
  const sword status = OCILobFileExists(GetOCISvcCtx(), hOCIError, locator_, &flag);
  if (status == OCI_SUCCESS) return flag != 0;
  if (GetOraErrorCode(status, hOCIError) == 22285) return false;  // no such directory or file
  CheckLob(status);
  return false;
}

std::string TOraFile::GetFileDir() {
  if (!locator_ || !IsInit()) return {};
  OraText buffer[51];
  ub2 length = 50;
  CheckLob(OCILobFileGetName(Environment(), hOCIError, locator_, buffer, &length, nullptr, nullptr));
  return std::string(reinterpret_cast<const char*>(buffer), std::min<ub2>(length, 50));
}

std::string TOraFile::GetFileName() {
  if (!locator_ || !IsInit()) return {};
  OraText buffer[51];
  ub2 length = 50;
  CheckLob(OCILobFileGetName(Environment(), hOCIError, locator_, nullptr, nullptr, buffer, &length));
  return std::string(reinterpret_cast<const char*>(buffer), std::min<ub2>(length, 50));
}

}  // namespace ora
