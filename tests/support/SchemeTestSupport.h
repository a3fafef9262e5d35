#pragma once
// Shared set-up of the scheme-model tests: the scheme classes registered, the clock set to a
// known local moment, and a container holding one scheme of every kind.
#include <gtest/gtest.h>

#include <memory>

#include "app/core/SchCommon.h"
#include "foundation/text/DateTime.h"
#include "platform/Clock.h"

namespace schtest {

inline plat::Clock::time_point LocalMoment(int y, int mo, int d, int h, int mi) {
  return olv::ToTimePoint(olv::EncodeDate(y, mo, d) + olv::EncodeTime(h, mi, 0, 0));
}

class SchemeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sch::RegisterSchemeClasses();
    clock.Set(LocalMoment(2024, 3, 6, 10, 20));  // a Wednesday
    plat::SetCurrentClock(&clock);
  }
  void TearDown() override { plat::SetCurrentClock(nullptr); }

  plat::FakeClock clock;
};

// One scheme of each kind, with run times, parameters of every sort, run records and switches
// away from their defaults.
inline std::unique_ptr<sch::TSchemeWrapper> EveryKindContainer() {
  auto w = std::make_unique<sch::TSchemeWrapper>();
  w->CheckPwdForRestore = true;
  w->SetPassword("Secret pass");
  sch::TSchemeObject* exp = w->AddScheme("nightly export", sch::skOracleExport);
  exp->SchParams->Clear();  // a short hand-picked set instead of the kind's whole list
  exp->AddParam("dbusername", "system")->Tag = sch::kTagRequired;
  exp->AddParam("dbpassword", "Tiger")->Tag = sch::kTagPassword | sch::kTagRequired;
  exp->AddPickParam("FULL", "Y", "Yes;No");
  exp->AddParamEx("file", "/bak/db_<yyyymmdd>.dmp", sch::dtFileOpen)->Tags = "dmp files|*.dmp|All|*.*;dmp";
  exp->AutoExec = true;
  exp->AutoClearLogs = false;
  exp->RemainCount = 5;
  exp->LastRunTime = 45000.75;
  exp->SchemeTime->FMode = sch::tmWeek;
  auto item = std::make_unique<sch::TSchemeTimeItem>();
  item->Hour = 8;
  item->Minute = 0;
  item->Week = 4;
  item->TimeMask = "weekly";
  exp->SchemeTime->Add(std::move(item));
  auto log = std::make_unique<sch::TSchemeLog>();
  log->RunScripts = "\"/u01/bin/exp\" system/Tiger FULL=Y";
  log->StartTime = 45000.5;
  log->EndTime = 45000.75;
  log->IsSucceed = true;
  log->ResultMsgs = "Run Scripts...Ok\r\n";
  exp->LogList->Add(std::move(log));

  sch::TSchemeObject* imp = w->AddScheme("restore", sch::skOracleImport);
  imp->SchParams->Clear();
  imp->DelDmpFile = false;
  imp->AddParamEx("Prefix", "select 1 from dual;\nselect 2 from dual;", sch::dtTextEditor);
  auto failed = std::make_unique<sch::TSchemeLog>();
  failed->ExitCode = -1;
  failed->ActiveMode = true;
  imp->LogList->Add(std::move(failed));

  sch::TSchemeObject* cmd = w->AddScheme("copy files", sch::skDosCommand);
  cmd->GetParam(0)->SetKeyValue("/usr/local/bin/copy.sh");
  cmd->GetParam(1)->SetKeyValue("-v /data");
  cmd->SchemeTime->FMode = sch::tmSpecifically;
  cmd->SchemeTime->Add(std::make_unique<sch::TSchemeTimeItem>());
  cmd->TimerInterval = 250;
  return w;
}

}  // namespace schtest
