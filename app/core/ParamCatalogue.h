#pragma once
// The catalogue of scheme parameters: for each id 0..74 the name a scheme gives the parameter
// and the caption under which the parameter grid shows it. Ids 0-10 are the parameters common
// to the Oracle schemes, 11-41 the export's, 42-73 the import's, 74 the command file's.
//
// The texts are constants of the program; every function here is pure and may be called from
// any thread.
#include <optional>
#include <string>
#include <string_view>

namespace sch {

struct TParamRec {
  std::string Name;
  std::string Caption;
};

// Number of catalogue rows (ids 0 .. ParamCount - 1).
inline constexpr int ParamCount = 75;

// The row of `id`. For an id outside 0..74 the record is left as it was, so a caller that
// passes a fresh record gets two empty strings.
void GetParamRec(int id, TParamRec& rec);
TParamRec GetParamRec(int id);

// The first id (from 0 upwards) whose name equals `name` regardless of ASCII case; several
// import parameters share a name with an export parameter and so resolve to the export's row.
std::optional<int> FindParamId(std::string_view name);

// The caption the parameter grid shows for a parameter named `name`: the caption of the row
// found by FindParamId, or the name itself when no row has it.
std::string ParamCaption(std::string_view name);

}  // namespace sch
