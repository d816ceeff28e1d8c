// Every real form of the corpus reads into the model: binary forms directly, text forms through
// the text form syntax. Prints the counts and whatever reached the error hook; nothing may reach
// it but classes not registered and inherited objects whose ancestor is absent (and reading
// ends only at an active data set that cannot be opened). What later versions publish is kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "form_fixture.h"
#include "stream/later_properties.h"

namespace qr2vor {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(QR2VOR_CORPUS_DIR) / "qr";

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> FormsIn(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().extension() == ".dfm") files.push_back(entry);
  }
  std::sort(files.begin(), files.end());
  return files;
}

// What reached the error hook over a set of forms: property names (of the root, which takes the
// properties of whatever class the form's root had, and of the components read), classes not
// found, anything else.
struct Tally {
  int forms = 0;
  int reports = 0;  // forms holding at least one TQuickRep
  // Forms whose reading ended when an active data set could not be opened, as the converter's.
  int dataSetsNotOpened = 0;
  std::map<std::string, int> rootProperties;
  std::map<std::string, int> properties;
  std::map<std::string, int> classes;
  std::map<std::string, int> ancestors;
  std::map<std::string, int> other;
  int messages = 0;
  // Values of later versions kept by the root and the components.
  int kept = 0;

  void Add(const test::ReadResult& r) {
    static const std::regex property(R"(^Error reading ([^.]*)\.(.*): Property does not exist$)");
    static const std::regex missingClass(R"(^Class (.*) not found$)");
    static const std::regex missingAncestor(R"(^Ancestor for '(.*)' not found$)");
    ++forms;
    messages += static_cast<int>(r.log.messages.size());
    kept += static_cast<int>(AllLaterProperties(*r.form).size());
    for (int i = 0; i < r.form->ComponentCount(); ++i) {
      kept += static_cast<int>(AllLaterProperties(*r.form->Components(i)).size());
    }
    for (int i = 0; i < r.form->ComponentCount(); ++i) {
      if (dynamic_cast<TQuickRep*>(r.form->Components(i)) != nullptr) {
        ++reports;
        break;
      }
    }
    for (const std::string& message : r.log.messages) {
      std::smatch match;
      if (std::regex_match(message, match, property)) {
        ++(match[1] == r.form->Name() ? rootProperties : properties)[match[2]];
      } else if (std::regex_match(message, match, missingClass)) {
        ++classes[match[1]];
      } else if (std::regex_match(message, match, missingAncestor)) {
        ++ancestors[match[1]];
      } else {
        ++other[message];
      }
    }
  }

  static std::string Table(const std::map<std::string, int>& counts, size_t limit) {
    std::vector<std::pair<std::string, int>> rows(counts.begin(), counts.end());
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::ostringstream out;
    for (size_t i = 0; i < rows.size() && i < limit; ++i) {
      out << "  " << rows[i].second << "\t" << rows[i].first << "\n";
    }
    return out.str();
  }

  void Print(const std::string& title) const {
    std::cout << title << ": " << forms << " forms read, " << reports << " with a TQuickRep, "
              << dataSetsNotOpened << " stopped at an active data set that cannot be opened, "
              << messages << " errors handled, " << kept << " values of later versions kept\n"
              << "Properties of components that reached the error hook (" << properties.size()
              << " names):\n"
              << Table(properties, 1000) << "Properties of the root that reached the error hook ("
              << rootProperties.size() << " names):\n"
              << Table(rootProperties, 1000) << "Classes not found (" << classes.size() << "):\n"
              << Table(classes, 1000) << "Ancestors not found (" << ancestors.size() << "):\n"
              << Table(ancestors, 1000) << "Other errors handled (" << other.size() << "):\n"
              << Table(other, 50);
  }

  void ExpectOnlyMissingClassesAndAncestors() const {
    EXPECT_TRUE(properties.empty()) << Table(properties, 20);
    EXPECT_TRUE(rootProperties.empty()) << Table(rootProperties, 20);
    EXPECT_TRUE(other.empty()) << Table(other, 20);
    EXPECT_GT(kept, 0);
  }
};

TEST(Corpus, EveryBinaryFormReads) {
  if (!fs::is_directory(kCorpus / "binary")) GTEST_SKIP() << "no corpus at " << kCorpus;
  Tally tally;
  for (const fs::path& file : FormsIn(kCorpus / "binary")) {
    try {
      tally.Add(test::ReadFile(Slurp(file)));
    } catch (const EDatabaseError& e) {
      ++tally.dataSetsNotOpened;
      std::cout << file.filename() << ": " << e.Message() << "\n";
    } catch (const Exception& e) {
      ADD_FAILURE() << file.filename() << ": " << e.Message();
    }
  }
  tally.Print("Binary forms");
  tally.ExpectOnlyMissingClassesAndAncestors();
  EXPECT_EQ(tally.forms + tally.dataSetsNotOpened, 115);
}

TEST(Corpus, EveryTextFormConvertsAndReads) {
  if (!fs::is_directory(kCorpus / "text")) GTEST_SKIP() << "no corpus at " << kCorpus;
  Tally tally;
  int refused = 0;
  for (const fs::path& file : FormsIn(kCorpus / "text")) {
    std::string binary;
    try {
      binary = TextToFormFile(Slurp(file));
    } catch (const EParserError& e) {
      ++refused;
      std::cout << "not converted: " << file.filename() << ": " << e.Message() << "\n";
      continue;
    }
    try {
      tally.Add(test::ReadFile(binary));
    } catch (const EDatabaseError& e) {
      ++tally.dataSetsNotOpened;
      std::cout << file.filename() << ": " << e.Message() << "\n";
    } catch (const Exception& e) {
      ADD_FAILURE() << file.filename() << ": " << e.Message();
    }
  }
  tally.Print("Text forms");
  tally.ExpectOnlyMissingClassesAndAncestors();
  std::cout << refused << " text forms not converted\n";
  EXPECT_EQ(tally.forms + tally.dataSetsNotOpened + refused, 106);
}

}  // namespace
}  // namespace qr2vor
