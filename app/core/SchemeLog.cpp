#include "app/core/SchemeLog.h"

#include <vector>

#include "foundation/text/Utf8.h"

namespace sch {

void TSchemeLog::EnumProps(olv::PropMode mode, olv::TPropEnumProc& proc) {
  TBaseObject::EnumProps(mode, proc);
  proc.Report<olv::pkString>("RunScripts", RunScripts, true);
  proc.Report<olv::pkBoolean>("ActiveMode", ActiveMode, true);
  proc.Report<olv::pkDateTime>("StartTime", StartTime, true);
  proc.Report<olv::pkDateTime>("EndTime", EndTime, true);
  proc.Report<olv::pkBoolean>("IsSucceed", IsSucceed, true);
  proc.Report<olv::pkString>("ResultMsgs", ResultMsgs, true);
  proc.Report<olv::pkString>("ErrorMsgs", ErrorMsgs, true);
  proc.Report<olv::pkInteger>("ExitCode", ExitCode, ExitCode != 0);
}

void TSchemeLog::CopyFrom(const TSchemeLog& o) {
  RunScripts = o.RunScripts;
  ActiveMode = o.ActiveMode;
  StartTime = o.StartTime;
  EndTime = o.EndTime;
  IsSucceed = o.IsSucceed;
  ResultMsgs = o.ResultMsgs;
  ErrorMsgs = o.ErrorMsgs;
  ExitCode = o.ExitCode;
}

void TSchemeLog::AddError(std::string_view message) {
  ResultMsgs += "Error occured\r\n";
  ResultMsgs += message;
  ResultMsgs += "\r\n";
}

namespace {

// One argument of a recorded line: its text with the quotes taken out, where its first quoted
// part began (npos: none), and whether it ended (false: a quote left open to the end).
struct RecordedArg {
  std::string text;
  size_t quoteAt = std::string::npos;
  bool closed = true;
};

// The arguments of a recorded line, the program first.
std::vector<RecordedArg> SplitRecorded(std::string_view line) {
  std::vector<RecordedArg> args;
  size_t p = 0;
  while (true) {
    while (p < line.size() && line[p] == ' ') ++p;
    if (p >= line.size()) return args;
    RecordedArg arg;
    while (p < line.size() && line[p] != ' ') {
      if (line[p] != '"') {
        arg.text += line[p++];
        continue;
      }
      if (arg.quoteAt == std::string::npos) arg.quoteAt = arg.text.size();
      ++p;
      while (true) {
        if (p >= line.size()) {
          arg.closed = false;
          args.push_back(std::move(arg));
          return args;
        }
        if (line[p] == '"') {
          if (p + 1 < line.size() && line[p + 1] == '"') {
            arg.text += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        arg.text += line[p++];
      }
    }
    args.push_back(std::move(arg));
  }
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The length of "NAME=" at the start of an argument written without quotes before its "=", 0 when
// it has none.
size_t NamePart(const RecordedArg& arg) {
  size_t n = 0;
  while (n < arg.text.size() && IsNameChar(arg.text[n])) ++n;
  if (n == 0 || n >= arg.text.size() || arg.text[n] != '=' || arg.quoteAt < n) return 0;
  return n + 1;
}

}  // namespace

std::string QuoteRecordedValue(std::string_view value) {
  if (value.find_first_of(" \"") == std::string_view::npos) return std::string(value);
  std::string out = "\"";
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::optional<std::string> RecordedValue(std::string_view line, std::string_view name) {
  const std::vector<RecordedArg> args = SplitRecorded(line);
  for (size_t i = 1; i < args.size(); ++i) {
    const size_t n = NamePart(args[i]);
    if (n == 0 || !olv::utf8::SameText(std::string_view(args[i].text).substr(0, n - 1), name)) continue;
    std::string value = args[i].text.substr(n);
    if (value.empty() || !args[i].closed) return std::nullopt;
    const bool quoted = args[i].quoteAt != std::string::npos;
    // Unquoted, the value ends at the blank only when what follows is the next argument.
    if (!quoted && i + 1 < args.size() && NamePart(args[i + 1]) == 0) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

}  // namespace sch
