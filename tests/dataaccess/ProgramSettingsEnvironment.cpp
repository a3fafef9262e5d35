// The data-access layer converts numbers and dates with the settings the program installs at
// start-up; the tests run under the same settings.
#include <gtest/gtest.h>

#include "foundation/startup/OlvPub.h"

namespace {

class ProgramSettingsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { olv::InstallDateFormats(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ProgramSettingsEnvironment);

}  // namespace
