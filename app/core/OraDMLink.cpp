#include "app/core/OraDMLink.h"

#include "oracle/OraDataSet.h"
#include "oracle/OraSQL.h"
#include "oracle/OraSession.h"

namespace sch {

TOraDMLink::TOraDMLink() : session_(std::make_unique<ora::TOraSession>()) {
  session_->SetConnectPrompt(false);
  // Each statement of a script is committed when it succeeds, as the module's query did: what ran
  // before a failing statement stays done, and nothing is left to the logoff.
  session_->InternalSQL().SetAutoCommit(true);
}

TOraDMLink::~TOraDMLink() {
  // The query goes before the session it is bound to.
  query_.reset();
  session_.reset();
}

bool TOraDMLink::Connected() const { return session_->Connected(); }
std::string TOraDMLink::Username() const { return session_->Username(); }
std::string TOraDMLink::Server() const { return session_->Server(); }

void TOraDMLink::Connect(const TOracleLogin& login, bool net, const std::string& charset) {
  if (query_) query_->Close();
  session_->Disconnect();
  session_->SetUsername(login.user);
  session_->SetPassword(login.password);
  session_->SetServer(login.server);
  session_->Options().SetNet(net);
  session_->Options().SetCharset(charset);
  session_->Connect();
}

void TOraDMLink::Disconnect() {
  if (query_) query_->Close();
  session_->Disconnect();
}

void TOraDMLink::ExecSQL(const std::string& sql, const TDMParams& params) {
  if (query_) query_->Close();
  std::vector<da::Variant> values;
  for (const auto& p : params) values.emplace_back(p.second);
  session_->ExecSQL(sql, values);
}

TDMRows TOraDMLink::Open(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields) {
  if (!query_) {
    // Made on first use: a client layer that has no record sets fails here, and only queries
    // fail with it.
    auto query = std::make_unique<ora::TOraQuery>();
    query->SetSession(session_.get());
    query_ = std::move(query);
  }
  query_->Close();
  query_->SetSQL(sql);
  for (const auto& [name, value] : params) query_->ParamByName(name).SetAsString(value);
  query_->Open();
  TDMRows rows;
  try {
    std::vector<da::TField*> columns;
    for (const std::string& name : fields) columns.push_back(&query_->FieldByName(name));
    for (; !query_->Eof(); query_->Next()) {
      std::vector<std::string> row;
      for (da::TField* f : columns) row.push_back(f->IsNull() ? std::string() : f->AsString());
      rows.push_back(std::move(row));
    }
  } catch (...) {
    query_->Close();
    throw;
  }
  query_->Close();
  return rows;
}

}  // namespace sch
