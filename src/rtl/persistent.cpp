#include "rtl/persistent.h"

#include "rtl/exceptions.h"

namespace qr2vor {

const TClassInfo& TPersistent::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Root("TPersistent");
  return info;
}

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError("Cannot assign a {} to a {}", ClassName(), dest.ClassName());
}

}  // namespace qr2vor
