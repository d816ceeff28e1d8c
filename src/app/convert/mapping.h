#pragma once

// The QuickReport-to-report mapping: one pass over a TQuickRep's band list that adds a report
// band for every QuickReport band and a report control for every printable on it. Each rule
// table is one function.

#include <optional>
#include <string_view>
#include <vector>

#include "qrmodel/qr_bands.h"
#include "qrmodel/qr_printables.h"
#include "report/report.h"

namespace qr2vor {

// What one QuickReport band and its printables became.
struct TMappedControl {
  const TQRPrintable* source;
  const TVoRControl* target;
};
struct TMappedBand {
  const TQRCustomBand* source;
  const TVoRBand* target;
  std::vector<TMappedControl> controls;
  // Band children that are not printables: they have no mapping.
  std::vector<const TControl*> skipped;
};

// The band-type table.
TBandType MapBandType(TQRBandType type);
// The control-class table: the first test that holds picks the report class.
const TClassInfo& PickControlClass(const TQRPrintable& printable);
// The system-data table; nothing for qrsDetailCount, whose control keeps the kind it is created
// with.
std::optional<TVoRSysDataType> MapSysDataType(TQRSysDataType data);
// The shape table: the setting a shape's kind gives the control the class table picked.
void ApplyShapeKind(TQRShapeType shape, TVoRControl& control);
// The frame rule, for bands and controls alike.
void CopyFrame(const TQRFrame& source, TVoRFrame& target);

// Fills `report` from `quickRep`'s band list; returns what each band and printable became.
// A control that AddControl could not add fails with "List index out of bounds (-1)".
std::vector<TMappedBand> MapQuickReport(const TQuickRep& quickRep, TVoReport& report);

// Whether the mapping carries the form file's property `path` (as "Frame.DrawTop") of a
// QuickReport report, band or printable. Design positions the report lays out itself (a band's
// left, top and width, the report's own place on the form) count as carried.
bool MappingCarries(const TComponent& source, std::string_view path);

}  // namespace qr2vor
