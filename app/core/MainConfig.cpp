#include "app/core/MainConfig.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

#include "foundation/files/AtomicFile.h"
#include "foundation/base/Exception.h"
#include "foundation/streams/Stream.h"

namespace sch {

namespace {

constexpr const char* kSection = "MainConfig";

std::string Trim(const std::string& s) {
  auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Lines keep a carriage return of their own, so that a line written back is the line read (the
// parsing trims it); dropping one per save would eat "\r\r\n" endings a save at a time.
std::vector<std::string> ReadLines(const std::string& fileName) {
  std::vector<std::string> lines;
  std::ifstream in(fileName);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The section name of a "[name]" line, or none.
bool SectionOf(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  name = Trim(t.substr(1, t.size() - 2));
  return true;
}

bool ReadBool(const std::string& v, bool def) {
  if (v.empty()) return def;
  if (SameText(v, "true")) return true;
  if (SameText(v, "false")) return false;
  try {
    return std::stol(v) != 0;
  } catch (...) {
    return def;
  }
}

}  // namespace

MainConfig ReadMainConfig(const std::string& fileName) {
  MainConfig config;
  bool inSection = false;
  for (const auto& line : ReadLines(fileName)) {
    std::string name;
    if (SectionOf(line, name)) {
      inSection = SameText(name, kSection);
      continue;
    }
    if (!inSection) continue;
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
    if (SameText(key, "ShowDosWindow")) config.showDosWindow = ReadBool(value, false);
    if (SameText(key, "Skin")) config.skin = ReadBool(value, true);
    if (SameText(key, "SkinNativeFrame")) config.skinNativeFrame = ReadBool(value, false);
    // LangId is written only: the window keeps its own value.
  }
  return config;
}

void WriteMainConfig(const std::string& fileName, const MainConfig& config) {
  std::vector<std::string> lines = ReadLines(fileName);
  const std::string dos = "ShowDosWindow=" + std::string(config.showDosWindow ? "1" : "0");
  const std::string lang = "LangId=" + std::to_string(config.langId);
  std::vector<std::string> out;
  bool inSection = false, found = false, dosDone = false, langDone = false;
  auto finishSection = [&] {
    if (!dosDone) out.push_back(dos);
    if (!langDone) out.push_back(lang);
    dosDone = langDone = true;
  };
  for (const auto& line : lines) {
    std::string name;
    if (SectionOf(line, name)) {
      if (inSection) finishSection();
      inSection = SameText(name, kSection);
      found = found || inSection;
      out.push_back(line);
      continue;
    }
    if (inSection) {
      auto eq = line.find('=');
      std::string key = eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
      if (SameText(key, "ShowDosWindow")) {
        if (!dosDone) out.push_back(dos);
        dosDone = true;
        continue;
      }
      if (SameText(key, "LangId")) {
        if (!langDone) out.push_back(lang);
        langDone = true;
        continue;
      }
    }
    out.push_back(line);
  }
  if (inSection) finishSection();
  if (!found) {
    out.push_back(std::string("[") + kSection + "]");
    out.push_back(dos);
    out.push_back(lang);
  }
  std::string text;
  for (const auto& l : out) text += l + "\n";
  try {
    olv::SaveFileAtomically(fileName, std::nullopt, [&](olv::TStream& stream) { stream.WriteBuffer(text.data(), text.size()); });
  } catch (const std::exception& e) {
    throw olv::Exception("Cannot write the settings file " + fileName + ": " + e.what());
  }
}

}  // namespace sch
