// The record set's fetching: array fetches into blocks of items, row fetches for scrollable
// cursors, LONG columns piece by piece, FetchAll, and positions and bookmarks of scrollable cursors.
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/RecordBuffer.h"
#include "oracle/client/OraCall.h"
#include "oracle/server/OraCommand.h"
#include "oracle/server/OraConnection.h"
#include "oracle/OraConsts.h"
#include "oracle/server/OraCursor.h"
#include "oracle/OraDataTypes.h"
#include "oracle/values/OraValueObjects.h"
#include "oracle/values/OraObject.h"
#include "oracle/server/OraRecordSet.h"
#include "oracle/server/OraWorker.h"

namespace ora {

namespace {

constexpr const char* kModule = "OraClasses";

// Clients from 8.1.6 up to (not including) 9.0.0 write a dynamic define's indicator 2 bytes
// further for each row of the array: the address handed to them is lowered to match.
bool ShiftsDefineIndicators() {
  return CompareVersions(OCIClientVersion, "8.1.6") >= 0 && CompareVersions(OCIClientVersion, "9.0.0") < 0;
}

[[noreturn]] void BadLength(const char* what, std::size_t length, std::size_t room) {
  RaiseError(std::string("The client library reported ") + what + " of " + std::to_string(length) + " bytes in " +
             std::to_string(room) + " bytes of room");
}

// The text the library left in a buffer of room bytes: up to its terminator, which must lie inside.
std::size_t TextLength(const std::uint8_t* text, std::size_t room) {
  const std::size_t n = ::strnlen(reinterpret_cast<const char*>(text), room);
  if (n == room) BadLength("a text", n, room - 1);
  return n;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// one fetch step

bool TOCIRecordSet::Fetch(bool fetchBack) {
  TOCICommand* c = GetOCICommand();
  const int state = c->GetCursorState();
  if (state == csInactive || state == csFetched) return false;
  if (BeforeFetch) {
    bool cancel = false;
    BeforeFetch(true, cancel);
    if (cancel) {
      if (c->GetCursorState() == csFetchingAll) c->SetCursorState(csFetching);
      return false;
    }
  }
  const bool got = rowByRow_ || OracleLite ? FetchRow(fetchBack) : FetchArray();
  if (BeforeFetch) {
    bool cancel = false;
    BeforeFetch(false, cancel);
  }
  if (AutoClose && c->GetCursorState() == csFetched) UnPrepareAfterLastRow();
  return got;
}

da::TBlockHeader* TOCIRecordSet::TakeBlock(bool& fresh) {
  const auto rows = static_cast<std::uint16_t>(std::clamp(FetchRows, 1, 65535));
  if (UniDirectional) {
    da::TBlockHeader* block = reuseBlock_;
    reuseBlock_ = nullptr;
    bool usable = block && block->ItemCount == rows;
    int held = 0;
    for (da::TItemHeader* item = FirstItem(); usable && item; item = item->Next, ++held) usable = item->Block == block;
    if (usable && held == rows) {
      // The rows passed go; their items come back as the block's, all in use again.
      ++block->UsedItems;  // keeps the block while its last item goes
      while (FirstItem()) DropItem(FirstItem());
      for (int i = 0; i < rows; ++i) {
        da::TItemHeader* item = nullptr;
        BlockManager().AllocItem(item);
        da::DAAssert(item->Block == block, kModule);
      }
      --block->UsedItems;
      fresh = false;
      return block;
    }
    while (FirstItem()) DropItem(FirstItem());
  }
  da::TBlockHeader* block = nullptr;
  BlockManager().AllocBlock(block, rows);
  fresh = true;
  return block;
}

void TOCIRecordSet::PrepareRecord(std::uint8_t* record, std::uint8_t* slots) {
  std::memset(record, 0, RecordSize());
  if (HasComplexFields()) CreateComplexFields(record, true);
  for (const TColumn& col : columns_) {
    if (!col.slotSize) continue;
    std::uint8_t* slot = slots + col.slot;
    const da::TFieldDesc& f = FieldAt(col.fieldNo);
    void* value = da::ReadPointer(record + f.Offset);
    switch (col.kind) {
      case TColumnKind::Handle:
        // The address the library writes through: a statement handle, a locator or a descriptor.
        if (f.DataType == dtCursor) {
          auto* cursor = static_cast<TOraCursor*>(value);
          cursor->SetEnvironment(connection_->GetEnvironment());
          if (cursor->GetCallStyle() == OCI80) {
            da::WritePointer(slot, cursor->GetOCIStmt());
          } else {
            da::WritePointer(slot, cursor->GetCDA());
          }
          cursor->SetState(csExecuted);
        } else {
          da::WritePointer(slot, DescriptorOf(f.DataType, static_cast<da::TSharedObject*>(value)));
        }
        break;
      default:
        std::memset(slot, 0, col.slotSize);  // an empty text, a zero length
        break;
    }
  }
}

void TOCIRecordSet::MarkRowNull(std::uint8_t* record, bool prepared) {
  if (!prepared) std::memset(record, 0, DataSize());
  for (const TColumn& col : columns_) da::WriteValue<sb2>(Indicator(record, col.fieldNo), -1);
}

void TOCIRecordSet::DefineColumns(std::uint8_t* firstRecord, std::uint8_t* slots, ub4 recordSkip, ub4 slotSkip) {
  TOCICommand* c = GetOCICommand();
  TBusy busy(*connection_);
  for (TColumn& col : columns_) {
    const da::TFieldDesc& f = FieldAt(col.fieldNo);
    sb2* indicator = Indicator(firstRecord, col.fieldNo);
    switch (col.kind) {
      case TColumnKind::Long:
        if (c->GetCallStyle() == OCI80) {
          c->DefinePiecewise(col.column, f, this, &TOCIRecordSet::DefineCallback, &col.define);
        } else {
          // The old interface names the column by this context when it asks for a piece.
          c->DefinePiecewise(col.column, f, &col, nullptr, nullptr, indicator);
        }
        break;
      case TColumnKind::Direct:
        c->DefineArrayField(col.column, f, firstRecord + f.Offset, indicator, recordSkip, recordSkip, &col.define);
        break;
      default:
        c->DefineArrayField(col.column, f, slots + col.slot, indicator, slotSkip, recordSkip, &col.define);
        break;
    }
  }
}

void TOCIRecordSet::CompleteRecord(std::uint8_t* record, std::uint8_t* slots) {
  for (const TColumn& col : columns_) {
    const da::TFieldDesc& f = FieldAt(col.fieldNo);
    std::uint8_t* value = record + f.Offset;
    const bool isNull = da::ReadValue<sb2>(Indicator(record, col.fieldNo)) == -1;
    const std::uint8_t* slot = slots + col.slot;
    switch (col.kind) {
      case TColumnKind::Direct:
        if (!isNull && f.DataType == da::dtVarBytes) {
          const std::size_t n = da::ReadValue<std::uint16_t>(value);
          if (n > f.Length) BadLength("a raw value", n, f.Length);
        }
        break;
      case TColumnKind::HeapString:
        if (!isNull) {
          const std::size_t n = TextLength(slot, col.slotSize);
          da::WritePointer(value, StringHeap().AllocStr(std::string_view(reinterpret_cast<const char*>(slot), n),
                                                        f.Fixed && TrimFixedChar));
        }
        break;
      case TColumnKind::HeapBytes:
        if (!isNull) {
          const std::size_t n = da::ReadValue<std::uint16_t>(slot);
          if (n > f.Length) BadLength("a raw value", n, f.Length);
          void* chunk = StringHeap().NewBuf(static_cast<std::int64_t>(n) + 2);
          std::memcpy(chunk, slot, n + 2);
          da::WritePointer(value, chunk);
        }
        break;
      case TColumnKind::LongString:
        if (!isNull) {
          const std::size_t n = TextLength(slot, col.slotSize);
          auto* blob = static_cast<da::TBlob*>(da::ReadPointer(value));
          if (n > 0) {
            da::TPieceHeader* piece = nullptr;
            blob->AllocPiece(piece, static_cast<std::uint32_t>(n));
            std::memcpy(da::TBlob::PieceData(piece), slot, n);
            piece->Used = static_cast<std::uint32_t>(n);
            blob->AppendPiece(piece);
          }
        }
        break;
      case TColumnKind::Long: {
        auto* blob = static_cast<da::TBlob*>(da::ReadPointer(value));
        for (da::TPieceHeader* p = blob->GetFirstPiece(); p; p = p->Next)
          if (p->Used > p->Size) BadLength("a LONG piece", p->Used, p->Size);
        if (isNull) {
          blob->Clear();
        } else {
          blob->Compress();
        }
        break;
      }
      case TColumnKind::Object: {
        // The library made the instance (or REF) and its indicator structure: the object takes them.
        auto* object = static_cast<TOraObject*>(da::ReadPointer(value));
        object->TakeFetched(da::ReadPointer(slot), da::ReadPointer(slot + sizeof(void*)));
        da::WriteValue<sb2>(Indicator(record, col.fieldNo), object->FetchedNull() ? -1 : 0);
        break;
      }
      case TColumnKind::Handle:
        CompleteHandle(f, da::ReadPointer(value), isNull);
        break;
    }
  }
}

void TOCIRecordSet::CompleteHandle(const da::TFieldDesc& field, void* value, bool isNull) {
  // A LOB's content is on the server; a cached value is read now unless reading is deferred (a
  // file only when it exists, opened and closed around the read).
  if (IsDescriptorDataType(field.DataType))
    DescriptorFilled(field.DataType, static_cast<da::TSharedObject*>(value), isNull,
                     !DeferredLobRead && GetOCICommand()->CacheLobs);
}

// ---------------------------------------------------------------------------------------------
// the array fetch

template <class F>
auto TOCIRecordSet::FetchWithCallbacks(F fetch) {
  // An error of a define callback is the cause of whatever the library then reports.
  callbackError_ = nullptr;
  try {
    auto result = fetch();
    if (callbackError_) std::rethrow_exception(callbackError_);
    return result;
  } catch (...) {
    if (callbackError_) {
      std::exception_ptr error = callbackError_;
      callbackError_ = nullptr;
      std::rethrow_exception(error);
    }
    throw;
  }
}

bool TOCIRecordSet::FetchArray() {
  TOCICommand* c = GetOCICommand();
  if (allFetched_) return false;
  TCommandLock lock(*c);
  if (c->GetCursorState() < csBound) return false;
  bool fresh = false;
  da::TBlockHeader* block = TakeBlock(fresh);
  const int rows = block->ItemCount;
  const auto itemSize = static_cast<ub4>(BlockManager().ItemSize());
  if (fetchRowSize_ && fetchBuffer_.size() < static_cast<std::size_t>(rows) * fetchRowSize_) {
    fetchBuffer_.assign(static_cast<std::size_t>(rows) * fetchRowSize_, 0);
    definedFor_ = nullptr;
  }
  std::uint8_t* const slots = fetchBuffer_.data();
  auto record = [&](int i) { return Record(BlockManager().BlockItem(block, i)); };
  auto slotsOf = [&](int i) { return slots + static_cast<std::size_t>(i) * fetchRowSize_; };
  const bool complete = HasComplexFields() || HasFields({da::dtVarBytes});
  int n = 0;
  try {
    if (HasComplexFields())
      for (int i = 0; i < rows; ++i) PrepareRecord(record(i), slotsOf(i));
    // Every row starts as NULLs: a count the library reports above the rows it wrote (but within
    // the rows asked for) then links rows of no value, never memory nobody wrote.
    for (int i = 0; i < rows; ++i) MarkRowNull(record(i), HasComplexFields());
    fillingBlock_ = block;
    fillingItem_ = nullptr;
    fillingRows_ = static_cast<std::uint32_t>(rows);
    if (fresh || definedFor_ != block) DefineColumns(record(0), slots, itemSize, fetchRowSize_);
    definedFor_ = block;
    n = FetchWithCallbacks([&] { return c->Fetch(rows, OCI_FETCH_NEXT, 0); });
    fillingBlock_ = nullptr;
    if (complete)
      for (int i = 0; i < n; ++i) CompleteRecord(record(i), slotsOf(i));
  } catch (...) {
    fillingBlock_ = nullptr;
    definedFor_ = nullptr;
    reuseBlock_ = nullptr;
    if (HasComplexFields())
      for (int i = 0; i < rows; ++i) FreeComplexFields(record(i), true);
    LinkBlockItems(block, 0);  // gives the block back
    throw;
  }
  if (HasComplexFields())
    for (int i = n; i < rows; ++i) FreeComplexFields(record(i), true);
  LinkBlockItems(block, n);
  lastRow_ += n;
  if (n < rows) {
    allFetched_ = true;
    definedFor_ = nullptr;
  } else if (UniDirectional) {
    reuseBlock_ = block;
  }
  if (n == 0) FreeFetchBuffer();
  if (c->NonBlocking && FetchAll) fetchEvent_.Pulse();
  return n > 0;
}

// ---------------------------------------------------------------------------------------------
// LONG columns: the library asks for a buffer per row and piece

sb4 TOCIRecordSet::DefineCallback(void* context, OCIDefine* define, ub4 iteration, void** buffer, ub4** length,
                                  ub1* piece, void** indicator, ub2** returnCode) {
  auto* self = static_cast<TOCIRecordSet*>(context);
  if (returnCode) *returnCode = nullptr;
  try {
    return self->OnDefinePiece(define, iteration, buffer, length, piece, indicator);
  } catch (...) {
    // Nothing may unwind through the library: the fetch fails and the error is raised after it.
    if (!self->callbackError_) self->callbackError_ = std::current_exception();
    return OCI_ERROR;
  }
}

sb4 TOCIRecordSet::OnDefinePiece(OCIDefine* define, ub4 iteration, void** buffer, ub4** length, ub1* piece,
                                 void** indicator) {
  const TColumn* col = nullptr;
  for (const TColumn& c : columns_)
    if (c.kind == TColumnKind::Long && c.define == define) col = &c;
  da::DAAssert(col != nullptr, kModule, "Define callback for an unknown define handle");
  // The row must be one the running fetch asked for.
  if (iteration >= fillingRows_ || (!fillingBlock_ && !fillingItem_))
    RaiseError("The client library asked for row " + std::to_string(iteration) + " of a fetch of " +
               std::to_string(fillingRows_));
  da::TItemHeader* item = fillingBlock_ ? BlockManager().BlockItem(fillingBlock_, static_cast<int>(iteration)) : fillingItem_;
  std::uint8_t* record = Record(item);
  const da::TFieldDesc& f = FieldAt(col->fieldNo);
  auto* blob = static_cast<da::TBlob*>(da::ReadPointer(record + f.Offset));
  da::TPieceHeader* p = nullptr;
  blob->AllocPiece(p, blob->PieceSize);
  blob->AppendPiece(p);
  p->Used = p->Size;
  *buffer = da::TBlob::PieceData(p);
  *length = da::TBlob::PieceUsedPtr(p);
  sb2* ind = Indicator(record, col->fieldNo);
  if (ShiftsDefineIndicators()) ind -= iteration;
  *indicator = ind;
  *piece = OCI_NEXT_PIECE;
  return OCI_CONTINUE;
}

// ---------------------------------------------------------------------------------------------
// row by row

bool TOCIRecordSet::FetchRow(bool fetchBack) {
  TOCICommand* c = GetOCICommand();
  TCommandLock lock(*c);
  if (c->GetCursorState() < csBound) return false;
  ub2 orientation = OCI_FETCH_NEXT;
  sb4 offset = 0;
  if (CanFetchBack()) {
    // With no rows held the window starts again where the last one ended.
    if (!FirstItem()) {
      if (fetchBack) {
        lastRow_ = countBefore_;
      } else {
        countBefore_ = lastRow_;
      }
    }
    if (fetchBack) {
      if (countBefore_ <= 0) return false;
      orientation = OCI_FETCH_ABSOLUTE;
      offset = countBefore_;
    } else if (lastFetchBack_) {
      orientation = OCI_FETCH_ABSOLUTE;
      offset = lastRow_ + 1;
    }
  } else if (fetchBack || allFetched_) {
    return false;
  }
  return FetchRowInto(fetchBack, orientation, offset);
}

bool TOCIRecordSet::FetchRowInto(bool fetchBack, ub2 orientation, sb4 offset) {
  TOCICommand* c = GetOCICommand();
  da::TItemHeader* const cursor = CurrentItem();
  const bool bof = bof_, eof = eof_;
  da::TItemHeader* item;
  if (fetchBack) {
    SetCurrentItem(FirstItem());
    item = InsertItem();
  } else {
    item = AppendItem();
  }
  SetCurrentItem(cursor);
  bof_ = bof;
  eof_ = eof;
  if (fetchRowSize_ && fetchBuffer_.size() < fetchRowSize_) fetchBuffer_.assign(fetchRowSize_, 0);
  std::uint8_t* const record = Record(item);
  std::uint8_t* const slots = fetchBuffer_.data();
  sword status = OCI_NO_DATA;
  try {
    PrepareRecord(record, slots);
    fillingBlock_ = nullptr;
    fillingItem_ = item;
    fillingRows_ = 1;
    definedFor_ = nullptr;
    DefineColumns(record, slots, 0, 0);
    status = FetchWithCallbacks([&] { return c->FetchPiece(orientation, offset); });
    if (status == OCI_NEED_DATA) status = FetchLongPieces(record, orientation, offset);
    fillingItem_ = nullptr;
    if (status == OCI_SUCCESS) CompleteRecord(record, slots);
  } catch (...) {
    fillingItem_ = nullptr;
    if (HasComplexFields()) FreeComplexFields(record, true);
    DeleteItem(item);
    SetCurrentItem(cursor);
    bof_ = bof;
    eof_ = eof;
    throw;
  }
  lastFetchBack_ = fetchBack;
  if (status != OCI_SUCCESS) {
    if (HasComplexFields()) FreeComplexFields(record, true);
    DeleteItem(item);
    SetCurrentItem(cursor);
    bof_ = bof;
    eof_ = eof;
    if (!CanFetchBack()) allFetched_ = true;
    return false;
  }
  LinkRowItem(item, fetchBack);
  return true;
}

sword TOCIRecordSet::FetchLongPieces(std::uint8_t* record, ub2 orientation, sb4 offset) {
  TOCICommand* c = GetOCICommand();
  const TColumn* current = nullptr;
  sword status = OCI_NEED_DATA;
  while (status == OCI_NEED_DATA) {
    void* handle = nullptr;
    ub1 direction = 0, piece = 0;
    ub4 iteration = 0, index = 0;
    c->GetPieceInfo(handle, direction, iteration, index, piece);
    const TColumn* col = nullptr;
    for (const TColumn& candidate : columns_)
      if (&candidate == handle && candidate.kind == TColumnKind::Long) col = &candidate;
    da::DAAssert(col != nullptr, kModule);
    // Each LONG column's value starts with a first piece.
    if (col != current) da::DAAssert(piece == OCI_FIRST_PIECE || piece == OCI_ONE_PIECE, kModule);
    current = col;
    auto* blob = static_cast<da::TBlob*>(da::ReadPointer(record + FieldAt(col->fieldNo).Offset));
    const ub4 size = std::max<std::uint32_t>(blob->PieceSize, 1);
    da::TPieceHeader* p = nullptr;
    blob->AllocPiece(p, size);
    ub4 length = size;
    try {
      c->SetPieceInfo(handle, da::TBlob::PieceData(p), length, piece);
      status = c->FetchPiece(orientation, offset);
      if (length > size) BadLength("a LONG piece", length, size);
    } catch (...) {
      blob->FreePiece(p);
      throw;
    }
    p->Used = length;
    if (length < size) blob->ReallocPiece(p, length);  // an empty piece is freed
    if (p) blob->AppendPiece(p);
  }
  return status;
}

void TOCIRecordSet::LinkRowItem(da::TItemHeader* item, bool fetchBack) {
  da::TItemHeader* const cursor = CurrentItem();
  bool cursorDropped = false;
  auto drop = [&](da::TItemHeader* victim) {
    cursorDropped = cursorDropped || victim == cursor;
    DropItem(victim);
  };
  if (CanFetchBack()) {
    if (fetchBack) {
      --countBefore_;
    } else {
      ++lastRow_;
    }
    // The window holds at most FetchRows rows: the far end goes.
    const int window = std::max(FetchRows, 2);
    int held = 0;
    for (da::TItemHeader* i = FirstItem(); i; i = i->Next) ++held;
    for (; held > window; --held) {
      if (fetchBack) {
        drop(LastItem());
        --lastRow_;
      } else {
        drop(FirstItem());
        ++countBefore_;
      }
    }
    SetCurrentItem(cursorDropped ? nullptr : cursor);
    RenumberWindow();
    return;
  }
  ++lastRow_;
  if (UniDirectional)
    while (FirstItem() != item) drop(FirstItem());
  SetCurrentItem(cursorDropped ? nullptr : cursor);
  if (!OmitRecord(item)) item->Order = ++recordCount_ - recNoOffset_;
}

void TOCIRecordSet::RenumberWindow() {
  Recount();
  recNoOffset_ = countBefore_;
  recordCount_ = allFetched_ ? std::max(lastRow_, GetOCICommand()->RowsFetched) : lastRow_;
}

std::int32_t TOCIRecordSet::PositionOf(da::TItemHeader* item) const {
  std::int32_t n = countBefore_;
  for (da::TItemHeader* i = FirstItem(); i && i != item; i = i->Next) ++n;
  return n;
}

void TOCIRecordSet::DropRows() {
  while (FirstItem()) DropItem(FirstItem());
  SetCurrentItem(nullptr);
}

// ---------------------------------------------------------------------------------------------
// all rows, the ends, bookmarks

void TOCIRecordSet::FetchAllRows() {
  TOCICommand* c = GetOCICommand();
  const int state = c->GetCursorState();
  if (state == csInactive || state >= csFetchingAll) return;
  c->SetCursorState(csFetchingAll);
  if (!c->NonBlocking) {
    FetchAllInThread();
    return;
  }
  if (!connection_ || !connection_->ThreadSafety) {
    c->SetCursorState(csFetching);
    throw da::Exception(SNeedThreadSafety);
  }
  fetchEvent_.Reset();
  worker_ = RunThread(
      connection_, this,
      [this] {
        try {
          FetchAllInThread();
        } catch (...) {
          fetchEvent_.Set();
          throw;
        }
        fetchEvent_.Set();
      },
      [this](bool succeeded) {
        worker_.reset();
        if (AfterFetch) AfterFetch(succeeded);
      });
}

void TOCIRecordSet::FetchAllInThread() {
  TOCICommand* c = GetOCICommand();
  try {
    if (CanFetchBack()) {
      SetToEnd();
      Fetch(true);
    } else {
      while (Fetch(false)) {
      }
    }
  } catch (...) {
    // A failed fetch leaves fetching all, so that a later one can start again.
    if (c->GetCursorState() == csFetchingAll) c->SetCursorState(csFetching);
    throw;
  }
  // A scrollable cursor never reaches the end state: it leaves fetching all behind it anyway.
  if (c->GetCursorState() == csFetchingAll) c->SetCursorState(csFetching);
}

void TOCIRecordSet::SetToBegin() {
  if (CanFetchBack() && countBefore_ != 0) {
    // The next forward fetch starts again at row 1, by absolute position.
    lastFetchBack_ = true;
    DropRows();
    lastRow_ = 0;
    countBefore_ = 0;
  }
  da::TVtRecordSet::SetToBegin();
}

void TOCIRecordSet::SetToEnd() {
  TOCICommand* c = GetOCICommand();
  if (c->NonBlocking && FetchAll) {
    // A background execution or fetch of all rows sets the event when it ends (each block pulses
    // it): sleep on it rather than spin.
    while (!fetchEvent_.IsSet()) fetchEvent_.Wait();
  } else if (c->GetCursorState() != csInactive && c->GetCursorState() < csFetched) {
    if (CanFetchBack()) {
      if (!(allFetched_ && lastRow_ == c->RowsFetched)) {
        TCommandLock lock(*c);
        // The last row, into an item of its own so that the library writes into live memory.
        FetchRowInto(false, OCI_FETCH_LAST, 0);
      }
      allFetched_ = true;
      DropRows();
      countBefore_ = lastRow_ = c->RowsFetched;
      lastFetchBack_ = true;
      RenumberWindow();
    } else {
      FetchAllRows();
    }
  }
  da::TVtRecordSet::SetToEnd();
  // No rows held, but rows before the end to fetch backwards: not the beginning yet.
  if (CanFetchBack() && !FirstItem() && countBefore_ > 0) bof_ = false;
}

void TOCIRecordSet::GetBookmark(da::TRecBookmark& bookmark) {
  da::TVtRecordSet::GetBookmark(bookmark);
  if (CanFetchBack()) bookmark.Order = CurrentItem() ? PositionOf(CurrentItem()) : -1;
}

void TOCIRecordSet::SetToBookmark(const da::TRecBookmark& bookmark) {
  if (!CanFetchBack()) {
    da::TVtRecordSet::SetToBookmark(bookmark);
    return;
  }
  if (bookmark.Order < 0) return;
  bof_ = eof_ = false;
  if (da::TItemHeader* item = LiveBookmarkItem(bookmark); item && PositionOf(item) == bookmark.Order) {
    SetCurrentItem(item);
    return;
  }
  const std::int32_t n = bookmark.Order;
  const std::int32_t half = FetchRows / 2;
  if (n < countBefore_ - half || n >= lastRow_ + half) {
    // Far from the rows held: the window starts again at the row itself.
    DropRows();
    countBefore_ = lastRow_ = n;
    lastFetchBack_ = true;
    if (Fetch(false)) SetCurrentItem(FirstItem());
  } else if (n < countBefore_) {
    while (countBefore_ > n && Fetch(true)) {
    }
    if (countBefore_ == n) SetCurrentItem(FirstItem());
  } else if (n >= lastRow_) {
    while (lastRow_ <= n && Fetch(false)) {
    }
    if (lastRow_ == n + 1) SetCurrentItem(LastItem());
  }
}

}  // namespace ora
