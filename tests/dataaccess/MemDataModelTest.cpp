// Randomised differential runs of the in-memory store against a plain vector model: insert,
// append, delete, update, navigation, record numbers, bookmarks, the filter switched on and off,
// and cached updates applied, committed, cancelled and reverted. After every step the record
// count, the current record and its record number must agree; a full scan checks the order.
// Every kind of store runs every seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "dataaccess/MemData.h"
#include "dataaccess/RecordBuffer.h"
#include "tests/dataaccess/OwnFormatStore.h"

namespace da {
namespace {

struct ModelItem {
  int id;
  int value;
  int status = isUnmodified;
  int rollback = 0;
  bool hasRollback = false;
  int result = uaNone;
};

struct Bookmark {
  TRecBookmark store;
  std::optional<int> id;  // model item the bookmark was taken on
  int recNo = -1;
};

class Model {
 public:
  std::vector<ModelItem> items;
  std::vector<int> updates;  // ids in update-list order
  int cursor = -1;           // index into items, -1 for none
  bool bof = true, eof = true;
  bool filter = false, cached = false;
  TItemTypes itemTypes = 0;

  bool Visible(const ModelItem& it) const {
    if (cached && !(itemTypes & ItemTypeBit(static_cast<TItemStatus>(it.status)))) return false;
    return !filter || it.value >= 50;
  }
  int Count() const {
    int n = 0;
    for (const auto& it : items) n += Visible(it);
    return n;
  }
  int RecNo() const {
    if (cursor < 0 || !Visible(items[cursor])) return 0;
    int n = 0;
    for (int i = 0; i <= cursor; ++i) n += Visible(items[static_cast<std::size_t>(i)]);
    return n;
  }
  int IndexOf(int id) const {
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i].id == id) return static_cast<int>(i);
    return -1;
  }
  int CurrentId() const { return cursor < 0 ? -1 : items[static_cast<std::size_t>(cursor)].id; }
  bool GetEOF() const { return cursor < 0 && eof; }
  bool GetBOF() const { return cursor < 0 && bof; }

  void Next() {
    if (GetEOF()) return;
    int c = (cursor < 0) ? 0 : cursor + 1;
    bof = false;
    while (c < Size() && !Visible(At(c))) ++c;
    if (c >= Size()) {
      cursor = -1;
      eof = true;
      return;
    }
    cursor = c;
    eof = false;
  }
  void Prior() {
    if (GetBOF()) return;
    int c = (cursor < 0) ? Size() - 1 : cursor - 1;
    eof = false;
    while (c >= 0 && !Visible(At(c))) --c;
    if (c < 0) {
      cursor = -1;
      bof = true;
      return;
    }
    cursor = c;
    bof = false;
  }
  void SetToBegin() {
    cursor = -1;
    bof = true;
    eof = items.empty();
  }
  void SetToEnd() {
    cursor = -1;
    eof = true;
    bof = items.empty();
  }
  void Insert(int id, int value) {
    int pos;
    if (cursor >= 0) {
      pos = cursor;
    } else if (!eof && bof) {
      pos = 0;
    } else {
      pos = Size();
    }
    ModelItem it{id, value};
    if (cached) {
      it.status = isAppended;
      updates.push_back(id);
    }
    items.insert(items.begin() + pos, it);
    cursor = pos;
    bof = eof = false;
  }
  void Update(int value) {
    ModelItem& it = At(cursor);
    if (cached) {
      if (it.status == isUnmodified) updates.push_back(it.id);
      // An applied insertion exists on the server: its change is a modification.
      if (it.status != isAppended || it.result == uaApplied) {
        it.status = isUpdated;
        if (!it.hasRollback) {
          it.hasRollback = true;
          it.rollback = it.value;
        }
      }
      it.result = uaNone;
    }
    it.value = value;
  }
  // Removes the item; a cursor on it goes to the item that followed, or to the new last one.
  void RemoveItem(int index) {
    items.erase(items.begin() + index);
    if (cursor == index) {
      cursor = index < Size() ? index : Size() - 1;
    } else if (cursor > index) {
      --cursor;
    }
    if (items.empty()) {
      cursor = -1;
      bof = eof = true;
    }
  }
  void MoveOffHidden(int from) {
    int c = from;
    while (c >= 0 && c < Size() && !Visible(At(c))) ++c;
    if (c >= Size()) {
      c = from - 1;
      while (c >= 0 && !Visible(At(c))) --c;
    }
    cursor = c < 0 ? -1 : c;
    if (cursor < 0) bof = eof = true;
  }
  void Delete() {
    const int index = cursor;
    const int id = At(index).id;
    bool removed = true;
    if (!cached) {
      RemoveItem(index);
    } else {
      ModelItem& it = At(index);
      const bool appliedInsert = it.status == isAppended && it.result == uaApplied;
      if (it.status == isUnmodified || appliedInsert) {
        if (!appliedInsert) updates.push_back(id);
        it.status = isDeleted;
        it.result = uaNone;
        removed = false;
      } else if (it.status == isUpdated) {
        it.value = it.rollback;
        it.hasRollback = false;
        it.status = isDeleted;
        it.result = uaNone;
        removed = false;
      } else {
        updates.erase(std::find(updates.begin(), updates.end(), id));
        RemoveItem(index);
      }
    }
    if (items.empty()) return;
    if (!removed && Visible(At(index))) return;
    int after = removed ? index : index + 1;
    int c = after;
    while (c < Size() && !Visible(At(c))) ++c;
    if (c >= Size()) {
      c = index - 1;
      while (c >= 0 && !Visible(At(c))) --c;
    }
    cursor = c;
    if (c < 0) bof = eof = true;
  }
  void SetRecNo(int n) {
    if (n < 1 || items.empty()) return;
    int k = 0;
    for (int i = 0; i < Size(); ++i)
      if (Visible(At(i)) && ++k == n) {
        cursor = i;
        bof = eof = false;
        return;
      }
  }
  void Recount() {
    if (cursor >= 0 && !Visible(At(cursor))) MoveOffHidden(cursor);
  }
  void FilterUpdated() {
    Recount();
    eof = Count() == 0;
  }
  void SetItemTypes(TItemTypes t) {
    if (t == itemTypes) return;
    itemTypes = t;
    FilterUpdated();
  }
  void RevertItem(int id) {
    int index = IndexOf(id);
    ModelItem& it = At(index);
    switch (it.status) {
      case isUpdated:
        it.value = it.rollback;
        it.hasRollback = false;
        break;
      case isAppended:
        RemoveItem(index);
        return;
      default:
        break;
    }
    it.status = isUnmodified;
    it.result = uaNone;
  }
  void Cancel() {
    std::vector<int> list;
    list.swap(updates);
    for (int id : list) RevertItem(id);
    Recount();
  }
  void SetCached(bool value) {
    if (value == cached) return;
    if (!value) Cancel();
    cached = value;
    if (value) SetItemTypes(ItemTypeBit(isUnmodified) | ItemTypeBit(isUpdated) | ItemTypeBit(isAppended));
  }
  void Apply(const std::vector<int>& skipIds) {
    for (int id : updates) {
      ModelItem& it = At(IndexOf(id));
      if (it.result == uaApplied) continue;
      it.result = std::find(skipIds.begin(), skipIds.end(), id) != skipIds.end() ? uaSkip : uaApplied;
    }
  }
  bool Pending() const {
    for (int id : updates)
      if (At(IndexOf(id)).result != uaApplied) return true;
    return false;
  }
  void Commit(const std::vector<int>& skipIds) {
    if (Pending()) Apply(skipIds);
    std::vector<int> list, remaining;
    list.swap(updates);
    for (int id : list) {
      int index = IndexOf(id);
      ModelItem& it = At(index);
      if (it.result != uaApplied) {
        remaining.push_back(id);
        continue;
      }
      it.hasRollback = false;
      if (it.status == isDeleted) {
        RemoveItem(index);
      } else {
        it.status = isUnmodified;
        it.result = uaNone;
      }
    }
    updates = remaining;
    Recount();
  }
  void RevertCurrent() {
    if (cursor < 0) return;
    int id = CurrentId();
    auto pos = std::find(updates.begin(), updates.end(), id);
    if (pos != updates.end()) updates.erase(pos);
    RevertItem(id);
    Recount();
  }

  int Size() const { return static_cast<int>(items.size()); }
  ModelItem& At(int i) { return items[static_cast<std::size_t>(i)]; }
  const ModelItem& At(int i) const { return items[static_cast<std::size_t>(i)]; }
};

// Exposes the item list of a store of any kind, so that the numbering of every visible record
// can be checked.
class Numbered {
 public:
  virtual ~Numbered() = default;
  virtual std::vector<int> Numbers() = 0;
};

template <class Store>
class Inspectable : public Store, public Numbered {
 public:
  std::vector<int> Numbers() override {
    std::vector<int> out;
    for (TItemHeader* it = this->FirstItem(); it; it = it->Next)
      if (!this->OmitRecord(it)) out.push_back(it->Order + this->RecNoOffset());
    return out;
  }
};

std::unique_ptr<TMemData> MakeInspectable(testing::StoreKind kind) {
  if (kind == testing::StoreKind::OwnFormat) return std::make_unique<Inspectable<testing::OwnFormatStore>>();
  return std::make_unique<Inspectable<TMemData>>();
}

class MemDataModelTest : public ::testing::TestWithParam<std::tuple<testing::StoreKind, unsigned>> {
 protected:
  void SetUp() override {
    store.AutoInitFields = false;
    store.AddField("ID", dtInt32);
    store.AddField("V", dtInt32);
    store.InitFields();
    store.Open();
    rec.reset(store.AllocRecBuf());
    newBuf.reset(store.AllocRecBuf());
    oldBuf.reset(store.AllocRecBuf());
    store.SetCacheRecBuf(newBuf.get(), oldBuf.get());
    store.OnApplyRecord = [this](TUpdateKind, TUpdateAction& action) {
      int id = ReadValue<std::int32_t>(newBuf.get());
      action = std::find(skip.begin(), skip.end(), id) != skip.end() ? uaSkip : uaApplied;
      ++applied;
    };
  }

  void Fill(int id, int value) {
    store.InitRecord(rec.get());
    store.PutFieldByNo(1, rec.get(), &id);
    store.PutFieldByNo(2, rec.get(), &value);
  }

  int StoreCurrentId() const {
    const void* p = store.CurrentRecordPtr();
    return p ? ReadValue<std::int32_t>(p) : -1;
  }

  void Check(const std::string& step) {
    ASSERT_EQ(store.GetRecordCount(), model.Count()) << step;
    ASSERT_EQ(StoreCurrentId(), model.CurrentId()) << step;
    ASSERT_EQ(store.GetRecNo(), model.RecNo()) << step;
    ASSERT_EQ(store.GetEOF(), model.GetEOF()) << step;
    ASSERT_EQ(store.GetBOF(), model.GetBOF()) << step;
    ASSERT_EQ(store.GetUpdatesPending(), model.Pending()) << step;
    ASSERT_EQ(store.UpdateListCount(), model.updates.size()) << step;
    if (model.cursor >= 0) {
      ASSERT_EQ(store.GetUpdateStatus(), model.At(model.cursor).status) << step;
    }
    std::vector<int> numbers = dynamic_cast<Numbered&>(store).Numbers(), expected(numbers.size());
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<int>(i) + 1;
    ASSERT_EQ(numbers, expected) << step;
  }

  // A full scan forwards, checking each record's value and number, then the model follows.
  void Scan(const std::string& step) {
    store.SetToBegin();
    model.SetToBegin();
    std::vector<std::pair<int, int>> seen, expected;
    while (true) {
      store.GetNextRecord(rec.get());
      if (store.GetEOF()) break;
      seen.emplace_back(ReadValue<std::int32_t>(rec.get()), store.GetRecNo());
      ASSERT_LT(seen.size(), 100000u);
    }
    int n = 0;
    for (const auto& it : model.items)
      if (model.Visible(it)) expected.emplace_back(it.id, ++n);
    while (!model.GetEOF()) model.Next();
    ASSERT_EQ(seen, expected) << step;
  }

  std::unique_ptr<TMemData> owned = MakeInspectable(std::get<0>(GetParam()));
  TMemData& store = *owned;
  Model model;
  std::unique_ptr<std::uint8_t[]> rec, newBuf, oldBuf;
  std::vector<int> skip;
  int applied = 0;
};

TEST_P(MemDataModelTest, AgreesWithVectorModel) {
  std::mt19937 rng(std::get<1>(GetParam()));
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  int nextId = 1;
  std::vector<Bookmark> bookmarks;
  for (int step = 0; step < 3000; ++step) {
    const int op = pick(100);
    std::string name;
    if (op < 15) {
      name = "append";
      int v = pick(100);
      Fill(nextId, v);
      store.AppendRecord(rec.get());
      model.SetToEnd();
      model.Insert(nextId++, v);
    } else if (op < 27) {
      name = "insert";
      int v = pick(100);
      Fill(nextId, v);
      store.InsertRecord(rec.get());
      model.Insert(nextId++, v);
    } else if (op < 35) {
      name = "delete";
      if (model.cursor < 0) continue;
      store.DeleteRecord();
      model.Delete();
    } else if (op < 45) {
      name = "update";
      if (model.cursor < 0) continue;
      int v = pick(100);
      Fill(model.CurrentId(), v);
      store.UpdateRecord(rec.get());
      model.Update(v);
    } else if (op < 55) {
      name = "next";
      store.GetNextRecord(rec.get());
      model.Next();
    } else if (op < 63) {
      name = "prior";
      store.GetPriorRecord(rec.get());
      model.Prior();
    } else if (op < 66) {
      name = "begin";
      store.SetToBegin();
      model.SetToBegin();
    } else if (op < 69) {
      name = "end";
      store.SetToEnd();
      model.SetToEnd();
    } else if (op < 74) {
      int n = pick(model.Count() + 3) - 1;
      name = "recno " + std::to_string(n);
      int before = StoreCurrentId(), beforeNo = store.GetRecNo();
      store.SetRecNo(n);
      model.SetRecNo(n);
      if (StoreCurrentId() != model.CurrentId())
        ADD_FAILURE() << "from " << before << " no " << beforeNo << " count " << store.GetRecordCount()
                      << " filter " << model.filter << " cached " << model.cached;
    } else if (op < 78) {
      name = "take bookmark";
      Bookmark b;
      store.GetBookmark(b.store);
      if (model.cursor >= 0) b.id = model.CurrentId();
      b.recNo = model.cursor >= 0 ? model.RecNo() : -1;
      bookmarks.push_back(b);
    } else if (op < 82) {
      name = "goto bookmark";
      if (bookmarks.empty()) continue;
      const Bookmark& b = bookmarks[static_cast<std::size_t>(pick(static_cast<int>(bookmarks.size())))];
      store.SetToBookmark(b.store);
      int index = b.id ? model.IndexOf(*b.id) : -1;
      if (index >= 0) {
        // Also an item hidden since becomes the cursor...
        model.cursor = index;
        model.bof = model.eof = false;
        ASSERT_EQ(StoreCurrentId(), model.CurrentId());
      } else if (b.recNo != -1) {
        model.SetRecNo(b.recNo);
      }
      // ... and reading it moves on to the next record shown.
      store.GetRecord(rec.get());
      if (model.cursor >= 0 && !model.Visible(model.At(model.cursor))) model.Next();
    } else if (op < 85) {
      name = "filter";
      model.filter = !model.filter;
      store.SetFilterText(model.filter ? "V >= 50" : "");
      model.FilterUpdated();
    } else if (op < 87) {
      name = "cached";
      bool on = !model.cached;
      store.SetCachedUpdates(on);
      model.SetCached(on);
    } else if (op < 90) {
      name = "apply";
      skip.clear();
      for (int id : model.updates)
        if (pick(4) == 0) skip.push_back(id);
      store.ApplyUpdates();
      model.Apply(skip);
    } else if (op < 93) {
      name = "commit";
      skip.clear();
      for (int id : model.updates)
        if (pick(4) == 0) skip.push_back(id);
      store.CommitUpdates();
      model.Commit(skip);
    } else if (op < 95) {
      name = "cancel";
      store.CancelUpdates();
      model.Cancel();
    } else if (op < 97) {
      name = "revert";
      store.RevertRecord();
      model.RevertCurrent();
    } else {
      name = "scan";
      Scan("step " + std::to_string(step));
      if (HasFatalFailure()) return;
    }
    Check("step " + std::to_string(step) + " " + name);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MemDataModelTest, ::testing::Combine(testing::kAllStores, ::testing::Range(1u, 25u)));

}  // namespace
}  // namespace da
