#pragma once
// A fixture for the Oracle components over the stand-in client library: a session set up as the
// program sets its own (scott/tiger@orcl, no prompt), not yet connected, freed before the library.
#include <memory>

#include "oracle/components/OraSession.h"
#include "tests/support/FakeOciHome.h"

namespace ora::testing {

class OraComponentTest : public FakeOciTest {
 protected:
  void SetUp() override {
    FakeOciTest::SetUp();
    session_ = std::make_unique<TOraSession>();
    session_->SetConnectPrompt(false);
    session_->SetConnectString("scott/tiger@orcl");
  }
  void TearDown() override {
    session_.reset();
    FakeOciTest::TearDown();
  }
  std::unique_ptr<TOraSession> session_;
};

}  // namespace ora::testing
