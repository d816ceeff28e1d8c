// What a converted report keeps of the form's page, visibility, alignment, frame and masks, with
// the records written checked against bytes worked out by hand; and what --compatible leaves.

#include <algorithm>
#include <string>
#include <vector>

#include "app/convert/mapping.h"
#include "app/convert/mask_translation.h"
#include "convert_fixture.h"
#include "report/report.h"

namespace qr2vor {
namespace {

// One property record of a component stream: the name as a short string, then the value.
std::string Record(const std::string& name, const std::string& value) {
  return std::string(1, static_cast<char>(name.size())) + name + value;
}
std::string Ident(const std::string& name) {
  return std::string("\x07", 1) + static_cast<char>(name.size()) + name;
}
std::string Int8(int value) { return std::string("\x02", 1) + static_cast<char>(value); }
std::string Int16(int value) {
  return std::string("\x03", 1) + static_cast<char>(value & 0xFF) +
         static_cast<char>((value >> 8) & 0xFF);
}
std::string String(const std::string& text) {
  return std::string("\x06", 1) + static_cast<char>(text.size()) + text;
}
const std::string kFalse("\x08", 1);

// A landscape A4 page with 10 mm top and bottom, 12.7 mm side margins, two columns 5 mm apart,
// a framed page, a title, and on its one band a hidden label, two labels aligned to the band and
// two data texts with masks.
const char* const kPageForm = R"(object Form1: TForm1
  object QuickRep1: TQuickRep
    Frame.DrawTop = True
    Frame.DrawBottom = True
    Frame.Color = clRed
    Page.Columns = 2
    Page.Orientation = poLandscape
    Page.PaperSize = A4
    Page.Values = (
      100.000000000000000000
      2100.000000000000000000
      100.000000000000000000
      2970.000000000000000000
      127.000000000000000000
      127.000000000000000000
      50.000000000000000000)
    ReportTitle = 'Monthly'
    object Band1: TQRBand
      Width = 1000
      Height = 40
      BandType = rbDetail
      Enabled = False
      object Hidden1: TQRLabel
        Left = 10
        Width = 100
        Height = 17
        Caption = 'hidden'
        Enabled = False
      end
      object Right1: TQRLabel
        Left = 10
        Width = 100
        Height = 17
        Alignment = taRightJustify
        AlignToBand = True
        Caption = 'right'
      end
      object Centre1: TQRSysData
        Left = 10
        Width = 101
        Height = 17
        Alignment = taCenter
        AlignToBand = True
        Data = qrsPageNumber
      end
      object Amount1: TQRDBText
        Width = 80
        Height = 17
        DataField = 'Amount'
        Mask = '#,##0.0 %'
      end
      object Odd1: TQRDBText
        Width = 80
        Height = 17
        DataField = 'Code'
        Mask = '000'
      end
    end
  end
end
)";

class ExtensionsTest : public ConvertFixture {
 protected:
  std::string ConvertToBytes(const std::string& text, TFormLedger* ledger,
                             TConvertOptions options = {}) {
    const std::string destination = Path("report.vor");
    EXPECT_EQ(Convert(BinaryForm(text), destination, ledger, options), TConvertOutcome::Converted);
    return LoadFile(destination);
  }
};

TEST_F(ExtensionsTest, PageColumnsTitleFrameHiddenAlignedAndMasks) {
  TFormLedger ledger;
  const std::string bytes = ConvertToBytes(kPageForm, &ledger);
  // psA4, turned to landscape: the stored page as it prints, 2970 by 2100 tenths of a
  // millimetre; margins in 600-dpi dots: 127 tenths = 300 dots, 100 tenths = 236 dots.
  const std::vector<std::string> records = {
      Record("PrinterSetting.Margins.ByDefault", kFalse),
      Record("PrinterSetting.Margins.Left", Int16(300)),
      Record("PrinterSetting.Margins.Top", Int16(236)),
      Record("PrinterSetting.Margins.Right", Int16(300)),
      Record("PrinterSetting.Margins.Bottom", Int16(236)),
      Record("PrinterSetting.PaperSize", Ident("psA4")),
      Record("PrinterSetting.PaperSizeWidth", Int16(2970)),
      Record("PrinterSetting.PaperSizeHeight", Int16(2100)),
      Record("PrinterSetting.Orientation", Ident("spoLandscape")),
      // 50 tenths of a millimetre = 18 page units; two columns.
      Record("ColumnSpace", Int8(18)),
      Record("ColumnNumber", Int8(2)),
      Record("VoProperty.Title", String("Monthly")),
      // Top and bottom, red.
      Record("Frame.FrameType", std::string("\x0b\x05"
                                            "ftTop\x08"
                                            "ftBottom\x00",
                                            17)),
      Record("Frame.Color", Ident("clRed")),
      Record("VoPrintWhen.ShowIf", String("False")),
      // Right1 flush right: 1000 - 100; Centre1 centred: (1000 - 101) div 2.
      Record("Left", Int16(900)),
      Record("Left", Int16(449)),
      Record("Format", String("@N @ND1 @NR0.1 @NT, @CT @CS% @CP3 ")),
  };
  for (const std::string& record : records) {
    EXPECT_NE(bytes.find(record), std::string::npos) << record.substr(1);
  }
  // The band and the hidden label both never print.
  const size_t first = bytes.find(Record("VoPrintWhen.ShowIf", String("False")));
  EXPECT_NE(bytes.find(Record("VoPrintWhen.ShowIf", String("False")), first + 1),
            std::string::npos);

  const auto kinds = [&] {
    std::vector<std::string> list;
    for (const TLedgerCarried& carried : ledger.carried)
      list.push_back(carried.object + " " + carried.kind);
    return list;
  }();
  EXPECT_EQ(kinds,
            (std::vector<std::string>{"QuickRep1 page", "QuickRep1 columns", "QuickRep1 title",
                                      "QuickRep1 frame", "Band1 hidden", "Hidden1 hidden",
                                      "Right1 aligned", "Centre1 aligned", "Amount1 mask"}));
  // Only the mask that cannot be said stays, with its reason.
  std::vector<std::string> notCarried;
  for (const TLedgerValue& value : ledger.notCarried) {
    notCarried.push_back(value.object + "." + value.property + ": " + value.reason);
  }
  EXPECT_EQ(notCarried, std::vector<std::string>{
                            "Odd1.Mask: leading zeros to a fixed number of digits cannot be said"});
}

TEST_F(ExtensionsTest, CompatibleGivesTheMappingAlone) {
  TFormLedger ledger;
  TConvertOptions options;
  options.compatible = true;
  const std::string bytes = ConvertToBytes(kPageForm, &ledger, options);
  for (const char* name : {"PrinterSetting.Margins.ByDefault", "ColumnNumber", "VoProperty.Title",
                           "VoPrintWhen.ShowIf", "Frame.Color"}) {
    EXPECT_EQ(bytes.find(std::string(1, static_cast<char>(std::string(name).size())) + name),
              std::string::npos)
        << name;
  }
  EXPECT_EQ(bytes.find("@N @ND1"), std::string::npos);
  // A new report's letter paper.
  EXPECT_NE(bytes.find(Record("PrinterSetting.PaperSizeWidth", Int16(2159))), std::string::npos);
  EXPECT_TRUE(ledger.carried.empty());
  EXPECT_TRUE(std::any_of(ledger.notCarried.begin(), ledger.notCarried.end(),
                          [](const TLedgerValue& v) { return v.property == "AlignToBand"; }));
}

// The rich text's colour and font in the form file are its text's; the report takes the
// control's own, and the ledger says the text's were not carried.
TEST_F(ExtensionsTest, RichTextKeepsTheControlsOwnColourAndFont) {
  TFormLedger ledger;
  const std::string destination = Path("report.vor");
  ASSERT_EQ(Convert(BinaryForm(FormWithReport(R"(    object Band1: TQRBand
      BandType = rbDetail
      Font.Name = 'Times New Roman'
      object Rich1: TQRRichText
        Color = clRed
        Font.Name = 'Courier New'
      end
    end
)")),
                    destination, &ledger),
            TConvertOutcome::Converted);
  const auto report = TVoReport::LoadFromFile(destination);
  const TVoRControl& rich = *report->Bands(0)->Controls(0);
  EXPECT_EQ(rich.BackColor(), clWhite);
  EXPECT_EQ(rich.Font()->Name(), "Times New Roman");
  std::vector<std::string> notCarried;
  for (const TLedgerValue& value : ledger.notCarried) {
    if (value.object == "Rich1") notCarried.push_back(value.property + " = " + value.value);
  }
  EXPECT_EQ(notCarried, (std::vector<std::string>{"Color = clRed", "Font.Name = Courier New"}));
}

TEST(MaskTranslationTest, NumberAndDateTimeMasks) {
  const struct {
    const char* mask;
    const char* format;
    const char* reason;
  } rows[] = {
      {"#,##0.00", "@N ", ""},
      {"0.00", "@N @ND2 @NR0.01 ", ""},
      {"#,##0", "@N @ND0 @NT, ", ""},
      {"0.0%", "@N @ND1 @NR0.1 @CT @CS% @CP1 ", ""},
      {"0.00 'kg'", "@N @ND2 @NR0.01 @CT @CSkg @CP3 ", ""},
      {"$#,##0.00", "",
       "a text before the number would print after the minus sign of a negative one"},
      {"0.##", "", "optional or grouped decimals cannot be said"},
      {"#,##0.00;(#,##0.00)", "", "sections for negative numbers or zero cannot be said"},
      {"0.00E+00", "", "a scientific notation with a fixed exponent cannot be said"},
      {"#.##", "", "optional or grouped decimals cannot be said"},
      {"dd/mm/yyyy", "@D @DO0 @DD1 @DM1 @DY1 @DW2 ", ""},
      {"yyyy-mm-dd", "@D @DR- @DO4 @DD1 @DM1 @DY1 @DW2 ", ""},
      // An empty argument says the space.
      {"d mmm yy", "@D @DR @DO0 @DD0 @DM2 @DY0 @DW2 ", ""},
      {"mm/yyyy", "@D @DO0 @DD2 @DM1 @DY1 @DW2 ", ""},
      {"dddd,dd.mm.yyyy", "@D @DR. @DO0 @DD1 @DM1 @DY1 @DW1 @DV, ", ""},
      {"ddddd", "@D @DS ", ""},
      {"dd/mm/yyyy hh:nn", "@D @DO0 @DD1 @DM1 @DY1 @DW2 @T @TH1 @TM1 @TS2 ", ""},
      {"h:mm am/pm", "@T @TH0 @TM1 @TS2 @T12 @TI1 @TAam @TPpm ", ""},
      {"tt", "@T @TL ", ""},
      {"dd/mm/yyyy' at 'hh:nn", "", "texts around the date and time cannot be said"},
      {"c", "", "the element 'c' cannot be said"},
      {"yyyy/mm-dd", "", "date parts joined by different separators cannot be said"},
      {"'Total'", "", "neither a number nor a date-time format"},
  };
  for (const auto& row : rows) {
    const TMaskTranslation translation = TranslateDisplayMask(row.mask);
    EXPECT_EQ(translation.format, row.format) << row.mask;
    EXPECT_EQ(translation.reason, row.reason) << row.mask;
  }
}

TEST(MappingTablesTest, PaperNames) {
  const std::pair<TQRPaperSize, TVoRPaperSize> rows[] = {
      {TQRPaperSize::Letter, psLetter},   {TQRPaperSize::A4, psA4},
      {TQRPaperSize::qr10X14, psQr10X14}, {TQRPaperSize::ESheet, psESheet},
      {TQRPaperSize::Custom, psCustom},   {TQRPaperSize::Default, psCustom},
  };
  for (const auto& [quickReport, report] : rows) {
    EXPECT_EQ(static_cast<int>(MapPaperSize(quickReport)), static_cast<int>(report))
        << static_cast<int>(quickReport);
  }
}

}  // namespace
}  // namespace qr2vor
