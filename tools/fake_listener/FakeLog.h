#pragma once
// What the fake listener saw and said: one entry per packet read from a client and per write to
// it, in the order they happened, with the connection's number (1, 2, ... in accept order).
// Thread-safe: sessions add from their threads while a test reads.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "tools/fake_listener/FakeWire.h"

namespace ora::fake {

struct LogEntry {
  int connection = 0;
  bool fromClient = false;
  Bytes bytes;
};

class FakeLog {
 public:
  void Add(int connection, bool fromClient, Bytes bytes);
  std::vector<LogEntry> Entries() const;
  std::vector<LogEntry> Entries(int connection) const;
  // Waits, at most `limit`, until the clients have sent `count` entries in all; true when they have.
  bool WaitFromClients(std::size_t count, std::chrono::milliseconds limit) const;

  // The entries of one connection as input for text2pcap -D: "O" for client to server, "I" for
  // server to client, each followed by its bytes as offset-numbered hexadecimal lines.
  std::string Text2PcapDump(int connection) const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable added_;
  std::vector<LogEntry> entries_;  // guarded by lock_
  std::size_t fromClients_ = 0;    // guarded by lock_
};

}  // namespace ora::fake
