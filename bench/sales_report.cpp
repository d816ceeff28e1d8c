// Writes the banded "Sales by Region" report of the peer benchmark as a report file: A4, a title
// on page 1, a page header with the report name, column captions and a rule, a group per region
// with a header and a footer that counts the records and sums the amount, one 7-field detail line
// per record with numbers right-aligned, and "Page N of M" (two passes) in the page footer.
//
//   sales_report OUT.vor
//
// The data is the benchmark's CSV (id, customer, region, date, qty, price, amount), sorted by
// region. Positions are page units (96 per inch); 4 units are 3 points.

#include <cstdio>
#include <string>

#include <fmt/format.h>

#include "report/band.h"
#include "report/controls.h"
#include "report/printer.h"
#include "report/report.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

// Column x and width in page units, right alignment for numbers.
struct TColumn {
  const char* field;
  const char* caption;
  int32_t left;
  int32_t width;
  bool right;
};
// 40, 130, 70, 60, 40, 80 and 103 points from the left margin.
constexpr TColumn kColumns[] = {
    {"id", "ID", 0, 53, true},
    {"customer", "Customer", 53, 173, false},
    {"region", "Region", 226, 93, false},
    {"date", "Date", 319, 80, false},
    {"qty", "Qty", 399, 53, true},
    {"price", "Price", 452, 107, true},
    {"amount", "Amount", 559, 138, true},
};
constexpr int32_t kPad = 3;
constexpr int32_t kContentWidth = 697;

void SetFont(TVoRControl& control, int32_t size, bool bold) {
  TFont font;
  font.SetName("Arial");
  font.SetSize(size);
  font.SetStyle(bold ? (1u << fsBold) : 0u);
  control.SetFont(&font);
}

TVoRBand& AddBand(TVoReport& report, TBandType type, int32_t height) {
  TVoRBand& band = *report.Bands(report.AddBand(type, true));
  band.SetHeight(height);
  band.SetLeft(0);
  band.SetWidth(kContentWidth);
  return band;
}

template <class T>
T& AddControl(TVoRBand& band, int32_t left, int32_t top, int32_t width, int32_t height) {
  auto& control = static_cast<T&>(*band.Controls(band.AddControl(T::StaticClassInfo())));
  control.SetLeft(left);
  control.SetTop(top);
  control.SetWidth(width);
  control.SetHeight(height);
  return control;
}

TVoRLabel& AddText(TVoRBand& band, const std::string& text, int32_t left, int32_t top,
                   int32_t width, int32_t size, bool bold, bool right = false) {
  auto& label = AddControl<TVoRLabel>(band, left, top, width, size * 4 / 3 + 4);
  label.SetDisplayName(text);
  label.SetWordWrap(false);
  label.SetStretch(false);
  label.SetAlignment(right ? taRightJustify : taLeftJustify);
  SetFont(label, size, bold);
  return label;
}

TVoRExpression& AddExpression(TVoRBand& band, const std::string& expression, int32_t left,
                              int32_t top, int32_t width, int32_t size, bool bold, bool right) {
  auto& control = AddControl<TVoRExpression>(band, left, top, width, size * 4 / 3 + 4);
  control.SetExpression(expression);
  control.SetWordWrap(false);
  control.SetStretch(false);
  control.SetAlignment(right ? taRightJustify : taLeftJustify);
  SetFont(control, size, bold);
  return control;
}

// A group variable: Expression accumulated by `type` over the records of one region.
void AddGroupVariable(TVoReport& report, const std::string& name, const std::string& expression,
                      TCalcType type) {
  TVoRVariable& variable = *report.Variables()->Add();
  variable.SetName(name);
  variable.SetExpression(expression);
  variable.Calculation()->SetCalcType(type);
  variable.Calculation()->SetResetType(rtEndGroup);
  variable.Calculation()->SetResetGroup("region");
}

// The report name, the column captions and a rule.
void AddPageHeading(TVoRBand& band) {
  AddText(band, "Sales by Region", 0, 0, 300, 10, true);
  for (const TColumn& column : kColumns) {
    AddText(band, column.caption, column.left + kPad, 18, column.width - 2 * kPad, 8, true,
            column.right);
  }
  AddControl<TVoRLine>(band, 0, 34, kContentWidth, 2).SetLineType(ltTop);
}

void BuildReport(TVoReport& report) {
  report.ClearBands();
  report.SetTwoPass(true);
  report.VoProperty()->SetTitle("Quarterly Sales Report");
  TVoRPrinter& printer = *report.PrinterSetting();
  printer.SetPaperSize(psA4);
  printer.SetOrientation(spoPortrait);
  // Half an inch left, right and top, 0.4 inch at the bottom, in printer dots.
  TVoRPageMargins& margins = *printer.Margins();
  margins.SetByDefault(false);
  margins.SetLeft(300);
  margins.SetRight(300);
  margins.SetTop(300);
  margins.SetBottom(240);

  // The engine prints the title above the page header on page 1, so the title band carries the
  // page header's lines itself and the page header begins on page 2.
  TVoRBand& title = AddBand(report, btReportTitle, 77);
  AddPageHeading(title);
  AddText(title, "Quarterly Sales Report", 0, 41, 500, 18, true);
  TVoRBand& pageHeader = AddBand(report, btPageHeader, 37);
  pageHeader.SetNewPage(false);
  AddPageHeading(pageHeader);

  TVoRBand& groupHeader = AddBand(report, btGroupHeader, 19);
  groupHeader.SetExpression("region");
  AddExpression(groupHeader, "'Region: ' + region", kPad, 2, 400, 9, true, false);

  TVoRBand& detail = AddBand(report, btDetail, 13);
  // The data reads price and amount as numbers; they print with their two decimals.
  for (const TColumn& column : kColumns) {
    auto& field = AddExpression(detail, column.field, column.left + kPad, 0,
                                column.width - 2 * kPad, 8, false, column.right);
    if (column.left >= kColumns[5].left) field.SetFormat("@N @ND2 @NS. @NR0.01 ");
  }

  // The count and the amount's whole units and cents are kept apart, so the total is exact and
  // no number on the way exceeds the ranges of the integer functions. Before the first record the
  // variables are empty texts, which do not read as numbers.
  // The footer's texts follow GroupCount, which changes with every record after the other two
  // have taken it.
  AddGroupVariable(report, "GroupUnits", "INT(amount)", ctSum);
  AddGroupVariable(report, "GroupCents", "ROUND(FRAC(amount) * 100)", ctSum);
  AddGroupVariable(report, "GroupCount", "region", ctCount);
  TVoRBand& groupFooter = AddBand(report, btGroupFooter, 19);
  groupFooter.SetExpression("region");
  const TColumn& amount = kColumns[6];
  auto& sumRule = AddControl<TVoRLine>(groupFooter, amount.left, 0, amount.width, 2);
  sumRule.SetLineType(ltTop);
  auto& caption = AddExpression(groupFooter, "'Total ' + region + ' (' + GroupCount + ' records)'",
                                kColumns[1].left + kPad, 3, 400, 8, true, false);
  auto& total = AddExpression(
      groupFooter,
      "IIF(GroupCents = '', '', FLOATTOSTR(GroupUnits + DIV(GroupCents, 100)) + '.' + "
      "SUBSTRING(INTTOSTR(GroupCents - DIV(GroupCents, 100) * 100 + 100), 2, 2))",
      amount.left + kPad, 3, amount.width - 2 * kPad, 8, true, true);
  for (TVoRExpression* text : {&caption, &total}) {
    text->Calculation()->SetCalculate(rcVariableChange);
    text->Calculation()->SetVariableChange("GroupCount");
  }

  // The page footer is drawn when its page begins, with the values its expression had on the
  // page before (PageNo 0 before the first page): one text, so it reads as one line.
  TVoRBand& pageFooter = AddBand(report, btPageFooter, 24);
  AddExpression(pageFooter, "'Page ' + INTTOSTR(PageNo + 1) + ' of ' + INTTOSTR(PageCount)", 0, 6,
                kContentWidth, 8, false, false)
      .SetAlignment(taCenter);
}

}  // namespace
}  // namespace qr2vor

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: sales_report OUT.vor\n", stderr);
    return 2;
  }
  try {
    qr2vor::RegisterReportClasses();
    qr2vor::TVoReport report(nullptr);
    qr2vor::BuildReport(report);
    report.SaveToFile(argv[1]);
  } catch (const qr2vor::Exception& e) {
    fmt::print(stderr, "sales_report: {}: {}\n", argv[1], e.Message());
    return 1;
  }
  return 0;
}
