#include "rtl/typinfo.h"

#include <algorithm>

#include "rtl/component.h"

namespace qr2vor {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           // Letters differ from their other case only in bit 0x20.
           const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c | 0x20) : c; };
           return lower(x) == lower(y);
         });
}

std::string LowerCaseAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
  }
  return lower;
}

int TEnumInfo::Ordinal(std::string_view name) const {
  for (size_t i = 0; i < names_.size(); ++i) {
    if (SameText(names_[i], name)) return static_cast<int>(i);
  }
  return -1;
}

std::string TEnumInfo::NameOf(int64_t ordinal) const {
  if (ordinal < 0 || ordinal >= static_cast<int64_t>(names_.size())) return {};
  return names_[static_cast<size_t>(ordinal)];
}

const TEnumInfo& BooleanInfo() {
  static const TEnumInfo info("Boolean", {"False", "True"});
  return info;
}

const TIntegerType& IntegerType() {
  static const TIntegerType type{"Integer"};
  return type;
}
const TIntegerType& ColorType() {
  static const TIntegerType type{"TColor"};
  return type;
}
const TIntegerType& FontCharsetType() {
  static const TIntegerType type{"TFontCharset"};
  return type;
}
const TIntegerType& CursorType() {
  static const TIntegerType type{"TCursor"};
  return type;
}

namespace {

struct IntegerConsts {
  const TIntegerType* type;
  TIdentToInt identToInt;
  TIntToIdent intToIdent;
};

std::vector<IntegerConsts>& IntegerConstsList() {
  static std::vector<IntegerConsts> list;
  return list;
}

}  // namespace

void RegisterIntegerConsts(const TIntegerType& type, TIdentToInt identToInt,
                           TIntToIdent intToIdent) {
  IntegerConstsList().push_back({&type, std::move(identToInt), std::move(intToIdent)});
}

bool IntToIdentOf(const TIntegerType& type, int32_t value, std::string& ident) {
  for (const IntegerConsts& consts : IntegerConstsList()) {
    if (consts.type == &type) return consts.intToIdent(value, ident);
  }
  return false;
}

bool IdentToIntOf(const TIntegerType& type, std::string_view ident, int32_t& value) {
  for (const IntegerConsts& consts : IntegerConstsList()) {
    if (consts.type == &type && consts.identToInt(ident, value)) return true;
  }
  return false;
}

bool TPropInfo::Writable() const {
  switch (kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
      return static_cast<bool>(setOrd);
    case TTypeKind::tkFloat:
      return static_cast<bool>(setFloat);
    case TTypeKind::tkString:
      return static_cast<bool>(setString);
    case TTypeKind::tkClass:
      return static_cast<bool>(setObject);
    case TTypeKind::tkMethod:
      return static_cast<bool>(setMethod);
  }
  return false;
}

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent)
    : name_(std::move(name)), parent_(parent) {}

size_t TClassInfo::Add(TPropInfo property) {
  // A property published again by a descendant keeps its place in the list.
  for (size_t i = 0; i < properties_.size(); ++i) {
    if (SameText(properties_[i].name, property.name)) {
      properties_[i] = std::move(property);
      return i;
    }
  }
  properties_.push_back(std::move(property));
  return properties_.size() - 1;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  for (const TPropInfo& property : properties_) {
    if (SameText(property.name, name)) return &property;
  }
  return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    if (c == &other) return true;
  }
  return false;
}

bool TClassInfo::HasMethod(std::string_view name) const {
  for (const TClassInfo* c = this; c != nullptr; c = c->parent_) {
    for (const std::string& method : c->methods_) {
      if (SameText(method, name)) return true;
    }
  }
  return false;
}

bool TClassInfo::IsComponentClass() const { return InheritsFrom(TComponent::StaticClassInfo()); }

}  // namespace qr2vor
