#pragma once

// Control rendering: every report control measures itself or draws itself into a rectangle of a
// canvas with one call, PrintControl. The same call serves generation (a page's metafile canvas)
// and the design surface (any canvas). Measuring (kMeasureFlag in the flags) draws nothing and
// returns the height the control needs.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/gfx/canvas.h"
#include "report/controls.h"
#include "rtl/variant.h"

namespace qr2vor {

class ExprDataManager;

// The flag that asks for measuring instead of drawing (the text layout's "calculate rectangle").
inline constexpr uint32_t kMeasureFlag = DT_CALCRECT;

// What rendering needs of the report being printed.
struct TRenderContext {
  // The report is generating: controls print their current values, highlight rules apply and
  // repeated values may be suppressed. Otherwise it is the design surface.
  bool Generating = false;
  // Evaluates a highlight rule's expression to a Boolean with the report's variable lookup.
  // Without it no rule ever holds.
  std::function<bool(const std::string& expression)> EvaluateHighLight;
  // The data sets whose fields pictures and rich text may come from; may be nullptr.
  const ExprDataManager* DataManager = nullptr;
};

// Measures (flags with kMeasureFlag) or draws `control` into `rect` and returns its height in
// page units. `rect` may shrink by the frame width for all but line controls; coordinates beyond
// +-2^29 are brought back to that limit first. The flags are the text layout's DT_* flags the
// caller asks for. Bands print as the base control: background, highlights and frame. What the
// highlight callback raises, and a picture or rich-text file that cannot be read, propagate; a
// label's formatting errors are absorbed.
int32_t PrintControl(TVoRControl& control, TCanvas& canvas, TRect& rect, uint32_t flags,
                     const TRenderContext& context);

// The frame of a control or the page frame: background colour, background picture in its
// layout, then the lines of the chosen sides from corner to corner of `rect`. Leaves the brush
// colour as it found it and the brush style clear.
void DrawFrame(const TVoRFrame& frame, TCanvas& canvas, const TRect& rect);

// Text of `control` (its alignment, size, frame width and blank-line rule) turned by `angle`
// degrees counter-clockwise and written into `rect` in the canvas font; measures only when the
// flags hold kMeasureFlag. Returns the height of the text.
int32_t DrawText(TCanvas& canvas, const TVoRControl& control, std::string_view text, int32_t angle,
                 uint32_t flags, const TRect& rect);

// The text a label prints for `value`. Expressions and system data format it by their mask,
// with the width in characters of "0" in the canvas font, while generating; otherwise, and for
// plain labels, numbers and date-times become decimal floating-point text.
std::string FormatValue(const TVoRLabel& label, const TCanvas& canvas, const Variant& value,
                        bool generating);

}  // namespace qr2vor
