// Blobs: pieces and their sizes, reads and writes at the edges, cached mode with rollback,
// line-end conversion across piece boundaries, and randomised runs against a std::string model.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "dataaccess/Blob.h"
#include "dataaccess/DAErrors.h"
#include "dataaccess/Stream.h"

namespace da {
namespace {

// Owns one reference of a blob for the length of a test.
struct BlobRef {
  TBlob* b = new TBlob();
  ~BlobRef() { b->Release(); }
  TBlob* operator->() const { return b; }
};

std::vector<std::uint32_t> PieceSizes(const TBlob& blob) {
  std::vector<std::uint32_t> sizes;
  for (TPieceHeader* p = blob.GetFirstPiece(); p; p = p->Next) sizes.push_back(p->Size);
  return sizes;
}

// A blob whose pieces hold exactly the given parts.
void Fill(TBlob& blob, const std::vector<std::string>& parts) {
  for (const std::string& part : parts) {
    TPieceHeader* piece;
    blob.AllocPiece(piece, static_cast<std::uint32_t>(part.size()));
    std::memcpy(TBlob::PieceData(piece), part.data(), part.size());
    *TBlob::PieceUsedPtr(piece) = static_cast<std::uint32_t>(part.size());
    blob.AppendPiece(piece);
  }
}

TEST(TBlob, ReadsAtTheEdges) {
  BlobRef blob;
  char buf[16] = {};
  EXPECT_EQ(blob->Read(0, 0, buf), 0u);
  blob->SetAsString("hello");
  EXPECT_EQ(blob->Read(0, 0, buf), 5u);  // count 0: the whole value
  EXPECT_EQ(std::string(buf, 5), "hello");
  EXPECT_EQ(blob->Read(5, 3, buf), 0u);
  EXPECT_EQ(blob->Read(9, 3, buf), 0u);
  EXPECT_EQ(blob->Read(3, 10, buf), 2u);
  EXPECT_EQ(std::string(buf, 2), "lo");
}

TEST(TBlob, WriteBeyondTheEndLeavesNoGap) {
  BlobRef blob;
  blob->SetAsString("12345");
  blob->Write(100, 10, "abcdefghij");
  EXPECT_EQ(blob->GetAsString(), "12345abcdefghij");
}

TEST(TBlob, PiecesOfAFreshWrite) {
  BlobRef blob;
  blob->Write(0, 3, "abc");
  EXPECT_EQ(PieceSizes(*blob.b), (std::vector<std::uint32_t>{3}));
  blob->Write(3, 1, "d");
  EXPECT_EQ(PieceSizes(*blob.b), (std::vector<std::uint32_t>{3, 1}));
  EXPECT_EQ(blob->GetAsString(), "abcd");
}

TEST(TBlob, LoadFromStreamMakesPiecesOfPieceSize) {
  std::vector<std::uint8_t> bytes(200000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  TMemoryStream in(bytes);
  in.Seek(500, TSeekOrigin::Beginning);  // loading starts at the stream's start anyway
  BlobRef blob;
  blob->LoadFromStream(in);
  EXPECT_EQ(PieceSizes(*blob.b), (std::vector<std::uint32_t>{65514, 65514, 65514, 3458}));
  EXPECT_EQ(blob->Size(), 200000u);
  TMemoryStream out(std::vector<std::uint8_t>(10, 1));
  blob->SaveToStream(out);
  EXPECT_EQ(out.Bytes(), bytes);
}

TEST(TBlob, TruncateKeepsMemoryUntilCompressed) {
  BlobRef blob;
  blob->SetAsString("0123456789");
  blob->Truncate(3);
  EXPECT_EQ(blob->Size(), 3u);
  EXPECT_EQ(PieceSizes(*blob.b), (std::vector<std::uint32_t>{10}));
  blob->Compress();
  EXPECT_EQ(PieceSizes(*blob.b), (std::vector<std::uint32_t>{3}));
  EXPECT_EQ(blob->GetAsString(), "012");
  blob->Truncate(0);
  EXPECT_EQ(blob->PieceCount(), 0);
}

TEST(TBlob, SpareRoomIsFilledBeforeANewPiece) {
  BlobRef blob;
  Fill(*blob.b, {"abcdef", "ghij"});
  blob->Truncate(4);  // "abcd": the first piece has two bytes spare, the second none used
  blob->Write(4, 5, "XYZUV");
  EXPECT_EQ(blob->GetAsString(), "abcdXYZUV");
  EXPECT_EQ(blob->PieceCount(), 2);
  blob->Compress();
  EXPECT_EQ(blob->GetAsString(), "abcdXYZUV");
}

// A piece in the middle with spare room (a piecewise fill that got fewer bytes than asked) must
// not take bytes that belong behind the pieces that follow it.
TEST(TBlob, SpareRoomInTheMiddleIsNotWrittenInto) {
  BlobRef blob;
  TPieceHeader* p;
  blob->AllocPiece(p, 10);
  std::memcpy(TBlob::PieceData(p), "xy", 2);
  p->Used = 2;
  blob->AppendPiece(p);
  Fill(*blob.b, {"zz"});
  blob->Write(3, 4, "1234");  // overwrites the last z, then appends
  EXPECT_EQ(blob->GetAsString(), "xyz1234");
  blob->Write(1, 2, "YZ");  // overwrites across the piece boundary
  EXPECT_EQ(blob->GetAsString(), "xYZ1234");
}

TEST(TBlob, PieceOperationsAreGuarded) {
  BlobRef blob, other;
  TPieceHeader* piece;
  EXPECT_THROW(blob->AllocPiece(piece, 0), EAssertionFailed);
  blob->AllocPiece(piece, 8);
  EXPECT_THROW(blob->ReallocPiece(piece, 8), EAssertionFailed);
  blob->AppendPiece(piece);
  EXPECT_THROW(other->DeletePiece(piece), EAssertionFailed);
  EXPECT_EQ(TBlob::PieceData(nullptr), nullptr);
  EXPECT_EQ(TBlob::PieceUsedPtr(nullptr), nullptr);
  blob->ReallocPiece(piece, 0);  // frees it, unlinking first
  EXPECT_EQ(piece, nullptr);
  EXPECT_EQ(blob->PieceCount(), 0);
}

TEST(TBlob, SaveRollbackNeedsCachedMode) {
  BlobRef blob;
  try {
    blob->SaveRollback();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Blob must be in cached mode.");
  }
}

TEST(TBlobCached, CancelRestoresAndCommitKeeps) {
  for (bool commit : {false, true}) {
    BlobRef blob;
    blob->SetAsString("old value");
    blob->EnableCache();
    blob->Clear();
    blob->Write(0, 3, "new");
    ASSERT_NE(blob->Rollback(), nullptr);
    EXPECT_EQ(blob->Rollback()->GetAsString(), "old value");
    if (commit) {
      blob->Commit();
      EXPECT_EQ(blob->GetAsString(), "new");
    } else {
      blob->Cancel();
      EXPECT_EQ(blob->GetAsString(), "old value");
    }
    EXPECT_FALSE(blob->Cached());
    EXPECT_EQ(blob->Rollback(), nullptr);
  }
}

// The first cached write keeps the value it writes into, and the rollback keeps its own copy.
TEST(TBlobCached, FirstWriteKeepsTheOldValue) {
  BlobRef blob;
  blob->SetAsString("hello world");
  blob->EnableCache();
  blob->Write(6, 5, "WORLD");
  EXPECT_EQ(blob->GetAsString(), "hello WORLD");
  blob->Write(0, 1, "H");  // a second write adds nothing to the rollback
  EXPECT_EQ(blob->Rollback()->GetAsString(), "hello world");
  blob->Cancel();
  EXPECT_EQ(blob->GetAsString(), "hello world");
}

TEST(TBlobCached, FirstTruncateKeepsTheHead) {
  BlobRef blob;
  blob->SetAsString("0123456789");
  blob->EnableCache();
  blob->Truncate(4);
  EXPECT_EQ(blob->GetAsString(), "0123");
  blob->Cancel();
  EXPECT_EQ(blob->GetAsString(), "0123456789");
  blob->EnableCache();
  blob->Truncate(0);
  EXPECT_EQ(blob->Size(), 0u);
  blob->Cancel();
  EXPECT_EQ(blob->GetAsString(), "0123456789");
}

struct LineCase {
  std::vector<std::string> pieces;
  std::string expanded;
  std::string collapsed;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.pieces.size() << " pieces"; }

class LineBreaks : public testing::TestWithParam<LineCase> {};

TEST_P(LineBreaks, ConvertAcrossPieces) {
  const LineCase& c = GetParam();
  for (bool expand : {true, false}) {
    BlobRef blob;
    blob->PieceSize = 4;
    Fill(*blob.b, c.pieces);
    if (expand) {
      blob->ExpandLineBreaks();
      EXPECT_EQ(blob->GetAsString(), c.expanded);
    } else {
      blob->CollapseLineBreaks();
      EXPECT_EQ(blob->GetAsString(), c.collapsed);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, LineBreaks,
                         testing::Values(LineCase{{"ab\r", "\ncd"}, "ab\r\ncd", "ab\ncd"},
                                         LineCase{{"a\n"}, "a\r\n", "a\n"},
                                         LineCase{{"\n\n", "x\n"}, "\r\n\r\nx\r\n", "\n\nx\n"},
                                         LineCase{{"\r\r\n", "\r"}, "\r\r\n\r", "\r\n\r"},
                                         LineCase{{"\r", "\r", "\n", "\n"}, "\r\r\n\r\n", "\r\n\n"},
                                         LineCase{std::vector<std::string>{}, "", ""},
                                         LineCase{{"plain text without breaks"}, "plain text without breaks",
                                                  "plain text without breaks"}));

TEST(TBlobLineBreaks, NewPiecesFollowTheRemainingInput) {
  BlobRef blob;
  blob->PieceSize = 100;
  Fill(*blob.b, {std::string(30, 'x') + "\n"});
  blob->ExpandLineBreaks();  // 31 bytes left, under half a piece: a piece of twice that
  EXPECT_EQ(PieceSizes(*blob.b), (std::vector<std::uint32_t>{62}));
  EXPECT_EQ(blob->Size(), 32u);
  blob->CollapseLineBreaks();
  EXPECT_EQ(PieceSizes(*blob.b), (std::vector<std::uint32_t>{32}));
  EXPECT_EQ(blob->GetAsString(), std::string(30, 'x') + "\n");
}

// ---- Randomised runs against a std::string model -------------------------------------------

std::string ExpandModel(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) out += '\r';
    out += s[i];
  }
  return out;
}

std::string CollapseModel(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i];
  }
  return out;
}

TEST(TBlobRandom, AgainstAStringModel) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    auto uniform = [&](std::uint32_t lo, std::uint32_t hi) { return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng); };
    BlobRef blob;
    blob->PieceSize = uniform(1, 40);
    std::string model;
    bool cached = false;
    std::optional<std::string> rollback;
    auto change = [&] {
      if (cached && !rollback) rollback = model;
    };
    auto randomBytes = [&](std::uint32_t n) {
      static const char alphabet[] = "ab\r\n\xC3\xA9xyz";
      std::string s;
      for (std::uint32_t i = 0; i < n; ++i) s += alphabet[uniform(0, sizeof alphabet - 2)];
      return s;
    };
    for (int step = 0; step < 1500; ++step) {
      const std::uint32_t op = uniform(0, 99);
      const auto size = static_cast<std::uint32_t>(model.size());
      if (op < 30) {
        std::uint32_t pos = uniform(0, size + 5);
        std::string data = randomBytes(uniform(0, 60));
        blob->Write(pos, static_cast<std::uint32_t>(data.size()), data.data());
        if (!data.empty()) {
          change();
          pos = std::min(pos, size);
          if (model.size() < pos + data.size()) model.resize(pos + data.size());
          model.replace(pos, data.size(), data);
        }
      } else if (op < 45) {
        std::uint32_t pos = uniform(0, size + 3), count = uniform(0, 50);
        std::string buf(count == 0 ? size + 1 : count, '\0');
        std::uint32_t got = blob->Read(pos, count, buf.data());
        std::string expect = pos >= size ? "" : model.substr(pos, count == 0 ? std::string::npos : count);
        ASSERT_EQ(buf.substr(0, got), expect) << "seed " << seed << " step " << step;
      } else if (op < 55) {
        std::uint32_t to = uniform(0, size + 3);
        blob->Truncate(to);
        change();
        if (to < size) model.resize(to);
      } else if (op < 58) {
        blob->Clear();
        change();
        model.clear();
      } else if (op < 63) {
        blob->Compress();
      } else if (op < 67) {
        blob->ExpandLineBreaks();
        change();
        model = ExpandModel(model);
      } else if (op < 71) {
        blob->CollapseLineBreaks();
        change();
        model = CollapseModel(model);
      } else if (op < 74) {
        std::string data = randomBytes(uniform(0, 100));
        blob->SetAsString(data);
        change();
        model = data;
      } else if (op < 77) {
        std::string data = randomBytes(uniform(0, 100));
        TMemoryStream in(std::vector<std::uint8_t>(data.begin(), data.end()));
        blob->LoadFromStream(in);
        change();
        model = data;
      } else if (op < 80) {
        TMemoryStream out;
        blob->SaveToStream(out);
        ASSERT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), model);
      } else if (op < 87) {
        blob->EnableCache();
        cached = true;
      } else if (op < 93) {
        blob->Commit();
        cached = false;
        rollback.reset();
      } else {
        blob->Cancel();
        if (rollback) model = *rollback;
        cached = false;
        rollback.reset();
      }
      ASSERT_EQ(blob->Size(), model.size()) << "seed " << seed << " step " << step << " op " << op;
      ASSERT_EQ(blob->Cached(), cached);
      ASSERT_EQ(blob->Rollback() != nullptr, rollback.has_value());
      // The chain is well formed: back links mirror forward links, every piece is owned.
      TPieceHeader* prev = nullptr;
      for (TPieceHeader* p = blob->GetFirstPiece(); p; p = p->Next) {
        ASSERT_EQ(p->Prev, prev);
        ASSERT_EQ(p->Blob, blob.b);
        ASSERT_LE(p->Used, p->Size);
        prev = p;
      }
    }
    ASSERT_EQ(blob->GetAsString(), model) << "seed " << seed;
  }
}

}  // namespace
}  // namespace da
