#pragma once
// The library's public services module: its globals and its start-up. Including this header gives
// every text, date and folder service of the library:
//   foundation/text/TextScan.h        number and string-literal scanners (1-based positions)
//   foundation/text/TextFields.h      quote-aware fields and name=value lines
//   foundation/text/TextServices.h    trimming, hexadecimal, whole-character copies, conversions
//   foundation/expr/GuardedDivision.h iDiv, fDiv
//   foundation/text/DateTime.h        TDateTime arithmetic, now, date texts
//   foundation/text/Format.h          the one Format engine for numbers and dates
//   foundation/text/Wildcard.h        MatchWildcard, MatchWildcardList
//   foundation/text/Comments.h        StripComments, ExtractBetween
//   foundation/files/ProgramGlobals.h command-line parameters, user path macros, program path and user
//   foundation/files/Folders.h         program path and folders, names, temporary files
//   foundation/files/ShellFolders.h    the user's well-known folders
//   foundation/files/PathMacros.h      <name> macros in file names
//   foundation/text/Utf8.h            UTF-8 helpers
//
// Globals: set by the start-up (main thread, before other threads run) or by their setters; every
// getter returns a copy under a lock, so any thread may read them.
#include <string>
#include <string_view>
#include <vector>

#include "foundation/text/Comments.h"
#include "foundation/text/DateTime.h"
#include "foundation/files/Folders.h"
#include "foundation/files/ProgramGlobals.h"
#include "foundation/text/Format.h"
#include "foundation/expr/GuardedDivision.h"
#include "foundation/files/PathMacros.h"
#include "foundation/files/ShellFolders.h"
#include "foundation/text/TextFields.h"
#include "foundation/text/TextScan.h"
#include "foundation/text/TextServices.h"
#include "foundation/text/Utf8.h"
#include "foundation/text/Wildcard.h"

namespace olv {

// The date settings of the program: date separator ".", short format "YYYY.M.D", long format
// "YYYY年M月D日", the Chinese long month and day names (元月 .. 十二月, 星期日 .. 星期六), and
// 上午 / 下午 for morning and afternoon; everything else as FormatSettings{} has it.
FormatSettings ProgramFormatSettings();
// Installs ProgramFormatSettings() as the library-wide settings.
void InstallDateFormats();

// The module's start-up: command-line parameters, empty user path macros, date formats. Call once
// from main before other threads start. FinalizeOlvPub clears the globals again.
void InitializeOlvPub(int argc, const char* const* argv);
void FinalizeOlvPub();

}  // namespace olv
