#include "oracle/client/OciBackEnd.h"

#include <atomic>

#include "oracle/client/OraCall.h"

namespace ora {

namespace {

class TClientLibrary : public IOciBackEnd {
 public:
  void Init() override {}  // OCIInit finds and loads the library when first needed
  void Finish() override { FreeOCI(); }
};

std::atomic<IOciBackEnd*> netClient{nullptr};

}  // namespace

IOciBackEnd& ClientLibrary() {
  static TClientLibrary library;
  return library;
}

void SetNetClient(IOciBackEnd* client) { netClient.store(client); }

IOciBackEnd* NetClient() { return netClient.load(); }

}  // namespace ora
