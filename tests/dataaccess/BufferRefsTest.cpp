// References that the dataset's spare buffer holds on the complex values of a record it read.
#include <gtest/gtest.h>

#include "dataaccess/Blob.h"
#include "dataaccess/MemDS.h"

namespace da {
namespace {

class RefHoldingDataSet : public TMemDataSet {
 public:
  explicit RefHoldingDataSet(bool refs) { BufferRefs = refs; }
};

TEST(BufferRefs, TheSpareBufferKeepsTheValuesOfARecordItReadAlive) {
  for (bool refs : {false, true}) {
    SCOPED_TRACE(refs);
    RefHoldingDataSet ds(refs);
    ds.Data().AutoInitFields = false;
    ds.Data().AddField("ID", dtInt32);
    ds.Data().AddField("NOTE", dtBlob);
    ds.Data().InitFields();
    ds.Open();
    for (int id : {1, 2}) {
      ds.Append();
      ds.FieldByName("ID").SetAsInteger(id);
      ds.CreateBlobStream(ds.FieldByName("NOTE"), TBlobStreamMode::bmWrite)->Write("text", 4);
      ds.Post();
    }
    ds.First();
    TBlob* blob = ds.Data().GetBlob(2, ds.Data().CurrentRecordPtr());
    ASSERT_NE(blob, nullptr);
    blob->AddRef();  // the test's own, to look at the count after the store let go
    ds.Last();
    EXPECT_EQ(ds.Lookup("ID", {Variant(1)}, "ID").AsInteger(), 1);
    EXPECT_EQ(blob->RefCount(), refs ? 3 : 2);
    ds.First();
    ds.Delete();
    EXPECT_EQ(blob->RefCount(), refs ? 2 : 1) << "the store let go; the spare buffer still holds it";
    // The next lookup refills the spare buffer and drops its references on the former record.
    EXPECT_EQ(ds.Lookup("ID", {Variant(2)}, "ID").AsInteger(), 2);
    EXPECT_EQ(blob->RefCount(), 1);
    blob->Release();
  }
}

}  // namespace
}  // namespace da
