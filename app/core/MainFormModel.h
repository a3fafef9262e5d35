#pragma once
// The main window's logic without a window: its commands with their captions and enabling
// rules, the tree's categories and pictures, the list of running schemes and the rules that
// keep a file load from freeing running schemes. The Qt window reads this model and only draws;
// the tests drive it directly. Main thread only.
#include <array>
#include <string>
#include <vector>

#include "app/core/SchemeObject.h"

namespace sch {

inline constexpr const char* kMainCaption = "Oracle backup scheme manager";
inline constexpr const char* kSchemeFileFilter = "Scheme files( *.sch)|*.sch|All files( *.*)|*.*";
inline constexpr const char* kSchemeFileExt = "sch";
inline constexpr const char* kNewSchemeName = "new scheme";
// Our own text: loading another file while schemes run would free the running schemes.
inline constexpr const char* kLoadWhileRunning =
    "Schemes are running. Wait for them to end or terminate them before loading another scheme file.";
inline constexpr const char* kNotAvailableYet = "This tool is not available yet.";
// Our own texts: the tip of a scheme node whose AutoExec is set.
inline constexpr const char* kTimerStartedHint = "Timer started";
inline constexpr const char* kTimerStoppedHint = "Timer stopped";

enum class Action {
  SchAdd, SchDel, SchRun,
  TimeAdd, TimeEdit, TimeDel, TimeClear, TimeStart, TimeStop, TimeStartAll, TimeStopAll,
  LogDetail, LogDel, LogClear,
  CharSet, Exit, Save, SaveAs, Load, SetPwd, About, ShowDos, TermRuning, TermAllRuning, Compress,
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
  bool hasTimerThread = false;
  bool timerSuspended = false;
  bool runTimeSelected = false;
  int runTimeCount = 0;
  bool logSelected = false;
  int logCount = 0;
};
bool ActionEnabled(Action action, const SelectionState& state);

// The names of running schemes, from their start notice to their end notice, in start order.
// Two runs of one name are two entries; an end removes the first matching one.
class RunningList {
 public:
  void Started(const std::string& name) { names_.push_back(name); }
  // False when the name was not listed (an end without a start is ignored).
  bool Ended(const std::string& name);
  bool Empty() const { return names_.empty(); }
  int Count() const { return static_cast<int>(names_.size()); }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::vector<std::string> names_;
};

// Whether another scheme file may replace the current one: not while anything runs.
inline bool LoadAllowed(const RunningList& running) { return running.Empty(); }
inline bool LoadAllowed(const std::vector<TSchemeObject*>& running) { return running.empty(); }

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
