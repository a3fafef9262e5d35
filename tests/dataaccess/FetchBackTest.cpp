// Scrollable record sets: moving back before the first row held fetches the rows before it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/MemDS.h"
#include "tests/dataaccess/ScriptDriver.h"

namespace da {
namespace {

// A script record set whose cursor was positioned at row `start` (0-based) of the result, the
// way a scrollable server cursor is: rows after the held ones come with Fetch(false), rows before
// them with Fetch(true).
class ScrollingRecordSet : public testing::ScriptRecordSet {
 public:
  ScrollingRecordSet(std::size_t start, bool scrollable) : lo_(start), hi_(start), scrollable_(scrollable) {}
  bool CanFetchBack() override { return scrollable_; }
  std::vector<std::string> fetches;  // "+" forward, "-" backward, "0" dry in either direction

  bool Fetch(bool fetchBack) override {
    const auto& rows = static_cast<testing::ScriptCommand&>(*GetCommand()).Result().Rows;
    TItemHeader* const cursor = CurrentItem();
    const bool bof = bof_, eof = eof_;
    std::unique_ptr<std::uint8_t[]> record(AllocRecBuf());
    auto put = [&](std::size_t row, TItemHeader* item) {
      InitRecord(record.get());
      for (std::size_t i = 0; i < rows[row].size(); ++i)
        PutFieldAsVariant(static_cast<int>(i) + 1, record.get(), rows[row][i]);
      item->UpdateStatus = isUnmodified;
      item->UpdateResult = uaNone;
      item->Rollback = nullptr;
      BlockManager().PutRecord(item, record.get());
    };
    int n = 0;
    if (fetchBack) {
      for (; n < FetchRows && lo_ > 0; ++n) {
        --lo_;
        SetCurrentItem(FirstItem());
        put(lo_, InsertItem());
      }
    } else {
      for (; n < FetchRows && hi_ < rows.size(); ++n, ++hi_) put(hi_, AppendItem());
    }
    SetCurrentItem(cursor);
    bof_ = bof;
    eof_ = eof;
    fetches.push_back(n == 0 ? "0" : fetchBack ? "-" : "+");
    if (n == 0) return false;
    Recount();
    return true;
  }

 private:
  std::size_t lo_, hi_;
  bool scrollable_;
};

class ScrollingDataSet : public TMemDataSet {
 public:
  ScrollingDataSet(testing::ScriptConnection& connection, std::size_t start, bool scrollable) {
    auto rs = std::make_unique<ScrollingRecordSet>(start, scrollable);
    rs->SetConnection(&connection);
    rs->SetSQL("select * from t");
    rs->SetProp(prFetchRows, Variant(10));
    recordSet = rs.get();
    SetIRecordSet(std::move(rs));
  }
  ScrollingRecordSet* recordSet;
};

class FetchBack : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ScriptResult r;
    r.Columns = {{"N", dtInt32}};
    for (int i = 1; i <= 60; ++i) r.Rows.push_back({Variant(i)});
    script.Results["select * from t"] = r;
  }

  // N of every record from the current one back to the first.
  static std::vector<int> WalkBack(TDataSet& ds) {
    std::vector<int> seen{ds.FieldByName("N").AsInteger()};
    while (true) {
      ds.Prior();
      if (ds.Bof()) return seen;
      seen.push_back(ds.FieldByName("N").AsInteger());
    }
  }

  testing::Script script;
  testing::ScriptConnection connection{script};
};

using Fetches = std::vector<std::string>;

TEST_F(FetchBack, MovingBackFetchesTheRowsBeforeTheFirstHeld) {
  const struct {
    const char* what;
    bool oddOnly;
  } cases[] = {
      {"all rows", false},
      {"a filter hides rows across the fetched blocks", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScrollingDataSet ds(connection, 30, true);
    if (c.oddOnly) {
      ds.SetOnFilterRecord([](TDataSet& d, bool& accept) { accept = d.FieldByName("N").AsInteger() % 2 == 1; });
      ds.SetFiltered(true);
    }
    ds.Open();
    EXPECT_EQ(ds.FieldByName("N").AsInteger(), 31);
    // Opening leaves the dataset at BOF; one step in, so that the walk back starts off it.
    ds.Next();
    const int from = c.oddOnly ? 33 : 32;
    std::vector<int> expected;
    for (int n = from; n >= 1; --n)
      if (!c.oddOnly || n % 2 == 1) expected.push_back(n);
    EXPECT_EQ(WalkBack(ds), expected);
    // Three blocks before row 31, then one dry backward fetch that ends the walk with BOF.
    EXPECT_EQ(ds.recordSet->fetches, (Fetches{"+", "-", "-", "-", "0"}));
    // The rows fetched backwards are in order and numbered from the first.
    ds.First();
    EXPECT_EQ(ds.FieldByName("N").AsInteger(), 1);
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Next();
    EXPECT_EQ(ds.FieldByName("N").AsInteger(), c.oddOnly ? 3 : 2);
    // Forward past the rows held fetches forward again.
    EXPECT_TRUE(ds.Locate("N", {Variant(39)}, 0));
    ds.Next();
    ds.Next();
    EXPECT_EQ(ds.FieldByName("N").AsInteger(), c.oddOnly ? 43 : 41);
    EXPECT_EQ(ds.recordSet->fetches.back(), "+");
  }
}

TEST_F(FetchBack, ARecordSetThatCannotFetchBackStopsAtTheFirstRowHeld) {
  ScrollingDataSet ds(connection, 30, false);
  ds.Open();
  ds.Next();
  EXPECT_EQ(WalkBack(ds), (std::vector<int>{32, 31}));
  EXPECT_EQ(ds.recordSet->fetches, (Fetches{"+"}));
}

TEST_F(FetchBack, AnEmptyScrollableResultAsksOnceBackwardsAndIsEmpty) {
  ScrollingDataSet ds(connection, 0, true);
  ds.Open();
  ds.Last();
  EXPECT_EQ(ds.FieldByName("N").AsInteger(), 10);
  EXPECT_EQ(WalkBack(ds), (std::vector<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(ds.recordSet->fetches, (Fetches{"+", "0"}));
}

}  // namespace
}  // namespace da
