#include "app/core/InformationPage.h"

#include "app/core/MainFormModel.h"
#include "app/core/PagePictures.h"
#include "app/core/SchemeObject.h"
#include "foundation/text/Format.h"
#include "foundation/text/Utf8.h"

namespace sch {

namespace {

// Resource strings of the page and the tray.
constexpr const char* kCurrently = "Currently:";
constexpr const char* kTimer = "Timer:";
constexpr const char* kStatus = "Status:";
constexpr const char* kLastTime = "Last time:";
constexpr const char* kTimerClosed = "Closed";
constexpr const char* kTimerOpened = "Opened";
constexpr const char* kNoTimer = "Do not time";
constexpr const char* kStateTexts[] = {"Waiting...", "Runing...", "Invalid"};
constexpr const char* kNeverRun = "--";
constexpr const char* kLastTimeFormat = "yyyy.mm.dd hh:nn:ss.z";
constexpr const char* kNoneRunning = "None plans are running";
constexpr const char* kRunningCaption = "Running:";
constexpr const char* kWaitForExecuting = "Wait for executing";

std::string Picture(const PagePictures* pictures, const char* key, int width, int height) {
  const std::string file = pictures ? pictures->File(key) : std::string();
  return "<img border=\"0\" src=\"" + HtmlEscape(file) + "\" width=\"" + std::to_string(width) + "\" height=\"" +
         std::to_string(height) + "\">";
}

// A picture whose file is missing (it could not be written, or went since) would show as a
// broken picture: it is left out, a linked one giving way to its alternative text so that the
// link can still be clicked.
std::string DropMissingPictures(const std::string& html) {
  std::string out;
  size_t at = 0;
  for (size_t open; (open = html.find("<img ", at)) != std::string::npos;) {
    const size_t close = html.find('>', open);
    if (close == std::string::npos) break;
    const std::string_view tag = std::string_view(html).substr(open, close + 1 - open);
    out.append(html, at, open - at);
    if (tag.find(" src=\"\"") == std::string_view::npos) {
      out.append(tag);
    } else if (const size_t alt = tag.find(" alt=\""); alt != std::string_view::npos) {
      const size_t from = alt + 6;
      out.append(tag.substr(from, tag.find('"', from) - from));
    }
    at = close + 1;
  }
  out.append(html, at, std::string::npos);
  return out;
}

}  // namespace

SchemePageState PageStateOf(const TSchemeObject& scheme) {
  SchemePageState s;
  s.name = scheme.SchName();
  s.autoExec = scheme.AutoExec;
  s.timerRunning = scheme.TimerStarted();
  s.state = scheme.State.load();
  s.lastRunTime = scheme.LastRun();
  return s;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PlansRunningText(int count) { return std::to_string(count) + " plans are running"; }

std::string TrayHintText(int running) { return running > 0 ? PlansRunningText(running) : kWaitForExecuting; }

PageLink PageLinkOf(std::string_view url) {
  if (url.find("urlExit") != std::string_view::npos) return PageLink::Exit;
  if (url.find("urlHide") != std::string_view::npos) return PageLink::Hide;
  return PageLink::Follow;
}

std::string SchemeStateTable(const SchemePageState& scheme, const PagePictures* pictures) {
  std::string picture, timer;
  if (scheme.autoExec && !scheme.timerRunning) {
    picture = Picture(pictures, kTimerBitmapKey, 67, 67);
    timer = kTimerClosed;
  } else if (scheme.autoExec) {
    picture = Picture(pictures, "imgTimer", 67, 67);
    timer = kTimerOpened;
  } else {
    timer = kNoTimer;
  }
  const char* status = scheme.state >= 0 && scheme.state <= 2 ? kStateTexts[scheme.state] : "";
  const std::string last = scheme.lastRunTime == 0 ? std::string(kNeverRun)
                                                    : olv::FormatDateTime(kLastTimeFormat, scheme.lastRunTime);
  std::string t = "<table border=\"2\" width=\"100%\">";
  t += "<tr><td>" + std::string(kCurrently) + "</td><td><i>" + HtmlEscape(scheme.name) + "</i></td></tr>";
  t += "<tr><td colspan=\"2\" align=\"center\">" + picture + "</td></tr>";
  t += "<tr><td>" + std::string(kTimer) + "</td><td><i>" + timer + "</i></td></tr>";
  t += "<tr><td>" + std::string(kStatus) + "</td><td><i>" + status + "</i></td></tr>";
  t += "<tr><td colspan=\"2\">" + std::string(kLastTime) + "</td></tr>";
  t += "<tr><td colspan=\"2\" align=\"center\"><i>" + last + "</i></td></tr>";
  t += "</table>";
  return t;
}

std::string RunningTable(const std::vector<std::string>& running, const PagePictures* pictures) {
  if (running.empty()) return kNoneRunning;
  std::string t = "<table border=\"2\" width=\"100%\"><tr>";
  t += "<td width=\"50%\" align=\"right\">" + Picture(pictures, "imgRuning", 93, 70) + "<br>" +
       PlansRunningText(static_cast<int>(running.size())) + "</td>";
  t += "<td width=\"50%\" valign=\"top\">" + std::string(kRunningCaption) + "<table width=\"100%\">";
  for (const std::string& name : running) t += "<tr><td align=\"left\">" + HtmlEscape(name) + "</td></tr>";
  t += "</table></td></tr></table>";
  return t;
}

std::string ProducePage(std::string_view text, const std::function<std::string(const std::string& tag)>& handler) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find("<#", at);
    if (open == std::string_view::npos) break;
    const size_t close = text.find('>', open);
    if (close == std::string_view::npos) break;
    out.append(text.substr(at, open - at));
    std::string_view inner = text.substr(open + 2, close - open - 2);
    const size_t end = inner.find_first_of(" \t\r\n");
    out += handler(std::string(inner.substr(0, end)));
    at = close + 1;
  }
  out.append(text.substr(at));
  return out;
}

std::string PageTagValue(const std::string& tag, const PageContext& context) {
  using olv::utf8::SameText;
  if (context.destroying) return std::string();
  if (tag.size() >= 3 && SameText(std::string_view(tag).substr(0, 3), "img"))
    return context.pictures ? HtmlEscape(context.pictures->File(tag)) : std::string();
  if (SameText(tag, "tagBodyWidth")) return std::to_string(context.bodyWidth);
  if (SameText(tag, "tagBodyHeight")) return std::to_string(context.bodyHeight);
  if (SameText(tag, "tagSchemeState"))
    return context.selected ? SchemeStateTable(*context.selected, context.pictures) : std::string();
  if (SameText(tag, "tagRuning")) return RunningTable(context.running, context.pictures);
  return std::string();
}

std::string InformationPageHtml(const PageContext& context) {
  return DropMissingPictures(
      ProducePage(InformationPageTemplate(), [&](const std::string& tag) { return PageTagValue(tag, context); }));
}

const std::string& InformationPageTemplate() {
  static const std::string page = std::string(R"page(<html>
<head><title>)page") + kMainCaption + R"page(</title></head>
<body background="<#imgBkColor>" style="background-image: url('<#imgBkColor>')" scroll="no" width="<#tagBodyWidth>" height="<#tagBodyHeight>">
<table width="100%" height="100%" cellspacing="6" cellpadding="2">
<tr>
<td width="29%" valign="top" align="left"><small><#tagSchemeState></small></td>
<td width="71%" valign="bottom" align="right"><small><#tagRuning></small></td>
</tr>
<tr>
<td align="left"><a href="urlHide"><img src="<#imgHide>" width="40" height="40" alt="Hide" border="0"></a></td>
<td align="right"><a href="urlExit"><img src="<#imgExit>" width="40" height="40" alt="Exit" border="0"></a></td>
</tr>
<tr>
<td colspan="2"><p><img src="<#imgScheme>" align="left" border="0">
<b>Oracle backup scheme manager</b> keeps your backup schemes and runs them on time. A scheme is an
Oracle export, an Oracle import or a command file of your own, with its run times, its parameters
and the records of its runs. Pick a scheme in the list on the left to see and edit its run times,
parameters and records; this page shows the state of the scheme you picked and every scheme that
is running now.</p></td>
</tr>
<tr>
<td colspan="2"><p><img src="<#imgRedBall>" width="16" height="16" border="0"> Run times by day, week, month, year or on given dates, each scheme with a timer of its own<br>
<img src="<#imgRedBall>" width="16" height="16" border="0"> Export and import through the Oracle client's programs, with SQL scripts before and after a run<br>
<img src="<#imgRedBall>" width="16" height="16" border="0"> Dump files compressed after an export and expanded before an import; old dumps and logs cleared<br>
<img src="<#imgRedBall>" width="16" height="16" border="0"> The client character set switched for the length of a run<br>
<img src="<#imgRedBall>" width="16" height="16" border="0"> A record of every run: its times, its result and the program's log</p></td>
</tr>
<tr>
<td colspan="2"><p style="color: gray"><i><small>The scheme file is saved after every run. Hide this window to the tray with the button on the left; the tray icon brings it back.</small></i></p></td>
</tr>
</table>
</body>
</html>
)page";
  return page;
}

}  // namespace sch
