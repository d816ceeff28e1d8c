#include "export/registry.h"

#include <algorithm>

#include "export/export.h"
#include "export/page_driver.h"
#include "export/pdf_export.h"
#include "export/text_export.h"
#include "rtl/typinfo.h"

namespace qr2vor {

namespace {

inline constexpr const char* kUnknownFormat = "Unknown export format {}";
inline constexpr const char* kNoFormatForFile = "No export format for the file name {}";

std::vector<TExportFilterEntry>& Entries() {
  static std::vector<TExportFilterEntry> entries;
  return entries;
}

template <class T>
TExportFilterEntry Entry(std::string key, std::string description, std::string filter) {
  return TExportFilterEntry{T::StaticClassInfo().Name(), std::move(key), std::move(description),
                            std::move(filter),
                            [] { return std::unique_ptr<TVoRExport>(new T(nullptr)); }};
}

}  // namespace

void RegisterExportFilter(TExportFilterEntry entry) {
  auto& entries = Entries();
  const auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const auto& held) { return SameText(held.Key, entry.Key); });
  if (same != entries.end())
    *same = std::move(entry);
  else
    entries.push_back(std::move(entry));
}

void RegisterExportFilters() {
  RegisterExportFilter(Entry<TVoRExportToText>("TXT", "Text export filter", "Text file (*.txt)"));
  RegisterExportFilter(Entry<TVoRExportToCSV>("CSV", "CSV export filter", "CSV file (*.csv)"));
  RegisterExportFilter(
      Entry<TVoRExportToPDF>("PDF", "PDF export filter", "Adobe Acrobat document (*.pdf)"));
}

const std::vector<TExportFilterEntry>& ExportFilters() { return Entries(); }

const TExportFilterEntry* FindExportFilter(std::string_view key) {
  for (const auto& entry : Entries())
    if (SameText(entry.Key, key)) return &entry;
  return nullptr;
}

std::string FilterExtension(const TExportFilterEntry& entry) {
  const size_t star = entry.Filter.rfind("*.");
  if (star == std::string::npos) return {};
  const size_t end = entry.Filter.find(')', star);
  return entry.Filter.substr(star + 2, end == std::string::npos ? end : end - star - 2);
}

const TExportFilterEntry* FindExportFilterForFile(std::string_view fileName) {
  const size_t slash = fileName.find_last_of('/');
  const std::string_view base =
      slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const size_t dot = base.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return nullptr;
  const std::string_view extension = base.substr(dot + 1);
  for (const auto& entry : Entries())
    if (SameText(FilterExtension(entry), extension)) return &entry;
  return nullptr;
}

void ExportToFile(const TExportPages& pages, const std::string& fileName, std::string_view key) {
  const TExportFilterEntry* entry =
      key.empty() ? FindExportFilterForFile(fileName) : FindExportFilter(key);
  if (entry == nullptr) {
    if (key.empty()) throw EExportError(fmt::runtime(kNoFormatForFile), fileName);
    throw EExportError(fmt::runtime(kUnknownFormat), key);
  }
  const std::unique_ptr<TVoRExport> filter = entry->Create();
  ExportPages(*filter, pages, fileName);
}

}  // namespace qr2vor
