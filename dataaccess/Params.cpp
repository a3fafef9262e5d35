#include "dataaccess/Params.h"

#include "dataaccess/DAErrors.h"
#include "dataaccess/DataSet.h"
#include "dataaccess/TextUtil.h"

namespace da {

namespace {

TFieldType FieldTypeOfVariant(const Variant& value) {
  switch (value.VarType()) {
    case varSmallint: case varShortInt: case varByte: return ftSmallint;
    case varInteger: return ftInteger;
    case varWord: return ftWord;
    case varLongWord: case varInt64: return ftLargeint;
    case varSingle: case varDouble: return ftFloat;
    case varCurrency: return ftCurrency;
    case varDate: return ftDateTime;
    case varBoolean: return ftBoolean;
    case varString: return ftString;
    case varOleStr: return ftWideString;
    case varByteArray: return ftBlob;
    default: return ftUnknown;
  }
}

bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '#' || u >= 0x80;
}

}  // namespace

void TParam::SetValue(const Variant& value) {
  if (DataType() == ftUnknown) SetDataType(FieldTypeOfVariant(value));
  value_ = value;
  Bound = true;
}

void TParam::Clear() {
  value_ = Variant::Null();
  Bound = true;
}

void TParam::Assign(const TParam& source) {
  if (&source == this) return;
  Name = source.Name;
  SetDataType(source.DataType());
  ParamType = source.ParamType;
  Size = source.Size;
  value_ = source.Value();
  Bound = source.Bound;
}

void TParam::AssignField(const TField& field) {
  Name = field.FieldName();
  AssignFieldValue(field, field.AsVariant());
}

void TParam::AssignFieldValue(const TField& field, const Variant& value) {
  SetDataType(field.DataType());
  if (value.IsEmptyOrNull()) {
    Clear();
  } else {
    SetValue(value);
  }
}

void TParam::AssignTo(TField& field) const { field.SetAsVariant(IsNull() ? Variant::Null() : Value()); }

TParam& TParams::CreateParam(TFieldType dataType, std::string name, TParamType paramType) {
  std::unique_ptr<TParam> item = CreateItem();
  item->Name = std::move(name);
  item->SetDataType(dataType);
  item->ParamType = paramType;
  items_.push_back(std::move(item));
  return *items_.back();
}

TParam* TParams::FindParam(std::string_view name) const {
  const std::string upper = AsciiUpper(name);
  for (const auto& item : items_)
    if (AsciiUpper(item->Name) == upper) return item.get();
  return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) const {
  TParam* param = FindParam(name);
  if (!param) throw EDatabaseError("Parameter '" + std::string(name) + "' not found");
  return *param;
}

Variant TParams::ParamValues(std::string_view names) const {
  const std::vector<std::string> list = SplitNames(names);
  if (list.size() == 1 && names.find(';') == std::string_view::npos) return ParamByName(list[0]).Value();
  std::vector<Variant> values;
  for (const std::string& name : list) values.push_back(ParamByName(name).Value());
  return Variant::ArrayOf(std::move(values));
}

void TParams::SetParamValues(std::string_view names, const Variant& value) {
  const std::vector<std::string> list = SplitNames(names);
  if (list.size() == 1 && names.find(';') == std::string_view::npos) {
    ParamByName(list[0]).SetValue(value);
    return;
  }
  for (std::size_t i = 0; i < list.size(); ++i)
    ParamByName(list[i]).SetValue(value.ArrayItem(value.ArrayLowBound() + static_cast<int>(i)));
}

void TParams::Assign(const TParams& source) {
  if (&source == this) return;
  std::vector<std::unique_ptr<TParam>> copies;
  for (const auto& item : source.items_) {
    std::unique_ptr<TParam> copy = CreateItem();
    copy->Assign(*item);
    copies.push_back(std::move(copy));
  }
  items_ = std::move(copies);
}

void TParams::AssignValues(const TParams& source) {
  for (const auto& item : source.items_)
    if (TParam* target = FindParam(item->Name); target && target != item.get()) target->Assign(*item);
}

bool TParams::IsEqual(const TParams& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i) {
    const TParam& a = Items(i);
    const TParam& b = other.Items(i);
    if (a.Name != b.Name || a.DataType() != b.DataType() || a.ParamType != b.ParamType || !(a.Value() == b.Value()))
      return false;
  }
  return true;
}

std::string TParams::ParseSQL(std::string_view sql, bool doCreate) {
  std::string out;
  out.reserve(sql.size());
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == '\'' || c == '"') {
      // A literal or quoted name, copied whole ('' and "" inside are doubled quotes).
      const std::size_t end = sql.find(c, i + 1);
      const std::size_t stop = end == std::string_view::npos ? sql.size() : end + 1;
      out.append(sql.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (c != ':' || i + 1 >= sql.size()) {
      out += c;
      ++i;
      continue;
    }
    const char next = sql[i + 1];
    if (next == ':') {  // a double colon is no parameter
      out.append("::");
      i += 2;
      continue;
    }
    std::string name;
    std::size_t end = i + 1;
    if (next == '"') {
      const std::size_t close = sql.find('"', i + 2);
      if (close == std::string_view::npos) {
        out.append(sql.substr(i));
        break;
      }
      name = std::string(sql.substr(i + 2, close - i - 2));
      end = close + 1;
    } else {
      while (end < sql.size() && IsNameChar(sql[end])) ++end;
      name = std::string(sql.substr(i + 1, end - i - 1));
    }
    if (name.empty()) {  // ":=" and a lone colon
      out += c;
      ++i;
      continue;
    }
    if (doCreate) CreateParam(ftUnknown, name, ptUnknown);
    out += '?';
    i = end;
  }
  return out;
}

}  // namespace da
