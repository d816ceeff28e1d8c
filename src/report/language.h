#pragma once

// The language object through which every user-visible text of the report library is chosen,
// and the string table behind it.

#include <cstdint>
#include <string>
#include <string_view>

#include "rtl/persistent.h"

namespace qr2vor {

enum TVoRLangID : uint8_t {
  lnEnglish,
  lnRussian,
  lnUkrainian,
  lnGerman,
  lnFrench,
  lnSpanish,
  lnSwedish,
  lnCzech
};
const TEnumInfo& LangIDInfo();

// Text numbers: the resource identifier of text n in language l is 10000 + n + 2000 * l.
namespace text {
inline constexpr int kNewVoRControl = 1013;
inline constexpr int kText = 1014;
inline constexpr int kExpression = 1015;
inline constexpr int kImage = 1016;
inline constexpr int kLine = 1017;
inline constexpr int kRectangle = 1018;
inline constexpr int kEllipse = 1019;
inline constexpr int kRichText = 1021;
inline constexpr int kSysDataNames = 1030;  // + the system-data kind
inline constexpr int kBand = 1049;
inline constexpr int kBandTypeNames = 1050;  // + the band type
// The three texts of a report file's header.
inline constexpr int kFileHeader1 = 1080;
inline constexpr int kFileHeader2 = 1081;
inline constexpr int kFileHeader3 = 1082;
inline constexpr int kOk = 1103;
inline constexpr int kCancel = 1104;
inline constexpr int kReportParameters = 1790;
inline constexpr int kPreparingPage = 2051;
inline constexpr int kPreparing = 2054;
inline constexpr int kFirstPass = 2066;
inline constexpr int kSecondPass = 2067;
inline constexpr int kPropertyNotSpecified = 2076;
inline constexpr int kDatasetNotActive = 2077;
}  // namespace text

// The string table entry of a resource identifier; empty when there is none.
std::string_view ResourceString(int identifier);

// The language of a system primary language identifier (the low ten bits of a Windows language
// identifier): Russian, Ukrainian, German, French, Swedish and Czech are known, anything else is
// English; Spanish is never detected.
TVoRLangID LanguageOfPrimaryId(int primaryLanguageId);
// The primary language identifier of a locale name such as "de_DE.UTF-8" (its ISO 639 code),
// 0 when the code is not one the report library distinguishes.
int PrimaryIdOfLocale(std::string_view localeName);
// The system's primary language identifier, from LC_ALL, LC_MESSAGES or LANG (the first set).
int SystemPrimaryLanguageId();

class TVoRLanguage : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool AutoDetect() const { return autoDetect_; }
  void SetAutoDetect(bool autoDetect) { autoDetect_ = autoDetect; }
  TVoRLangID LanguageID() const { return languageId_; }
  void SetLanguageID(TVoRLangID languageId) { languageId_ = languageId; }

  // LanguageID, or with AutoDetect the language of the system.
  TVoRLangID Language() const;
  // Text n in the language in use, the English one when that is empty; empty when neither exists.
  std::string Text(int n) const;

  void Assign(const TPersistent& source) override;

 private:
  bool autoDetect_ = false;
  TVoRLangID languageId_ = lnEnglish;
};

// Text n in English, for objects that belong to no report.
std::string EnglishText(int n);

}  // namespace qr2vor
