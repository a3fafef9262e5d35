#pragma once
// What the data module (TDM, SchDM.h) needs of its session and its one query, behind a small
// interface so that the module's rules (when to reconnect, how a script is prepared and split,
// which statements it sends) are tested without a database. OraDMLink.h gives the real one over
// the Oracle session and query components; tests give recording fakes.
//
// Ownership: a link is owned by one TDM. Threads: whichever thread uses its TDM, one at a time.
#include <chrono>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace sch {

// A user's login to a database: user, password and the server text (a net service name, or
// host:port:SID for the direct network client).
struct TOracleLogin {
  std::string user, password, server;
};

// Values bound by name (":NAME" in the text), as texts.
using TDMParams = std::vector<std::pair<std::string, std::string>>;
// Rows of an opened query: for each row the asked fields' values as texts (NULL: empty).
using TDMRows = std::vector<std::vector<std::string>>;

class TDMLink {
 public:
  virtual ~TDMLink() = default;
  virtual bool Connected() const = 0;
  // The login of the open connection (or of the last one).
  virtual std::string Username() const = 0;
  virtual std::string Server() const = 0;
  // Closes any connection, then connects with the login: through the direct network client when
  // net, with the client character set charset (empty: the client's default). Raises on failure.
  virtual void Connect(const TOracleLogin& login, bool net, const std::string& charset) = 0;
  virtual void Disconnect() = 0;
  // The query closed, given the text and the bound values, executed. Raises on failure.
  virtual void ExecSQL(const std::string& sql, const TDMParams& params) = 0;
  // The query closed, given the text and the bound values, opened; every row's fields named in
  // fields (in that order). Raises on failure, a missing field included.
  virtual TDMRows Open(const std::string& sql, const TDMParams& params, const std::vector<std::string>& fields) = 0;

  // Where the way to the database is one for the whole process (the client library or the
  // direct network client), Connect raises TDMClientBusy while another connection uses the other
  // way. A run's link holds its way while connected; the window's module only uses it, and gives
  // it up when a run needs the other way (TDMSession disconnects it). WaitForClient blocks until
  // no run's link holds the way other than the one asked for. Defaults: one way, nothing to wait.
  virtual void SetRunLink(bool /*run*/) {}
  virtual void WaitForClient(bool /*net*/) {}

  // Any thread, while another uses the link: the call in progress is broken off (it fails with
  // the database's cancel error), a wait in WaitForClient or a connect ends, and every later
  // statement, query or connect raises at once. For good: a broken link is thrown away. Default:
  // nothing can be broken off.
  virtual void Break() {}
  // Every later statement and query that has not returned within bound is broken off and raises
  // kCallTooLong; the link stays usable. Zero: no bound (the default, and a run's scripts').
  // Set before the link is used.
  virtual void SetCallBound(std::chrono::milliseconds /*bound*/) {}
};

// Our own text: a call of the window's broken off at its bound.
inline constexpr const char* kCallTooLong =
    "The database did not answer in time; the call was broken off so that the window goes on.";

// The other way to the database is in use by another connection.
class TDMClientBusy : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace sch
