#pragma once

// The on-disk layout of component streams and resource headers: constants only, no logic.

#include <cstdint>

namespace qr2vor {

// Value tags. 0..14 are written by the writer; 15..21 come from form files of later toolkit
// versions and are only read.
enum TValueType : uint8_t {
  vaNull = 0,  // also the end of a list
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
  vaDouble = 21,
};
inline constexpr uint8_t kLastValueType = vaDouble;

// Object flags carried in the low nibble of a prefix byte 0xF0..0xFF.
enum TFilerFlag : uint8_t {
  ffInherited = 1,
  ffChildPos = 2,
  ffInline = 4,
};
inline constexpr uint8_t kPrefixMask = 0xF0;

inline constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

// Resource header of a form file: 0xFF, type 10 (raw data), the name, flags 0x1030, the size.
inline constexpr uint8_t kResourceNameByNumber = 0xFF;
inline constexpr uint16_t kResourceTypeRawData = 10;
inline constexpr uint16_t kResourceMemoryFlags = 0x1030;
inline constexpr int kResourceNameMax = 63;
inline constexpr int kResourceHeaderFixed = 10;  // header length = name length + 10

inline constexpr int kFilerBufferSize = 4096;
// How deep objects, lists and collections may nest in one stream.
inline constexpr int kMaxNestingDepth = 256;

}  // namespace qr2vor
