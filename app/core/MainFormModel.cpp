#include "app/core/MainFormModel.h"

namespace sch {

namespace {

constexpr std::array<ActionInfo, kActionCount> kActions = {{
    {"actSchAdd", "Add new Scheme"},
    {"actSchDel", "Delete"},
    {"actSchRun", "Run Scheme"},
    {"actTimeAdd", "Add"},
    {"actTimeEdit", "Edit"},
    {"actTimeDel", "Delete"},
    {"actTimeClear", "Clear"},
    {"actTimeStart", "Start timer"},
    {"actTimeStop", "Stop timer"},
    {"actTimeStartAll", "Start all timer"},
    {"actTimeStopAll", "Stop all timer"},
    {"actLogDetail", "Detail"},
    {"actLogDel", "Delete"},
    {"actLogClear", "Clear"},
    {"actCharSet", "Character set"},
    {"actExit", "E&xit"},
    {"actSave", "Save"},
    {"actSaveAs", "Save as"},
    {"actLoad", "Load..."},
    {"actSetPwd", "Set password"},
    {"actAbout", "About..."},
    {"actShowDos", "Show DOS window"},
    {"actTermRuning", "Terminate Runing"},
    {"actTermAllRuning", "Terminate all be runing schemes"},
    {"", "Compress/UnCompress dmp file"},
}};

}  // namespace

const ActionInfo& InfoOf(Action action) { return kActions[static_cast<int>(action)]; }

int CategoryOfKind(int schType) { return schType >= skOracleExport && schType <= skDosCommand ? schType - 1 : -1; }

int KindOfCategory(int category) { return category + 1; }

int SchemeNodeImage(int state, bool autoExec) {
  switch (state) {
    case ssWaiting: return autoExec ? 4 : 3;
    case ssRunning: return 5;
    default: return autoExec ? 11 : 12;
  }
}

bool ActionEnabled(Action action, const SelectionState& s) {
  const bool scheme = s.node == NodeKind::Scheme;
  switch (action) {
    case Action::SchAdd: return s.node == NodeKind::Category || scheme;
    case Action::SchDel: return scheme && s.schemeState != ssRunning;
    case Action::SchRun: return scheme && s.schemeState == ssWaiting;
    case Action::TimeEdit:
    case Action::TimeDel: return scheme && s.runTimeSelected;
    case Action::TimeClear: return scheme && s.runTimeCount > 0;
    case Action::TimeStart: return scheme && s.autoExec && !s.timerStarted;
    case Action::TimeStop: return scheme && s.timerStarted;
    case Action::LogDetail:
    case Action::LogDel: return scheme && s.logSelected;
    case Action::LogClear: return scheme && s.logCount > 0;
    default: return true;
  }
}

TimeEditorRows RowsForMode(int mode) {
  TimeEditorRows rows{};
  rows.year = mode == 4;
  rows.month = mode == 3 || mode == 4;
  rows.day = mode >= 2 && mode <= 4;
  rows.week = mode == 1;
  rows.time = true;
  return rows;
}

const char* ActiveModeText(bool byHand) { return byHand ? "Mannual" : "Auto"; }
const char* ResultText(bool succeeded) { return succeeded ? "Success" : "Falied"; }

}  // namespace sch
