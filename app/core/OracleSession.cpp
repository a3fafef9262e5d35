#include "app/core/OracleSession.h"

#include <mutex>

namespace sch {

namespace {
std::mutex g_mutex;
std::shared_ptr<TOracleSession> g_session;
}  // namespace

void SetOracleSession(std::shared_ptr<TOracleSession> session) {
  std::lock_guard lock(g_mutex);
  g_session = std::move(session);
}

std::shared_ptr<TOracleSession> GetOracleSession() {
  std::lock_guard lock(g_mutex);
  return g_session;
}

}  // namespace sch
