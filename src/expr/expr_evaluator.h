#pragma once

#include <cstdint>
#include <string>

#include "expr/calc_type.h"
#include "expr/expr_data.h"
#include "expr/expr_parser.h"
#include "rtl/variant.h"

namespace qr2vor {

// The value of the parsed expression against the current records; Null for an empty text.
// Evaluation failures (conversions, division by zero, missing arguments) propagate.
Variant Evaluate(const TExprParser& parser);

// Whether the text parses to a single field of the report's data sets.
bool IsPlainField(const ExprDataManager* dataManager, const std::string& text,
                  const ExprVariableCallback& callback);

// A value as expression controls print it: "" for Null and Empty, numbers and date-times as
// floating-point text of up to 15 significant digits, Booleans as True/False.
std::string ExprValueText(const Variant& value);

// Parses and evaluates the text and combines the result with the running value by the
// calculation type; returns the text as a string variant. With ctNothing it is the value's
// text; otherwise the running value r and the value x are read as numbers from their text (0
// when empty or not a number) and the result is r + 1 (ctCount), r + x (ctSum), or — x when
// there is no previous value (Null or Empty) — (r + x) / 2 (ctAverage), the smaller (ctLowest,
// x on a tie) or the larger (ctHighest, r on a tie), as floating-point text.
Variant EvaluateAndAccumulate(const ExprDataManager* dataManager, const std::string& text,
                              const ExprVariableCallback& callback, const Variant& runningValue,
                              const Variant& previousValue, TCalcType calcType);

// The accumulation of EvaluateAndAccumulate for a value already evaluated.
Variant AccumulateValue(const Variant& value, const Variant& runningValue,
                        const Variant& previousValue, TCalcType calcType);

}  // namespace qr2vor
