#include "report/language.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

struct StringEntry {
  int identifier;
  std::string_view text;
};

// The English texts (identifiers 11000 to 12999), sorted by identifier. The header texts are the
// report library's own choice; the other languages have no entries yet and fall back to these.
constexpr StringEntry kStrings[] = {
    {11013, "NewVoRControl"},
    {11014, "Text"},
    {11015, "Expression"},
    {11016, "Image"},
    {11017, "Line"},
    {11018, "Rectangle"},
    {11019, "Ellipse"},
    {11021, "RichText"},
    {11030, "Date"},
    {11031, "Time"},
    {11032, "DateTime"},
    {11033, "Author"},
    {11034, "ReportTitle"},
    {11035, "Subject"},
    {11036, "Keywords"},
    {11037, "PageNo"},
    {11038, "PageCount"},
    {11039, "BarNo"},
    {11040, "BarCount"},
    {11041, "ColumnNo"},
    {11042, "ColumnCount"},
    {11043, "DetailNo"},
    {11044, "BandLineNo"},
    {11049, "Band"},
    {11050, "None"},
    {11051, "ReportTitle"},
    {11052, "PageHeader"},
    {11053, "ColumnHeader"},
    {11054, "GroupHeader"},
    {11055, "Detail"},
    {11056, "GroupFooter"},
    {11057, "ColumnFooter"},
    {11058, "PageFooter"},
    {11059, "ReportSummary"},
    {11060, "SubDetail"},
    {11080, "VoReport report file"},
    {11081, "written by"},
    {11082, "qr2vor"},
    {11103, "&OK"},
    {11104, "&Cancel"},
    {11790, "Report parameters"},
    {12051, "Preparing %d page on the %dst bar..."},
    {12054, "Preparing..."},
    {12066, "First pass: "},
    {12067, "Second pass: "},
    {12076, "Property %s wasn't specified."},
    {12077, "Dataset is not active."},
};

constexpr int kResourceBase = 10000;
constexpr int kLanguageStride = 2000;

// Windows primary language identifiers of the languages the library knows.
constexpr int kLangCzech = 0x05;
constexpr int kLangGerman = 0x07;
constexpr int kLangEnglish = 0x09;
constexpr int kLangSpanish = 0x0A;
constexpr int kLangFrench = 0x0C;
constexpr int kLangRussian = 0x19;
constexpr int kLangSwedish = 0x1D;
constexpr int kLangUkrainian = 0x22;

}  // namespace

const TEnumInfo& LangIDInfo() {
  static const TEnumInfo info("TVoRLangID", {"lnEnglish", "lnRussian", "lnUkrainian", "lnGerman",
                                             "lnFrench", "lnSpanish", "lnSwedish", "lnCzech"});
  return info;
}

std::string_view ResourceString(int identifier) {
  const auto it =
      std::lower_bound(std::begin(kStrings), std::end(kStrings), identifier,
                       [](const StringEntry& entry, int id) { return entry.identifier < id; });
  if (it == std::end(kStrings) || it->identifier != identifier) return {};
  return it->text;
}

TVoRLangID LanguageOfPrimaryId(int primaryLanguageId) {
  switch (primaryLanguageId) {
    case kLangRussian:
      return lnRussian;
    case kLangUkrainian:
      return lnUkrainian;
    case kLangGerman:
      return lnGerman;
    case kLangFrench:
      return lnFrench;
    case kLangSwedish:
      return lnSwedish;
    case kLangCzech:
      return lnCzech;
    default:
      return lnEnglish;
  }
}

int PrimaryIdOfLocale(std::string_view localeName) {
  static constexpr struct {
    std::string_view code;
    int id;
  } kCodes[] = {{"cs", kLangCzech},   {"de", kLangGerman},   {"en", kLangEnglish},
                {"es", kLangSpanish}, {"fr", kLangFrench},   {"ru", kLangRussian},
                {"sv", kLangSwedish}, {"uk", kLangUkrainian}};
  const std::string_view code = localeName.substr(0, localeName.find_first_of("_.@"));
  for (const auto& entry : kCodes) {
    if (code == entry.code) return entry.id;
  }
  return 0;
}

int SystemPrimaryLanguageId() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return PrimaryIdOfLocale(value);
  }
  return 0;
}

const TClassInfo& TVoRLanguage::StaticClassInfo() {
  using T = TVoRLanguage;
  static const TClassInfo info =
      TClassInfo::Derive<T, TPersistent>("TVoRLanguage")
          .Boolean("AutoDetect", &T::AutoDetect, &T::SetAutoDetect, false)
          .Enum("LanguageID", LangIDInfo(), &T::LanguageID, &T::SetLanguageID, lnEnglish);
  return info;
}

TVoRLangID TVoRLanguage::Language() const {
  return autoDetect_ ? LanguageOfPrimaryId(SystemPrimaryLanguageId()) : languageId_;
}

std::string TVoRLanguage::Text(int n) const {
  const int language = Language();
  std::string_view found = ResourceString(kResourceBase + n + kLanguageStride * language);
  if (found.empty() && language != lnEnglish) found = ResourceString(kResourceBase + n);
  return std::string(found);
}

void TVoRLanguage::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoRLanguage*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  autoDetect_ = other->autoDetect_;
  languageId_ = other->languageId_;
}

std::string EnglishText(int n) { return std::string(ResourceString(kResourceBase + n)); }

}  // namespace qr2vor
