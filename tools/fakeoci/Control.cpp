// The control interface, the call log, injected failures, holds and delays.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>

#include <sqlite3.h>

#include "tools/fakeoci/FakeOci.h"

namespace fakeoci {

namespace {

struct Failure {
  std::string entry;
  int countdown;  // calls left before the failing one; -1 every call
  Injected error;
};

struct ControlState {
  std::mutex mutex;
  std::condition_variable changed;
  std::string log;
  std::vector<Failure> failures;
  std::map<std::string, int> delays;  // entry -> ms; < 0 until broken
  int waiting = 0;                    // calls waiting in a delay
  unsigned releases = 0;              // bumped by fakeoci_release
};

ControlState& State() {
  static ControlState state;
  return state;
}

// With the control lock held: waits ms milliseconds (< 0: without end) until the session is
// broken or the test releases the calls; a broken wait fails with ORA-01013.
std::optional<Injected> Hold(std::unique_lock<std::mutex>& lock, ServerSession* session, int ms) {
  ControlState& s = State();
  ++s.waiting;
  s.changed.notify_all();
  const unsigned releases = s.releases;
  auto done = [&] { return (session && session->breakRequested) || s.releases != releases; };
  if (ms < 0) {
    s.changed.wait(lock, done);
  } else {
    s.changed.wait_for(lock, std::chrono::milliseconds(ms), done);
  }
  --s.waiting;
  if (session && session->breakRequested) {
    session->breakRequested = false;
    return Injected{1013, "user requested cancel of current operation"};
  }
  return std::nullopt;
}

}  // namespace

std::optional<Injected> Enter(const char* entry, const std::string& details, ServerSession* session) {
  ControlState& s = State();
  std::unique_lock<std::mutex> lock(s.mutex);
  s.log += entry;
  if (!details.empty()) {
    s.log += ' ';
    for (char c : details) s.log += c == '\n' || c == '\r' ? ' ' : c;  // one line per call
  }
  s.log += '\n';

  for (auto it = s.failures.begin(); it != s.failures.end(); ++it) {
    if (it->entry != entry) continue;
    if (it->countdown < 0) return it->error;
    if (it->countdown-- == 0) {
      Injected e = it->error;
      s.failures.erase(it);
      return e;
    }
  }

  auto delay = s.delays.find(entry);
  if (delay == s.delays.end()) return std::nullopt;
  // A delay holds this call only: a break that came before it is no longer of interest.
  if (session) session->breakRequested = false;
  return Hold(lock, session, delay->second);
}

std::optional<Injected> Sleep(ServerSession* session, int ms) {
  std::unique_lock<std::mutex> lock(State().mutex);
  return Hold(lock, session, ms);
}

void Note(const std::string& line) {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.log += line;
  s.log += '\n';
}

void BreakSession(ServerSession* session) {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  session->breakRequested = true;
  s.changed.notify_all();
}

void ResetControl() {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.log.clear();
  s.failures.clear();
  s.delays.clear();
  ++s.releases;
  s.changed.notify_all();
}

}  // namespace fakeoci

using namespace fakeoci;

FAKEOCI_EXPORT void fakeoci_reset() {
  ResetControl();
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  ResetScripts();
  ResetSettings();
  ResetDatabase();
  ResetLobs();
}

FAKEOCI_EXPORT int fakeoci_exec(const char* sql) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  return ExecRaw(sql ? sql : "");
}

FAKEOCI_EXPORT std::size_t fakeoci_query(const char* sql, char* buffer, std::size_t size) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  std::string value;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(Db(), sql ? sql : "", -1, &stmt, nullptr) != SQLITE_OK) {
    value = std::string("error: ") + sqlite3_errmsg(Db());
  } else if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL) {
    const void* p = sqlite3_column_blob(stmt, 0);
    value.assign(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
  }
  sqlite3_finalize(stmt);
  if (buffer && size > 0) {
    const std::size_t n = std::min(size - 1, value.size());
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
  }
  return value.size();
}

FAKEOCI_EXPORT void fakeoci_set(const char* name, const char* value) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  SetSetting(name ? name : "", value ? value : "");
}

FAKEOCI_EXPORT void fakeoci_script(const char* match, const char* answer) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  std::string m = match ? match : "";
  for (char& c : m) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  AddScript({m, answer ? answer : "ok"});
}

FAKEOCI_EXPORT void fakeoci_fail(const char* entry, int nth, int code, const char* text) {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  const std::string name = entry ? entry : "";
  std::erase_if(s.failures, [&](const Failure& f) { return f.entry == name; });
  if (code != 0) s.failures.push_back({name, nth <= 0 ? -1 : nth - 1, {code, text ? text : ""}});
}

FAKEOCI_EXPORT void fakeoci_delay(const char* entry, int ms) {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.delays[entry ? entry : ""] = ms;
}

FAKEOCI_EXPORT int fakeoci_wait_held(int ms) {
  ControlState& s = State();
  std::unique_lock<std::mutex> lock(s.mutex);
  return s.changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return s.waiting > 0; }) ? 1 : 0;
}

FAKEOCI_EXPORT void fakeoci_release() {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.delays.clear();
  ++s.releases;
  s.changed.notify_all();
}

FAKEOCI_EXPORT std::size_t fakeoci_log(char* buffer, std::size_t size) {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (buffer && size > 0) {
    std::size_t n = std::min(size - 1, s.log.size());
    std::memcpy(buffer, s.log.data(), n);
    buffer[n] = '\0';
  }
  return s.log.size();
}

FAKEOCI_EXPORT void fakeoci_log_clear() {
  ControlState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.log.clear();
}

FAKEOCI_EXPORT int fakeoci_live_handles(unsigned type) {
  std::lock_guard<std::recursive_mutex> lock(EngineLock());
  return CountHandles(type);
}
