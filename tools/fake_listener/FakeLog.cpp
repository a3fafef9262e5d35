#include "tools/fake_listener/FakeLog.h"

#include <cstdio>

namespace ora::fake {

void FakeLog::Add(int connection, bool fromClient, Bytes bytes) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    entries_.push_back({connection, fromClient, std::move(bytes)});
    if (fromClient) ++fromClients_;
  }
  added_.notify_all();
}

bool FakeLog::WaitFromClients(std::size_t count, std::chrono::milliseconds limit) const {
  std::unique_lock<std::mutex> hold(lock_);
  return added_.wait_for(hold, limit, [&] { return fromClients_ >= count; });
}

std::vector<LogEntry> FakeLog::Entries() const {
  std::lock_guard<std::mutex> hold(lock_);
  return entries_;
}

std::vector<LogEntry> FakeLog::Entries(int connection) const {
  std::vector<LogEntry> out;
  for (LogEntry& e : Entries())
    if (e.connection == connection) out.push_back(std::move(e));
  return out;
}

std::string FakeLog::Text2PcapDump(int connection) const {
  std::string out;
  char line[32];
  for (const LogEntry& e : Entries(connection)) {
    out += e.fromClient ? "O\n" : "I\n";
    for (std::size_t i = 0; i < e.bytes.size(); ++i) {
      if (i % 16 == 0) {
        if (i) out += '\n';
        std::snprintf(line, sizeof line, "%06zx", i);
        out += line;
      }
      std::snprintf(line, sizeof line, " %02x", e.bytes[i]);
      out += line;
    }
    out += "\n";
  }
  return out;
}

}  // namespace ora::fake
