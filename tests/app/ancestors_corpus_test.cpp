// Real inherited forms and inline frames with the ancestor chains listed beside the corpus:
// every chain converts when given by hand, and is found again on a source tree rebuilt from the
// files' original paths with minimal units written from their class declarations.

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/convert/ancestors.h"
#include "app/convert/batch.h"
#include "convert_fixture.h"

namespace qr2vor {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator)) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

// The rows of a tab-separated file, its heading left out.
std::vector<std::vector<std::string>> ReadTable(const fs::path& path) {
  std::vector<std::vector<std::string>> rows;
  std::stringstream lines(LoadFile(path.string()));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    if (!line.empty()) rows.push_back(Split(line, '\t'));
  }
  return rows;
}

class AncestorCorpusTest : public ConvertFixture {
 protected:
  void SetUp() override {
    ConvertFixture::SetUp();
    corpus_ = QR2VOR_CORPUS_DIR "/qr";
    if (!fs::exists(corpus_ / "ANCESTORS.tsv")) GTEST_SKIP() << "no corpus at " << corpus_;
  }

  // A corpus file by its local name: a descendant (binary or text) or an ancestor form.
  fs::path Local(const std::string& name) const {
    for (const char* folder : {"binary", "text", "ancestors"}) {
      if (fs::exists(corpus_ / folder / name)) return corpus_ / folder / name;
    }
    return {};
  }

  // Writes every descendant, ancestor form and unit under tree/REPOSITORY/PATH; answers where
  // each local name went.
  std::map<std::string, fs::path> RebuildTree() const {
    std::map<std::string, fs::path> placed;
    const fs::path tree = folder_ / "tree";
    for (const char* table : {"MANIFEST.tsv", "ANCESTOR_FILES.tsv"}) {
      for (const auto& row : ReadTable(corpus_ / table)) {
        const fs::path source = Local(row[0]);
        if (source.empty()) continue;
        const fs::path target = tree / row[1] / row[2];
        fs::create_directories(target.parent_path());
        fs::copy_file(source, target, fs::copy_options::overwrite_existing);
        placed[row[0]] = target;
      }
    }
    for (const auto& row : ReadTable(corpus_ / "CLASSES.tsv")) {
      const fs::path target = tree / row[1] / row[2];
      const bool header = target.extension() == ".h";
      std::string unit = header ? "" : "unit " + target.stem().string() + ";\ninterface\ntype\n";
      for (const std::string& declaration : Split(row.size() > 4 ? row[4] : "", ' ')) {
        const size_t equals = declaration.find('=');
        const std::string child = declaration.substr(0, equals);
        const std::string parent = declaration.substr(equals + 1);
        unit += header ? fmt::format("class {} : public {}\n{{\n}};\n", child, parent)
                       : fmt::format("  {} = class({})\n  end;\n", child, parent);
      }
      fs::create_directories(target.parent_path());
      SaveFileAtomically(target.string(), unit);
      placed[row[0]] = target;
    }
    return placed;
  }

  // The repository folder of a placed file: tree/REPOSITORY_OWNER/REPOSITORY_NAME.
  fs::path RepositoryOf(const fs::path& placed) const {
    const fs::path relative = placed.lexically_relative(folder_ / "tree");
    auto part = relative.begin();
    const fs::path owner = *part++;
    return folder_ / "tree" / owner / *part;
  }

  fs::path corpus_;
};

// Local names innermost first, as the tables list them, to paths outermost first.
std::vector<std::string> Outermost(const std::vector<std::string>& chain,
                                   const std::map<std::string, fs::path>& placed) {
  std::vector<std::string> paths;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const auto found = placed.find(*it);
    paths.push_back(found == placed.end() ? *it : found->second.lexically_normal().string());
  }
  return paths;
}

TEST_F(AncestorCorpusTest, InheritedFormsConvertWithTheirChains) {
  size_t converted = 0;
  size_t failed = 0;
  size_t complete = 0;
  const auto rows = ReadTable(corpus_ / "ANCESTORS.tsv");
  for (const auto& row : rows) {
    const std::vector<std::string> chain = Split(row[1], ' ');
    std::vector<std::string> ancestors;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
      ancestors.push_back(Local(*it).string());
    const std::string form = Path("form.dfm");
    SaveFileAtomically(form, LoadFormAsBinary(Local(row[0]).string()));
    TConversionDriver driver(ui_);
    driver.SetAncestors(ancestors);
    TFormLedger ledger;
    const TConvertOutcome outcome = ConvertForm(driver, ui_, form, Path("report.vor"), &ledger);
    if (outcome == TConvertOutcome::Converted) ++converted;
    if (outcome == TConvertOutcome::Failed) ++failed;
    if (ledger.withoutAncestor.empty()) ++complete;
    if (outcome != TConvertOutcome::Converted || !ledger.withoutAncestor.empty()) {
      std::cout << row[0] << ": " << OutcomeName(outcome) << " " << ledger.message
                << "; inherited objects not found up the chain: " << ledger.withoutAncestor.size()
                << " (" << (row.size() > 4 ? row[4] : "") << ")\n";
    }
  }
  std::cout << fmt::format(
      "inherited forms: {}, converted with their chains: {}, failed: {}, every inherited object "
      "found: {}\n",
      rows.size(), converted, failed, complete);
  // Forms whose report is not found (a root class of their own, a report in a container) end
  // without one, as alone; none fails and no inherited object is missing.
  EXPECT_EQ(failed, 0u);
  EXPECT_EQ(complete, rows.size());
}

TEST_F(AncestorCorpusTest, ChainsAreFoundOnTheRebuiltTree) {
  const std::map<std::string, fs::path> placed = RebuildTree();
  std::map<fs::path, TSourceTree> trees;
  const auto treeOf = [&](const fs::path& form) -> const TSourceTree& {
    const fs::path repository = RepositoryOf(form);
    return trees.try_emplace(repository, repository).first->second;
  };
  size_t same = 0;
  const auto rows = ReadTable(corpus_ / "ANCESTORS.tsv");
  for (const auto& row : rows) {
    const fs::path form = placed.at(row[0]);
    const TAncestorChain found = treeOf(form).FindAncestors(form);
    const std::vector<std::string> expected = Outermost(Split(row[1], ' '), placed);
    if (found.forms == expected) {
      ++same;
    } else {
      std::cout << row[0] << ": found " << fmt::format("{}", fmt::join(found.forms, " > ")) << " ["
                << fmt::format("{}", fmt::join(found.notes, "; ")) << "], listed "
                << fmt::format("{}", fmt::join(expected, " > ")) << " [" << row[4] << "]\n";
    }
  }
  size_t framesSame = 0;
  const auto frameRows = ReadTable(corpus_ / "FRAMES.tsv");
  for (const auto& row : frameRows) {
    const fs::path form = placed.at(row[0]);
    const std::vector<std::string> expected = Outermost(Split(row[4], ' '), placed);
    std::vector<std::string> foundForms;
    std::string notes;
    for (const TFrameChain& frame : treeOf(form).FindFrames(form)) {
      if (frame.component != row[2]) continue;
      foundForms = frame.chain.forms;
      notes = fmt::format("{}", fmt::join(frame.chain.notes, "; "));
    }
    if (foundForms == expected) {
      ++framesSame;
    } else {
      std::cout << row[0] << " " << row[2] << ": found "
                << fmt::format("{}", fmt::join(foundForms, " > ")) << " [" << notes << "], listed "
                << fmt::format("{}", fmt::join(expected, " > ")) << " [" << row[7] << "]\n";
    }
  }
  std::cout << fmt::format(
      "chains found as listed: {} of {} inherited forms, {} of {} inline frames\n", same,
      rows.size(), framesSame, frameRows.size());
  EXPECT_GT(same, 0u);
}

}  // namespace
}  // namespace qr2vor
