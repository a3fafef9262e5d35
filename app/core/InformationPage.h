#pragma once
// The main window's "Information" page without a window: the page template with its tags, the
// state table of the selected scheme and the table of running schemes, the decisions for the
// page's own links ("urlHide", "urlExit"), and the tray's hint. The window writes the produced
// page into its browser control on every refresh and acts on the link decisions.
//
// Texts of the tables and the tray are the program's own resource strings, used as they stand.
// Scheme names are escaped for HTML. Main thread only (it reads scheme state the window shows).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sch {

class TSchemeObject;
class PagePictures;

// What the state table shows of a scheme.
struct SchemePageState {
  std::string name;
  bool autoExec = false;
  bool timerRunning = false;  // the timer thread exists and is not paused
  int state = 0;              // SchemeState: waiting, running, invalid
  double lastRunTime = 0;
};
SchemePageState PageStateOf(const TSchemeObject& scheme);

// What the page's tags are replaced with.
struct PageContext {
  const SchemePageState* selected = nullptr;  // null: no scheme selected, no state table
  std::vector<std::string> running;           // names of the running schemes, in start order
  const PagePictures* pictures = nullptr;     // the files of the "img..." keys
  int bodyWidth = 0, bodyHeight = 0;          // the browser control's size in pixels
  bool destroying = false;                    // the window is going: tags are left empty
};

// The page template: an HTML page whose tags are written "<#name>".
const std::string& InformationPageTemplate();
// Replaces every "<#name ...>" of the text by handler(name); names keep their case here.
std::string ProducePage(std::string_view text, const std::function<std::string(const std::string& tag)>& handler);
// The value of one tag (names compared without regard to case; unknown tags give "").
std::string PageTagValue(const std::string& tag, const PageContext& context);
// The template with its tags replaced.
std::string InformationPageHtml(const PageContext& context);

std::string SchemeStateTable(const SchemePageState& scheme, const PagePictures* pictures);
std::string RunningTable(const std::vector<std::string>& running, const PagePictures* pictures);
// "%d plans are running" with the count.
std::string PlansRunningText(int count);

// What a click on a page link does. The navigation is cancelled for both of the page's own links.
enum class PageLink { Follow, Hide, Exit };
PageLink PageLinkOf(std::string_view url);

// The tray icon's hint: "%d plans are running" while any runs, else "Wait for executing"; and
// whether its icons cycle (while any runs).
std::string TrayHintText(int running);
inline bool TrayCycles(int running) { return running > 0; }
inline constexpr unsigned kTrayCycleInterval = 100;

// Escapes &, <, >, " and ' for HTML text and attribute values.
std::string HtmlEscape(std::string_view text);

}  // namespace sch
