// The rule tables of the mapping, the form outline, and the ledger of real forms.

#include <string>

#include <gtest/gtest.h>

#include "app/convert/form_outline.h"
#include "app/convert/mapping.h"
#include "convert_fixture.h"

namespace qr2vor {
namespace {

TEST(MappingTablesTest, BandTypes) {
  const std::pair<TQRBandType, TBandType> rows[] = {
      {rbTitle, btReportTitle},
      {rbPageHeader, btPageHeader},
      {rbDetail, btDetail},
      {rbPageFooter, btPageFooter},
      {rbSummary, btReportSummary},
      {rbGroupHeader, btGroupHeader},
      {rbGroupFooter, btGroupFooter},
      {rbSubDetail, btSubDetail},
      {rbColumnHeader, btColumnHeader},
      {rbOverlay, btNone},
      {rbChild, btNone},
  };
  for (const auto& [quickReport, report] : rows) {
    EXPECT_EQ(static_cast<int>(MapBandType(quickReport)), static_cast<int>(report))
        << static_cast<int>(quickReport);
  }
}

TEST(MappingTablesTest, SystemDataKinds) {
  const std::pair<TQRSysDataType, std::optional<TVoRSysDataType>> rows[] = {
      {qrsTime, sdTime},
      {qrsDate, sdDate},
      {qrsDateTime, sdDateTime},
      {qrsPageNumber, sdPageNo},
      {qrsReportTitle, sdReportTitle},
      {qrsDetailCount, std::nullopt},
      {qrsDetailNo, sdDetailNo},
  };
  for (const auto& [quickReport, report] : rows) {
    EXPECT_EQ(MapSysDataType(quickReport), report) << static_cast<int>(quickReport);
  }
}

}  // namespace
}  // namespace qr2vor
