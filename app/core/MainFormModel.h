#pragma once
// The main window's texts and rules without a window: its commands with their captions and
// enabling rules, the tree's categories and pictures, the run-time editor's rows and the record
// list's texts. What each command does is SchemeHost's. Main thread only.
#include <array>

#include "app/core/SchemeObject.h"

namespace sch {

inline constexpr const char* kMainCaption = "Oracle backup scheme manager";
inline constexpr const char* kSchemeFileFilter = "Scheme files( *.sch)|*.sch|All files( *.*)|*.*";
inline constexpr const char* kSchemeFileExt = "sch";
inline constexpr const char* kNewSchemeName = "new scheme";
// Said once on the status bar when the information page's pictures could not be written.
inline constexpr const char* kPicturesNotWritten =
    "The pictures of the information page could not be written; the page is shown without them";
// Our own texts: the tip of a scheme node whose AutoExec is set.
inline constexpr const char* kTimerStartedHint = "Timer started";
inline constexpr const char* kTimerStoppedHint = "Timer stopped";

enum class Action {
  SchAdd, SchDel, SchRun,
  TimeAdd, TimeEdit, TimeDel, TimeClear, TimeStart, TimeStop, TimeStartAll, TimeStopAll,
  LogDetail, LogDel, LogClear,
  CharSet, Exit, Save, SaveAs, Load, SetPwd, About, ShowDos, TermRunning, TermAllRunning, Compress,
};
inline constexpr int kActionCount = static_cast<int>(Action::Compress) + 1;

struct ActionInfo {
  const char* name;     // the action's component name ("actSchAdd")
  const char* caption;  // its menu text
};
const ActionInfo& InfoOf(Action action);

// Category nodes of the scheme kinds (SchemeObject.h: export 1, import 2, command file 3).
inline constexpr std::array<const char*, 3> kCategoryNames = {"Export", "Import", "Other"};
inline constexpr const char* kRootName = "Scheme tasks";
// Index of the category node of a kind (0 Export, 1 Import, 2 Other); -1: directly under the root.
int CategoryOfKind(int schType);
// The kind a new scheme gets under the category with that index.
int KindOfCategory(int category);

inline constexpr int kImageRoot = 0, kImageCategory = 1;
int SchemeNodeImage(int state, bool autoExec);

enum class NodeKind { None, Root, Category, Scheme };

// What the enabling rules look at: the selected node and, for a scheme, its state.
struct SelectionState {
  NodeKind node = NodeKind::None;
  int schemeState = ssWaiting;
  bool autoExec = false;
  bool timerStarted = false;  // its timer thread exists and is not paused
  bool runTimeSelected = false;
  int runTimeCount = 0;
  bool logSelected = false;
  int logCount = 0;
};
bool ActionEnabled(Action action, const SelectionState& state);

inline constexpr std::array<const char*, 5> kTimeModeNames = {"Day", "Week", "Month", "Year", "Specifically"};
// Rows of the run-time editor shown under a time mode (0 "Day" ... 4 "Specifically").
struct TimeEditorRows {
  bool year, month, day, week, time;
};
TimeEditorRows RowsForMode(int mode);

// Run records' list texts.
const char* ActiveModeText(bool byHand);  // "Mannual" for a run by hand, else "Auto"
const char* ResultText(bool succeeded);       // "Success" or "Falied"
inline constexpr std::array<const char*, 6> kLogColumns = {"Order", "Start time", "End time",
                                                           "Active Mode", "Result", "Errs"};

}  // namespace sch
