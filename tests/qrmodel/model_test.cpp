// The QuickReport classes as forms fill them: published properties, defaults and stored rules,
// the extra properties of older forms, captions, implied band types, ParentBand, fonts.

#include <gtest/gtest.h>

#include "form_fixture.h"
#include "stream/writer.h"

namespace qr2vor {
namespace {

using test::ReadText;

TEST(QRModel, NewObjectsStartWithTheirDocumentedValues) {
  test::RegisterAll();
  TQRForm form(nullptr);
  auto* report = new TQuickRep(&form);
  EXPECT_FALSE(form.Scaled());  // a report on a form turns its scaling off
  EXPECT_EQ(report->Font()->Name(), "Arial");
  EXPECT_EQ(report->Font()->Size(), 10);
  EXPECT_EQ(report->Color(), clWhite);
  EXPECT_EQ(report->Options(), 0b011u);
  EXPECT_TRUE(report->ShowProgress());
  EXPECT_TRUE(report->SnapToGrid());
  EXPECT_EQ(report->Zoom(), 100);
  EXPECT_EQ(report->ReportTitle(), "");

  const struct {
    TQRCustomBand* band;
    TQRBandType type;
  } bands[] = {{new TQRChildBand(&form), rbChild},
               {new TQRGroup(&form), rbGroupHeader},
               {new TQRSubDetail(&form), rbSubDetail}};
  for (const auto& row : bands) {
    EXPECT_EQ(row.band->BandType(), row.type) << row.band->ClassName();
    EXPECT_EQ(row.band->Height(), 40);
    EXPECT_EQ(row.band->Color(), clWhite);
    EXPECT_TRUE(row.band->Enabled());
  }

  for (TQRCustomLabel* label : std::initializer_list<TQRCustomLabel*>{
           new TQRLabel(&form), new TQRMemo(&form), new TQRDBText(&form), new TQRExpr(&form),
           new TQRSysData(&form)}) {
    EXPECT_TRUE(label->AutoSize()) << label->ClassName();
    EXPECT_FALSE(label->AutoStretch());
    EXPECT_TRUE(label->WordWrap());
    EXPECT_FALSE(label->Transparent());
    EXPECT_EQ(label->Caption(), "");
    EXPECT_EQ(label->Alignment(), taLeftJustify);
    EXPECT_EQ(label->Width() * 100 + label->Height(), 1010);
  }
  EXPECT_EQ(TQRSysData(nullptr).Data(), qrsTime);

  const struct {
    TQRPrintable* printable;
    int size;
    bool transparent;
  } others[] = {{new TQRShape(&form), 65, true},
                {new TQRImage(&form), 105, true},
                {new TQRDBImage(&form), 105, false},
                {new TQRRichText(&form), 100, true},
                {new TQRDBRichText(&form), 100, true}};
  for (const auto& row : others) {
    EXPECT_EQ(row.printable->Width(), row.size) << row.printable->ClassName();
    EXPECT_EQ(row.printable->Height(), row.size);
    EXPECT_EQ(row.printable->Transparent(), row.transparent);
  }
  EXPECT_TRUE(TQRDBImage(nullptr).Center());
  EXPECT_FALSE(TQRImage(nullptr).Center());
  TQRShape shape(nullptr);
  EXPECT_EQ(shape.Shape(), qrsRectangle);
  EXPECT_EQ(shape.Pen()->Color(), clBlack);
  EXPECT_EQ(shape.Pen()->Width(), 1);
  EXPECT_EQ(shape.Brush()->Color(), clWhite);
}

// The class descriptions decide which records a written object has, in which order: a new label
// and a new band are written with exactly the records worked out here by hand.
TEST(QRModel, DescriptionsGiveOrderDefaultsAndStoredRules) {
  test::RegisterAll();
  const auto written = [](TComponent& component) {
    TMemoryStream out;
    {
      TWriter writer(out);
      writer.WriteDescendent(component);
    }
    TMemoryStream in(out.Bytes());
    return ObjectBinaryToText(in);
  };
  TQRLabel label(nullptr);
  label.SetName("L");
  EXPECT_EQ(written(label),
            "object L: TQRLabel\n"
            "  Left = 0\n  Top = 0\n  Width = 10\n  Height = 10\n"
            "  Frame.Color = clBlack\n"
            "  Frame.DrawTop = False\n  Frame.DrawBottom = False\n"
            "  Frame.DrawLeft = False\n  Frame.DrawRight = False\n"
            "  Alignment = taLeftJustify\n  AlignToBand = False\n  AutoSize = True\n"
            "  AutoStretch = False\n  Color = clWhite\n  Transparent = False\n"
            "  WordWrap = True\n"
            "end\n");

  TQRBand band(nullptr);
  band.SetName("B");
  band.Frame()->SetStyle(psDot);
  band.SetEnabled(false);
  band.Font()->SetSize(12);  // its own font now: written, with ParentFont
  EXPECT_EQ(written(band),
            "object B: TQRBand\n"
            "  Left = 0\n  Top = 0\n  Width = 0\n  Height = 40\n"
            "  Frame.Color = clBlack\n"
            "  Frame.DrawTop = False\n  Frame.DrawBottom = False\n"
            "  Frame.DrawLeft = False\n  Frame.DrawRight = False\n"
            "  Frame.Style = psDot\n"
            "  AlignToBottom = False\n  Color = clWhite\n  Enabled = False\n"
            "  Font.Charset = DEFAULT_CHARSET\n  Font.Color = clWindowText\n"
            "  Font.Height = -16\n  Font.Name = 'MS Sans Serif'\n  Font.Style = []\n"
            "  ForceNewColumn = False\n  ForceNewPage = False\n  ParentFont = False\n"
            "  BandType = rbTitle\n"
            "end\n");
}

TEST(QRModel, LabelsReadEveryPublishedProperty) {
  const auto r = ReadText(R"(object Form1: TForm1
  object Rep: TQuickRep
    object Title: TQRBand
      BandType = rbTitle
      object L: TQRLabel
        Left = 8
        Top = 4
        Width = 50
        Height = 17
        Enabled = False
        Frame.Color = clRed
        Frame.DrawTop = True
        Frame.Style = psDash
        Frame.Width = 2
        Size.Values = (
          44.979166666666670000
          21.166666666666670000
          10.583333333333330000
          132.291666666666700000)
        Alignment = taCenter
        AlignToBand = True
        AutoSize = False
        AutoStretch = True
        Caption = 'Total:'
        Color = clYellow
        Font.Name = 'Times New Roman'
        Font.Style = [fsBold, fsItalic]
        OnPrint = LPrint
        ParentFont = False
        Transparent = True
        WordWrap = False
      end
    end
  end
end
)");
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();
  const auto* label = r.Get<TQRLabel>("L");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Left() + label->Top() * 1000, 4008);
  EXPECT_EQ(label->Width() * 1000 + label->Height(), 50017);
  EXPECT_FALSE(label->Enabled());
  EXPECT_EQ(label->Frame()->Color(), clRed);
  EXPECT_TRUE(label->Frame()->DrawTop());
  EXPECT_FALSE(label->Frame()->DrawBottom());
  EXPECT_EQ(label->Frame()->Style(), psDash);
  EXPECT_EQ(label->Frame()->Width(), 2);
  EXPECT_DOUBLE_EQ(label->Size()->Height(), 44.97916666666667);
  EXPECT_DOUBLE_EQ(label->Size()->Left(), 21.16666666666667);
  EXPECT_DOUBLE_EQ(label->Size()->Top(), 10.58333333333333);
  EXPECT_DOUBLE_EQ(label->Size()->Width(), 132.2916666666667);
  EXPECT_EQ(label->Alignment(), taCenter);
  EXPECT_TRUE(label->AlignToBand());
  EXPECT_FALSE(label->AutoSize());
  EXPECT_TRUE(label->AutoStretch());
  EXPECT_EQ(label->Caption(), "Total:");
  EXPECT_EQ(label->Color(), clYellow);
  EXPECT_EQ(label->Font()->Name(), "Times New Roman");
  EXPECT_EQ(label->Font()->Style(), (1u << fsBold) | (1u << fsItalic));
  EXPECT_EQ(label->Font()->Size(), 10);  // the rest of the report's font
  EXPECT_FALSE(label->ParentFont());
  EXPECT_TRUE(label->Transparent());
  EXPECT_FALSE(label->WordWrap());
}

TEST(QRModel, OlderFormsExtraPropertiesReadWithoutErrors) {
  const auto r = ReadText(R"(object Form1: TForm1
  object Rep: TQuickRep
    Page.Values = (
      100.0
      2970.0
      50.0
      2100.0
      60.0
      70.0
      5.0)
    object Group: TQRGroup
      Align = alTop
      Ruler = qrrNone
      LinkBand = Detail
      Frame.Mode = fmCustom
      Level = 1
      DataSource = dsOrders
      HeaderBand = Group
      OnNeedData = GroupNeedData
      DataField = 'CustNo'
      Size.Values = (
        52.916666666666670000
        1899.708333333333000000)
    end
    object Detail: TQRBand
      BandType = rbDetail
      object Old: TQRLabel
        Caption = 'Name'
        FontSize = 14
        Visible = False
      end
      object Memo: TQRMemo
        TabStop = True
        Lines.Strings = (
          'one'
          'two')
      end
      object Field: TQRDBText
        DataSource = ThisIsAnOldDataSourceNameLongerThan30
        DataField = 'Company'
      end
      object Box: TQRShape
        Visible = False
        Shape = qrsCircle
        Pen.Width = 3
        Brush.Color = clSilver
      end
    end
  end
end
)");
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();
  const auto* group = r.Get<TQRGroup>("Group");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Expression(), "CustNo");
  EXPECT_DOUBLE_EQ(group->Size()->Height(), 52.91666666666667);
  EXPECT_DOUBLE_EQ(group->Size()->Width(), 1899.708333333333);
  const auto* old = r.Get<TQRLabel>("Old");
  EXPECT_FALSE(old->Enabled());
  EXPECT_EQ(old->Font()->Size(), 14);
  EXPECT_EQ(old->Font()->Name(), "Arial");  // followed the report's font until FontSize
  EXPECT_FALSE(old->ParentFont());
  EXPECT_EQ(r.Get<TQRMemo>("Memo")->Lines()->Text(), "one\r\ntwo\r\n");
  const auto* field = r.Get<TQRDBText>("Field");
  EXPECT_EQ(field->DataSourceName(), "ThisIsAnOldDataSourceNameLonge");
  EXPECT_EQ(field->Caption(), "Company");
  const auto* box = r.Get<TQRShape>("Box");
  EXPECT_FALSE(box->Enabled());
  EXPECT_EQ(box->Shape(), qrsCircle);
  EXPECT_EQ(box->Pen()->Width(), 3);
  EXPECT_EQ(box->Brush()->Color(), clSilver);

  const TQRPage& page = *r.Get<TQuickRep>("Rep")->Page();
  EXPECT_EQ(page.TopMargin(), 100);
  EXPECT_EQ(page.Length(), 2970);
  EXPECT_EQ(page.BottomMargin(), 50);
  EXPECT_EQ(page.Width(), 2100);
  EXPECT_EQ(page.LeftMargin(), 60);
  EXPECT_EQ(page.RightMargin(), 70);
  EXPECT_EQ(page.ColumnSpace(), 5);
}

TEST(QRModel, BadValuesListsAreRefusedAndReadingGoesOn) {
  const auto r = ReadText(R"(object Form1: TForm1
  object B: TQRBand
    Size.Values = (
      1.0
      2.0
      3.0)
    Tag = 1
  end
  object C: TQRBand
    Size.Values = (
      1.0
      'two')
    Tag = 2
  end
  object D: TQRBand
    Size.Values = 5
    Tag = 3
  end
end
)");
  const std::vector<std::string> expected = {"Error reading B.Size.Values: Invalid property value",
                                             "Error reading C.Size.Values: Invalid property value",
                                             "Error reading D.Size.Values: Invalid property value"};
  EXPECT_EQ(r.log.messages, expected);
  for (const char* name : {"B", "C", "D"}) {
    const auto* band = r.Get<TQRBand>(name);
    EXPECT_EQ(band->Size()->Height(), 0) << name;  // nothing taken from a refused list
    EXPECT_EQ(band->Tag(), name[0] - 'A');         // the next record is read
  }
}

TEST(QRModel, CaptionsFollowDataFieldsExpressionsAndSystemData) {
  const auto r = ReadText(R"(object Form1: TForm1
  object MaskOnly: TQRExpr
    Mask = '#,##0.00'
  end
  object Nothing: TQRExpr
  end
  object Both: TQRExpr
    Expression = 'SUM(Amount)'
    Mask = '0.00'
  end
  object Emptied: TQRExpr
    Expression = ''
  end
  object Field: TQRDBText
    DataField = 'Amount'
  end
  object Page: TQRSysData
    Data = qrsPageNumber
    Text = 'Page '
  end
end
)");
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();
  EXPECT_EQ(r.Get<TQRExpr>("MaskOnly")->Caption(), "(none)");
  EXPECT_EQ(r.Get<TQRExpr>("Nothing")->Caption(), "");
  EXPECT_EQ(r.Get<TQRExpr>("Both")->Caption(), "SUM(Amount)");
  EXPECT_EQ(r.Get<TQRExpr>("Both")->Mask(), "0.00");
  EXPECT_EQ(r.Get<TQRExpr>("Emptied")->Caption(), "(none)");  // stored, though empty
  EXPECT_EQ(r.Get<TQRDBText>("Field")->Caption(), "Amount");
  auto* page = r.Get<TQRSysData>("Page");
  EXPECT_EQ(page->Caption(), "Page (PageNumber)");
  page->SetData(qrsDetailNo);
  EXPECT_EQ(page->Caption(), "Page (DetailNo)");
}

TEST(QRModel, ReferencesImplyBandTypesOverStoredOnes) {
  // The group comes first and names bands that come later; references are resolved after the
  // whole tree is read, so the implied types win.
  const auto r = ReadText(R"(object Form1: TForm1
  object Rep: TQuickRep
    object Group: TQRGroup
      FooterBand = GroupFooter
      Master = Rep
    end
    object Sub: TQRSubDetail
      HeaderBand = SubHeader
      FooterBand = SubFooter
      Master = Rep
      PrintBefore = True
    end
    object GroupFooter: TQRBand
      BandType = rbDetail
    end
    object SubHeader: TQRBand
      BandType = rbSummary
    end
    object SubFooter: TQRChildBand
    end
  end
end
)");
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();
  const auto* report = r.Get<TQuickRep>("Rep");
  EXPECT_EQ(r.Get<TQRBand>("GroupFooter")->BandType(), rbGroupFooter);
  EXPECT_EQ(r.Get<TQRBand>("SubHeader")->BandType(), rbGroupHeader);
  EXPECT_EQ(r.Get<TQRChildBand>("SubFooter")->BandType(), rbGroupFooter);
  const auto* group = r.Get<TQRGroup>("Group");
  EXPECT_EQ(group->FooterBand(), r.Get<TQRBand>("GroupFooter"));
  EXPECT_EQ(group->Master(), report);
  const auto* sub = r.Get<TQRSubDetail>("Sub");
  EXPECT_EQ(sub->Master(), report);
  EXPECT_TRUE(sub->PrintBefore());
  EXPECT_TRUE(sub->Bands()->HasHeader());
  EXPECT_TRUE(sub->Bands()->HasFooter());
  EXPECT_FALSE(report->Bands()->HasDetail());  // the stored detail became a group footer
  EXPECT_FALSE(report->Bands()->HasTitle());
}

TEST(QRModel, ParentBandRefusesCyclesSilently) {
  // A -> B is accepted; B -> D is accepted, then B -> A would close a cycle and is refused
  // (B keeps D); E naming itself is refused.
  const auto r = ReadText(R"(object Form1: TForm1
  object Rep: TQuickRep
    object D: TQRBand
      BandType = rbDetail
    end
    object A: TQRChildBand
      ParentBand = B
    end
    object B: TQRChildBand
      ParentBand = D
      ParentBand = A
    end
    object E: TQRChildBand
      ParentBand = E
    end
  end
end
)");
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();
  const auto* d = r.Get<TQRBand>("D");
  const auto* a = r.Get<TQRChildBand>("A");
  const auto* b = r.Get<TQRChildBand>("B");
  EXPECT_EQ(a->ParentBand(), b);
  EXPECT_EQ(b->ParentBand(), d);
  EXPECT_EQ(r.Get<TQRChildBand>("E")->ParentBand(), nullptr);
  EXPECT_TRUE(d->HasChild());
  EXPECT_TRUE(b->HasChild());
  EXPECT_FALSE(a->HasChild());
}

TEST(QRModel, ReferencesEmptyWhenTheTargetIsMissingOrGoes) {
  const auto r = ReadText(R"(object Form1: TForm1
  object Rep: TQuickRep
    DataSet = Missing
    object Detail: TQRBand
      BandType = rbDetail
    end
    object Child: TQRChildBand
      ParentBand = Detail
    end
    object Group: TQRGroup
      FooterBand = Footer
      Master = Nowhere
    end
    object Footer: TQRBand
      BandType = rbGroupFooter
    end
  end
end
)");
  EXPECT_TRUE(r.log.messages.empty()) << r.log.messages.front();
  auto* report = r.Get<TQuickRep>("Rep");
  EXPECT_EQ(report->DataSet(), nullptr);
  EXPECT_EQ(r.Get<TQRGroup>("Group")->Master(), nullptr);
  delete r.Get<TQRBand>("Footer");
  EXPECT_EQ(r.Get<TQRGroup>("Group")->FooterBand(), nullptr);
  delete r.Get<TQRBand>("Detail");
  const auto* child = r.Get<TQRChildBand>("Child");
  EXPECT_EQ(child->ParentBand(), nullptr);
  EXPECT_EQ(report->BandList(),
            (std::vector<TQRCustomBand*>{r.Get<TQRChildBand>("Child"), r.Get<TQRGroup>("Group")}));
}

TEST(QRModel, FontsFollowTheParentUntilSetTheirOwn) {
  const auto r = ReadText(R"(object Form1: TForm1
  Font.Name = 'Tahoma'
  object Rep: TQuickRep
    Font.Name = 'Courier New'
    object Own: TQRBand
      BandType = rbTitle
      Font.Height = -20
      ParentFont = False
      object Inherits: TQRLabel
      end
    end
    object Plain: TQRBand
      BandType = rbDetail
      object AlsoInherits: TQRDBText
      end
    end
  end
end
)");
  auto* report = r.Get<TQuickRep>("Rep");
  EXPECT_EQ(report->Font()->Name(), "Courier New");  // never the form's font
  const auto* own = r.Get<TQRBand>("Own");
  EXPECT_EQ(own->Font()->Name(), "Courier New");
  EXPECT_EQ(own->Font()->Height(), -20);
  EXPECT_FALSE(own->ParentFont());
  EXPECT_EQ(r.Get<TQRLabel>("Inherits")->Font()->Height(), -20);
  EXPECT_TRUE(r.Get<TQRLabel>("Inherits")->ParentFont());
  auto* also = r.Get<TQRDBText>("AlsoInherits");
  EXPECT_EQ(also->Font()->Name(), "Courier New");
  EXPECT_EQ(also->Font()->Height(), report->Font()->Height());
  // A later change of the report's font reaches the controls that follow it, and only those.
  report->Font()->SetName("Arial");
  EXPECT_EQ(also->Font()->Name(), "Arial");
  EXPECT_EQ(own->Font()->Name(), "Courier New");
}

}  // namespace
}  // namespace qr2vor
