#include "dataaccess/DAMacros.h"

#include "dataaccess/DAErrors.h"
#include "foundation/text/Utf8.h"

namespace da {

char MacroChar = '&';

namespace {

// A lexeme that can name a macro: an identifier, a symbol or a keyword.
bool NamesMacro(int code) { return code == lcIdent || code == lcSymbol || code > 0; }

constexpr std::size_t kMaxLegacyText = 1000;

}  // namespace

void TMacro::SetValue(std::string value) {
  if (value == value_) return;
  value_ = std::move(value);
  if (collection_) collection_->Changed();
}

void TMacro::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (collection_) collection_->Changed();
}

void TMacro::Assign(const TMacro& source) {
  name_ = source.name_;
  value_ = source.value_;
  active_ = source.active_;
}

TMacro& TMacros::Add(std::string name) {
  items_.push_back(std::make_unique<TMacro>(this, std::move(name)));
  Changed();
  return *items_.back();
}

void TMacros::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

TMacro* TMacros::FindMacro(std::string_view name) const {
  for (const auto& m : items_)
    if (olv::utf8::SameText(m->Name(), name)) return m.get();
  return nullptr;
}

TMacro& TMacros::MacroByName(std::string_view name) const {
  if (TMacro* m = FindMacro(name)) return *m;
  const std::string text = "Macro " + std::string(name) + " not found.";
  throw EDatabaseError(ownerName_.empty() ? text : ownerName_ + ": " + text);
}

bool TMacros::IsEqual(const TMacros& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    const TMacro &a = Items(i), &b = other.Items(i);
    if (a.Name() != b.Name() || a.Value() != b.Value() || a.Active() != b.Active()) return false;
  }
  return true;
}

void TMacros::Assign(const TMacros& source) {
  if (&source == this) return;
  std::vector<std::unique_ptr<TMacro>> copies;
  for (const auto& m : source.items_) {
    copies.push_back(std::make_unique<TMacro>(this));
    copies.back()->Assign(*m);
  }
  items_ = std::move(copies);
  Changed();
}

std::unique_ptr<TParser> TMacros::MakeParser(const char* text) const {
  std::unique_ptr<TParser> parser = parserClass_ ? parserClass_(text) : std::make_unique<TParser>(text);
  parser->OmitBlank = false;
  parser->Uppercase = false;
  return parser;
}

void TMacros::Scan(const std::string& sql) {
  if (sql.find(MacroChar) == std::string::npos) {
    Clear();
    return;
  }
  std::vector<std::unique_ptr<TMacro>> found;
  auto has = [&found](std::string_view name) {
    for (const auto& m : found)
      if (olv::utf8::SameText(m->Name(), name)) return true;
    return false;
  };
  const std::unique_ptr<TParser> parser = MakeParser(sql.c_str());
  const std::string macroChar(1, MacroChar);
  std::string lexem;
  for (int code = parser->GetNext(lexem); code != lcEnd; code = parser->GetNext(lexem)) {
    if (lexem != macroChar || code == lcString || code == lcComment) continue;
    code = parser->GetNext(lexem);
    if (code == lcEnd) break;
    if (!NamesMacro(code) || has(lexem)) continue;
    auto macro = std::make_unique<TMacro>(this, lexem);
    if (const TMacro* old = FindMacro(lexem)) {
      macro->value_ = old->value_;
      macro->active_ = old->active_;
    }
    found.push_back(std::move(macro));
  }
  // Unchanged macros tell nobody: the owner re-parses only for a real change.
  bool same = found.size() == items_.size();
  for (std::size_t i = 0; same && i < found.size(); ++i)
    same = found[i]->Name() == items_[i]->Name() && found[i]->Value() == items_[i]->Value() &&
           found[i]->Active() == items_[i]->Active();
  if (same) return;
  items_ = std::move(found);
  Changed();
}

void TMacros::Expand(std::string& sql) const {
  const std::unique_ptr<TParser> parser = MakeParser(sql.c_str());
  parser->QuotedString = true;
  const std::string macroChar(1, MacroChar);
  std::string out;
  out.reserve(sql.size());
  std::string lexem;
  // Each lexeme is copied from the text itself, so that case and quotes stay as written.
  auto slice = [&] { return std::string_view(sql).substr(parser->PrevPos(), parser->CurrPos() - parser->PrevPos()); };
  for (int code = parser->GetNext(lexem); code != lcEnd; code = parser->GetNext(lexem)) {
    if (lexem != macroChar || code == lcString || code == lcComment) {
      out += slice();
      continue;
    }
    code = parser->GetNext(lexem);
    if (code == lcEnd) break;
    const TMacro* macro = NamesMacro(code) ? FindMacro(lexem) : nullptr;
    if (!macro) {
      out += slice();
    } else if (macro->Active()) {
      out += macro->Value();
    }
  }
  sql = std::move(out);
}

void TMacros::ReadData(const std::vector<std::uint8_t>& data) {
  std::size_t pos = 0;
  auto need = [&](std::size_t n) {
    if (data.size() - pos < n) throw EDatabaseError("Invalid macro data.");
  };
  auto text = [&](std::size_t length) {
    need(length);
    std::string s(reinterpret_cast<const char*>(data.data()) + pos, length);
    pos += length;
    if (s.size() > kMaxLegacyText) s.resize(olv::utf8::CutWhole(s, kMaxLegacyText).size());
    return s;
  };
  need(1);
  const bool newer = data[pos++] == 'd';
  if (newer) {
    need(1);
    ++pos;
  }
  BeginUpdate();
  try {
    for (std::size_t n = items_.size(); n > 0; --n) {
      need(1);
      const std::string name = text(data[pos++]);
      need(2);
      const std::size_t valueLength = data[pos] | (data[pos + 1] << 8);
      pos += 2;
      TMacro& target = MacroByName(name);
      target.SetValue(text(valueLength));
      if (newer) {
        need(1);
        target.SetActive(data[pos++] != 0);
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TMacros::EndUpdate() {
  if (updateCount_ == 0 || --updateCount_ > 0) return;
  if (pendingChange_) {
    pendingChange_ = false;
    if (OnChange) OnChange();
  }
}

void TMacros::Changed() {
  if (updateCount_ > 0) {
    pendingChange_ = true;
    return;
  }
  if (OnChange) OnChange();
}

}  // namespace da
