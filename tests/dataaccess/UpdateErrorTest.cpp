// Errors while applying cached updates: what OnUpdateError receives and what each action it
// chooses does to the apply and to the store's record of results.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dataaccess/MemDS.h"

namespace da {
namespace {

using Log = std::vector<std::string>;

// Perform operations that fail a set number of times, the way a server refuses a statement.
class RefusingDataSet : public TMemDataSet {
 public:
  bool armed = false;    // rows written to the store before the dataset opened are no changes
  int refusals = 0;      // how many performs raise a database error
  bool foreign = false;  // raise a non-database exception instead
  Log performed;

 protected:
  bool PerformAppend() override { return Perform("insert"), true; }
  bool PerformUpdate() override { return Perform("modify"), true; }
  bool PerformDelete() override { return Perform("delete"), true; }

 private:
  void Perform(const char* what) {
    if (!armed) return;
    const std::string entry = std::string(what) + ":" + FieldByName("ID").AsString();
    if (refusals > 0) {
      --refusals;
      if (foreign) throw std::runtime_error("out of memory");
      throw EDatabaseError("refused " + entry);
    }
    performed.push_back(entry);
  }
};

// Three stored rows, then cached changes: modify 1, delete 3, insert 9 (applied in that order).
std::unique_ptr<RefusingDataSet> MakeChanged() {
  auto made = std::make_unique<RefusingDataSet>();
  RefusingDataSet& ds = *made;
  TMemData& data = ds.Data();
  data.AutoInitFields = false;
  data.AddField("ID", dtInt32);
  data.AddField("NAME", dtString, 10);
  data.InitFields();
  data.Open();
  std::unique_ptr<std::uint8_t[]> rec(data.AllocRecBuf());
  for (std::int32_t i = 1; i <= 3; ++i) {
    data.InitRecord(rec.get());
    data.PutFieldByNo(1, rec.get(), &i);
    data.AppendRecord(rec.get());
  }
  ds.SetCachedUpdates(true);
  ds.Open();
  ds.Edit();
  ds.FieldByName("NAME").SetAsString("changed");
  ds.Post();
  ds.Last();
  ds.Delete();
  ds.Append();
  ds.FieldByName("ID").SetAsInteger(9);
  ds.Post();
  ds.First();
  ds.armed = true;
  return made;
}

class UpdateErrorFixture : public ::testing::Test {
 protected:
  std::unique_ptr<RefusingDataSet> made = MakeChanged();
  RefusingDataSet& ds = *made;
};

TEST_F(UpdateErrorFixture, TheActionChosenForARefusedChangeDecidesTheApply) {
  const struct {
    const char* what;
    TUpdateAction chosen;
    const char* raises;            // "db", "abort" or "" (nothing)
    Log performed;                 // after the first change was refused once
    TUpdateAction firstResult;     // the store's result for the refused change
  } cases[] = {
      {"fail", uaFail, "db", {}, uaFail},
      {"abort", uaAbort, "abort", {}, uaAbort},
      {"skip", uaSkip, "", {"delete:3", "insert:9"}, uaSkip},
      {"applied", uaApplied, "", {"delete:3", "insert:9"}, uaApplied},
      {"retry", uaRetry, "", {"modify:1", "delete:3", "insert:9"}, uaApplied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto fresh = MakeChanged();
    RefusingDataSet& ds = *fresh;
    ds.refusals = 1;
    Log seen;
    ds.OnUpdateError = [&](TDataSet& d, const EDatabaseError& error, TUpdateKind kind, TUpdateAction& action) {
      seen.push_back(std::string(error.what()) + "/" + std::to_string(kind) + "/" + std::to_string(action) + "/" +
                     std::to_string(d.Modified()));
      action = c.chosen;
    };
    std::string raised;
    try {
      ds.ApplyUpdates();
    } catch (const EAbort&) {
      raised = "abort";
    } catch (const EDatabaseError& e) {
      raised = "db";
      EXPECT_STREQ(e.what(), "refused modify:1") << "the error raised again is the one the server gave";
    }
    EXPECT_EQ(raised, c.raises);
    // The handler sees the server's error, the kind of change and the action so far (fail).
    EXPECT_EQ(seen, (Log{"refused modify:1/0/0/0"}));
    EXPECT_EQ(ds.performed, c.performed);
    ds.First();
    EXPECT_EQ(ds.Data().GetUpdateResult(), c.firstResult);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(ds.Modified());
  }
}

TEST_F(UpdateErrorFixture, AFailedApplyCanBeAppliedAgainOnceTheServerAccepts) {
  ds.refusals = 1;
  EXPECT_THROW(ds.ApplyUpdates(), EDatabaseError);
  EXPECT_TRUE(ds.performed.empty());
  ds.ApplyUpdates();
  EXPECT_EQ(ds.performed, (Log{"modify:1", "delete:3", "insert:9"}));
  ds.CommitUpdates();
  EXPECT_EQ(ds.UpdateStatus(), isUnmodified);
}

TEST_F(UpdateErrorFixture, WithoutAHandlerTheErrorPassesOnAndOtherExceptionsNeverReachIt) {
  ds.refusals = 1;
  EXPECT_THROW(ds.ApplyUpdates(), EDatabaseError);

  int calls = 0;
  ds.OnUpdateError = [&](TDataSet&, const EDatabaseError&, TUpdateKind, TUpdateAction& action) {
    ++calls;
    action = uaSkip;
  };
  ds.refusals = 1;
  ds.foreign = true;
  EXPECT_THROW(ds.ApplyUpdates(), std::runtime_error);
  EXPECT_EQ(calls, 0);
}

TEST_F(UpdateErrorFixture, ErrorsOfTheUpdateRecordHandlerAreHandledLikeTheServers) {
  // The handler refuses the delete; the error handler skips it, and the insert still goes.
  Log handled;
  ds.OnUpdateRecord = [&](TDataSet& d, TUpdateKind kind, TUpdateAction& action) {
    if (kind == ukDelete) throw EDatabaseError("no deletes");
    handled.push_back(std::to_string(kind) + ":" + d.FieldByName("ID").AsString());
    action = uaApplied;
  };
  Log errors;
  ds.OnUpdateError = [&](TDataSet&, const EDatabaseError& error, TUpdateKind kind, TUpdateAction& action) {
    errors.push_back(std::string(error.what()) + "/" + std::to_string(kind));
    action = uaSkip;
  };
  ds.ApplyUpdates();
  EXPECT_EQ(handled, (Log{"0:1", "1:9"}));
  EXPECT_EQ(errors, (Log{"no deletes/2"}));
  EXPECT_TRUE(ds.performed.empty()) << "an update-record handler replaces the dataset's own processing";
}

}  // namespace
}  // namespace da
