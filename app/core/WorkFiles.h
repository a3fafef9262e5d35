#pragma once
// The program's private folder for the work files of runs: the temporary log of an export or an
// import that names no log, and the expansion of a compressed dump before an import. It is
// "$XDG_CACHE_HOME/orascheme/work" ($HOME/.cache when unset), made on first use for the user
// alone; a folder there that is a link, not the user's or open to others is refused (a shared
// /tmp would let other users guess, read or plant the files). Work files are created
// exclusively under names of the program's own pattern and locked while in use
// (plat::TempFile); RemoveStaleWorkFiles, at start-up, removes those that a program which died
// during a run left behind.
//
// Logs too long for a run record are kept whole in "$XDG_STATE_HOME/orascheme/logs"
// ($HOME/.local/state when unset), where the record names them.
//
// Free functions; any thread. Failures raise olv::Exception.
#include <string>
#include <string_view>

#include "platform/TempFile.h"

namespace sch {

// Prefixes and suffixes of the work files.
inline constexpr std::string_view kTempLogPrefix = "Temp";
inline constexpr std::string_view kTempLogSuffix = ".log";
inline constexpr std::string_view kExpandedDumpPrefix = "Tmp";

// The folder, made when missing; no trailing "/".
std::string WorkFolder();
// A new, locked, empty work file.
plat::TempFile CreateWorkFile(std::string_view prefix, std::string_view suffix = {});
// Removes the work files that no running program holds; returns how many went.
int RemoveStaleWorkFiles();
// The folder of kept logs, made when missing.
std::string KeptLogFolder();

}  // namespace sch
