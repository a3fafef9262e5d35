#include "dataaccess/Blob.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "dataaccess/DAErrors.h"

namespace da {

namespace {

constexpr std::uint64_t kMaxBlobSize = 0xFFFFFFFFu;

}  // namespace

TBlob::~TBlob() {
  flag_ = 0;
  FreePieces();
  da::Release(rollback_);
}

void TBlob::CheckValid() const {
  if (flag_ != kValidFlag) throw Exception("Invalid BLOB.");
}

int TBlob::PieceCount() const {
  int n = 0;
  for (TPieceHeader* p = firstPiece_; p; p = p->Next) ++n;
  return n;
}

void TBlob::AllocPiece(TPieceHeader*& piece, std::uint32_t size) {
  DAAssert(size > 0, "MemData");
  void* memory = std::malloc(sizeof(TPieceHeader) + size);
  if (!memory) throw std::bad_alloc();
  piece = static_cast<TPieceHeader*>(memory);
  piece->Blob = nullptr;
  piece->Size = size;
  piece->Used = 0;
  piece->Prev = nullptr;
  piece->Next = nullptr;
}

void TBlob::ReallocPiece(TPieceHeader*& piece, std::uint32_t size) {
  DAAssert(piece && size < piece->Size, "MemData");
  if (size == 0) {
    FreePiece(piece);
    piece = nullptr;
    return;
  }
  void* memory = std::realloc(piece, sizeof(TPieceHeader) + size);
  if (!memory) throw std::bad_alloc();
  TPieceHeader* moved = static_cast<TPieceHeader*>(memory);
  moved->Size = size;
  moved->Used = std::min(moved->Used, size);
  if (TBlob* owner = moved->Blob) {
    if (moved->Prev) {
      moved->Prev->Next = moved;
    } else {
      owner->firstPiece_ = moved;
    }
    if (moved->Next) {
      moved->Next->Prev = moved;
    } else {
      owner->lastPiece_ = moved;
    }
  }
  piece = moved;
}

void TBlob::FreePiece(TPieceHeader* piece) {
  if (!piece) return;
  if (piece->Blob) piece->Blob->DeletePiece(piece);
  std::free(piece);
}

void TBlob::AppendPiece(TPieceHeader* piece) {
  DAAssert(piece && !piece->Blob, "MemData");
  piece->Blob = this;
  piece->Next = nullptr;
  piece->Prev = lastPiece_;
  if (lastPiece_) {
    lastPiece_->Next = piece;
  } else {
    firstPiece_ = piece;
  }
  lastPiece_ = piece;
}

void TBlob::DeletePiece(TPieceHeader* piece) {
  DAAssert(piece && piece->Blob == this, "MemData");
  if (piece->Prev) {
    piece->Prev->Next = piece->Next;
  } else {
    firstPiece_ = piece->Next;
  }
  if (piece->Next) {
    piece->Next->Prev = piece->Prev;
  } else {
    lastPiece_ = piece->Prev;
  }
  piece->Blob = nullptr;
  piece->Prev = piece->Next = nullptr;
}

namespace {

void FreeChain(TPieceHeader* p) {
  while (p) {
    TPieceHeader* next = p->Next;
    std::free(p);
    p = next;
  }
}

}  // namespace

void TBlob::FreePieces() {
  FreeChain(firstPiece_);
  firstPiece_ = lastPiece_ = nullptr;
}

TPieceHeader* TBlob::DetachChain() {
  TPieceHeader* chain = firstPiece_;
  firstPiece_ = lastPiece_ = nullptr;
  for (TPieceHeader* p = chain; p; p = p->Next) p->Blob = nullptr;
  return chain;
}

void TBlob::TakeChain(TBlob& other) {
  firstPiece_ = other.firstPiece_;
  lastPiece_ = other.lastPiece_;
  other.firstPiece_ = other.lastPiece_ = nullptr;
  for (TPieceHeader* p = firstPiece_; p; p = p->Next) p->Blob = this;
}

std::uint32_t TBlob::Size() {
  std::uint64_t size = 0;
  for (TPieceHeader* p = firstPiece_; p; p = p->Next) size += p->Used;
  return static_cast<std::uint32_t>(std::min(size, kMaxBlobSize));
}

std::uint32_t TBlob::Read(std::uint32_t position, std::uint32_t count, void* destination) {
  CheckValid();
  CheckValue();
  if (count == 0) count = Size();
  if (!firstPiece_ || count == 0) return 0;
  const std::uint64_t end = std::uint64_t{position} + count;
  auto* out = static_cast<char*>(destination);
  std::uint64_t start = 0;
  std::uint32_t copied = 0;
  for (TPieceHeader* p = firstPiece_; p && start < end; p = p->Next) {
    const std::uint64_t pieceEnd = start + p->Used;
    const std::uint64_t lo = std::max<std::uint64_t>(start, position);
    const std::uint64_t hi = std::min(pieceEnd, end);
    if (lo < hi) {
      std::memcpy(out + (lo - position), PieceData(p) + (lo - start), hi - lo);
      copied += static_cast<std::uint32_t>(hi - lo);
    }
    start = pieceEnd;
  }
  return copied;
}

void TBlob::SaveRollback() {
  if (!cached_) throw Exception("Blob must be in cached mode.");
  if (rollback_) {  // the value before the first change is kept already
    FreePieces();
    return;
  }
  rollback_ = new TBlob();
  rollback_->PieceSize = PieceSize;
  rollback_->TakeChain(*this);
}

void TBlob::PrepareChange(bool keepsValue) {
  if (!cached_ || rollback_) return;
  if (!keepsValue || !firstPiece_) {
    SaveRollback();
    return;
  }
  // The change keeps some of the value: the rollback gets a compact copy, this blob keeps its own.
  TBlob* copy = new TBlob();
  try {
    copy->PieceSize = PieceSize;
    for (TPieceHeader* p = firstPiece_; p; p = p->Next) {
      if (p->Used == 0) continue;
      TPieceHeader* piece;
      copy->AllocPiece(piece, p->Used);
      std::memcpy(PieceData(piece), PieceData(p), p->Used);
      piece->Used = p->Used;
      copy->AppendPiece(piece);
    }
  } catch (...) {
    copy->Release();
    throw;
  }
  rollback_ = copy;
}

void TBlob::Write(std::uint32_t position, std::uint32_t count, const void* source) {
  CheckValid();
  if (count == 0) return;
  PrepareChange(true);
  const auto* in = static_cast<const char*>(source);

  // Bytes inside the present value are overwritten where they lie. One walk serves both this and
  // finding the size: when the walk stops early, the write ends inside the value.
  std::uint64_t end = std::uint64_t{position} + count;
  std::uint64_t start = 0;
  for (TPieceHeader* p = firstPiece_; p; p = p->Next) {
    if (start >= end) return;
    const std::uint64_t pieceEnd = start + p->Used;
    const std::uint64_t lo = std::max<std::uint64_t>(start, position);
    const std::uint64_t hi = std::min(pieceEnd, end);
    if (lo < hi) std::memcpy(PieceData(p) + (lo - start), in + (lo - position), hi - lo);
    start = pieceEnd;
  }
  const std::uint64_t size = start;
  if (position > size) {  // never leave a gap: the write moves to the end
    position = static_cast<std::uint32_t>(size);
    end = std::uint64_t{position} + count;
  }
  if (end > kMaxBlobSize) throw Exception("BLOB value too large.");
  // Bytes past the end go into the spare room after the last used byte, then into new pieces.
  // Only room behind the value's last byte is filled, so no byte lands inside the value.
  std::uint64_t from = std::max<std::uint64_t>(position, size);
  if (from >= end) return;
  TPieceHeader* p = lastPiece_;
  while (p && p->Used == 0 && p->Prev) p = p->Prev;
  for (; p && from < end; p = p->Next) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(p->Size - p->Used, end - from));
    if (n == 0) continue;
    std::memcpy(PieceData(p) + p->Used, in + (from - position), n);
    p->Used += n;
    from += n;
  }
  while (from < end) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::max<std::uint32_t>(PieceSize, 1), end - from));
    TPieceHeader* piece;
    AllocPiece(piece, n);
    std::memcpy(PieceData(piece), in + (from - position), n);
    piece->Used = n;
    AppendPiece(piece);
    from += n;
  }
}

void TBlob::Clear() {
  PrepareChange(false);
  FreePieces();
}

void TBlob::Truncate(std::uint32_t size) {
  if (size == 0) {
    Clear();
    return;
  }
  PrepareChange(true);
  std::uint64_t start = 0;
  for (TPieceHeader* p = firstPiece_; p; p = p->Next) {
    if (start + p->Used > size) p->Used = start >= size ? 0 : static_cast<std::uint32_t>(size - start);
    start += p->Used;
  }
}

void TBlob::Compress() {
  TPieceHeader* p = firstPiece_;
  while (p) {
    TPieceHeader* next = p->Next;
    if (p->Used < p->Size) ReallocPiece(p, p->Used);
    p = next;
  }
}

std::string TBlob::GetAsString() {
  CheckValid();
  CheckValue();
  std::string text(Size(), '\0');
  if (!text.empty()) text.resize(Read(0, static_cast<std::uint32_t>(text.size()), text.data()));
  return text;
}

void TBlob::SetAsString(std::string_view text) {
  if (text.size() > kMaxBlobSize) throw Exception("BLOB value too large.");
  Clear();
  Write(0, static_cast<std::uint32_t>(text.size()), text.data());
}

void TBlob::LoadFromStream(TStream& stream) {
  Clear();
  stream.SetPosition(0);
  std::int64_t remaining = stream.Size();
  if (remaining > static_cast<std::int64_t>(kMaxBlobSize)) throw Exception("BLOB value too large.");
  while (remaining > 0) {
    const auto n = static_cast<std::uint32_t>(std::min<std::int64_t>(remaining, std::max<std::uint32_t>(PieceSize, 1)));
    TPieceHeader* piece;
    AllocPiece(piece, n);
    std::int64_t got;
    try {
      got = stream.Read(PieceData(piece), n);
    } catch (...) {
      FreePiece(piece);
      throw;
    }
    if (got <= 0) {  // the stream ended before its size said
      FreePiece(piece);
      break;
    }
    piece->Used = static_cast<std::uint32_t>(got);
    AppendPiece(piece);
    remaining -= got;
  }
}

void TBlob::SaveToStream(TStream& stream) {
  CheckValid();
  CheckValue();
  stream.SetSize(0);
  stream.SetPosition(0);
  for (TPieceHeader* p = firstPiece_; p; p = p->Next)
    if (p->Used) stream.Write(PieceData(p), p->Used);
}

void TBlob::Commit() {
  da::Release(rollback_);
  rollback_ = nullptr;
  cached_ = false;
}

void TBlob::Cancel() {
  if (rollback_) {
    // The edited pieces go with the rollback blob; its pieces, the old value, come back.
    TBlob* old = rollback_;
    rollback_ = nullptr;
    FreePieces();
    TakeChain(*old);
    old->Release();
  }
  cached_ = false;
}

// Produces the output of a line-end conversion into new pieces appended to the blob.
class TBlob::PieceWriter {
 public:
  explicit PieceWriter(TBlob& blob) : blob_(blob) {}
  // roomHint: the size of a new piece, should one be needed for this byte.
  void Put(char c, std::uint32_t roomHint) {
    if (!current_ || current_->Used == current_->Size) {
      blob_.AllocPiece(current_, std::max<std::uint32_t>(roomHint, 1));
      blob_.AppendPiece(current_);
    }
    PieceData(current_)[current_->Used++] = c;
  }

 private:
  TBlob& blob_;
  TPieceHeader* current_ = nullptr;
};

void TBlob::ExpandLineBreaks() {
  CheckValid();
  CheckValue();
  PrepareChange(true);
  std::uint64_t remaining = Size();
  TPieceHeader* old = DetachChain();
  const std::uint32_t pieceSize = std::max<std::uint32_t>(PieceSize, 1);
  PieceWriter out(*this);
  auto hint = [&] {
    return remaining >= pieceSize / 2 ? pieceSize
                                      : static_cast<std::uint32_t>(std::min<std::uint64_t>(2 * remaining, pieceSize));
  };
  bool afterCR = false;
  try {
    while (old) {
      TPieceHeader* p = old;
      const char* data = PieceData(p);
      for (std::uint32_t i = 0; i < p->Used; ++i) {
        const char c = data[i];
        const std::uint32_t room = hint();
        --remaining;
        if (c == '\n' && !afterCR) out.Put('\r', room);
        out.Put(c, room);
        afterCR = c == '\r';
      }
      old = p->Next;
      std::free(p);
    }
  } catch (...) {
    FreeChain(old);  // what was not rewritten yet
    throw;
  }
}

void TBlob::CollapseLineBreaks() {
  CheckValid();
  CheckValue();
  PrepareChange(true);
  std::uint64_t remaining = Size();
  TPieceHeader* old = DetachChain();
  const std::uint32_t pieceSize = std::max<std::uint32_t>(PieceSize, 1);
  PieceWriter out(*this);
  bool pendingCR = false;
  auto hint = [&] {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(remaining + (pendingCR ? 1 : 0), pieceSize));
  };
  try {
    while (old) {
      TPieceHeader* p = old;
      const char* data = PieceData(p);
      for (std::uint32_t i = 0; i < p->Used; ++i) {
        const char c = data[i];
        const std::uint32_t room = hint();
        --remaining;
        if (pendingCR) {
          pendingCR = false;
          if (c == '\n') {
            out.Put('\n', room);
            continue;
          }
          out.Put('\r', room);
        }
        if (c == '\r') {
          pendingCR = true;
        } else {
          out.Put(c, room);
        }
      }
      old = p->Next;
      std::free(p);
    }
    if (pendingCR) out.Put('\r', 1);
  } catch (...) {
    FreeChain(old);  // what was not rewritten yet
    throw;
  }
}

}  // namespace da
