#pragma once

// Helpers for the references between QuickReport components: each holder asks the referenced
// component for free notification and forgets it when it goes.

#include <string_view>

#include "rtl/component.h"
#include "rtl/persistent.h"

namespace qr2vor {

// Points `reference` at `target`, asking `holder` to hear of the target's end. True on a change.
template <class T>
bool Retarget(TComponent& holder, T*& reference, T* target) {
  if (reference == target) return false;
  reference = target;
  if (target != nullptr) target->FreeNotification(&holder);
  return true;
}

// Clears `reference` when it points at the removed component. True when it did.
template <class T>
bool Forget(T*& reference, const TComponent* removed) {
  if (reference == nullptr || static_cast<const TComponent*>(reference) != removed) return false;
  reference = nullptr;
  return true;
}

// Reads an identifier and drops it: properties of older forms that carry nothing we keep.
inline void DropIdent(TFiler& filer, std::string_view name) {
  filer.DefineProperty(
      name, [](TValueReader& reader) { reader.ReadIdent(); }, nullptr, false);
}

}  // namespace qr2vor
