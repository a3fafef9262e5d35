// Scrollable cursors: a query executed scrollable holds its whole result, and fetches go to the
// next, first, last, prior, an absolute or a relative row. The row count is the highest row number
// fetched so far, so that fetching the last row tells the caller the size of the result.
#include <algorithm>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

constexpr ub2 kFetchFirst = 4;
constexpr ub2 kFetchPrior = 16;
constexpr ub2 kFetchRelative = 64;

}  // namespace

Status Cursor::ReadAllRows() {
  allRows_.clear();
  for (;;) {
    std::vector<Value> row;
    bool have = false;
    Status s = StepRow(row, have);
    if (!s.Ok()) return s;
    if (!have) break;
    allRows_.push_back(std::move(row));
  }
  scrollable_ = true;
  position_ = 0;
  rowCount_ = 0;
  return {};
}

Status Cursor::FetchScroll(ub4 rows, ub2 orientation, sb4 offset, ub4& got) {
  got = 0;
  const auto size = static_cast<std::int64_t>(allRows_.size());
  std::int64_t start;
  switch (orientation) {
    case 0:
    case OCI_FETCH_NEXT: start = static_cast<std::int64_t>(position_) + 1; break;
    case kFetchFirst: start = 1; break;
    case OCI_FETCH_LAST:
      start = size;
      rows = std::min<ub4>(rows, 1);
      break;
    case kFetchPrior: start = static_cast<std::int64_t>(position_) - 1; break;
    case OCI_FETCH_ABSOLUTE: start = offset; break;
    case kFetchRelative: start = static_cast<std::int64_t>(position_) + offset; break;
    default: return Error(24391, "invalid fetch operation");
  }
  if (start < 1 || start > size) {
    position_ = start < 1 ? 0 : static_cast<ub4>(size + 1);
    return Error(1403);
  }
  for (ub4 r = 0; r < rows && start + r <= size; ++r) {
    Status s = PutRow(allRows_[static_cast<std::size_t>(start + r - 1)], r);
    if (!s.Ok() && s.code != 24345) return s;
    ++got;
    position_ = static_cast<ub4>(start + r);
  }
  rowCount_ = std::max(rowCount_, position_) + RowCountBias();
  return got < rows ? Error(1403) : Status{};
}

}  // namespace fakeoci
