#pragma once
// TBlob: the value of a blob or memo field, kept as a chain of pieces so that a large value grows
// without copying and can be filled piece by piece from the server. In cached mode the first
// change keeps the old value in a rollback blob, so that an edit can be cancelled (Cancel) or
// kept (Commit). The Oracle LOB classes derive from it and override the virtual operations.
//
// Ownership: a blob is a shared object (released, never deleted). It owns its pieces and its
// rollback blob. An unlinked piece (AllocPiece) belongs to whoever allocated it until it is
// appended or freed. Not thread-safe: one thread uses a blob at a time.
//
// Sizes and positions are 32-bit: a value never grows beyond 4 GB - 1 (Exception otherwise).
#include <cstdint>
#include <string>
#include <string_view>

#include "dataaccess/SharedObject.h"
#include "dataaccess/Stream.h"

namespace da {

class TBlob;

struct TPieceHeader {
  TBlob* Blob;  // the blob whose chain holds the piece, or nullptr while unlinked
  std::uint32_t Size;  // bytes of data room
  std::uint32_t Used;  // bytes of the room holding data
  TPieceHeader* Prev;
  TPieceHeader* Next;
};

class TBlob : public TSharedObject {
 public:
  static constexpr std::uint32_t kDefaultPieceSize = 65514;
  static constexpr std::uint8_t kValidFlag = 221;

  TBlob() = default;

  // The largest piece allocated when filling.
  std::uint32_t PieceSize = kDefaultPieceSize;

  virtual void CheckValue() {}
  virtual std::uint32_t Size();
  // Copies the part of [position, position + count) that lies inside the value; a count of 0 means
  // the whole value. Returns the bytes copied.
  virtual std::uint32_t Read(std::uint32_t position, std::uint32_t count, void* destination);
  // Writes count bytes at position (moved back to the size when beyond it: never a gap).
  virtual void Write(std::uint32_t position, std::uint32_t count, const void* source);
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);
  // Keeps the changes: the rollback is dropped and cached mode ends.
  virtual void Commit();
  // Undoes the changes since cached mode began: the old value comes back, cached mode ends.
  virtual void Cancel();

  void Clear();
  // Cuts the value at size (0 clears). In cached mode the first change keeps the whole old value
  // in the rollback, also when that change is a cut: the blob keeps its head, and a cancel gives
  // the old value back whole.
  void Truncate(std::uint32_t size);
  // Gives back the spare room of every piece; empty pieces go.
  void Compress();
  std::string GetAsString();
  void SetAsString(std::string_view text);

  void EnableCache() { cached_ = true; }
  bool Cached() const { return cached_; }
  TBlob* Rollback() const { return rollback_; }
  // Moves the whole chain into a new rollback blob, leaving this blob empty. Cached mode only.
  void SaveRollback();
  // Hands the rollback blob (with its reference) to the caller; the blob keeps its current value
  // and stays in cached mode. nullptr when there is none.
  TBlob* TakeRollback() {
    TBlob* old = rollback_;
    rollback_ = nullptr;
    return old;
  }

  // Piece handling for filling a value piecewise.
  void AllocPiece(TPieceHeader*& piece, std::uint32_t size);
  void ReallocPiece(TPieceHeader*& piece, std::uint32_t size);  // shrink; size 0 frees
  void FreePiece(TPieceHeader* piece);
  void AppendPiece(TPieceHeader* piece);
  void DeletePiece(TPieceHeader* piece);
  TPieceHeader* GetFirstPiece() const { return firstPiece_; }
  static char* PieceData(TPieceHeader* piece) {
    return piece ? reinterpret_cast<char*>(piece) + sizeof(TPieceHeader) : nullptr;
  }
  static std::uint32_t* PieceUsedPtr(TPieceHeader* piece) { return piece ? &piece->Used : nullptr; }
  int PieceCount() const;

  // Line-end conversion of the whole value: lone LF to CR LF, and CR LF to LF. A CR ending one
  // piece and an LF beginning the next are one pair.
  void ExpandLineBreaks();
  void CollapseLineBreaks();

  bool IsValid() const { return flag_ == kValidFlag; }

 protected:
  ~TBlob() override;
  void CheckValid() const;

 private:
  void FreePieces();
  // Takes the whole chain out of the blob (the blob is empty afterwards) for a rewrite.
  TPieceHeader* DetachChain();
  // Before the first change in cached mode: keep the old value in a rollback blob. When the change
  // keeps some of the value (a write, a truncation to a non-zero size), the rollback gets a copy.
  void PrepareChange(bool keepsValue);
  void TakeChain(TBlob& other);
  class PieceWriter;

  TPieceHeader* firstPiece_ = nullptr;
  TPieceHeader* lastPiece_ = nullptr;
  TBlob* rollback_ = nullptr;
  bool cached_ = false;
  std::uint8_t flag_ = kValidFlag;
};

}  // namespace da
