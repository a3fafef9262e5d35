#pragma once
// The program's log file: WriteLog appends one line, optionally headed by the time, the computer,
// the user and the application user.
//
// Any thread may call WriteLog at any time: each line goes to the file whole, in one append, and
// lines written at the same moment by several threads (or processes) all arrive, none cut into
// another. Failures are swallowed: the log never stops the program.
#include <string>

namespace olv {

// Appends Text and "\r\n"; with a header the line begins
// "YYYY.MM.DD HH:MM:SS.ZZZ <computer> <user> <application user> : ".
void WriteLog(const std::string& text, bool withHeader);

// The header as it would be written now.
std::string LogHeader();

// The log file: the program's path with the extension "LOG" unless set here (tests, or a program
// whose folder is not writable). The name may hold path macros. An empty name restores the default.
void SetLogFileName(const std::string& fileName);
std::string LogFileName();

}  // namespace olv
