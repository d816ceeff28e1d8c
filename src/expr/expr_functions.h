#pragma once

#include <cstddef>
#include <string_view>

#include "expr/expr_parser.h"
#include "rtl/variant.h"

namespace qr2vor {

// The arguments of one function call; each is evaluated when asked for, so IIF evaluates only
// the branch it takes. Asking for a missing argument raises EListError.
class ExprFunctionCall {
 public:
  virtual ~ExprFunctionCall() = default;
  virtual size_t ArgCount() const = 0;
  virtual Variant Arg(size_t index) const = 0;
};

// Result types beyond the logical codes: the type of the first or of the second argument.
enum ExprResultType : int { kTypeOfFirstArgument = -1, kTypeOfSecondArgument = -2 };

struct ExprFunction {
  std::string_view name;  // upper case
  int resultType;         // a TLogicalType or an ExprResultType
  Variant (*evaluate)(const ExprFunctionCall& call);
};

// The function of that name (case-insensitive), or nullptr.
const ExprFunction* FindExprFunction(std::string_view name);

}  // namespace qr2vor
