// The session's choice of back end: the network option leads into the network client the program
// handed over (here a recording stand-in), back into the client library when cleared, and out of
// the network client when the last session goes; without a handed client the option raises and
// nothing changes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "oracle/client/OciBackEnd.h"
#include "oracle/components/OraSession.h"
#include "tests/support/FakeOciHome.h"

namespace ora {
namespace {

class RecordingBackEnd : public IOciBackEnd {
 public:
  void Init() override { Calls.push_back("init"); }
  void Finish() override { Calls.push_back("finish"); }
  std::vector<std::string> Calls;
};

TEST(OraSessionBackEnd, WithoutAHandedNetworkClientTheOptionRaisesAndNothingChanges) {
  SetNetClient(nullptr);
  TOraSession session;
  EXPECT_EQ(testing::MessageOf([&] { session.Options().SetNet(true); }), "Can't initialize Net client");
  EXPECT_FALSE(session.Options().Net());
}

TEST(OraSessionBackEnd, TheNetworkOptionSwitchesToTheHandedClientAndBack) {
  RecordingBackEnd net;
  SetNetClient(&net);
  using Calls = std::vector<std::string>;
  {
    auto first = std::make_unique<TOraSession>();
    first->Options().SetNet(true);
    EXPECT_EQ(net.Calls, Calls{"init"});
    auto second = std::make_unique<TOraSession>();
    EXPECT_TRUE(second->Options().Net());  // a later session takes the process-wide mode
    second->Options().SetNet(false);
    EXPECT_EQ(net.Calls, (Calls{"init", "finish"}));
    EXPECT_FALSE(first->Options().Net());
    first->Options().SetNet(true);
    second.reset();
    EXPECT_EQ(net.Calls, (Calls{"init", "finish", "init"}));
  }
  // The last session leaves the network client.
  EXPECT_EQ(net.Calls, (Calls{"init", "finish", "init", "finish"}));
  SetNetClient(nullptr);
}

}  // namespace
}  // namespace ora
