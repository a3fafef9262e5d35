#pragma once
// What the program knows about its own build: the Linux stand-in for a file version resource.
#include <string>

namespace plat {

std::string ProgramName();     // "orascheme"
std::string ProgramVersion();  // "major.minor.patch"

}  // namespace plat
