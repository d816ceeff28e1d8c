// Inherited forms read with their ancestors: given by hand, and found in a source tree.

#include <filesystem>
#include <string>
#include <vector>

#include "app/convert/ancestors.h"
#include "app/convert/batch.h"
#include "convert_fixture.h"
#include "report/report.h"

namespace qr2vor {
namespace {

// A title band with two labels.
const char* const kBaseForm = R"(object BaseForm: TBaseForm
  object QuickRep1: TQuickRep
    object TitleBand1: TQRBand
      Height = 40
      BandType = rbTitle
      object QRLabel1: TQRLabel
        Left = 8
        Top = 4
        Width = 120
        Height = 17
        Caption = 'Base title'
      end
      object QRLabel2: TQRLabel
        Left = 200
        Top = 4
        Width = 60
        Height = 17
        Caption = 'Page'
      end
    end
  end
end
)";

// Changes the first label, moves the second before it and adds a detail band.
const char* const kChildForm = R"(inherited ChildForm: TChildForm
  inherited QuickRep1: TQuickRep
    inherited TitleBand1: TQRBand
      inherited QRLabel1: TQRLabel
        Caption = 'Child title'
      end
      inherited QRLabel2: TQRLabel [0]
      end
    end
    object DetailBand1: TQRBand
      Height = 20
      BandType = rbDetail
    end
  end
end
)";

const TVoRLabel& LabelAt(const TVoReport& report, int band, int control) {
  const auto* label = dynamic_cast<const TVoRLabel*>(report.Bands(band)->Controls(control));
  EXPECT_NE(label, nullptr);
  return *label;
}

class AncestorTest : public ConvertFixture {
 protected:
  std::string TextFile(const std::string& name, const std::string& text) const {
    const std::filesystem::path path = folder_ / name;
    std::filesystem::create_directories(path.parent_path());
    SaveFileAtomically(path.string(), text);
    return path.string();
  }

  std::unique_ptr<TVoReport> ConvertWith(const std::string& form,
                                         std::vector<std::string> ancestors,
                                         TFormLedger* ledger = nullptr) {
    TConversionDriver driver(ui_);
    driver.SetAncestors(std::move(ancestors));
    const std::string destination = Path("report.vor");
    EXPECT_EQ(ConvertForm(driver, ui_, form, destination, ledger), TConvertOutcome::Converted);
    EXPECT_EQ(ui_.errors, std::vector<std::string>());
    return TVoReport::LoadFromFile(destination);
  }
};

// --- ancestors given by hand ---

TEST_F(AncestorTest, DescendantValuesOverTheAncestorsAndAddedBand) {
  TFormLedger ledger;
  const auto report =
      ConvertWith(BinaryForm(kChildForm, "child.dfm"), {TextFile("base.dfm", kBaseForm)}, &ledger);
  ASSERT_EQ(report->BandCount(), 2);
  EXPECT_EQ(report->Bands(0)->BandType(), btReportTitle);
  EXPECT_EQ(report->Bands(0)->Height(), 40);
  EXPECT_EQ(report->Bands(1)->BandType(), btDetail);
  ASSERT_EQ(report->Bands(0)->ControlCount(), 2);
  // QRLabel2 moved to position 0 by its child-position prefix.
  EXPECT_EQ(LabelAt(*report, 0, 0).DisplayName(), "Page");
  EXPECT_EQ(LabelAt(*report, 0, 1).DisplayName(), "Child title");
  EXPECT_EQ(LabelAt(*report, 0, 1).Left(), 8);
  EXPECT_EQ(LabelAt(*report, 0, 1).Width(), 120);
  EXPECT_EQ(ledger.withoutAncestor, std::vector<std::string>());
  EXPECT_EQ(ledger.ancestors, std::vector<std::string>{Path("base.dfm")});
}

TEST_F(AncestorTest, BinaryAncestorReadsAsTheTextOne) {
  const auto report =
      ConvertWith(BinaryForm(kChildForm, "child.dfm"), {BinaryForm(kBaseForm, "base.dfm")});
  ASSERT_EQ(report->BandCount(), 2);
  EXPECT_EQ(LabelAt(*report, 0, 1).DisplayName(), "Child title");
}

TEST_F(AncestorTest, TwoLevelChainOutermostFirst) {
  const std::string middle = TextFile("middle.dfm", R"(inherited MiddleForm: TMiddleForm
  inherited QuickRep1: TQuickRep
    inherited TitleBand1: TQRBand
      Height = 50
      inherited QRLabel2: TQRLabel
        Caption = 'Page no.'
      end
    end
  end
end
)");
  const auto report =
      ConvertWith(BinaryForm(kChildForm, "child.dfm"), {TextFile("base.dfm", kBaseForm), middle});
  ASSERT_EQ(report->BandCount(), 2);
  EXPECT_EQ(report->Bands(0)->Height(), 50);
  EXPECT_EQ(LabelAt(*report, 0, 0).DisplayName(), "Page no.");
  EXPECT_EQ(LabelAt(*report, 0, 1).DisplayName(), "Child title");
}

TEST_F(AncestorTest, WithoutTheAncestorInheritedObjectsAreMadeFromTheirClass) {
  TFormLedger ledger;
  const std::string destination = Path("report.vor");
  ASSERT_EQ(Convert(BinaryForm(kChildForm, "child.dfm"), destination, &ledger),
            TConvertOutcome::Converted);
  EXPECT_EQ(ledger.withoutAncestor,
            (std::vector<std::string>{"QuickRep1: TQuickRep", "TitleBand1: TQRBand",
                                      "QRLabel1: TQRLabel", "QRLabel2: TQRLabel"}));
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"File " + destination + " succesfully created"});
  const auto report = TVoReport::LoadFromFile(destination);
  ASSERT_EQ(report->BandCount(), 2);
  // Only what the descendant stores: the caption, not the ancestor's place and size.
  EXPECT_EQ(LabelAt(*report, 0, 1).DisplayName(), "Child title");
  EXPECT_NE(LabelAt(*report, 0, 1).Left(), 8);
}

TEST_F(AncestorTest, MissingAncestorFileFailsWithItsPath) {
  TConversionDriver driver(ui_);
  driver.SetAncestors({Path("missing.dfm")});
  EXPECT_EQ(ConvertForm(driver, ui_, BinaryForm(kChildForm, "child.dfm"), Path("report.vor")),
            TConvertOutcome::Failed);
  EXPECT_EQ(ui_.errors, std::vector<std::string>{"Cannot open file " + Path("missing.dfm") + "."});
  EXPECT_FALSE(std::filesystem::exists(Path("report.vor")));
}

// --- ancestors found in a source tree ---

class FindAncestorTest : public AncestorTest {
 protected:
  std::string Tree(const std::string& name) const {
    return (folder_ / name).lexically_normal().string();
  }
  TAncestorChain Find(const std::string& form) const {
    return TSourceTree(folder_).FindAncestors(Tree(form));
  }
};

TEST_F(FindAncestorTest, UnitDeclaresTheParentClass) {
  TextFile("app/base.dfm", kBaseForm);
  TextFile("app/base.pas", "unit base;\ninterface\ntype\n  TBaseForm = class(TForm)\n  end;\n");
  TextFile("app/child.dfm", kChildForm);
  TextFile("app/child.pas",
           "unit child;\ninterface\nuses base;\ntype\n  TChildForm = class(TBaseForm)\n  end;\n");
  const TAncestorChain chain = Find("app/child.dfm");
  EXPECT_TRUE(chain.complete);
  EXPECT_EQ(chain.forms, std::vector<std::string>{Tree("app/base.dfm")});
  EXPECT_EQ(chain.notes, std::vector<std::string>{"base TForm"});
  EXPECT_TRUE(Find("app/base.dfm").forms.empty());
}

TEST_F(FindAncestorTest, TwoLevelsAndCppBuilderHeaders) {
  TextFile("base.dfm", kBaseForm);
  TextFile("base.h", "class TBaseForm : public TForm\n{\n};\n");
  TextFile("middle.dfm", "inherited MiddleForm: TMiddleForm\nend\n");
  TextFile("middle.h", "class PACKAGE TMiddleForm : public TBaseForm\n{\n};\n");
  TextFile("child.dfm", kChildForm);
  TextFile("child.h", "#include \"middle.h\"\nclass TChildForm : public TMiddleForm\n{\n};\n");
  const TAncestorChain chain = Find("child.dfm");
  EXPECT_TRUE(chain.complete);
  EXPECT_EQ(chain.forms, (std::vector<std::string>{Tree("base.dfm"), Tree("middle.dfm")}));
}

// Three copies of the base form: the project file, then the uses clause, then the nearest
// folder decides.
TEST_F(FindAncestorTest, CandidatesByProjectThenUsesThenNearestFolder) {
  for (const char* folder : {"a/common", "a/old", "a/reports"}) {
    TextFile(std::string(folder) + "/base.dfm", kBaseForm);
    TextFile(std::string(folder) + "/base.pas", "unit base;\ntype TBaseForm = class(TForm) end;\n");
  }
  TextFile("a/reports/sub/child.dfm", kChildForm);
  TextFile("a/reports/sub/child.pas", "unit child;\ntype TChildForm = class(TBaseForm) end;\n");
  TAncestorChain chain = Find("a/reports/sub/child.dfm");
  EXPECT_EQ(chain.forms, std::vector<std::string>{Tree("a/reports/base.dfm")});
  EXPECT_EQ(chain.notes.front(), "TBaseForm: 3 candidate forms, picked " +
                                     Tree("a/reports/base.dfm") + " by nearest folder");

  TextFile("a/reports/sub/child.pas",
           "unit child;\nuses oldbase;\ntype TChildForm = class(TBaseForm) end;\n");
  std::filesystem::rename(folder_ / "a/old/base.dfm", folder_ / "a/old/oldbase.dfm");
  std::filesystem::rename(folder_ / "a/old/base.pas", folder_ / "a/old/oldbase.pas");
  chain = Find("a/reports/sub/child.dfm");
  EXPECT_EQ(chain.forms, std::vector<std::string>{Tree("a/old/oldbase.dfm")});
  EXPECT_EQ(chain.notes.front(),
            "TBaseForm: 3 candidate forms, picked " + Tree("a/old/oldbase.dfm") + " by uses");

  TextFile("a/project.dpr",
           "program project;\nuses\n  Forms,\n  base in 'common\\base.pas' {BaseForm},\n"
           "  child in 'reports\\sub\\child.pas';\nbegin\nend.\n");
  chain = Find("a/reports/sub/child.dfm");
  EXPECT_EQ(chain.forms, std::vector<std::string>{Tree("a/common/base.dfm")});
  EXPECT_EQ(chain.notes.front(), "TBaseForm: 3 candidate forms, picked " +
                                     Tree("a/common/base.dfm") + " by project file");
}

TEST_F(FindAncestorTest, NoUnitOrNoFormSaysWhy) {
  TextFile("child.dfm", kChildForm);
  TAncestorChain chain = Find("child.dfm");
  EXPECT_FALSE(chain.complete);
  EXPECT_EQ(chain.notes,
            std::vector<std::string>{"no ancestor found: no unit next to " + Tree("child.dfm") +
                                     " declares the class TChildForm"});
  TextFile("child.pas",
           "type\n  { TChildForm = class(TOther) }\n  TChildForm = class(TBaseForm)\n");
  chain = Find("child.dfm");
  EXPECT_FALSE(chain.complete);
  EXPECT_EQ(chain.notes,
            std::vector<std::string>{
                "no ancestor found: no form in the source tree has root class TBaseForm"});
}

TEST_F(FindAncestorTest, InlineFrameChainEndsAtTFrame) {
  TextFile("frames/baseframe.dfm", "object BaseFrame: TBaseFrame\n  Left = 0\nend\n");
  TextFile("frames/baseframe.pas", "type TBaseFrame = class(TFrame) end;\n");
  TextFile("frames/addr.dfm", "inherited AddrFrame: TAddrFrame\nend\n");
  TextFile("frames/addr.pas", "type TAddrFrame = class(TBaseFrame) end;\n");
  TextFile("host.dfm",
           "object Host: THost\n  inline Addr1: TAddrFrame\n    Left = 4\n  end\nend\n");
  const std::vector<TFrameChain> frames = TSourceTree(folder_).FindFrames(Tree("host.dfm"));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].component, "Addr1");
  EXPECT_EQ(frames[0].frameClass, "TAddrFrame");
  EXPECT_TRUE(frames[0].chain.complete);
  EXPECT_EQ(frames[0].chain.forms,
            (std::vector<std::string>{Tree("frames/baseframe.dfm"), Tree("frames/addr.dfm")}));
  EXPECT_EQ(frames[0].chain.notes, std::vector<std::string>{"base TFrame"});
}

// Units of real trees run to megabytes: the scanner reads them in one linear pass.
TEST_F(FindAncestorTest, MegabyteUnitWithTenThousandUsedUnits) {
  for (const char* name : {"a/base", "b/bbase"}) {
    TextFile(std::string(name) + ".dfm", kBaseForm);
    TextFile(std::string(name) + ".pas", "type TBaseForm = class(TForm) end;\n");
  }
  std::string unit = "unit child;\ninterface\nuses\n";
  for (int i = 0; i < 10000; ++i) unit += fmt::format("  Unit{},\n", i);
  unit += "  bbase in '..\\b\\bbase.pas' { a comment; } ;\ntype\n";
  std::string body;
  while (body.size() < 4'000'000) {
    body +=
        "  // TDecoy = class(TOther)\n  s := 'TDecoy = class(TOther); uses x;';\n"
        "  (* TDecoy = class(TOther) *) { uses y; } x := a + b * (c - d);\n";
  }
  unit += body + "  TChildForm = class(TBaseForm)\n  end;\n" + body + "end.\n";
  TextFile("c/child.pas", unit);
  TextFile("c/child.dfm", kChildForm);
  const TAncestorChain chain = Find("c/child.dfm");
  EXPECT_TRUE(chain.complete);
  ASSERT_EQ(chain.forms.size(), 1u);
  // The last name of the uses clause picks the base.
  EXPECT_EQ(chain.forms.front(), Tree("b/bbase.dfm"));
}

// A generated tree of a thousand forms, every second one inherited from the one before it.
TEST_F(FindAncestorTest, BatchOverAThousandFormsAndUnits) {
  constexpr int kForms = 1000;
  for (int i = 0; i < kForms; i += 2) {
    const std::string folder = fmt::format("src/d{}/", i / 100);
    std::filesystem::create_directories(folder_ / folder);
    SaveFileAtomically(
        Path(folder + fmt::format("base{}.dfm", i)),
        TextToFormFile(fmt::format("object Base{0}: TBase{0}\n  object QuickRep1: TQuickRep\n"
                                   "    object Title: TQRBand\n      BandType = rbTitle\n"
                                   "      object Label1: TQRLabel\n        Caption = 'form {0}'\n"
                                   "      end\n    end\n  end\nend\n",
                                   i)));
    TextFile(folder + fmt::format("base{}.pas", i),
             fmt::format("unit base{0};\ninterface\nuses Forms;\ntype\n"
                         "  TBase{0} = class(TForm)\n  end;\nimplementation\nend.\n",
                         i));
    SaveFileAtomically(
        Path(folder + fmt::format("child{}.dfm", i)),
        TextToFormFile(
            fmt::format("inherited Child{0}: TChild{0}\n  inherited QuickRep1: TQuickRep\n"
                        "    inherited Title: TQRBand\n      Height = {0}\n    end\n  end\nend\n",
                        i + 1)));
    TextFile(folder + fmt::format("child{}.pas", i),
             fmt::format("unit child{1};\ninterface\nuses Forms, base{0};\ntype\n"
                         "  TChild{1} = class(TBase{0})\n  end;\nimplementation\nend.\n",
                         i, i + 1));
  }
  std::vector<TFormLedger> ledgers;
  TConvertOptions options;
  options.findAncestors = true;
  const TBatchSummary summary =
      ConvertTree(options, ui_, folder_ / "src", folder_ / "out", &ledgers, {});
  EXPECT_EQ(summary.converted, size_t{kForms});
  EXPECT_EQ(summary.failed, 0u);
  ASSERT_EQ(ledgers.size(), size_t{kForms});
  size_t withAncestor = 0;
  for (const TFormLedger& ledger : ledgers) {
    withAncestor += ledger.ancestors.size() == 1 && ledger.withoutAncestor.empty();
  }
  EXPECT_EQ(withAncestor, size_t{kForms / 2});
  const auto report = TVoReport::LoadFromFile(Path("out/d9/child998.vor"));
  ASSERT_EQ(report->BandCount(), 1);
  EXPECT_EQ(report->Bands(0)->Height(), 999);
  EXPECT_EQ(LabelAt(*report, 0, 0).DisplayName(), "form 998");
}

TEST_F(FindAncestorTest, BatchConvertsWithTheFoundChain) {
  TextFile("src/base.dfm", kBaseForm);
  TextFile("src/base.pas", "type TBaseForm = class(TForm) end;\n");
  SaveFileAtomically(Path("src/child.dfm"), TextToFormFile(kChildForm));
  TextFile("src/child.pas", "type TChildForm = class(TBaseForm) end;\n");
  std::vector<TFormLedger> ledgers;
  TConvertOptions options;
  options.findAncestors = true;
  ConvertTree(options, ui_, folder_ / "src", folder_ / "out", &ledgers, {});
  ASSERT_EQ(ledgers.size(), 2u);
  const TFormLedger& child = ledgers[1];
  EXPECT_EQ(child.outcome, TConvertOutcome::Converted);
  EXPECT_EQ(child.ancestors, std::vector<std::string>{(folder_ / "src/base.dfm").string()});
  EXPECT_EQ(child.withoutAncestor, std::vector<std::string>());
  const auto report = TVoReport::LoadFromFile(Path("out/child.vor"));
  ASSERT_EQ(report->BandCount(), 2);
  EXPECT_EQ(LabelAt(*report, 0, 1).DisplayName(), "Child title");
  EXPECT_EQ(LabelAt(*report, 0, 1).Left(), 8);
}

}  // namespace
}  // namespace qr2vor
