// Feeds arbitrary text to the expression parser over a small in-memory data set and a variable
// callback, and evaluates what parses. Only qr2vor::Exception is an expected outcome; anything
// else escaping, a hang and any sanitizer report are findings.

#include <cstddef>
#include <cstdint>
#include <string>

#include "expr/expr_evaluator.h"
#include "platform/data/memory_dataset.h"
#include "rtl/exceptions.h"

namespace qr2vor {
namespace {

struct Data {
  Data() {
    orders.SetName("Orders");
    orders.AddFieldDef("x", ftInteger);
    orders.AddFieldDef("Name", ftString, 20);
    orders.AddFieldDef("Order Date", ftDateTime);
    orders.AddFieldDef("Notes", ftMemo);
    orders.AddCalculatedField("Calc", ftInteger);
    orders.AppendRecord({21, "Smith", Variant::FromDate(36526), "memo"});
    orders.Open();
    dataSets.Add(&orders, "Main");
  }
  TMemoryDataSet orders{nullptr};
  ExprDataSetList dataSets;
};

void Variables(const std::string& name, Variant& value, TFieldType& type, bool& handled) {
  if (name != "PageNo") return;
  value = 3;
  type = ftInteger;
  handled = true;
}

}  // namespace
}  // namespace qr2vor

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static qr2vor::Data fixture;
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    qr2vor::TExprParser parser(&fixture.dataSets, qr2vor::Variables, text);
    qr2vor::Evaluate(parser);
  } catch (const qr2vor::Exception&) {
  }
  return 0;
}
