// A fake Oracle listener to try the direct network client by hand: listens on 127.0.0.1, echoes
// DATA payloads (or, with --oracle, answers the call protocol as a small server: users SCOTT/TIGER
// and AGING/SOON, see FakeOracle.h), and prints every packet both ways in hexadecimal when it ends.
//
//   fake_oracle_listener [--seconds N] [--resend N] [--refuse TEXT] [--redirect TEXT]
//                        [--trickle] [--sdu N] [--oracle] [--protocol 4|5|6]
//
// It stops on SIGINT or SIGTERM, or after --seconds (default 600).
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "tools/fake_listener/FakeListener.h"
#include "tools/fake_listener/FakeOracle.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: fake_oracle_listener [--seconds N] [--resend N] [--refuse TEXT] "
               "[--redirect TEXT] [--trickle] [--sdu N] [--oracle] [--protocol 4|5|6]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using ora::fake::ConnectAnswer;
  ora::fake::ListenerOptions options;
  long seconds = 600;
  bool oracle = false;
  ora::fake::FakeOracleOptions oracleOptions;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--seconds" && hasValue) {
      seconds = std::strtol(argv[++i], nullptr, 10);
    } else if (arg == "--resend" && hasValue) {
      for (long n = std::strtol(argv[++i], nullptr, 10); n > 0; --n)
        options.connectAnswers.push_back({ConnectAnswer::Kind::Resend, ""});
    } else if (arg == "--refuse" && hasValue) {
      options.connectAnswers.push_back({ConnectAnswer::Kind::Refuse, argv[++i]});
    } else if (arg == "--redirect" && hasValue) {
      options.connectAnswers.push_back({ConnectAnswer::Kind::Redirect, argv[++i]});
    } else if (arg == "--sdu" && hasValue) {
      options.sdu = int(std::strtol(argv[++i], nullptr, 10));
    } else if (arg == "--oracle") {
      oracle = true;
    } else if (arg == "--protocol" && hasValue) {
      oracleOptions.protocolVersion = int(std::strtol(argv[++i], nullptr, 10));
    } else if (arg == "--trickle") {
      options.oneBytePerWrite = true;
    } else {
      return Usage();
    }
  }
  if (seconds <= 0 || options.sdu < 64 || options.sdu > 4096) return Usage();
  if (oracle) options.makeService = [oracleOptions] { return std::make_unique<ora::fake::FakeOracleService>(oracleOptions); };

  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);  // before any thread starts

  ora::fake::FakeListener listener(std::move(options));
  std::printf("listening on 127.0.0.1:%d\n", listener.Port());
  std::fflush(stdout);
  const timespec limit{seconds, 0};
  sigtimedwait(&stopSignals, nullptr, &limit);
  listener.Stop();

  std::fputs(listener.Log().Entries().empty() ? "" : "connection, direction, bytes\n", stdout);
  for (const auto& e : listener.Log().Entries()) {
    std::printf("%d %s", e.connection, e.fromClient ? ">" : "<");
    for (std::uint8_t b : e.bytes) std::printf(" %02x", b);
    std::printf("\n");
  }
  return 0;
}
