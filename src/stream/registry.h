#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "rtl/component.h"
#include "rtl/typinfo.h"

namespace qr2vor {

// The process-wide class registry by which the reader turns class names into classes.
// Registering a class registers its ancestors too, up to one already registered.
void RegisterClass(const TClassInfo& type);
void RegisterClassAlias(const TClassInfo& type, std::string alias);
// Forgets a class (tests use it to start from a known registry).
void UnRegisterClass(const TClassInfo& type);
// Registered classes first, aliases second; names compared without regard to case.
const TClassInfo* GetClass(std::string_view name);
// As GetClass, but an unknown name raises EClassNotFound "Class %s not found".
const TClassInfo& FindClass(std::string_view name);

// Finds an open root (window or data module) by name, for unique root names and references
// into other roots. The windowing layer installs the lookup; without one nothing is found.
using TFindGlobalComponent = std::function<TComponent*(std::string_view name)>;
void SetFindGlobalComponent(TFindGlobalComponent lookup);
TComponent* FindGlobalComponent(std::string_view name);

// Registers the named integer constants of colours, font character sets and cursors.
void RegisterStandardIntegerConsts();

}  // namespace qr2vor
