#include "app/convert/ancestors.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>

#include <fmt/format.h>

#include "app/convert/batch.h"
#include "app/convert/form_outline.h"
#include "rtl/streams.h"
#include "rtl/typinfo.h"
#include "stream/format.h"
#include "stream/resource.h"
#include "stream/text_form.h"

namespace qr2vor {

namespace {

namespace fs = std::filesystem;

// The path without extension, lower case, with "/" separators: units and forms are matched by
// it, as on the case-blind file systems the projects come from.
std::string StemKey(const fs::path& path) {
  fs::path stem = path;
  stem.replace_extension();
  std::string key = LowerCaseAscii(stem.lexically_normal().generic_string());
  std::replace(key.begin(), key.end(), '\\', '/');
  return key;
}

std::string FormKey(const fs::path& path) { return path.lexically_normal().string(); }

std::string LastPart(const std::string& qualified) {
  const size_t dot = qualified.rfind('.');
  return dot == std::string::npos ? qualified : qualified.substr(dot + 1);
}

// Pascal source without its comments and string literals' contents.
std::string StripPascalComments(const std::string& source) {
  std::string result;
  result.reserve(source.size());
  for (size_t i = 0; i < source.size();) {
    if (source[i] == '{') {
      const size_t end = source.find('}', i);
      i = end == std::string::npos ? source.size() : end + 1;
    } else if (source.compare(i, 2, "(*") == 0) {
      const size_t end = source.find("*)", i + 2);
      i = end == std::string::npos ? source.size() : end + 2;
    } else if (source.compare(i, 2, "//") == 0) {
      i = source.find('\n', i);
      if (i == std::string::npos) i = source.size();
    } else {
      result += source[i++];
    }
  }
  return result;
}

// The units a "uses" or "contains" clause names: (lower-case name, path after "in" or empty).
std::vector<std::pair<std::string, std::string>> UsedUnits(const std::string& source) {
  static const std::regex clause(R"(\b(uses|contains)\b([^;]*);)", std::regex::icase);
  static const std::regex item(R"(^\s*([\w.]+)(\s+in\s+'([^']*)')?)", std::regex::icase);
  std::vector<std::pair<std::string, std::string>> units;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), clause);
       it != std::sregex_iterator(); ++it) {
    const std::string list = (*it)[2].str();
    size_t start = 0;
    while (start <= list.size()) {
      size_t comma = list.find(',', start);
      if (comma == std::string::npos) comma = list.size();
      std::smatch match;
      const std::string entry = list.substr(start, comma - start);
      if (std::regex_search(entry, match, item)) {
        units.emplace_back(LowerCaseAscii(match[1].str()), match[3].str());
      }
      start = comma + 1;
    }
  }
  return units;
}

bool HasExtension(const fs::path& path, std::initializer_list<const char*> extensions) {
  const std::string extension = LowerCaseAscii(path.extension().string());
  return std::any_of(extensions.begin(), extensions.end(),
                     [&](const char* candidate) { return extension == candidate; });
}

// How many leading folders two paths share.
size_t SharedFolders(const fs::path& left, const fs::path& right) {
  size_t shared = 0;
  auto l = left.begin();
  auto r = right.begin();
  for (; l != left.end() && r != right.end() && SameText(l->string(), r->string()); ++l, ++r) {
    ++shared;
  }
  return shared;
}

void CollectInlineFrames(const TOutlineObject& object,
                         std::vector<std::pair<std::string, std::string>>& frames) {
  for (const TOutlineObject& child : object.children) {
    if ((child.flags & ffInline) != 0) frames.emplace_back(child.name, child.className);
    CollectInlineFrames(child, frames);
  }
}

}  // namespace

std::string LoadFormAsBinary(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) throw EFOpenError(fmt::runtime(msg::kFOpen), path);
  std::string bytes = LoadFile(path);
  return IsTextForm(bytes) ? TextToFormFile(bytes) : bytes;
}

TSourceTree::TSourceTree(const fs::path& folder) {
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (error) break;
    if (!it->is_regular_file()) continue;
    const fs::path& path = it->path();
    if (HasExtension(path, {".dfm"})) {
      try {
        TMemoryStream stream(LoadFormAsBinary(path.string()));
        ReadResHeader(stream);
        const TOutlineObject outline = ReadFormOutline(stream);
        FormInfo& info = forms_[FormKey(path)];
        info.rootClass = outline.className;
        info.inherited = (outline.flags & ffInherited) != 0;
        CollectInlineFrames(outline, info.inlineFrames);
      } catch (const std::exception&) {
        // A form that cannot be read is no candidate ancestor; converting it reports why.
      }
    } else if (HasExtension(path, {".pas"})) {
      static const std::regex declaration(R"(\b(\w+)\s*=\s*class\s*\(\s*([\w.]+))",
                                          std::regex::icase);
      const std::string source = StripPascalComments(LoadFile(path.string()));
      UnitInfo& unit = units_[StemKey(path)];
      for (auto m = std::sregex_iterator(source.begin(), source.end(), declaration);
           m != std::sregex_iterator(); ++m) {
        unit.parents.emplace(LowerCaseAscii((*m)[1].str()), LastPart((*m)[2].str()));
      }
      for (const auto& used : UsedUnits(source)) unit.uses.push_back(LastPart(used.first));
    } else if (HasExtension(path, {".h"})) {
      static const std::regex declaration(
          R"(\bclass\s+(?:PACKAGE\s+)?(\w+)\s*:\s*public\s+(?:\w+::)*(\w+))");
      static const std::regex include(R"(#\s*include\s*[<"]([^>"]+)[>"])");
      const std::string source = LoadFile(path.string());
      UnitInfo& unit = units_[StemKey(path)];
      for (auto m = std::sregex_iterator(source.begin(), source.end(), declaration);
           m != std::sregex_iterator(); ++m) {
        unit.parents.emplace(LowerCaseAscii((*m)[1].str()), (*m)[2].str());
      }
      for (auto m = std::sregex_iterator(source.begin(), source.end(), include);
           m != std::sregex_iterator(); ++m) {
        unit.uses.push_back(LowerCaseAscii(fs::path((*m)[1].str()).stem().string()));
      }
    } else if (HasExtension(path, {".dpr", ".dpk"})) {
      const std::string source = StripPascalComments(LoadFile(path.string()));
      for (const auto& [name, unitPath] : UsedUnits(source)) {
        if (unitPath.empty()) {
          projectNames_.push_back(LastPart(name));
        } else {
          std::string relative = unitPath;
          std::replace(relative.begin(), relative.end(), '\\', '/');
          projectPaths_.push_back(StemKey(path.parent_path() / relative));
        }
      }
    }
  }
}

const TSourceTree::UnitInfo* TSourceTree::UnitOf(const std::string& form) const {
  const auto found = units_.find(StemKey(form));
  return found == units_.end() ? nullptr : &found->second;
}

bool TSourceTree::ListedByProject(const std::string& form) const {
  const std::string key = StemKey(form);
  const std::string name = LowerCaseAscii(fs::path(form).stem().string());
  return std::find(projectPaths_.begin(), projectPaths_.end(), key) != projectPaths_.end() ||
         std::find(projectNames_.begin(), projectNames_.end(), name) != projectNames_.end();
}

std::string TSourceTree::PickForm(const std::string& className, const std::string& descendant,
                                  TAncestorChain& chain) const {
  std::vector<std::string> candidates;
  for (const auto& [path, info] : forms_) {
    if (path != descendant && LowerCaseAscii(info.rootClass) == LowerCaseAscii(className))
      candidates.push_back(path);
  }
  if (candidates.empty()) {
    chain.notes.push_back(
        fmt::format("no ancestor found: no form in the source tree has root class {}", className));
    chain.complete = false;
    return {};
  }
  if (candidates.size() == 1) return candidates.front();

  std::vector<std::string> rules;
  const auto narrow = [&](const char* rule, const auto& keep) {
    std::vector<std::string> kept;
    std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(kept), keep);
    if (!kept.empty() && kept.size() < candidates.size()) {
      candidates = std::move(kept);
      rules.push_back(rule);
    }
  };
  const size_t count = candidates.size();
  narrow("project file", [&](const std::string& path) { return ListedByProject(path); });
  if (const UnitInfo* unit = UnitOf(descendant); unit != nullptr && candidates.size() > 1) {
    narrow("uses", [&](const std::string& path) {
      const std::string name = LowerCaseAscii(fs::path(path).stem().string());
      return std::find(unit->uses.begin(), unit->uses.end(), name) != unit->uses.end();
    });
  }
  if (candidates.size() > 1) {
    const fs::path folder = fs::path(descendant).parent_path();
    // Most folders shared with the descendant, then the shallowest, then path order.
    const auto nearer = [&](const std::string& left, const std::string& right) {
      const size_t sharedLeft = SharedFolders(fs::path(left).parent_path(), folder);
      const size_t sharedRight = SharedFolders(fs::path(right).parent_path(), folder);
      if (sharedLeft != sharedRight) return sharedLeft > sharedRight;
      const auto depth = [](const std::string& path) {
        const fs::path parts(path);
        return std::distance(parts.begin(), parts.end());
      };
      if (depth(left) != depth(right)) return depth(left) < depth(right);
      return left < right;
    };
    std::sort(candidates.begin(), candidates.end(), nearer);
    rules.push_back("nearest folder");
  }
  chain.notes.push_back(fmt::format("{}: {} candidate forms, picked {} by {}", className, count,
                                    candidates.front(), fmt::join(rules, " + ")));
  return candidates.front();
}

TAncestorChain TSourceTree::FindAncestors(const fs::path& form) const {
  TAncestorChain chain;
  std::string current = FormKey(form);
  auto info = forms_.find(current);
  if (info == forms_.end()) {
    // A form outside the tree (or unreadable) is looked at on its own.
    TSourceTree self(form.parent_path());
    info = self.forms_.find(current);
    if (info == self.forms_.end() || !info->second.inherited) return chain;
    chain.complete = false;
    chain.notes.push_back("no ancestor found: the form is not under the source tree searched");
    return chain;
  }
  std::set<std::string> seen{current};
  while (info->second.inherited) {
    const UnitInfo* unit = UnitOf(current);
    const std::string rootClass = info->second.rootClass;
    const auto parent = unit == nullptr ? std::map<std::string, std::string>::const_iterator()
                                        : unit->parents.find(LowerCaseAscii(rootClass));
    if (unit == nullptr || parent == unit->parents.end()) {
      chain.complete = false;
      chain.notes.push_back(fmt::format(
          "no ancestor found: no unit next to {} declares the class {}", current, rootClass));
      return chain;
    }
    const std::string ancestor = PickForm(parent->second, current, chain);
    if (ancestor.empty()) return chain;
    if (!seen.insert(ancestor).second) {
      chain.complete = false;
      chain.notes.push_back(fmt::format("no ancestor found: {} is its own ancestor", ancestor));
      return chain;
    }
    chain.forms.insert(chain.forms.begin(), ancestor);
    current = ancestor;
    info = forms_.find(current);
  }
  if (const UnitInfo* unit = UnitOf(current)) {
    const auto parent = unit->parents.find(LowerCaseAscii(info->second.rootClass));
    if (parent != unit->parents.end()) chain.notes.push_back("base " + parent->second);
  }
  return chain;
}

std::vector<TFrameChain> TSourceTree::FindFrames(const fs::path& form) const {
  std::vector<TFrameChain> frames;
  const std::string key = FormKey(form);
  const auto info = forms_.find(key);
  if (info == forms_.end()) return frames;
  for (const auto& [component, frameClass] : info->second.inlineFrames) {
    TFrameChain& frame = frames.emplace_back();
    frame.component = component;
    frame.frameClass = frameClass;
    const std::string own = PickForm(frameClass, key, frame.chain);
    if (own.empty()) continue;
    TAncestorChain above = FindAncestors(own);
    above.forms.push_back(own);
    above.notes.insert(above.notes.begin(), frame.chain.notes.begin(), frame.chain.notes.end());
    frame.chain = std::move(above);
  }
  return frames;
}

fs::path SourceTreeOf(const fs::path& form) {
  fs::path tree = fs::absolute(form).parent_path();
  std::error_code error;
  for (fs::path folder = tree; !folder.empty(); folder = folder.parent_path()) {
    for (auto it = fs::directory_iterator(folder, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
      if (it->is_regular_file() && HasExtension(it->path(), {".dpr", ".dpk"})) {
        tree = folder;
        break;
      }
    }
    if (folder == folder.parent_path()) break;
  }
  return tree;
}

}  // namespace qr2vor
