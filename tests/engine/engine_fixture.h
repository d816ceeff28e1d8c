#pragma once

// A report over an in-memory data set, generated with a stand-in control printer that answers a
// control's Height when measuring and logs every drawing with its page, bar and rectangle.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "expr/expr_evaluator.h"
#include "platform/data/memory_dataset.h"
#include "report/report.h"
#include "report/virtual_printer.h"

namespace qr2vor {

struct DrawnControl {
  std::string name;
  int32_t page;
  int32_t bar;
  TRect rect;
  std::string value;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    TVirtualPrinter::Instance().Reset();
    report.ClearBands();
    report.SetDataSet(&data);
    data.AddFieldDef("N", ftInteger);
    data.AddFieldDef("G", ftString, 10);
    engine.PrintControl = [this](TVoRControl& control, TCanvas&, TRect& rect, uint32_t flags) {
      if ((flags & kMeasureFlag) == 0) {
        drawn.push_back({control.DisplayName(), engine.Store().PageIndex, engine.Store().BarIndex,
                         rect, ExprValueText(control.CurrentValue())});
      }
      return control.Height();
    };
  }
  ~EngineTest() override { TVirtualPrinter::Instance().Reset(); }

  // Rows 1..count, with the group text of each row.
  void Rows(int count, const std::vector<std::string>& groups = {}) {
    for (int i = 1; i <= count; ++i) {
      data.AppendRecord({i, groups.empty() ? std::string() : groups[i - 1]});
    }
    data.Open();
  }
  // A band of that type, height and name, at the left edge.
  TVoRBand& Band(TBandType type, int32_t height, const std::string& name) {
    TVoRBand& band = *report.Bands(report.AddBand(type, true));
    band.SetHeight(height);
    band.SetLeft(0);
    band.SetNewPage(false);
    band.SetDisplayName(name);
    return band;
  }
  template <class T>
  T& Control(TVoRBand& band, const std::string& name, int32_t left = 0, int32_t top = 0,
             int32_t height = 10) {
    auto& control = static_cast<T&>(*band.Controls(band.AddControl(T::StaticClassInfo())));
    control.SetDisplayName(name);
    control.SetLeft(left);
    control.SetTop(top);
    control.SetHeight(height);
    return control;
  }
  // The tops of the drawings of one band or control, in order.
  std::vector<int32_t> Tops(const std::string& name) const {
    std::vector<int32_t> tops;
    for (const DrawnControl& d : drawn) {
      if (d.name == name) tops.push_back(d.rect.Top);
    }
    return tops;
  }
  std::vector<int32_t> Pages(const std::string& name) const {
    std::vector<int32_t> pages;
    for (const DrawnControl& d : drawn) {
      if (d.name == name) pages.push_back(d.page);
    }
    return pages;
  }
  std::vector<std::string> Values(const std::string& name) const {
    std::vector<std::string> values;
    for (const DrawnControl& d : drawn) {
      if (d.name == name) values.push_back(d.value);
    }
    return values;
  }

  TMemoryDataSet data{nullptr};
  TVoReport report{nullptr};
  TVoREngine engine{report};
  std::vector<DrawnControl> drawn;
};

}  // namespace qr2vor
