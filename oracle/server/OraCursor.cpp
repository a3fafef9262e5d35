#include "oracle/server/OraCursor.h"

#include <cstring>

#include "oracle/client/OraCall.h"
#include "oracle/OraConsts.h"

namespace ora {

TOraCursor::TOraCursor() : callStyle_(OCICallStyle) {}

TOraCursor::~TOraCursor() {
  // A destructor cannot report: the handle is given back without checking, and not at all once
  // the library is gone.
  if (stmt_) {
    try {
      OCIHandleFree(stmt_, OCI_HTYPE_STMT);
    } catch (...) {
    }
  }
}

void TOraCursor::AllocCursor() {
  if (callStyle_ == 0) callStyle_ = OCICallStyle;
  if (callStyle_ == OCI73) {
    if (!cda_) cda_ = std::make_unique<CdaDef>();
    std::memset(cda_.get(), 0, sizeof(CdaDef));
  } else if (callStyle_ == OCI80) {
    if (!stmt_) {
      if (!env_) env_ = hOCIEnv;
      OCIStmt* stmt = nullptr;
      Check(OCIHandleAlloc(env_, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr));
      stmt_ = stmt;
    }
  } else {
    RaiseError(SOCINotInited);
  }
}

void TOraCursor::FreeCursor() {
  // Another holder still uses the handle. (The count is already 0 while the last release runs.)
  if (RefCount() > 1) return;
  if (cda_) {
    if (callStyle_ != OCI73) RaiseError(SNeedOCI73);
    cda_.reset();
  }
  if (stmt_) {
    if (callStyle_ != OCI80) RaiseError(SNeedOCI80);
    OCIStmt* stmt = stmt_;
    stmt_ = nullptr;
    env_ = nullptr;
    Check(OCIHandleFree(stmt, OCI_HTYPE_STMT));
  }
}

CdaDef* TOraCursor::GetCDA() {
  if (callStyle_ != OCI73) RaiseError(SNeedOCI73);
  if (!cda_) AllocCursor();
  return cda_.get();
}

OCIStmt* TOraCursor::GetOCIStmt() {
  if (callStyle_ != OCI80) RaiseError(SNeedOCI80);
  if (!stmt_) AllocCursor();
  return stmt_;
}

OCIStmt** TOraCursor::GetOCIStmtPtr() {
  GetOCIStmt();
  return &stmt_;
}

void TOraCursor::SetCallStyle(std::uint8_t style) {
  if (style == callStyle_) return;
  FreeCursor();
  callStyle_ = style;
}

}  // namespace ora
