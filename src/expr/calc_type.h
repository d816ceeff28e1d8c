#pragma once

#include <cstdint>

namespace qr2vor {

// How successive values of a calculation combine.
enum TCalcType : uint8_t { ctNothing, ctCount, ctSum, ctAverage, ctLowest, ctHighest };

}  // namespace qr2vor
