// The rule tables of the mapping, the form outline, and the ledger of real forms.

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/convert/batch.h"
#include "app/convert/form_outline.h"
#include "app/convert/mapping.h"
#include "convert_fixture.h"
#include "rtl/exceptions.h"
#include "stream/resource.h"

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

TEST(FormOutlineTest, ValuesAsOneLine) {
  TMemoryStream stream(TextToFormFile(R"(object Form1: TForm1
  Caption = 'it''s'
  Tag = 7
  Zoom = 1.5
  Font.Style = [fsBold, fsItalic]
  Lines.Strings = (
    'one'
    'two')
  Picture.Data = {0102030405}
  Items = <
    item
      Width = 1
    end
    item
    end>
  OnCreate = FormCreate
  OnlyOnce = Yes
  object Child: TChild
  end
end
)"));
  ReadResHeader(stream);
  const TOutlineObject outline = ReadFormOutline(stream);
  EXPECT_EQ(outline.name, "Form1");
  EXPECT_EQ(outline.className, "TForm1");
  std::vector<std::string> lines;
  for (const TOutlineProperty& property : outline.properties) {
    lines.push_back(fmt::format("{} = {}{}", property.name, property.value,
                                IsEventHandlerReference(property) ? " (handler)" : ""));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Caption = it's", "Tag = 7", "Zoom = 1.5", "Font.Style = [fsBold, fsItalic]",
                       "Lines.Strings = ('one', 'two')", "Picture.Data = (5 bytes)",
                       "Items = <2 items>", "OnCreate = FormCreate (handler)", "OnlyOnce = Yes"}));
  ASSERT_EQ(outline.children.size(), 1u);
  EXPECT_EQ(outline.children[0].name, "Child");
}

TEST(FormOutlineTest, TruncatedStreamFails) {
  const std::string form = TextToFormFile("object Form1: TForm1\n  Caption = 'x'\nend\n");
  const size_t start = form.find("TPF0");
  for (size_t length = start; length < form.size(); ++length) {
    TMemoryStream stream(form.substr(start, length - start));
    EXPECT_THROW(ReadFormOutline(stream), EReadError) << length;
  }
}

using LedgerTest = ConvertFixture;

TEST_F(LedgerTest, ExampleInvoiceForm) {
  const std::string text = LoadFile(QR2VOR_SOURCE_DIR "/examples/invoice.txt");
  TFormLedger ledger;
  ASSERT_EQ(Convert(BinaryForm(text), Path("invoice.vor"), &ledger), TConvertOutcome::Converted);
  const nlohmann::json json = nlohmann::json::parse(LedgerToJson({ledger}));
  const nlohmann::json& form = json["forms"][0];
  EXPECT_EQ(form["quickRep"], "qrInvoice");
  EXPECT_EQ(json["summary"]["converted"], 1);
  // Bands in the report's order, each with what it became.
  // The band list's order: page header, title and page footer first, the child after its parent.
  ASSERT_EQ(form["bands"].size(), 7u);
  const char* const order[] = {"bndPageHeader", "bndTitle",    "bndPageFooter",   "grpCustomer",
                               "bndDetail",     "chdLineNote", "bndCustomerTotal"};
  for (size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(form["bands"][i]["name"], order[i]);
  const nlohmann::json& title = form["bands"][1];
  EXPECT_EQ(title["became"]["bandType"], "btReportTitle");
  EXPECT_EQ(title["controls"][0]["became"]["class"], "TVoRLabel");
  EXPECT_EQ(form["bands"][5]["became"]["bandType"], "btNone");
  // The memo's text decoded from Windows-1252 (0xB7 is the middle dot).
  EXPECT_NE(
      title["controls"][1]["became"]["displayName"].get<std::string>().find("555 0100 \u00B7 info"),
      std::string::npos);
  const auto hasValue = [&](const std::string& object, const std::string& property,
                            const std::string& value) {
    return std::any_of(form["notCarried"].begin(), form["notCarried"].end(), [&](const auto& v) {
      return v["object"] == object && v["property"] == property && v["value"] == value;
    });
  };
  EXPECT_TRUE(hasValue("qrInvoice", "DataSet", "tblInvoiceLines"));
  EXPECT_FALSE(hasValue("qrInvoice", "Page.PaperSize", "A4"));
  ASSERT_FALSE(form["carried"].empty());
  EXPECT_EQ(form["carried"][0]["object"], "qrInvoice");
  EXPECT_EQ(form["carried"][0]["kind"], "page");
  EXPECT_TRUE(hasValue("qrInvoice", "PrintIfEmpty", "True"));
  EXPECT_TRUE(hasValue("txtDescription", "DataSet", "tblInvoiceLines"));
  EXPECT_FALSE(hasValue("lblTitle", "Caption", "Invoice from O'Brien && Sons"));
  ASSERT_EQ(form["leftBehind"].size(), 1u);
  EXPECT_EQ(form["leftBehind"][0]["class"], "TTable");
}

// Real forms: the class derives from TQuickRep, add-on classes are skipped, handlers named.
TEST_F(LedgerTest, CorpusForms) {
  const std::filesystem::path corpus = QR2VOR_CORPUS_DIR "/qr/binary";
  if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  TFormLedger letter;
  ASSERT_EQ(Convert((corpus / "bravesoftdz__DelphiSave__afiliaciones__reports__"
                              "unRptCartDocTraspasoEgreso2.dfm")
                        .string(),
                    Path("letter.vor"), &letter),
            TConvertOutcome::Converted);
  EXPECT_TRUE(letter.rootIsReport);
  const auto unknown = std::find_if(
      letter.unregistered.begin(), letter.unregistered.end(),
      [](const TLedgerUnregistered& object) { return object.className == "TQRAngledLabel"; });
  ASSERT_NE(unknown, letter.unregistered.end());
  EXPECT_EQ(unknown->kind, "QuickReport add-on class: not converted");
  const auto handler = std::find_if(
      letter.eventHandlers.begin(), letter.eventHandlers.end(),
      [](const TLedgerHandler& h) { return h.object == "QRDBText1" && h.property == "OnPrint"; });
  ASSERT_NE(handler, letter.eventHandlers.end());
  EXPECT_EQ(handler->handler, "ImprimeCuit");
  const auto picture = std::find_if(
      letter.notCarried.begin(), letter.notCarried.end(),
      [](const TLedgerValue& v) { return v.object == "QRImage1" && v.property == "Picture.Data"; });
  ASSERT_NE(picture, letter.notCarried.end());
  EXPECT_EQ(picture->value, "(3035 bytes)");

  TFormLedger journal;
  ASSERT_EQ(
      Convert((corpus / "bravesoftdz__DelphiSave__afiliaciones__tesoreria__unRptLibroDiario.dfm")
                  .string(),
              Path("journal.vor"), &journal),
      TConvertOutcome::Converted);
  const auto mask = std::find_if(
      journal.carried.begin(), journal.carried.end(),
      [](const TLedgerCarried& v) { return v.object == "sumaDebito" && v.kind == "mask"; });
  ASSERT_NE(mask, journal.carried.end());
  EXPECT_EQ(mask->became, "Format = '@N @ND2 @NR0.01 '");
}

// Every corpus form, binary ones as they are and text ones built into binary ones first. The
// only failures allowed are data sets stored as active whose database is not at hand.
TEST_F(LedgerTest, CorpusBatch) {
  const std::filesystem::path corpus = QR2VOR_CORPUS_DIR "/qr";
  if (!std::filesystem::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  const std::filesystem::path textBuilt = folder_ / "text";
  std::filesystem::create_directories(textBuilt);
  size_t textUnreadable = 0;
  for (const std::filesystem::path& text : FindFormFiles(corpus / "text")) {
    try {
      SaveFileAtomically((textBuilt / text.filename()).string(),
                         TextToFormFile(LoadFile(text.string())));
    } catch (const Exception& e) {
      ++textUnreadable;
      ADD_FAILURE() << text << ": " << e.Message();
    }
  }
  for (const char* kind : {"binary", "text"}) {
    const std::filesystem::path source = kind == std::string("binary") ? corpus / kind : textBuilt;
    std::vector<TFormLedger> ledgers;
    TRecordingUI ui;
    const TBatchSummary summary =
        ConvertTree({}, ui, source, folder_ / fmt::format("{}_out", kind), &ledgers, {});
    std::cout << fmt::format("{} forms: converted {}, without report {}, failed {}\n", kind,
                             summary.converted, summary.withoutReport, summary.failed);
    for (const TFormLedger& ledger : ledgers) {
      if (ledger.outcome == TConvertOutcome::Failed) {
        EXPECT_TRUE(ledger.message.starts_with("Query1: Database") ||
                    ledger.message.starts_with("Table1: Database"))
            << ledger.source << ": " << ledger.message;
      } else if (ledger.outcome == TConvertOutcome::Converted) {
        const auto report = TVoReport::LoadFromFile(ledger.destination);
        EXPECT_EQ(static_cast<size_t>(report->BandCount()), ledger.bands.size()) << ledger.source;
      }
    }
    EXPECT_GT(summary.converted, 0u);
  }
  EXPECT_EQ(textUnreadable, 0u);
}

}  // namespace
}  // namespace qr2vor

namespace qr2vor {
namespace {

using CodePageTest = ConvertFixture;

// A report title with one label per font character set given; each label's caption is the
// placeholder string 'PLACEHOLDER'.
std::string LabelsForm(std::initializer_list<const char*> charsets) {
  std::string labels;
  int n = 0;
  for (const char* charset : charsets) {
    labels += fmt::format(
        "      object Label{}: TQRLabel\n        Font.Charset = {}\n"
        "        Caption = 'PLACEHOLDER'\n      end\n",
        ++n, charset);
  }
  return FormWithReport("    object Title: TQRBand\n      BandType = rbTitle\n" + labels +
                        "    end\n");
}

// The form file with its first placeholder caption replaced by a UTF-8 string value, as later
// versions of the toolkit save text, and the resource header's size mended.
std::string WithUtf8Caption(std::string form, const std::string& utf8) {
  const std::string placeholder = std::string("\x06\x0BPLACEHOLDER", 13);
  const size_t at = form.find(placeholder);
  EXPECT_NE(at, std::string::npos);
  std::string value = "\x14";
  for (int i = 0; i < 4; ++i) value += static_cast<char>((utf8.size() >> (8 * i)) & 0xFF);
  form.replace(at, placeholder.size(), value + utf8);
  const size_t stream = form.find("TPF0");
  const auto size = static_cast<uint32_t>(form.size() - stream);
  for (int i = 0; i < 4; ++i) form[stream - 4 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  return form;
}

TEST_F(CodePageTest, LaterStringsReadIntoTheCodePageTheFontsName) {
  // The folder's name is UTF-8 on the file system and stays so in the ledger.
  const std::string folder = Path("EBT\u4ECB\u63A5");
  std::filesystem::create_directories(folder);
  const std::string chinese = "\u4E2D\u6587";  // "中文": D6 D0 CE C4 in code page 936
  const struct {
    const char* label;
    std::initializer_list<const char*> charsets;
    int codePage;
    const char* caption;  // as the report file holds it
    const char* shown;    // in the ledger
    size_t lost;
  } rows[] = {
      {"one set",
       {"GB2312_CHARSET", "ANSI_CHARSET", "DEFAULT_CHARSET"},
       936,
       "\xD6\xD0\xCE\xC4",
       "\u4E2D\u6587",
       0},
      {"two sets", {"GB2312_CHARSET", "CHINESEBIG5_CHARSET"}, 1252, "??", "??", 2},
      {"no set", {"DEFAULT_CHARSET"}, 1252, "??", "??", 2},
  };
  for (const auto& row : rows) {
    const std::string source = folder + "/form.dfm";
    const std::string destination = folder + "/report.vor";
    SaveFileAtomically(source, WithUtf8Caption(TextToFormFile(LabelsForm(row.charsets)), chinese));
    TFormLedger ledger;
    ASSERT_EQ(Convert(source, destination, &ledger), TConvertOutcome::Converted) << row.label;
    const std::string caption = row.caption;
    EXPECT_NE(LoadFile(destination).find('\x06' + std::string(1, caption.size()) + caption),
              std::string::npos)
        << row.label;
    const nlohmann::json json = nlohmann::json::parse(LedgerToJson({ledger}));
    const nlohmann::json& form = json["forms"][0];
    EXPECT_EQ(form["source"], source) << row.label;
    EXPECT_EQ(form["destination"], destination) << row.label;
    EXPECT_EQ(form["codePage"], row.codePage) << row.label;
    EXPECT_EQ(form.value("charactersLost", size_t{0}), row.lost) << row.label;
    EXPECT_EQ(form["bands"][0]["controls"][0]["became"]["displayName"], row.shown) << row.label;
  }
}

TEST_F(CodePageTest, TheLedgerDecodesByTheFormsCharacterSet) {
  // "При" in Windows-1251 under a Russian font.
  const std::string text = FormWithReport(
      "    object Title: TQRBand\n      BandType = rbTitle\n"
      "      object Label1: TQRLabel\n        Font.Charset = RUSSIAN_CHARSET\n"
      "        Caption = #207#240#232\n      end\n    end\n");
  TFormLedger ledger;
  ASSERT_EQ(Convert(BinaryForm(text), Path("report.vor"), &ledger), TConvertOutcome::Converted);
  const nlohmann::json json = nlohmann::json::parse(LedgerToJson({ledger}));
  EXPECT_EQ(json["forms"][0]["codePage"], 1251);
  EXPECT_EQ(json["forms"][0]["bands"][0]["controls"][0]["became"]["displayName"],
            "\u041F\u0440\u0438");
}

}  // namespace
}  // namespace qr2vor
