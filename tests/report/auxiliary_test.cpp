// Calculations, variables, parameters, data-set lists, the language object and the printer
// settings.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/data/memory_dataset.h"
#include "report/report.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

TEST(Calculation, IsTriggered) {
  const struct {
    TVoRCalculate calculate;
    const char* watched;  // GroupChange or VariableChange
    const char* group;
    const char* variable;
    bool triggered;
  } rows[] = {
      {rcOnEveryRow, "", "", "", true},
      {rcOnEveryRow, "", "G", "", false},
      {rcOnEveryRow, "", "", "V", false},
      {rcGroupChange, "", "", "", false},
      {rcGroupChange, "Customer", "CUSTOMER", "", true},
      {rcGroupChange, "Customer", "Country", "", false},
      {rcGroupChange, "Customer", "", "Customer", false},
      {rcVariableChange, "total", "", "TOTAL", true},
      {rcVariableChange, "", "", "", false},
      {rcVariableChange, "total", "total", "", false},
  };
  for (const auto& row : rows) {
    TVoRCalculation calculation;
    calculation.SetCalculate(row.calculate);
    calculation.SetGroupChange(row.calculate == rcGroupChange ? row.watched : "");
    calculation.SetVariableChange(row.calculate == rcVariableChange ? row.watched : "");
    EXPECT_EQ(calculation.IsTriggered(row.group, row.variable), row.triggered)
        << row.calculate << " " << row.watched << " " << row.group << " " << row.variable;
  }
}

TEST(Assign, VariablesCopyNeitherValue) {
  TVoRVariables variables(nullptr);
  TVoRVariable& source = *variables.Add();
  source.SetExpression("Price");
  source.SetName("Total");
  source.Calculation()->SetCalcType(ctHighest);
  source.SetCurValue(5);
  source.SetPrevValue(4);
  TVoRVariable& copy = *variables.Add();
  copy.Assign(source);
  EXPECT_EQ(copy.Expression(), "Price");
  EXPECT_EQ(copy.Name(), "Total");
  EXPECT_EQ(copy.Calculation()->CalcType(), ctHighest);
  EXPECT_NE(copy.Calculation(), source.Calculation());
  EXPECT_TRUE(copy.CurValue().IsNull());
  EXPECT_TRUE(copy.PrevValue().IsNull());
}

TEST(Assign, ParametersCopyTheValueAndTheList) {
  TVoRParameters parameters(nullptr);
  TVoRParameter& source = *parameters.Add();
  source.SetName("Year");
  source.SetValue(2024);
  source.ParamPromptValues()->Add("2024");
  source.SetParameterEditor(peCombobox);
  TVoRParameter& copy = *parameters.Add();
  copy.Assign(source);
  EXPECT_EQ(copy.Value(), Variant(2024));
  EXPECT_EQ(copy.ParamPromptValues()->Count(), 1);
  EXPECT_EQ(copy.ParameterEditor(), peCombobox);
}

TEST(Assign, OtherClassesFail) {
  TVoRCalculation calculation;
  TVoPrintWhen when;
  EXPECT_THROW(calculation.Assign(when), Exception);
  TVoRHighLights highLights(nullptr);
  EXPECT_THROW(highLights.Add()->Assign(calculation), Exception);
}

TEST(Dataset, CaptionFollowsTheDataSet) {
  TComponent form(nullptr);
  auto* table = new TMemoryDataSet(&form);
  table->SetName("Orders");
  TVoRDataManager manager(nullptr);
  TVoRDataset& item = *manager.Datasets()->Add();
  item.SetDataset(table);
  EXPECT_EQ(item.Caption(), "Orders");
  item.SetCaption("Open orders");
  item.SetDataset(table);
  EXPECT_EQ(item.Caption(), "Open orders");
  item.SetDataset(nullptr);
  EXPECT_EQ(item.Caption(), "");
}

TEST(Dataset, FillListsThePrimaryFirstAndOnce) {
  TComponent form(nullptr);
  auto* customers = new TMemoryDataSet(&form);
  new TComponent(&form);  // not a data set: neither listed nor searched
  auto* orders = new TMemoryDataSet(&form);
  auto* lines = new TMemoryDataSet(orders);  // owned by the primary: walked in its place
  auto* products = new TMemoryDataSet(&form);
  new TMemoryDataSet(customers);  // owned by another data set: not searched
  TVoRDataManager manager(nullptr);
  manager.Datasets()->Add()->SetCaption("stale");
  manager.Fill(form, orders);
  const TDataSet* expected[] = {orders, customers, lines, products};
  ASSERT_EQ(manager.Datasets()->Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(manager.Datasets()->Items(i)->Dataset(), expected[i]);
  manager.Fill(form);
  EXPECT_EQ(manager.Datasets()->Count(), 3);
  EXPECT_EQ(manager.Datasets()->Items(1)->Dataset(), orders);
}

TEST(Language, DetectionFromThePrimaryLanguage) {
  const struct {
    int id;
    TVoRLangID language;
  } rows[] = {{0x19, lnRussian}, {0x22, lnUkrainian}, {0x07, lnGerman},  {0x0C, lnFrench},
              {0x1D, lnSwedish}, {0x05, lnCzech},     {0x0A, lnEnglish}, {0x09, lnEnglish},
              {0x00, lnEnglish}, {0x15, lnEnglish}};
  for (const auto& row : rows) EXPECT_EQ(LanguageOfPrimaryId(row.id), row.language) << row.id;
  EXPECT_EQ(PrimaryIdOfLocale("de_DE.UTF-8"), 0x07);
  EXPECT_EQ(PrimaryIdOfLocale("sv"), 0x1D);
  EXPECT_EQ(PrimaryIdOfLocale("C"), 0);
  EXPECT_EQ(PrimaryIdOfLocale("ukr_UA"), 0);
}

TEST(Language, AutoDetectOnASpanishSystemIsEnglish) {
  const char* saved = std::getenv("LC_ALL");
  const std::string restore = saved != nullptr ? saved : "";
  TVoRLanguage language;
  language.SetLanguageID(lnGerman);
  language.SetAutoDetect(true);
  ::setenv("LC_ALL", "es_ES.UTF-8", 1);
  EXPECT_EQ(language.Language(), lnEnglish);
  ::setenv("LC_ALL", "fr_FR", 1);
  EXPECT_EQ(language.Language(), lnFrench);
  language.SetAutoDetect(false);
  EXPECT_EQ(language.Language(), lnGerman);
  if (saved != nullptr) {
    ::setenv("LC_ALL", restore.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

TEST(Language, TextsFallBackToEnglish) {
  TVoRLanguage language;
  EXPECT_EQ(language.Text(text::kBand), "Band");
  EXPECT_EQ(language.Text(text::kBandTypeNames + btSubDetail), "SubDetail");
  EXPECT_EQ(language.Text(text::kDatasetNotActive), "Dataset is not active.");
  language.SetLanguageID(lnCzech);
  EXPECT_EQ(language.Text(text::kNewVoRControl), "NewVoRControl");
  EXPECT_EQ(language.Text(1), "");
  EXPECT_EQ(ResourceString(11013 + 2000), "");
}

TEST(Printer, PaperSizeAndOrientation) {
  TVoRPrinter printer;
  EXPECT_EQ(printer.PaperSize(), psDefault);
  EXPECT_EQ(printer.PaperSizeWidth(), 2159);
  EXPECT_EQ(printer.PaperSizeHeight(), 2794);
  printer.SetPaperSize(psA4);
  EXPECT_EQ(printer.PaperSizeWidth(), 2100);
  EXPECT_EQ(printer.PaperSizeHeight(), 2970);
  printer.SetOrientation(spoPortrait);
  EXPECT_EQ(printer.PaperSizeWidth(), 2100);
  printer.SetOrientation(spoLandscape);
  EXPECT_EQ(printer.PaperSizeWidth(), 2970);
  EXPECT_EQ(printer.PaperSizeHeight(), 2100);
  printer.SetOrientation(spoDefault);
  EXPECT_EQ(printer.PaperSizeWidth(), 2970);
  // The virtual printer's letter paper, in tenths of a millimetre like the table's sizes.
  printer.SetPaperSize(psDefault);
  EXPECT_EQ(printer.PaperSizeWidth(), 2159);
  EXPECT_EQ(printer.PaperSizeHeight(), 2794);
}

TEST(Printer, SizesBelowOneApplyThePaperAgain) {
  TVoRPrinter printer;
  printer.SetPaperSize(psEnv9);
  printer.SetPaperSizeWidth(0);
  printer.SetPaperSizeHeight(500);
  EXPECT_EQ(printer.PaperSizeWidth(), 984);
  EXPECT_EQ(printer.PaperSizeHeight(), 2254);
  printer.SetPaperSize(psCustom);
  EXPECT_EQ(printer.PaperSizeWidth(), 0);
  EXPECT_EQ(printer.PaperSizeHeight(), 1);
}

TEST(Printer, TablesAndNames) {
  EXPECT_EQ(PaperInfo(psA2).deviceCode, 66);
  EXPECT_EQ(PaperInfo(psA4Transverse).deviceCode, 55);
  EXPECT_EQ(PaperInfo(psCustom).deviceCode, 256);
  EXPECT_EQ(BinDeviceCode(sbDefault), 256);
  EXPECT_EQ(BinDeviceCode(sbCassette), 14);
  EXPECT_EQ(BinDeviceCode(sbLast), 15);
  TVoRPrinter printer;
  printer.SetPrinterIndex(3);
  printer.SetPrinterName("Office");
  EXPECT_EQ(printer.PrinterIndex(), -1);
  TVoRPageMargins margins;
  margins.SetByDefault(false);
  margins.SetBottom(9);
  printer.SetMargins(&margins);
  EXPECT_FALSE(printer.Margins()->ByDefault());
  EXPECT_EQ(printer.Margins()->Bottom(), 9);
}

}  // namespace
}  // namespace qr2vor
