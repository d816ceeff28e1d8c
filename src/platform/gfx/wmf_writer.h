#pragma once

// Enhanced metafile to placeable Windows metafile (the WMF export): the records the metafile
// canvas writes become their 16-bit counterparts through libUEMF's WMF builders, object handles
// renumbered by the WMF rule (the lowest free slot), stock pens and brushes made real objects.
// Units stay pixels at 96 per inch.

#include <string>
#include <string_view>

namespace qr2vor {

// Raises EInvalidGraphic for a bad EMF and for coordinates beyond the 16-bit range of WMF.
std::string EmfToWmf(std::string_view emf);

}  // namespace qr2vor
