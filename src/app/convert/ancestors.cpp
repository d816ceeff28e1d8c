#include "app/convert/ancestors.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "app/convert/batch.h"
#include "app/convert/form_outline.h"
#include "app/convert/unit_scanner.h"
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

std::optional<TSourceTree::FormInfo> TSourceTree::ReadFormInfo(const fs::path& path) {
  try {
    TMemoryStream stream(LoadFormAsBinary(path.string()));
    ReadResHeader(stream);
    const TOutlineObject outline = ReadFormOutline(stream);
    FormInfo info;
    info.rootClass = outline.className;
    info.inherited = (outline.flags & ffInherited) != 0;
    CollectInlineFrames(outline, info.inlineFrames);
    return info;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

TSourceTree::TSourceTree(const fs::path& folder) {
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (error) break;
    if (!it->is_regular_file()) continue;
    const fs::path& path = it->path();
    if (HasExtension(path, {".dfm"})) {
      // A form that cannot be read is no candidate ancestor; converting it reports why.
      if (auto info = ReadFormInfo(path)) forms_[FormKey(path)] = std::move(*info);
    } else if (HasExtension(path, {".pas", ".h"})) {
      const std::string source = LoadFile(path.string());
      const TUnitDeclarations declarations =
          HasExtension(path, {".pas"}) ? ScanPascalUnit(source) : ScanCppHeader(source);
      UnitInfo& unit = units_[StemKey(path)];
      for (const auto& [name, parent] : declarations.classes) {
        unit.parents.emplace(LowerCaseAscii(name), parent);
      }
      const bool pascal = HasExtension(path, {".pas"});
      for (const auto& used : declarations.uses) {
        unit.uses.insert(LowerCaseAscii(pascal ? LastPart(used.first) : used.first));
      }
    } else if (HasExtension(path, {".dpr", ".dpk"})) {
      for (const auto& [name, unitPath] : ScanPascalUnit(LoadFile(path.string())).uses) {
        if (unitPath.empty()) {
          projectNames_.insert(LowerCaseAscii(LastPart(name)));
        } else {
          std::string relative = unitPath;
          std::replace(relative.begin(), relative.end(), '\\', '/');
          projectPaths_.insert(StemKey(path.parent_path() / relative));
        }
      }
    }
  }
  for (const auto& [path, info] : forms_) {
    formsByClass_[LowerCaseAscii(info.rootClass)].push_back(path);
  }
}

const TSourceTree::UnitInfo* TSourceTree::UnitOf(const std::string& form) const {
  const auto found = units_.find(StemKey(form));
  return found == units_.end() ? nullptr : &found->second;
}

bool TSourceTree::ListedByProject(const std::string& form) const {
  const std::string key = StemKey(form);
  const std::string name = LowerCaseAscii(fs::path(form).stem().string());
  return projectPaths_.contains(key) || projectNames_.contains(name);
}

std::string TSourceTree::PickForm(const std::string& className, const std::string& descendant,
                                  TAncestorChain& chain) const {
  std::vector<std::string> candidates;
  if (const auto found = formsByClass_.find(LowerCaseAscii(className));
      found != formsByClass_.end()) {
    std::copy_if(found->second.begin(), found->second.end(), std::back_inserter(candidates),
                 [&](const std::string& path) { return path != descendant; });
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
      return unit->uses.contains(name);
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
    const std::optional<FormInfo> own = ReadFormInfo(form);
    if (!own || !own->inherited) return chain;
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
