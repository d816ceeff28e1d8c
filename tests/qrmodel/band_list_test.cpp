// The band list of a report: file order while reading, printing order once reading has ended,
// child bands after their parents (each once, all of a band's children kept), and the rebuild
// after later changes.

#include <gtest/gtest.h>

#include <sstream>

#include "form_fixture.h"

namespace qr2vor {
namespace {

// The names of the report's bands in list order, separated by blanks.
std::string Names(const TQuickRep& report) {
  std::string names;
  for (const TQRCustomBand* band : report.BandList()) {
    names += (names.empty() ? "" : " ") + band->Name();
  }
  return names;
}

// A form whose report holds `bands`, each "Name:Type" (a TQRBand) or "Name>Parent" (a child
// band of Parent).
std::string ReportText(const std::string& bands) {
  std::string text = "object Form1: TForm1\n  object Rep: TQuickRep\n";
  std::istringstream in(bands);
  for (std::string band; in >> band;) {
    if (const size_t arrow = band.find('>'); arrow != std::string::npos) {
      text += "    object " + band.substr(0, arrow) +
              ": TQRChildBand\n      ParentBand = " + band.substr(arrow + 1) + "\n    end\n";
    } else {
      const size_t colon = band.find(':');
      text += "    object " + band.substr(0, colon) +
              ": TQRBand\n      BandType = " + band.substr(colon + 1) + "\n    end\n";
    }
  }
  return text + "  end\nend\n";
}

TEST(BandList, PrintingOrderAfterReading) {
  const struct {
    const char* stored;
    const char* expected;
  } rows[] = {
      {"D:rbDetail PH:rbPageHeader T:rbTitle PF:rbPageFooter S:rbSummary", "PH T PF D S"},
      // Each type in file order; everything else after them, in file order.
      {"S:rbSummary G:rbGroupHeader D:rbDetail GF:rbGroupFooter CH:rbColumnHeader T1:rbTitle "
       "PH:rbPageHeader PF:rbPageFooter T2:rbTitle O:rbOverlay",
       "PH T1 T2 CH PF S G D GF O"},
      // A child band stored after other bands comes directly after its parent, once.
      {"T:rbTitle D:rbDetail S:rbSummary C>T", "T C D S"},
      // Stored before its parent, it still comes only after it.
      {"D:rbDetail C>PH PH:rbPageHeader", "PH C D"},
      // Chains of child bands.
      {"C2>C1 D:rbDetail C1>D S:rbSummary", "D C1 C2 S"},
      // A band with two children keeps both, each followed by its own chain.
      {"D:rbDetail C1>D C2>D C1a>C1 S:rbSummary C2a>C2", "D C1 C1a C2 C2a S"},
      {"D:rbDetail C2>D PF:rbPageFooter C1>D", "PF D C2 C1"},
      // A child band whose parent is not in the report stands in file order.
      {"C>Nowhere D:rbDetail", "C D"},
  };
  for (const auto& row : rows) {
    const auto r = test::ReadText(ReportText(row.stored));
    EXPECT_TRUE(r.log.messages.empty()) << row.stored;
    EXPECT_EQ(Names(*r.Get<TQuickRep>("Rep")), row.expected) << row.stored;
  }
}

TEST(BandList, FileOrderWhileLoadingThenRebuiltByLoaded) {
  test::RegisterAll();
  TQRForm form(nullptr);
  auto* report = new TQuickRep(&form);
  report->IncludeState(csLoading);
  const auto add = [&](TQRCustomBand* band, const char* name, TQRBandType type) {
    band->SetName(name);
    band->SetBandType(type);
    band->SetParent(report);
    return band;
  };
  add(new TQRBand(&form), "D", rbDetail);
  auto* header = add(new TQRBand(&form), "PH", rbPageHeader);
  auto* child = static_cast<TQRChildBand*>(add(new TQRChildBand(&form), "C", rbChild));
  child->SetParentBand(header);
  EXPECT_EQ(Names(*report), "D PH C");
  report->Loaded();
  EXPECT_EQ(Names(*report), "PH C D");
  EXPECT_TRUE(report->Bands()->HasPageHeader());
  EXPECT_TRUE(report->Bands()->HasDetail());
  EXPECT_FALSE(report->Bands()->HasSummary());
}

TEST(BandList, RebuiltWhenBandsChangeAfterReading) {
  const auto r = test::ReadText(ReportText("T:rbTitle D:rbDetail C>D S:rbSummary"));
  auto* report = r.Get<TQuickRep>("Rep");
  auto* detail = r.Get<TQRBand>("D");
  auto* summary = r.Get<TQRBand>("S");
  auto* child = r.Get<TQRChildBand>("C");
  ASSERT_EQ(Names(*report), "T D C S");

  summary->SetBandType(rbPageHeader);
  EXPECT_EQ(Names(*report), "S T D C");
  child->SetParentBand(summary);
  EXPECT_EQ(Names(*report), "S C T D");
  EXPECT_FALSE(detail->HasChild());

  // Leaving the report leaves the list; joining again puts the band at the end, then in order.
  detail->SetParent(nullptr);
  EXPECT_EQ(Names(*report), "S C T");
  detail->SetParent(report);
  EXPECT_EQ(Names(*report), "S C T D");
  delete summary;
  EXPECT_EQ(child->ParentBand(), nullptr);
  EXPECT_EQ(Names(*report), "T C D");

  auto* group = new TQRGroup(r.form.get());
  group->SetName("G");
  group->SetParent(report);
  EXPECT_EQ(Names(*report), "T C D G");
  group->SetFooterBand(detail);
  EXPECT_EQ(detail->BandType(), rbGroupFooter);
}

}  // namespace
}  // namespace qr2vor
