#pragma once
// The two back ends the Oracle layer's scenarios run against, behind one face:
// - the stand-in client library (tools/fakeoci) loaded from a temporary Oracle home, its SQLite
//   database holding the scenario tables;
// - the direct network client (InitNet) talking to the fake listener, whose server knows the same
//   tables (generated rows, longs, lobs).
// A scenario sets its connection up through Configure, and asks the back end only what the two
// servers show differently: the version they report, the transactions they saw, and how a
// connection is lost.
//
// One back end per test; SetUp and TearDown run on the test's thread.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "oracle/server/OraConnection.h"

namespace ora::scenario {

class TScenarioBackend {
 public:
  virtual ~TScenarioBackend() = default;
  virtual void SetUp() = 0;
  virtual void TearDown() = 0;

  // User, password and server of this back end's scott/tiger.
  virtual void Configure(TOCIConnection& connection) = 0;
  virtual std::string ServerVersion() const = 0;
  // What the server did to transactions, in order: "commit" or "rollback".
  virtual std::vector<std::string> Transactions() = 0;
  // The connection drops in the middle of the n-th fetch call (counted from 1, each asking for
  // rowsPerFetch rows), as when the server's host goes away; set before connecting.
  virtual void DropConnectionDuringFetch(int fetchCall, int rowsPerFetch) = 0;
};

enum class Backend { StandIn, Net };
std::unique_ptr<TScenarioBackend> MakeBackend(Backend backend);
// The prefix of a test's name on that back end: "StandIn_" or "Net_".
std::string NamePrefix(Backend backend);

// Oracle errors after which the session is gone: the session component treats them as fatal.
bool IsFatalOraError(int code);
// The code of the Oracle error an action raises, or 0 when it raises none.
int OraCodeOf(const std::function<void()>& action);

}  // namespace ora::scenario
