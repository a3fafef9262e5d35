#include "oracle/net/NetHandle.h"

#include <algorithm>
#include <cstring>

#include "oracle/net/NetCallInterface.h"
#include "oracle/net/NetStatementHandle.h"
#include "oracle/net/OraCrypt.h"
#include "oracle/net/NetText.h"

namespace ora {

sword TNetHandle::AttrGet(ub4, void*, ub4*) { return OCI_INVALID_HANDLE; }

sword TNetHandle::AttrSet(ub4, void*, ub4, TNetError*) { return OCI_INVALID_HANDLE; }

sword TNetHandle::ParamGet(ub4, TNetHandle*&, TNetError*) { return OCI_INVALID_HANDLE; }

sword TNetSessionHandle::AttrSet(ub4 attribute, void* value, ub4 size, TNetError*) {
  switch (attribute) {
    case OCI_ATTR_USERNAME: UserName = TextOfLength(static_cast<const char*>(value), size); return OCI_SUCCESS;
    case OCI_ATTR_PASSWORD: Password = TextOfLength(static_cast<const char*>(value), size); return OCI_SUCCESS;
    default: return OCI_INVALID_HANDLE;
  }
}

TNetServiceContext::TNetServiceContext(void* owner) : TNetHandle(owner), session_(std::make_unique<TNetSession>()) {}

TNetServiceContext::~TNetServiceContext() {
  // Statements may outlive their context (a command freed after its connection): they must not
  // reach for the session once it is gone.
  const std::set<TNetStatement*> statements = std::move(statements_);
  for (TNetStatement* statement : statements) statement->ContextGone();
}

sword TNetServiceContext::AttrGet(ub4 attribute, void* value, ub4*) {
  if (attribute != kNetAttrEnvironment || !value) return OCI_INVALID_HANDLE;
  *static_cast<void**>(value) = Owner();
  return OCI_SUCCESS;
}

sword TNetServiceContext::AttrSet(ub4 attribute, void* value, ub4, TNetError* error) {
  switch (attribute) {
    case OCI_ATTR_SERVER:
      server_ = NetHandleAs<TNetServerHandle>(value);
      return server_ || !value ? OCI_SUCCESS : OCI_INVALID_HANDLE;
    case OCI_ATTR_SESSION:
      sessionHandle_ = NetHandleAs<TNetSessionHandle>(value);
      return sessionHandle_ || !value ? OCI_SUCCESS : OCI_INVALID_HANDLE;
    case kNetAttrConnectTimeout:
    case kNetAttrReceiveTimeout: {
      if (!value) return OCI_INVALID_HANDLE;
      ub4 ms;
      std::memcpy(&ms, value, sizeof ms);
      const int bounded = int(std::min<ub4>(ms, 0x7FFFFFFF));
      if (attribute == kNetAttrConnectTimeout) session_->ConnectTimeoutMs = bounded > 0 ? bounded : TNetSession::kDefaultConnectTimeoutMs;
      else session_->ReceiveTimeoutMs = bounded;
      return OCI_SUCCESS;
    }
    case OCI_ATTR_CHARSET_ID: {
      if (!value) return OCI_INVALID_HANDLE;
      ub2 id;
      std::memcpy(&id, value, sizeof id);
      TNetError ignored;
      return session_->SetClientCharset(id, error ? *error : ignored);
    }
    default:
      return OCI_INVALID_HANDLE;
  }
}

int TNetServiceContext::Logon(TNetError& error) {
  if (!server_ || !sessionHandle_) return OCI_INVALID_HANDLE;
  session_->ServerText = server_->ServerText;
  session_->UserName = sessionHandle_->UserName;
  session_->Password = sessionHandle_->Password;
  WipeText(sessionHandle_->Password);  // the session wipes its copy once the logon is over
  return session_->Logon(error);
}

sword TNetLobLocator::AttrSet(ub4 attribute, void* value, ub4, TNetError*) {
  if (attribute != kNetAttrLobEmpty) return OCI_INVALID_HANDLE;
  ub4 empty = 0;
  if (value) std::memcpy(&empty, value, sizeof empty);
  Lob.empty = empty != 0;
  return OCI_SUCCESS;
}

}  // namespace ora
