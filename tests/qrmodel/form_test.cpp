// Reading a form file as the converter does: the root form, the parent structure, what reaches
// the error hook, registration, and input that must fail cleanly.

#include <gtest/gtest.h>

#include "form_fixture.h"
#include "platform/data/tables.h"
#include "rtl/exceptions.h"
#include "stream/writer.h"

namespace qr2vor {
namespace {

using test::ReadText;

const char* const kForm = R"(object Orders: TOrdersForm
  Left = 200
  Top = 100
  Caption = 'Orders'
  ClientHeight = 480
  ClientWidth = 640
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Name = 'Tahoma'
  Menu = MainMenu1
  NoSuchFormProperty = MainMenu1
  OldCreateOrder = True
  Position = poScreenCenter
  Scaled = True
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Table1: TTable
    TableName = 'orders.csv'
  end
  object Panel1: TPanel
    object Hidden: TQuickRep
    end
  end
  object Rep: TQuickRep
    Left = 8
    Top = 8
    Width = 794
    Height = 1123
    BeforePrint = RepBeforePrint
    DataSet = Table1
    ReportTitle = 'Orders'
    ShowingPreview = False
    NoSuchReportProperty = False
    Units = Inches
    object Detail: TQRBand
      BandType = rbDetail
      object Second: TQRLabel
      end
      object First: TQRDBText [0]
        DataSet = Table1
        DataField = 'OrderNo'
      end
      object Unknown: TQRAngledLabel
        Caption = 'skipped'
      end
    end
  end
end
)";

TEST(QRForm, ReadsTheRootAndItsTreeAsTheConverterDoes) {
  const auto r = ReadText(kForm);
  const TQRForm& form = *r.form;
  EXPECT_EQ(form.Name(), "Orders");
  EXPECT_EQ(form.Left() * 1000 + form.Top(), 200100);
  EXPECT_EQ(form.Caption(), "Orders");
  EXPECT_EQ(form.ClientWidth() * 1000 + form.ClientHeight(), 640480);
  EXPECT_EQ(form.Font()->Name(), "Tahoma");
  EXPECT_TRUE(form.OldCreateOrder());
  EXPECT_EQ(form.Position(), TPosition::poScreenCenter);
  EXPECT_FALSE(form.Scaled());  // the report, created after the form's properties, turned it off
  EXPECT_EQ(form.PixelsPerInch(), 96);
  EXPECT_EQ(form.TextHeight(), 13);

  // Every error handled, in stream order; event handlers neither fail nor get assigned.
  const std::vector<std::string> expected = {
      "Error reading Orders.NoSuchFormProperty: Property does not exist",
      "Class TPanel not found",
      "Error reading Rep.NoSuchReportProperty: Property does not exist",
      "Class TQRAngledLabel not found",
  };
  EXPECT_EQ(r.log.messages, expected);
  EXPECT_EQ(r.log.dropped, 0u);
  // What later versions publish is kept.
  EXPECT_EQ(form.LaterProperties(), (TLaterValues{{"Menu", "MainMenu1"}}));
  EXPECT_EQ(r.Get<TQuickRep>("Rep")->LaterProperties(),
            (TLaterValues{{"ShowingPreview", "False"}}));

  // Ownership: everything by the form, in file order; the report inside the panel is gone.
  std::vector<std::string> owned;
  for (int i = 0; i < form.ComponentCount(); ++i) owned.push_back(form.Components(i)->Name());
  EXPECT_EQ(owned, (std::vector<std::string>{"Table1", "Rep", "Detail", "Second", "First"}));
  EXPECT_EQ(r.Get<TQuickRep>("Hidden"), nullptr);

  // Parents: the report on the form, the band in the report, the labels on the band in the
  // order of the file as the child position [0] corrected it.
  auto* report = r.Get<TQuickRep>("Rep");
  auto* detail = r.Get<TQRBand>("Detail");
  EXPECT_EQ(report->Parent(), &form);
  EXPECT_EQ(detail->Parent(), report);
  EXPECT_EQ(detail->ControlList(),
            (std::vector<TControl*>{r.Get<TQRDBText>("First"), r.Get<TQRLabel>("Second")}));
  EXPECT_EQ(report->Units(), Inches);
  EXPECT_EQ(report->ReportTitle(), "Orders");
  auto* table = r.Get<TTable>("Table1");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->TableName(), "orders.csv");
  EXPECT_EQ(report->DataSet(), table);
  EXPECT_EQ(r.Get<TQRDBText>("First")->DataSet(), table);
  delete table;
  EXPECT_EQ(report->DataSet(), nullptr);
  EXPECT_EQ(r.Get<TQRDBText>("First")->DataSet(), nullptr);
}

TEST(QRForm, WritesNonVisualComponentsBeforeControls) {
  const auto r = ReadText(R"(object Form1: TForm1
  object Rep: TQuickRep
  end
  object Query1: TQuery
  end
end
)");
  std::vector<std::string> children;
  r.form->GetChildren([&](TComponent* child) { children.push_back(child->Name()); }, r.form.get());
  EXPECT_EQ(children, (std::vector<std::string>{"Query1", "Rep"}));
}

TEST(QRForm, InheritedObjectsWithoutAncestorAreSkipped) {
  const auto r = ReadText(R"(object Form1: TForm1
  inherited Rep: TQuickRep
    object Title: TQRBand
    end
  end
  object Kept: TQRBand
  end
end
)");
  EXPECT_EQ(r.log.messages, std::vector<std::string>{"Ancestor for 'Rep' not found"});
  EXPECT_EQ(r.Get<TQRBand>("Title"), nullptr);
  EXPECT_NE(r.Get<TQRBand>("Kept"), nullptr);
}

TEST(QRForm, RegistrationAsTheLibraryAndAsTheConverter) {
  test::RegisterAll();
  for (const char* name :
       {"TQuickRep", "TQRSubDetail", "TQRBand", "TQRChildBand", "TQRGroup", "TQRLabel", "TQRDBText",
        "TQRExpr", "TQRSysData", "TQRMemo", "TQRRichText", "TQRDBRichText", "TQRShape", "TQRImage",
        "TQRDBImage", "TTable", "TQuery"}) {
    const TClassInfo* type = GetClass(name);
    ASSERT_NE(type, nullptr) << name;
    EXPECT_TRUE(type->Factory()) << name;
  }
  // Registering again changes nothing and raises nothing.
  RegisterConverterClasses();
  RegisterQuickReportClasses();
  EXPECT_EQ(GetClass("tqrlabel"), &TQRLabel::StaticClassInfo());
  EXPECT_EQ(GetClass("TQRPrintable"), &TQRPrintable::StaticClassInfo());  // an ancestor
  EXPECT_FALSE(GetClass("TQRPrintable")->Factory());
}

TEST(QRForm, FilesThatAreNotBinaryFormsFail) {
  const auto failure = [](const std::string& bytes) -> std::string {
    try {
      test::ReadFile(bytes);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "(read)";
  };
  EXPECT_EQ(failure("object Form1: TForm1\nend\n"), "Invalid stream format");
  EXPECT_EQ(failure(""), "Invalid stream format");
  // A right header over something that is not a component stream.
  EXPECT_EQ(failure(std::string("\xFF\x0A\x00X\x00\x30\x10\x04\x00\x00\x00TPF1", 15)),
            "Invalid stream format");
}

// Every prefix of a real form file, and every single-byte corruption of it, ends in a read or in
// an Exception; nothing crashes, hangs or escapes as another kind of failure.
TEST(QRForm, DamagedFilesFailCleanly) {
  const std::string file = TextToFormFile(kForm);
  for (size_t length = 0; length < file.size(); ++length) {
    EXPECT_THROW(test::ReadFile(file.substr(0, length)), Exception) << length;
  }
  for (size_t at = 0; at < file.size(); ++at) {
    for (const char value : {'\x00', '\x01', '\x0E', '\x7F', '\xF3', '\xFF'}) {
      std::string damaged = file;
      damaged[at] = value;
      try {
        test::ReadFile(damaged);
      } catch (const Exception&) {
      }
    }
  }
}

}  // namespace
}  // namespace qr2vor
