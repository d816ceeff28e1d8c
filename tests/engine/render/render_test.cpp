// Control rendering, checked on the records of the metafile it draws: label positions and clip
// boxes, heights, frame lines, frame picture layouts, shapes, pictures, highlights and the
// measuring pass. Text uses Courier New at 20 pixels, whose characters are all 12 pixels wide.

#include "engine/render/render.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <filesystem>
#include <string>
#include <vector>

#include "expr/expr_data.h"
#include "platform/data/memory_dataset.h"
#include "platform/gfx/emf_enumerator.h"
#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/raster_image.h"
#include "rtl/streams.h"

namespace qr2vor {
namespace {

void UseCourier(TVoRControl& control) {
  control.Font()->SetName("Courier New");
  control.Font()->SetHeight(-20);
}

// The drawing records of a page, one line each; object selection, colours and modes left out.
std::vector<std::string> Drawing(TMetafileCanvas& canvas) {
  const std::string emf = canvas.Finish();
  TEmfEnumerator enumerator(emf);
  TEmfRecord record(0, {});
  std::vector<std::string> lines;
  const auto rect = [](const TRect& r) {
    return fmt::format("{},{},{},{}", r.Left, r.Top, r.Right, r.Bottom);
  };
  while (enumerator.Next(record)) {
    switch (record.Type()) {
      case EMR_MOVETOEX:
        lines.push_back(fmt::format("move {},{}", record.I32(8), record.I32(12)));
        break;
      case EMR_LINETO:
        lines.push_back(fmt::format("line {},{}", record.I32(8), record.I32(12)));
        break;
      case EMR_RECTANGLE:
        lines.push_back("rectangle " + rect(record.Rect(8)));
        break;
      case EMR_ROUNDRECT:
        lines.push_back(fmt::format("roundrect {} {},{}", rect(record.Rect(8)), record.I32(24),
                                    record.I32(28)));
        break;
      case EMR_ELLIPSE:
        lines.push_back("ellipse " + rect(record.Rect(8)));
        break;
      case EMR_INTERSECTCLIPRECT:
        lines.push_back("clip " + rect(record.Rect(8)));
        break;
      case EMR_SAVEDC:
        lines.push_back("save");
        break;
      case EMR_RESTOREDC:
        lines.push_back("restore");
        break;
      case EMR_EXTTEXTOUTW: {
        const TEmfText text = ReadTextOut(record);
        lines.push_back(fmt::format("text {},{} {}", text.X, text.Y, text.Text));
        break;
      }
      case EMR_STRETCHDIBITS: {
        const TEmfBitmap bitmap = ReadBitmapRecord(record);
        lines.push_back("image " + rect(bitmap.Dest));
        break;
      }
      default:
        break;
    }
  }
  return lines;
}

using Lines = std::vector<std::string>;

// How many records a page holds; a page nothing was drawn on holds only its set-up records.
uint32_t RecordCount(TMetafileCanvas& canvas) {
  const std::string emf = canvas.Finish();
  return TEmfEnumerator(emf).Header().Records;
}

uint32_t EmptyPageRecords() {
  TMetafileCanvas canvas(400, 300);
  return RecordCount(canvas);
}

int32_t CourierLineHeight() {
  TMetafileCanvas canvas(10, 10);
  canvas.Font().SetName("Courier New");
  canvas.Font().SetHeight(-20);
  return canvas.FontMetrics().Height;
}

TEST(RenderLabel, AlignmentPlacesTextAndClipInsideTheFrame) {
  // Width 200 with a frame of 1: inner width 198; "Hello" is 60 wide.
  const struct {
    TAlignment alignment;
    int32_t x;
  } rows[] = {
      {taLeftJustify, 11},
      {taRightJustify, 11 + 198 - 60},
      {taCenter, 11 + 99 - 30},
  };
  for (const auto& row : rows) {
    TVoRLabel label(nullptr);
    UseCourier(label);
    label.SetDisplayName("Hello");
    label.SetWidth(200);
    label.SetHeight(40);
    label.SetAlignment(row.alignment);
    TMetafileCanvas canvas(400, 200);
    TRect rect{10, 20, 210, 60};
    const int32_t height = PrintControl(label, canvas, rect, 0, {});
    EXPECT_EQ(rect, (TRect{11, 21, 209, 59}));
    EXPECT_EQ(height, CourierLineHeight() + 2);
    const std::string clip = fmt::format("clip {},21,209,59", row.x);
    EXPECT_EQ(Drawing(canvas),
              (Lines{"save", clip, fmt::format("text {},21 Hello", row.x), "restore"}))
        << row.alignment;
  }
}

TEST(RenderLabel, RightAlignedTextWiderThanTheControlStartsAtTheLeft) {
  TVoRLabel label(nullptr);
  UseCourier(label);
  label.SetDisplayName("A much too long text");
  label.SetWordWrap(false);
  label.SetWidth(100);
  label.SetAlignment(taRightJustify);
  TMetafileCanvas canvas(400, 200);
  TRect rect{0, 0, 100, 20};
  PrintControl(label, canvas, rect, 0, {});
  EXPECT_EQ(Drawing(canvas),
            (Lines{"save", "clip 1,1,99,19", "text 1,1 A much too long text", "restore"}));
}

TEST(RenderLabel, MeasuredHeights) {
  const int32_t line = CourierLineHeight();
  // Inner width 98 holds eight characters: "aaaa bbbb cccc" breaks into three lines.
  const struct {
    const char* text;
    bool wordWrap;
    bool stretch;
    bool removeBlankLine;
    int32_t height;
  } rows[] = {
      {"aaaa bbbb cccc", true, true, false, 3 * line + 2},
      {"aaaa bbbb cccc", false, true, false, line + 2},
      {"aaaa\r\nbbbb", false, true, false, 2 * line + 2},
      {"aaaa bbbb cccc", true, false, false, 20 + 2},
      {"", true, true, false, line + 2},
      {"", true, true, true, 0 + 2},
  };
  for (const auto& row : rows) {
    TVoRLabel label(nullptr);
    UseCourier(label);
    label.SetDisplayName(row.text);
    label.SetWidth(100);
    label.SetWordWrap(row.wordWrap);
    label.SetStretch(row.stretch);
    label.VoPrintWhen()->SetRemoveBlankLine(row.removeBlankLine);
    TMetafileCanvas canvas(400, 200);
    TRect rect{0, 0, 100, 20};
    EXPECT_EQ(PrintControl(label, canvas, rect, kMeasureFlag, {}), row.height) << row.text;
    EXPECT_EQ(rect, (TRect{0, 0, 100, 20})) << "measuring keeps the rectangle";
    EXPECT_EQ(Drawing(canvas), Lines{}) << row.text;
  }
}

TEST(RenderLabel, RepeatedValueIsSuppressedWhileGenerating) {
  TVoRExpression label(nullptr);
  UseCourier(label);
  label.VoPrintWhen()->SetRepeatedValues(false);
  label.SetCurrentValue("same");
  label.SetPreviousValue("same");
  TRenderContext generating;
  generating.Generating = true;
  TMetafileCanvas canvas(400, 200);
  TRect rect{0, 0, 50, 20};
  EXPECT_EQ(PrintControl(label, canvas, rect, kMeasureFlag, generating), 0);
  EXPECT_EQ(PrintControl(label, canvas, rect, 0, generating), 0);
  EXPECT_EQ(Drawing(canvas), Lines{});

  // A new value prints and becomes the previous value; measuring leaves the previous value.
  label.SetCurrentValue("new");
  TMetafileCanvas second(400, 200);
  TRect measured{0, 0, 50, 20};
  PrintControl(label, second, measured, kMeasureFlag, generating);
  EXPECT_EQ(label.PreviousValue(), Variant("same"));
  TRect drawn{0, 0, 50, 20};
  PrintControl(label, second, drawn, 0, generating);
  EXPECT_EQ(label.PreviousValue(), Variant("new"));
  EXPECT_EQ(Drawing(second), (Lines{"save", "clip 1,1,49,19", "text 1,1 new", "restore"}));
}

TEST(RenderLabel, AngledText) {
  // "Hello" is 60 wide; at 90 degrees it is written upward from y = 60, limited to the inner
  // height; turned text is written with its reference point and no clip.
  const struct {
    int32_t angle;
    TAlignment alignment;
    int32_t height;
    TPoint at;
  } rows[] = {
      {90, taLeftJustify, 100, {1, 1 + 60}},
      {90, taLeftJustify, 40, {1, 1 + 38}},
      {180, taLeftJustify, 100, {1 + 60, 1 + CourierLineHeight()}},
      {270, taLeftJustify, 100, {1 + CourierLineHeight(), 1}},
  };
  for (const auto& row : rows) {
    TVoRLabel label(nullptr);
    UseCourier(label);
    label.SetDisplayName("Hello");
    label.SetAngle(row.angle);
    label.SetWidth(100);
    label.SetHeight(row.height);
    label.SetAlignment(row.alignment);
    TMetafileCanvas canvas(400, 200);
    TRect rect{0, 0, 100, row.height};
    EXPECT_EQ(PrintControl(label, canvas, rect, 0, {}), CourierLineHeight() + 2);
    const std::string emf = canvas.Finish();
    TEmfEnumerator enumerator(emf);
    TEmfRecord record(0, {});
    int texts = 0;
    while (enumerator.Next(record)) {
      if (record.Type() == EMR_EXTCREATEFONTINDIRECTW) {
        EXPECT_EQ(ReadLogFont(record).Escapement, 10 * row.angle);
      }
      if (record.Type() == EMR_EXTTEXTOUTW) {
        const TEmfText text = ReadTextOut(record);
        EXPECT_EQ((TPoint{text.X, text.Y}), row.at) << row.angle << " " << row.height;
        ++texts;
      }
    }
    EXPECT_EQ(texts, 1);
  }
}

TEST(RenderFormat, MasksApplyWhileGeneratingWithTheWidthInZeros) {
  // Zeros are 12 wide; the width in characters is (Width - frame width - 2) / 12, rounded
  // half to even.
  const struct {
    int32_t width;
    bool generating;
    const char* text;
  } rows[] = {
      {75, true, "000042"},  // 72 / 12 = 6
      {57, true, "0042"},    // 54 / 12 = 4.5
      {81, true, "000042"},  // 78 / 12 = 6.5
      {75, false, "42"},
  };
  for (const auto& row : rows) {
    TVoRExpression expression(nullptr);
    expression.SetFormat("@N @ND0 @NS. @NR1 @NL ");
    expression.SetWidth(row.width);
    TMetafileCanvas canvas(10, 10);
    canvas.Font().SetName("Courier New");
    canvas.Font().SetHeight(-20);
    EXPECT_EQ(FormatValue(expression, canvas, Variant(42), row.generating), row.text) << row.width;
  }
  TVoRLabel label(nullptr);
  TMetafileCanvas canvas(10, 10);
  EXPECT_EQ(FormatValue(label, canvas, Variant(1234.5), true), "1234.5");
  EXPECT_EQ(FormatValue(label, canvas, Variant::Null(), true), "");
  EXPECT_EQ(FormatValue(label, canvas, Variant::FromDate(45000.25), true), "45000.25");
}

TEST(RenderFrame, SideLinesRunFromCornerToCorner) {
  TVoRFrame frame;
  frame.SetWidth(2);
  frame.SetFrameType((1u << ftTop) | (1u << ftBottom) | (1u << ftLeft) | (1u << ftRight));
  TMetafileCanvas canvas(400, 200);
  DrawFrame(frame, canvas, TRect{10, 20, 110, 70});
  EXPECT_EQ(canvas.Brush().Style(), bsClear);
  EXPECT_EQ(Drawing(canvas), (Lines{"move 10,20", "line 110,20", "move 10,70", "line 110,70",
                                    "move 10,20", "line 10,70", "move 110,20", "line 110,70"}));
}

TEST(RenderFrame, BackgroundColourFillsAndTheBrushColourIsKept) {
  TVoRFrame frame;
  frame.SetBackColor(0x0000FF);
  TMetafileCanvas canvas(400, 200);
  canvas.Brush().SetColor(0x00FF00);
  DrawFrame(frame, canvas, TRect{10, 20, 110, 70});
  EXPECT_EQ(canvas.Brush().Color(), TColor{0x00FF00});
  // A fill without a pen reaches one unit further right and down.
  EXPECT_EQ(Drawing(canvas), (Lines{"rectangle 10,20,111,71"}));
}

TEST(RenderFrame, PictureLayouts) {
  // A 10 x 8 picture in a 25 x 30 rectangle at (100, 200): 25 / 10 = 2.5 rounds to 2 columns
  // after the first, 30 / 8 = 3.75 to 4 rows; cells are cut at the rectangle's edge and cells
  // wholly outside it are left out.
  const struct {
    TVoPicType layout;
    TRect rect;
    Lines images;
  } rows[] = {
      {TVoPicType::btCenter, {100, 200, 125, 230}, {"image 107,211,117,219"}},
      {TVoPicType::btStretch, {100, 200, 125, 230}, {"image 100,200,125,230"}},
      {TVoPicType::btCorners,
       {100, 200, 125, 230},
       {"image 100,200,110,208", "image 115,200,125,208", "image 100,222,110,230",
        "image 115,222,125,230"}},
      {TVoPicType::btTile,
       {100, 200, 125, 230},
       {"image 100,200,110,208", "image 110,200,120,208", "image 120,200,125,208",
        "image 100,208,110,216", "image 110,208,120,216", "image 120,208,125,216",
        "image 100,216,110,224", "image 110,216,120,224", "image 120,216,125,224",
        "image 100,224,110,230", "image 110,224,120,230", "image 120,224,125,230"}},
      // 35 / 10 = 3.5 rounds to 4: the fifth column lies outside.
      {TVoPicType::btTile,
       {0, 0, 35, 8},
       {"image 0,0,10,8", "image 10,0,20,8", "image 20,0,30,8", "image 30,0,35,8"}},
      {TVoPicType::btTileAsFrame,
       {100, 200, 125, 230},
       {"image 100,200,110,208", "image 100,222,110,230", "image 110,200,120,208",
        "image 110,222,120,230", "image 120,200,125,208", "image 120,222,125,230",
        "image 100,208,110,216", "image 115,208,125,216", "image 100,216,110,224",
        "image 115,216,125,224", "image 100,224,110,230", "image 115,224,125,230"}},
  };
  TBitmap bitmap;
  bitmap.LoadFromImage(WriteBmp(TRasterImage(10, 8, 0xFF336699)));
  for (const auto& row : rows) {
    TVoRFrame frame;
    TPicture picture;
    picture.SetGraphic(&bitmap);
    frame.SetPicture(&picture);
    frame.SetPicType(row.layout);
    TMetafileCanvas canvas(400, 300);
    DrawFrame(frame, canvas, row.rect);
    EXPECT_EQ(Drawing(canvas), row.images) << static_cast<int>(row.layout);
  }
}

TEST(RenderShape, LinesSquaresAndCircles) {
  TMetafileCanvas canvas(400, 300);
  const TRenderContext design;

  // A double top line with a frame of 3 on the left: the frame line and both segments lie on
  // the unshrunk rectangle, the second inset by twice the pen width.
  TVoRLine line(nullptr);
  line.SetLineStyle(lsDouble);
  line.Frame()->SetWidth(3);
  line.Frame()->SetFrameType(1u << ftLeft);
  line.SetWidth(100);
  line.SetHeight(30);
  TRect lineRect{10, 10, 110, 40};
  EXPECT_EQ(PrintControl(line, canvas, lineRect, 0, design), 30 + 6);
  EXPECT_EQ(lineRect, (TRect{10, 10, 110, 40}));

  // A square in 100 x 60 without frame width: W = 100, H = 60, S = 60, 20 in from the left.
  TVoRRectangle square(nullptr);
  square.SetRectangleType(rtSquare);
  square.Frame()->SetWidth(0);
  square.SetWidth(100);
  square.SetHeight(60);
  TRect squareRect{0, 100, 100, 160};
  PrintControl(square, canvas, squareRect, 0, design);

  // A circle in 100 x 40 with frame and pen 1: the rectangle shrinks to (1, 201)-(99, 239),
  // W = 100 - 1 - 2 + 1 = 98, H = 38, S = 38, 30 in from the shrunk left.
  TVoREllipse circle(nullptr);
  circle.SetEllipseType(etCircle);
  circle.SetWidth(100);
  circle.SetHeight(40);
  TRect circleRect{0, 200, 100, 240};
  PrintControl(circle, canvas, circleRect, 0, design);

  // A double round rectangle 80 x 40 at (200, 0), pen 1: W = 78, H = 38, corners 38 div 4.
  TVoRRectangle round(nullptr);
  round.SetRectangleType(rtRoundRect);
  round.SetLineStyle(lsDouble);
  round.SetWidth(80);
  round.SetHeight(40);
  TRect roundRect{200, 0, 280, 40};
  PrintControl(round, canvas, roundRect, 0, design);

  EXPECT_EQ(Drawing(canvas),
            (Lines{"move 10,10", "line 10,40", "move 10,10", "line 110,10", "move 16,16",
                   "line 104,16", "rectangle 20,100,80,160", "ellipse 31,201,69,239",
                   "roundrect 201,1,279,39 9,9", "roundrect 203,3,277,37 9,9"}));
}

TEST(RenderControl, BackgroundAndHighlights) {
  const struct {
    bool transparent;
    bool generating;
    bool ruleHolds;
    const char* fill;  // the brush colour filled, or nothing
  } rows[] = {
      {true, true, false, nullptr},  {true, true, true, "0000ff"}, {false, true, false, "00ff00"},
      {false, true, true, "0000ff"}, {true, false, true, nullptr},
  };
  for (const auto& row : rows) {
    TVoRRectangle control(nullptr);
    control.Frame()->SetWidth(0);
    control.SetTransparent(row.transparent);
    control.SetBackColor(0x00FF00);
    TVoRHighLight* rule = control.HighLights()->Add();
    rule->SetExpression("Amount > 100");
    rule->SetColor(0x0000FF);
    std::vector<std::string> asked;
    TRenderContext context;
    context.Generating = row.generating;
    context.EvaluateHighLight = [&](const std::string& expression) {
      asked.push_back(expression);
      return row.ruleHolds;
    };
    TMetafileCanvas canvas(400, 300);
    TRect rect{10, 20, 60, 40};
    PrintControl(control, canvas, rect, 0, context);
    EXPECT_EQ(asked.size(), row.generating ? 1u : 0u);

    const std::string emf = canvas.Finish();
    TEmfEnumerator enumerator(emf);
    TEmfRecord record(0, {});
    std::vector<std::string> fills;
    uint32_t brushColor = 0;
    while (enumerator.Next(record)) {
      if (record.Type() == EMR_CREATEBRUSHINDIRECT) brushColor = record.U32(16);
      if (record.Type() == EMR_RECTANGLE && record.Rect(8) == TRect{10, 20, 61, 41})
        fills.push_back(fmt::format("{:06x}", brushColor));
    }
    EXPECT_EQ(fills, row.fill ? Lines{row.fill} : Lines{})
        << row.transparent << row.generating << row.ruleHolds;
  }
}

class RenderImage : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("render_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string WritePicture(const std::string& name, int32_t width, int32_t height) {
    const std::string path = (folder_ / name).string();
    SaveFileAtomically(path, WriteBmp(TRasterImage(width, height, 0xFF808080)));
    return path;
  }

  std::filesystem::path folder_;
};

TEST_F(RenderImage, SizeByStretchAspectAndCentre) {
  // The control is 100 x 60 without frame width.
  const struct {
    int32_t pw, ph;
    bool stretch, aspect, center;
    const char* image;
  } rows[] = {
      {40, 20, false, false, false, "image 0,0,40,20"},
      {40, 20, false, false, true, "image 30,20,70,40"},
      {40, 20, true, false, false, "image 0,0,100,60"},
      {40, 20, true, true, false, "image 0,0,100,50"},
      {40, 20, true, true, true, "image 0,5,100,55"},
      {20, 40, true, true, false, "image 0,0,30,60"},
      {200, 20, false, true, false, "image 0,0,100,10"},  // larger than the control
      {200, 20, false, false, false, "image 0,0,200,20"},
      {30, 90, true, true, false, "image 0,0,20,60"},
  };
  for (const auto& row : rows) {
    TVoRImage image(nullptr);
    image.Frame()->SetWidth(0);
    image.SetWidth(100);
    image.SetHeight(60);
    image.SetFileName(WritePicture("picture.bmp", row.pw, row.ph));
    image.SetStretch(row.stretch);
    image.SetAspectRatio(row.aspect);
    image.SetCenter(row.center);
    TRenderContext generating;
    generating.Generating = true;
    TMetafileCanvas canvas(400, 300);
    TRect rect{0, 0, 100, 60};
    PrintControl(image, canvas, rect, 0, generating);
    EXPECT_EQ(Drawing(canvas), Lines{row.image}) << row.pw << "x" << row.ph;
    EXPECT_EQ(image.Picture()->Width(), row.pw);
  }
}

TEST_F(RenderImage, FromFieldsAndOnTheDesignSurface) {
  const std::string path = WritePicture("from field.bmp", 10, 10);
  TMemoryDataSet data(nullptr);
  data.SetName("Items");
  data.AddFieldDef("Photo", ftBlob);
  data.AddFieldDef("PhotoFile", ftString, 200);
  data.AddFieldDef("Missing", ftString, 200);
  data.AppendRecord({Variant(WriteBmp(TRasterImage(20, 10))), Variant(path),
                     Variant((folder_ / "none.bmp").string())});
  data.Open();
  ExprDataSetList manager;
  manager.Add(&data);
  TRenderContext generating;
  generating.Generating = true;
  generating.DataManager = &manager;

  // Without a file name the picture is stretched over the control.
  const struct {
    const char* expression;
    Lines drawing;
  } rows[] = {
      {"Photo", {"image 0,0,100,60"}},
      {"Items.PhotoFile", {"image 0,0,100,60"}},
      {"Missing", {}},
      {"NoSuchField", {}},
  };
  for (const auto& row : rows) {
    TVoRImage image(nullptr);
    image.Frame()->SetWidth(0);
    image.SetWidth(100);
    image.SetHeight(60);
    image.SetExpression(row.expression);
    TMetafileCanvas canvas(400, 300);
    TRect rect{0, 0, 100, 60};
    PrintControl(image, canvas, rect, 0, generating);
    EXPECT_EQ(Drawing(canvas), row.drawing) << row.expression;
  }

  // The design surface marks the rectangle and writes the display name.
  TVoRImage image(nullptr);
  UseCourier(image);
  image.Frame()->SetWidth(0);
  TMetafileCanvas canvas(400, 300);
  TRect rect{0, 0, 50, 20};
  PrintControl(image, canvas, rect, 0, {});
  EXPECT_EQ(Drawing(canvas),
            (Lines{"rectangle 0,0,50,20", "save", "clip 0,0,50,20", "text 0,0 Image", "restore"}));
}

TEST(RenderRichText, FieldTextIsLaidOutAndMeasured) {
  TMemoryDataSet data(nullptr);
  data.AddFieldDef("Notes", ftMemo);
  data.AddFieldDef("Plain", ftString, 50);
  data.AppendRecord({Variant("{\\rtf1 one\\par two\\par three}"), Variant("alone")});
  data.Open();
  ExprDataSetList manager;
  manager.Add(&data);
  TRenderContext generating;
  generating.Generating = true;
  generating.DataManager = &manager;

  TVoRichText notes(nullptr);
  UseCourier(notes);
  notes.SetExpression("Notes");
  notes.SetWidth(200);
  TVoRichText plain(nullptr);
  UseCourier(plain);
  plain.SetExpression("Plain");
  plain.SetWidth(200);
  TMetafileCanvas measure(400, 300);
  TRect rect{0, 0, 200, 20};
  const int32_t three = PrintControl(notes, measure, rect, kMeasureFlag, generating);
  const int32_t one = PrintControl(plain, measure, rect, kMeasureFlag, generating);
  EXPECT_EQ(three - 2, 3 * (one - 2));
  EXPECT_EQ(Drawing(measure), Lines{});

  TMetafileCanvas canvas(400, 300);
  TRect drawn{10, 10, 210, 30};
  PrintControl(plain, canvas, drawn, 0, generating);
  EXPECT_EQ(Drawing(canvas), (Lines{"save", "clip 11,11,209,29", "text 11,11 alone", "restore"}));
}

TEST(RenderControl, MeasuringLeavesNoRecords) {
  TVoRLabel label(nullptr);
  TVoRExpression expression(nullptr);
  expression.SetCurrentValue(Variant(12.5));
  TVoRLine line(nullptr);
  line.Frame()->SetFrameType(1u << ftTop);
  TVoREllipse ellipse(nullptr);
  ellipse.SetTransparent(false);
  TVoRImage image(nullptr);
  TVoRichText richText(nullptr);
  TVoRControl* controls[] = {&label, &expression, &line, &ellipse, &image, &richText};
  for (bool generating : {false, true}) {
    TRenderContext context;
    context.Generating = generating;
    context.EvaluateHighLight = [](const std::string&) { return true; };
    TMetafileCanvas canvas(400, 300);
    for (TVoRControl* control : controls) {
      control->HighLights()->Add()->SetExpression("True");
      TRect rect{0, 0, 50, 20};
      PrintControl(*control, canvas, rect, kMeasureFlag, context);
    }
    EXPECT_EQ(RecordCount(canvas), EmptyPageRecords());
  }
}

}  // namespace
}  // namespace qr2vor

namespace qr2vor {
namespace {

TEST(RenderControl, ExtremeSizesFromAFileNeitherOverflowNorRunAway) {
  TBitmap tiny;
  tiny.LoadFromImage(WriteBmp(TRasterImage(1, 1)));
  TPicture picture;
  picture.SetGraphic(&tiny);
  TVoRLabel label(nullptr);
  label.SetDisplayName("Some text");
  TVoRLabel turned(nullptr);
  turned.SetDisplayName("Turned");
  turned.SetAngle(200);
  TVoRExpression expression(nullptr);
  expression.SetFormat("@N @ND0 @NL ");
  expression.SetCurrentValue(Variant(7));
  TVoRLine line(nullptr);
  line.SetLineStyle(lsDouble);
  TVoRRectangle square(nullptr);
  square.SetRectangleType(rtRoundSquare);
  TVoREllipse circle(nullptr);
  circle.SetEllipseType(etCircle);
  circle.SetStretch(ssHeight);
  TVoRImage image(nullptr);
  image.SetAspectRatio(true);
  image.SetCenter(true);
  TVoRControl* controls[] = {&label, &turned, &expression, &line, &square, &circle, &image};
  const int32_t sizes[] = {INT32_MIN, -1, 0, INT32_MAX};
  const TRect rects[] = {{0, 0, 100, 20}, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
  TRenderContext generating;
  generating.Generating = true;
  for (int32_t size : sizes) {
    for (int32_t frameWidth : {INT32_MIN, 0, INT32_MAX}) {
      for (const TRect& designed : rects) {
        TMetafileCanvas canvas(400, 300);
        for (TVoRControl* control : controls) {
          control->SetWidth(size);
          control->SetHeight(size);
          control->Frame()->SetWidth(frameWidth);
          for (uint32_t flags : {kMeasureFlag, 0u}) {
            TRect rect = designed;
            PrintControl(*control, canvas, rect, flags, generating);
          }
        }
        canvas.Finish();
      }
    }
  }

  // A one-pixel picture tiled over a huge frame stops at a bounded number of tiles.
  TVoRFrame frame;
  frame.SetPicture(&picture);
  frame.SetPicType(TVoPicType::btTile);
  TMetafileCanvas canvas(400, 300);
  DrawFrame(frame, canvas, TRect{0, 0, 1000000, 1000000});
  EXPECT_LE(Drawing(canvas).size(), 65536u);
}

}  // namespace
}  // namespace qr2vor
