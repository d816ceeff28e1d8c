#pragma once

// The export filter registry: per filter its class, format key, description and file-dialog
// filter text, kept in registration order (the order a user interface offers them in).

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qr2vor {

class TVoRExport;
class TExportPages;

struct TExportFilterEntry {
  std::string ClassName;
  std::string Key;
  std::string Description;
  // "Text file (*.txt)": the name and the pattern of the files.
  std::string Filter;
  std::function<std::unique_ptr<TVoRExport>()> Create;
};

// Appends an entry; an entry with the same key (compared without regard to case) is replaced in
// its place.
void RegisterExportFilter(TExportFilterEntry entry);
// Registers the filters of this library in their order; calling it again changes nothing.
void RegisterExportFilters();
const std::vector<TExportFilterEntry>& ExportFilters();

// The entry of a key ("txt", "PDF"), or nullptr.
const TExportFilterEntry* FindExportFilter(std::string_view key);
// The entry whose filter pattern names the file's extension ("out.TXT" finds the text filter),
// or nullptr.
const TExportFilterEntry* FindExportFilterForFile(std::string_view fileName);
// The extension of an entry's pattern, without the dot: "txt" for "Text file (*.txt)".
std::string FilterExtension(const TExportFilterEntry& entry);

// Exports the pages into `fileName` with the filter of `key`, or by the file's extension when
// `key` is empty. Raises EExportError ("Unknown export format ...") when neither names a filter.
void ExportToFile(const TExportPages& pages, const std::string& fileName,
                  std::string_view key = {});

}  // namespace qr2vor
