#pragma once
// The Oracle kinds of scheme: TOracleScheme (their common base) and its two kinds, the export
// (kind 1) and the import (kind 2). They add nothing to the scheme file: their extra fields
// describe the Oracle client found on this machine and the file names of the current run.
//
// The kinds' parameter sets, their command line, the client detection and the run itself are
// filled in through the virtual operations below; until then an Oracle scheme has no
// parameters of its own and is never valid. Threads: as TSchemeObject.
#include <cstdint>
#include <string>

#include "app/core/SchemeObject.h"

namespace sch {

class TOracleScheme : public TSchemeObject {
  OLV_CLASS(TOracleScheme, TSchemeObject)
 public:
  TOracleScheme();

  // The Oracle client: the registry key of its home, its folder, and the two halves of its
  // NLS_LANG (language before the ".", character set after it).
  std::string HomeKey, OracleHome, CharSet, Language;
  // Expanded file names of the current or next run.
  std::string LogFile, DmpFile, ParFile;
  // The database character set, read before each run.
  uint16_t TargetCharsetId = 0;
  std::string TargetCharset;

  // Sets the run's file names from the parameters; base: nothing.
  virtual void PrepareFileNames() {}
  // The program a new scheme of the kind names; base: empty.
  virtual std::string GetDefaultExe() { return {}; }
  // Finds the Oracle client (HomeKey ... Language) in the registry. Base: nothing; whoever
  // creates or reads an Oracle scheme calls it once the registry lookup exists (a virtual call
  // from the constructor would not reach a kind's override).
  virtual void DetectOracleClient() {}
};

class TOracleExportScheme : public TOracleScheme {
  OLV_CLASS(TOracleExportScheme, TOracleScheme)
 public:
  TOracleExportScheme() = default;
};

class TOracleImportScheme : public TOracleScheme {
  OLV_CLASS(TOracleImportScheme, TOracleScheme)
 public:
  TOracleImportScheme() = default;
};

}  // namespace sch
