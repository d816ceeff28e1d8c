#include "stream/registry.h"

#include <algorithm>
#include <vector>

#include "rtl/constants.h"
#include "rtl/exceptions.h"

namespace qr2vor {

namespace {

struct Registry {
  std::vector<const TClassInfo*> classes;
  std::vector<std::pair<std::string, const TClassInfo*>> aliases;
  TFindGlobalComponent findGlobal;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

const TClassInfo* FindRegistered(std::string_view name) {
  for (const TClassInfo* type : TheRegistry().classes) {
    if (SameText(type->Name(), name)) return type;
  }
  return nullptr;
}

}  // namespace

void RegisterClass(const TClassInfo& type) {
  for (const TClassInfo* c = &type; c != nullptr; c = c->Parent()) {
    const TClassInfo* existing = FindRegistered(c->Name());
    if (existing == c) return;
    if (existing != nullptr) throw EFilerError(fmt::runtime(msg::kDuplicateClass), c->Name());
    TheRegistry().classes.push_back(c);
    if (c == &TPersistent::StaticClassInfo()) return;
  }
}

void RegisterClassAlias(const TClassInfo& type, std::string alias) {
  RegisterClass(type);
  TheRegistry().aliases.emplace_back(std::move(alias), &type);
}

void UnRegisterClass(const TClassInfo& type) {
  std::erase(TheRegistry().classes, &type);
  std::erase_if(TheRegistry().aliases, [&](const auto& alias) { return alias.second == &type; });
}

const TClassInfo* GetClass(std::string_view name) {
  if (const TClassInfo* type = FindRegistered(name)) return type;
  for (const auto& [alias, type] : TheRegistry().aliases) {
    if (SameText(alias, name)) return type;
  }
  return nullptr;
}

const TClassInfo& FindClass(std::string_view name) {
  const TClassInfo* type = GetClass(name);
  if (type == nullptr) throw EClassNotFound(fmt::runtime(msg::kClassNotFound), name);
  return *type;
}

void SetFindGlobalComponent(TFindGlobalComponent lookup) {
  TheRegistry().findGlobal = std::move(lookup);
}

TComponent* FindGlobalComponent(std::string_view name) {
  const TFindGlobalComponent& lookup = TheRegistry().findGlobal;
  return lookup ? lookup(name) : nullptr;
}

void RegisterStandardIntegerConsts() {
  static bool done = false;
  if (done) return;
  done = true;
  const auto add = [](const TIntegerType& type, std::span<const IdentMapEntry> map) {
    RegisterIntegerConsts(
        type,
        [map](std::string_view ident, int32_t& value) { return IdentToInt(map, ident, value); },
        [map](int32_t value, std::string& ident) {
          const char* name = IntToIdent(map, value);
          if (name != nullptr) ident = name;
          return name != nullptr;
        });
  };
  add(ColorType(), ColorIdents());
  add(FontCharsetType(), CharsetIdents());
  add(CursorType(), CursorIdents());
}

}  // namespace qr2vor
