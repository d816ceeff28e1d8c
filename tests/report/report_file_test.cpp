// The report file: bytes worked out by hand from the class descriptions, the round trip of a
// report that uses every class, and malformed files.

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <memory>
#include <string>

#include "../stream/bytes.h"
#include "platform/data/memory_dataset.h"
#include "report/report.h"
#include "rtl/exceptions.h"
#include "stream/reader.h"
#include "stream/registry.h"
#include "stream/text_form.h"

namespace qr2vor {
namespace {

using test::B;
using test::Bytes;
using test::Ident;
using test::Prop;
using test::Record;
using test::S;
using test::Str;

Bytes UInt32(uint32_t value) {
  return B({static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
            static_cast<int>((value >> 16) & 0xFF), static_cast<int>(value >> 24)});
}

// The header text and the resource header around a component stream.
Bytes FileAround(const Bytes& componentStream) {
  const std::string header = "VoReport report file written by qr2vor";
  return UInt32(38) + header + B({0xFF, 10, 0}) + "TVOREPORT" + B({0, 0x30, 0x10}) +
         UInt32(static_cast<uint32_t>(componentStream.size())) + componentStream;
}

// A band as a new report holds it: display name and hint "Band" + the type's name, an empty
// highlight collection, LinkedBand always written.
Bytes StartingBand(const std::string& type, bool newPage) {
  const Bytes name = Str("Band" + type);
  return Record("TVoRBand", "",
                Prop("DisplayName", name) + Prop("HighLights", B({14, 0})) + Prop("Hint", name) +
                    Prop("LinkedBand", B({2, 0})) + Prop("BandType", Ident("bt" + type)) +
                    (newPage ? Prop("NewPage", B({9})) : ""));
}

class ReportFile : public ::testing::Test {
 protected:
  void SetUp() override { RegisterReportClasses(); }
  void TearDown() override { SetFindGlobalComponent(nullptr); }
};

TEST_F(ReportFile, NewReportHoldsExactlyTheNonDefaultRecords) {
  TVoReport report(nullptr);
  const Bytes stream =
      "TPF0" +
      Record("TVoReport", "",
             Prop("Variables", B({14, 0})) + Prop("Parameters", B({14, 0})) +
                 Prop("PrinterSetting.Margins.Left", B({2, 0})) +
                 Prop("PrinterSetting.Margins.Top", B({2, 0})) +
                 Prop("PrinterSetting.Margins.Right", B({2, 0})) +
                 Prop("PrinterSetting.Margins.Bottom", B({2, 0})) +
                 // 2159 = 0x086F, 2794 = 0x0AEA
                 Prop("PrinterSetting.PaperSizeWidth", B({3, 0x6F, 0x08})) +
                 Prop("PrinterSetting.PaperSizeHeight", B({3, 0xEA, 0x0A})) +
                 Prop("PrinterSetting.Collate", B({8})) +
                 Prop("Font.Charset", Ident("DEFAULT_CHARSET")) +
                 Prop("Font.Color", Ident("clWindowText")) + Prop("Font.Height", B({2, 0xF5})) +
                 Prop("Font.Name", Str("Arial")) + Prop("Font.Style", B({11, 0})),
             StartingBand("PageHeader", true) + StartingBand("Detail", false) +
                 StartingBand("PageFooter", true));
  const Bytes file = report.SaveToBytes();
  EXPECT_EQ(file, FileAround(stream));
  // S counts the bytes from the signature to the end.
  const size_t signature = file.find("TPF0");
  ASSERT_NE(signature, Bytes::npos);
  EXPECT_EQ(file.substr(signature - 4, 4), UInt32(static_cast<uint32_t>(file.size() - signature)));
}

TEST_F(ReportFile, SaveToFileStoresTheNameAndReplacesTheFile) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qr2vor_report_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string path = (folder / "x.vor").string();
  SaveFileAtomically(path, "old contents");

  TVoReport report(nullptr);
  EXPECT_EQ(report.FileName(), "Report.vor");
  report.SaveToFile(path);
  EXPECT_EQ(report.FileName(), path);
  const std::string bytes = LoadFile(path);
  EXPECT_NE(bytes.find(Prop("FileName", Str(path))), std::string::npos);
  EXPECT_EQ(TVoReport::LoadFromFile(path)->FileName(), path);
  std::filesystem::remove_all(folder);
}

TEST_F(ReportFile, UncreatableFileFails) {
  TVoReport report(nullptr);
  const std::string path = "/nonexistent-folder/r.vor";
  try {
    report.SaveToFile(path);
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + path);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

// A 1x1 24-bit bitmap: file header, info header, one pixel padded to four bytes.
Bytes TinyBitmap() {
  return "BM" + UInt32(58) + UInt32(0) + UInt32(54) + UInt32(40) + UInt32(1) + UInt32(1) +
         B({1, 0, 24, 0}) + UInt32(0) + UInt32(4) + UInt32(0) + UInt32(0) + UInt32(0) + UInt32(0) +
         B({0x10, 0x20, 0x30, 0});
}

// A report that sets every published property of every class away from its default and fills
// every collection, with references into another root "Form1".
struct FullReport {
  TComponent form{nullptr};
  TMemoryDataSet* table1 = new TMemoryDataSet(&form);
  TMemoryDataSet* table2 = new TMemoryDataSet(&form);
  TVoRDataManager* manager = new TVoRDataManager(&form);
  TComponent* menu = new TComponent(&form);
  std::unique_ptr<TVoReport> report = std::make_unique<TVoReport>(nullptr);

  FullReport() {
    form.SetName("Form1");
    table1->SetName("Table1");
    table2->SetName("Table2");
    manager->SetName("Manager1");
    menu->SetName("Menu1");
    SetFindGlobalComponent([this](std::string_view name) -> TComponent* {
      return SameText(name, "Form1") ? &form : nullptr;
    });

    TVoReport& r = *report;
    r.SetName("Report1");
    r.SetTag(3);
    r.Language()->SetAutoDetect(true);
    r.Language()->SetLanguageID(lnGerman);
    r.VoProperty()->SetAuthor("A");
    r.VoProperty()->SetTitle("T");
    r.VoProperty()->SetSubject("S");
    r.VoProperty()->SetKeywords("K");
    r.VoProperty()->SetComments("C");
    r.SetHelpContext(7);
    r.SetTwoPass(true);
    r.SetDataSet(table1);
    r.SetDataManager(manager);
    r.SetBarNumber(2);
    r.SetColumnSpace(300);
    r.SetColumnNumber(3);
    r.SetFileName("r.vor");
    r.SetPageNoStartAt(-5);
    r.SetPageNoCountBy(70000);
    TVoRVariable* variable = r.Variables()->Add();
    variable->SetExpression("Sum(Price)");
    variable->SetName("Total");
    variable->SetCurValue("SECRETCURRENT");
    variable->SetPrevValue("SECRETPREVIOUS");
    variable->Calculation()->SetResetGroup("G");
    variable->Calculation()->SetResetType(rtEndGroup);
    variable->Calculation()->SetCalcType(ctSum);
    variable->Calculation()->SetCalculate(rcVariableChange);
    variable->Calculation()->SetGroupChange("GC");
    variable->Calculation()->SetVariableChange("VC");
    r.Variables()->Add()->SetName("Empty");
    TVoRParameter* parameter = r.Parameters()->Add();
    parameter->SetDisplayLabel("Year?");
    parameter->SetName("Year");
    parameter->SetValue("SECRETPARAMETER");
    parameter->ParamPromptValues()->Add("2023");
    parameter->ParamPromptValues()->Add("2024");
    parameter->SetParameterEditor(peListBox);
    parameter->SetParameterMode(pmAskUndefined);
    r.SetAnimatedStatus(false);
    FillFrame(*r.Frame());
    TVoRPrinter& printer = *r.PrinterSetting();
    printer.SetPrinterIndex(2);
    printer.Margins()->SetByDefault(false);
    printer.Margins()->SetLeft(10);
    printer.Margins()->SetTop(20);
    printer.Margins()->SetRight(30);
    printer.Margins()->SetBottom(40);
    printer.SetPaperSize(psA4);
    printer.SetOrientation(spoLandscape);
    printer.SetOutputBin(sbManual);
    printer.SetDuplex(sdVertical);
    printer.SetCopies(2);
    printer.SetCollate(true);
    r.Font()->SetSize(12);
    r.Font()->SetStyle(FontStyleBit(fsBold) | FontStyleBit(fsItalic));
    r.SetOptions(0);

    TVoRBand& header = *r.Bands(r.AddBand(btGroupHeader, true));
    header.SetExpression("Customer");
    header.SetLinkedBand(6);
    header.SetStretch(true);
    header.SetReprintHeader(true);
    header.SetLessThan(1.5);
    header.SetNewPageIfNotFit(true);
    header.SetHeight(150);
    r.Bands(r.AddBand(btGroupFooter, true))->SetExpression("Customer");
    r.Bands(r.AddBand(btSubDetail, true))->SetDataset(table2);
    r.AddBand(btReportTitle, false);
    r.AddBand(btReportSummary, false);

    TVoRBand& detail = *r.Bands(r.FindBandByType(btDetail));
    auto* label = static_cast<TVoRLabel*>(Add(detail, TVoRLabel::StaticClassInfo()));
    FillControl(*label);
    label->SetAngle(90);
    label->SetWordWrap(false);
    label->SetStretch(false);
    auto* expression = static_cast<TVoRExpression*>(Add(detail, TVoRExpression::StaticClassInfo()));
    expression->SetExpression("Price * 2");
    expression->SetFormat("@N @ND2 ");
    expression->Calculation()->SetCalcType(ctAverage);
    static_cast<TVoRSysData*>(Add(detail, TVoRSysData::StaticClassInfo()))->SetSysData(sdPageNo);
    auto* line = static_cast<TVoRLine*>(Add(detail, TVoRLine::StaticClassInfo()));
    line->SetLineType(ltVCenter);
    line->SetStretch(ssHeight);
    line->SetLineStyle(lsDouble);
    static_cast<TVoRRectangle*>(Add(detail, TVoRRectangle::StaticClassInfo()))
        ->SetRectangleType(rtRoundSquare);
    static_cast<TVoREllipse*>(Add(header, TVoREllipse::StaticClassInfo()))
        ->SetEllipseType(etCircle);
    auto* image = static_cast<TVoRImage*>(Add(header, TVoRImage::StaticClassInfo()));
    image->SetFileName("logo.bmp");
    image->SetStretch(true);
    image->SetCenter(true);
    image->SetExpression("Photo");
    image->SetAspectRatio(true);
    auto* rich = static_cast<TVoRichText*>(Add(header, TVoRichText::StaticClassInfo()));
    rich->SetFileName("notes.rtf");
    rich->SetStretch(false);
    rich->SetExpression("Notes");
  }

  static TVoRControl* Add(TVoRBand& band, const TClassInfo& type) {
    return band.Controls(band.AddControl(type));
  }

  static void FillFrame(TVoRFrame& frame) {
    frame.SetColor(clRed);
    frame.SetStyle(psDashDot);
    frame.SetWidth(3);
    frame.SetFrameType((1u << ftTop) | (1u << ftRight));
    frame.SetBackColor(0x123456);
    TBitmap bitmap;
    bitmap.LoadFromImage(TinyBitmap());
    frame.Picture()->SetGraphic(&bitmap);
    frame.SetPicType(TVoPicType::btTileAsFrame);
  }

  void FillControl(TVoRControl& control) {
    control.SetTag(-1);
    control.SetCursor(crCross);
    control.SetDisplayName("Price");
    FillFrame(*control.Frame());
    control.SetAlignment(taCenter);
    control.SetTransparent(false);
    control.SetBrushStyle(bsDiagCross);
    control.Comments()->Add("first");
    control.Comments()->Add("second");
    TVoRHighLight* rule = control.HighLights()->Add();
    rule->SetExpression("Price > 100");
    rule->Font()->SetColor(clRed);
    rule->SetColor(clYellow);
    control.SetObjectPosition(opCenterBand);
    control.SetBackColor(clSilver);
    TVoPrintWhen& when = *control.VoPrintWhen();
    when.SetRepeatedValues(false);
    when.SetRePrintOnNewPage(true);
    when.SetOnGroupChange(true);
    when.SetGroupName("Customer");
    when.SetOnOverflow(true);
    when.SetRemoveBlankLine(true);
    when.SetShowIf("Price > 0");
    when.SetHideWhen("Price > 1000");
    control.SetHeight(21);
    control.SetWidth(200);
    control.SetLeft(-3);
    control.SetTop(0);
    control.Font()->SetName("Courier New");
    control.SetHint("hint");
    control.SetPopupMenu(menu);
  }
};

TEST_F(ReportFile, SaveLoadSaveIsByteIdentical) {
  FullReport full;
  const Bytes saved = full.report->SaveToBytes();
  const std::unique_ptr<TVoReport> loaded = TVoReport::LoadFromBytes(saved);
  EXPECT_EQ(loaded->SaveToBytes(), saved);

  // The starting bands of the new report did not survive: the loaded list is the saved one.
  ASSERT_EQ(loaded->BandCount(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(loaded->Bands(i)->BandType(), full.report->Bands(i)->BandType()) << i;
    EXPECT_EQ(loaded->Bands(i)->Report(), loaded.get());
  }
  TVoRBand* detail = loaded->Bands(loaded->FindBandByType(btDetail));
  ASSERT_EQ(detail->ControlCount(), 5);
  EXPECT_EQ(detail->Controls(0)->Band(), detail);
  EXPECT_EQ(detail->Controls(0)->Report(), loaded.get());
  EXPECT_EQ(loaded->DataSet(), full.table1);
  EXPECT_EQ(loaded->Bands(loaded->FindBandByType(btSubDetail))->Dataset(), full.table2);
  EXPECT_EQ(detail->Controls(0)->PopupMenu(), full.menu);

  // Run-time values never reach the file.
  for (const char* secret : {"SECRETCURRENT", "SECRETPREVIOUS", "SECRETPARAMETER"}) {
    EXPECT_EQ(saved.find(secret), Bytes::npos) << secret;
  }
  EXPECT_TRUE(loaded->Variables()->Items(0)->CurValue().IsNull());
  EXPECT_TRUE(loaded->Parameters()->Items(0)->Value().IsNull());
}

TEST_F(ReportFile, AReportWithoutBandsLoadsWithoutBands) {
  TVoReport report(nullptr);
  report.ClearBands();
  EXPECT_EQ(TVoReport::LoadFromBytes(report.SaveToBytes())->BandCount(), 0);
}

TEST_F(ReportFile, AReportReadInsideAFormOwnsItsBands) {
  // A form holding a report that holds one detail band with one label.
  const Bytes stream =
      "TPF0" + Record("TComponent", "Form1", "",
                      Record("TVoReport", "Report1", "",
                             Record("TVoRBand", "", Prop("BandType", Ident("btDetail")),
                                    Record("TVoRLabel", "", Prop("DisplayName", Str("Total"))))));
  TMemoryStream input(stream);
  TComponent form(nullptr);
  TReader(input).ReadRootComponent(&form);
  auto* report = dynamic_cast<TVoReport*>(form.FindComponent("Report1"));
  ASSERT_NE(report, nullptr);
  ASSERT_EQ(report->BandCount(), 1);
  TVoRBand* band = report->Bands(0);
  EXPECT_EQ(band->Owner(), report);
  EXPECT_EQ(band->DisplayName(), "");
  ASSERT_EQ(band->ControlCount(), 1);
  EXPECT_EQ(band->Controls(0)->Owner(), band);
  EXPECT_EQ(band->Controls(0)->DisplayName(), "Total");
}

TEST_F(ReportFile, ReadBandsKeepTheirStoredNames) {
  // Names that the naming rule would change are read as stored.
  TVoReport report(nullptr);
  report.Bands(0)->SetDisplayName("BandDetail");
  report.Bands(2)->SetDisplayName("Text");
  const std::unique_ptr<TVoReport> loaded = TVoReport::LoadFromBytes(report.SaveToBytes());
  EXPECT_EQ(loaded->Bands(0)->DisplayName(), "BandDetail");
  EXPECT_EQ(loaded->Bands(1)->DisplayName(), "BandDetail");
  EXPECT_EQ(loaded->Bands(2)->DisplayName(), "Text");
}

TEST_F(ReportFile, DumpShowsTheTree) {
  TVoReport report(nullptr);
  report.SetName("Report1");
  report.ClearBands();
  TVoRBand& band = *report.Bands(report.AddBand(btDetail, true));
  band.AddControl(TVoRLabel::StaticClassInfo());
  const std::string text = FormFileToText(report.SaveToBytes());
  for (const char* line :
       {"object Report1: TVoReport\n", "  object TVoRBand\n", "    DisplayName = 'BandDetail'\n",
        "    BandType = btDetail\n", "    object TVoRLabel\n", "      DisplayName = 'Text'\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
}

TEST_F(ReportFile, MalformedFilesFailCleanly) {
  TVoReport report(nullptr);
  const Bytes good = report.SaveToBytes();
  const auto expectInvalid = [](const Bytes& bytes, const char* what) {
    try {
      TVoReport::LoadFromBytes(bytes);
      ADD_FAILURE() << what << ": no exception";
    } catch (const EInvalidImage& e) {
      EXPECT_EQ(e.Message(), "Invalid stream format") << what;
    }
  };
  expectInvalid("", "empty");
  expectInvalid(UInt32(1000) + "short", "header text longer than the file");
  expectInvalid(UInt32(0xFFFFFFFF), "header length at the limit");
  Bytes renamed = good;
  renamed.replace(renamed.find("TVOREPORT"), 9, "TVOREPORX");
  expectInvalid(renamed, "another resource name");
  Bytes oversized = good;
  oversized.replace(good.find("TPF0") - 4, 4, UInt32(static_cast<uint32_t>(good.size())));
  expectInvalid(oversized, "size beyond the file");

  // Every truncation fails with an exception of the system, never a crash: of the whole file,
  // and of the component stream with the size field telling its truncated length.
  const size_t streamStart = good.find("TPF0");
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_THROW(TVoReport::LoadFromBytes(good.substr(0, length)), Exception) << length;
    if (length < streamStart) continue;
    Bytes cut = good.substr(0, length);
    cut.replace(streamStart - 4, 4, UInt32(static_cast<uint32_t>(length - streamStart)));
    EXPECT_THROW(TVoReport::LoadFromBytes(cut), Exception) << length;
  }
}

}  // namespace
}  // namespace qr2vor
