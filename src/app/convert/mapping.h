#pragma once

// The QuickReport-to-report mapping: one pass over a TQuickRep's band list that adds a report
// band for every QuickReport band and a report control for every printable on it, then what the
// form says about the report's page and about hidden and aligned controls (the extensions). One
// table per QuickReport printable class says what it becomes, how it is filled and what of it is
// carried; the mapping and the ledger both read it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qrmodel/qr_bands.h"
#include "qrmodel/qr_printables.h"
#include "report/report.h"

namespace qr2vor {

// A value the extensions carried beyond the mapping: which properties of the form file, and
// what they became in the report.
struct TCarriedValue {
  // "page", "columns", "title", "frame", "hidden", "aligned" or "mask".
  std::string kind;
  std::vector<std::string> properties;
  std::string became;
};

// A value the extensions could not carry, with the reason.
struct TRefusedValue {
  std::string property;
  std::string value;
  std::string reason;
};

// What one QuickReport object's extensions did.
struct TExtensionLog {
  std::vector<TCarriedValue> carried;
  std::vector<TRefusedValue> refused;
  // Properties whose stored values the report now follows without a change worth listing (an
  // undrawn page frame, a printable not aligned to its band, one column).
  std::vector<std::string> honoured;

  // Whether the extensions carried or honoured the property `path`.
  bool Carries(std::string_view path) const;
};

// What one QuickReport band and its printables became.
struct TMappedControl {
  const TQRPrintable* source;
  const TVoRControl* target;
  TExtensionLog extensions;
};
struct TMappedBand {
  const TQRCustomBand* source;
  const TVoRBand* target;
  std::vector<TMappedControl> controls;
  // Band children that are not printables: they have no mapping.
  std::vector<const TControl*> skipped;
  TExtensionLog extensions;
};
struct TMappedReport {
  std::vector<TMappedBand> bands;
  // The extensions of the TQuickRep itself: page, columns, title, frame.
  TExtensionLog extensions;
};

struct TMappingOptions {
  // The page, visibility, alignment, frame and mask extensions; off gives the report the rule
  // tables alone give.
  bool extensions = true;
};

// The band-type table.
TBandType MapBandType(TQRBandType type);
// The control-class table: the first row whose class the printable has picks the report class.
const TClassInfo& PickControlClass(const TQRPrintable& printable);
// The system-data table; nothing for qrsDetailCount, whose control keeps the kind it is created
// with.
std::optional<TVoRSysDataType> MapSysDataType(TQRSysDataType data);
// The shape table: the setting a shape's kind gives the control the class table picked.
void ApplyShapeKind(TQRShapeType shape, TVoRControl& control);
// The frame rule, for bands, controls and the report's page frame alike.
void CopyFrame(const TQRFrame& source, TVoRFrame& target);
// The QuickReport paper names to the report's paper sizes; anything else is psCustom.
TVoRPaperSize MapPaperSize(TQRPaperSize paper);

// Fills `report` from `quickRep`'s band list and, with the extensions, from its page; answers
// what each band and printable became. A control that AddControl could not add fails with "List
// index out of bounds (-1)".
TMappedReport MapQuickReport(const TQuickRep& quickRep, TVoReport& report,
                             const TMappingOptions& options = {});

// Whether the rule tables carry the form file's property `path` (as "Frame.DrawTop") of a
// QuickReport report, band or printable. Design positions the report lays out itself (a band's
// left, top and width, the report's own place on the form) count as carried. What the
// extensions carried is in the mapped objects' extension logs.
bool MappingCarries(const TComponent& source, std::string_view path);

}  // namespace qr2vor
