// Writes sample pages for tests/platform/gfx/check_emf_with_libreoffice.sh, which converts them
// with a real client; skipped unless QR2VOR_EMF_SAMPLE_DIR names the folder to write to.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/gfx/metafile_canvas.h"
#include "platform/gfx/wmf_writer.h"

namespace qr2vor {
namespace {

TEST(EmfSampleTest, WritesSamplePages) {
  const char* folder = std::getenv("QR2VOR_EMF_SAMPLE_DIR");
  if (folder == nullptr) GTEST_SKIP() << "QR2VOR_EMF_SAMPLE_DIR is not set";
  // An A4 page at 96 pixels per inch: 794 by 1123.
  TMetafileCanvas canvas(794, 1123);
  canvas.Pen().SetStyle(psClear);
  canvas.Brush().SetColor(clRed);
  canvas.Rectangle(100, 300, 301, 401);  // red over x 100..299, y 300..399
  canvas.Brush().SetColor(clBlue);
  canvas.Ellipse(400, 300, 601, 501);  // blue disc centred on (500, 400)
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(4);
  canvas.MoveTo(100, 600);
  canvas.LineTo(700, 600);  // black rule 4 pixels thick at y = 600
  canvas.Brush().SetStyle(bsClear);
  canvas.Font().SetName("Arial");
  canvas.Font().SetSize(14);
  canvas.Font().SetColor(clBlack);
  canvas.TextOut(100, 100, "Quarterly Sales Report");
  canvas.Font().SetName("Times New Roman");
  canvas.Font().SetStyle(FontStyleBit(fsBold));
  canvas.TextOut(100, 150, "Total 1234.56");
  canvas.Font().SetName("Courier New");
  canvas.Font().SetStyle(0);
  canvas.TextOutAngle(60, 1000, 900, "Rotated");
  TRect rect{100, 700, 400, 900};
  canvas.DrawText("Word wrapped text that needs several lines here", rect,
                  DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  const std::string emf = canvas.Finish();
  std::ofstream(std::string(folder) + "/page.emf", std::ios::binary) << emf;
  std::ofstream(std::string(folder) + "/page.wmf", std::ios::binary) << EmfToWmf(emf);
}

}  // namespace
}  // namespace qr2vor
