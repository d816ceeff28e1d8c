#pragma once

// Inherited forms: their ancestor forms, given by the user or found in the source tree through
// the class declarations of the forms' units.

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qr2vor {

// A form file's bytes as a binary form file: a text form is turned into one.
std::string LoadFormAsBinary(const std::string& path);

struct TAncestorChain {
  // The ancestor forms, outermost first.
  std::vector<std::string> forms;
  // How each ancestor was picked among several candidates, the base class the chain ends at, or
  // why no ancestor was found.
  std::vector<std::string> notes;
  // The outermost form found is not inherited.
  bool complete = true;
};

// An inline frame of a form with the frame's forms, outermost first, its own form last.
struct TFrameChain {
  std::string component;
  std::string frameClass;
  TAncestorChain chain;
};

// The forms, units and project files under one folder. A form's unit is the ".pas" (Delphi) or
// ".h" (C++Builder) file of the same name next to it; it declares the form's class and its parent
// class ("TChild = class(TParent)", "class TChild : public TParent"). The ancestor is the form
// whose root class is the parent; among several, the one whose unit a project file (".dpr",
// ".dpk") lists, then one the descendant's unit uses (or includes), then the nearest folder.
class TSourceTree {
 public:
  explicit TSourceTree(const std::filesystem::path& folder);

  // The ancestors of `form`, up to a form that is not inherited; an empty complete chain for a
  // form that is not inherited.
  TAncestorChain FindAncestors(const std::filesystem::path& form) const;
  // The inline frames that `form` holds, each with its chain ending at TFrame.
  std::vector<TFrameChain> FindFrames(const std::filesystem::path& form) const;

 private:
  struct FormInfo {
    std::string rootClass;
    bool inherited = false;
    // Inline frames as (component, class).
    std::vector<std::pair<std::string, std::string>> inlineFrames;
  };
  struct UnitInfo {
    // Lower-case class name -> parent class name.
    std::map<std::string, std::string> parents;
    // Lower-case names of the units used or headers included.
    std::set<std::string> uses;
  };

  // The root class and frames of a form; nothing when it cannot be read.
  static std::optional<FormInfo> ReadFormInfo(const std::filesystem::path& path);
  const UnitInfo* UnitOf(const std::string& form) const;
  // Picks the form of root class `className` for `descendant`; empty with a note when none.
  std::string PickForm(const std::string& className, const std::string& descendant,
                       TAncestorChain& chain) const;
  bool ListedByProject(const std::string& form) const;

  // Keyed by the forms' paths.
  std::map<std::string, FormInfo> forms_;
  // The forms' paths by the lower-case name of their root class, in path order.
  std::map<std::string, std::vector<std::string>> formsByClass_;
  // Keyed by the lower-case path without extension.
  std::map<std::string, UnitInfo> units_;
  // Units the project files list: lower-case paths, and lower-case names listed without a path.
  std::set<std::string> projectPaths_;
  std::set<std::string> projectNames_;
};

// The folder `convert --find-ancestors` searches for a form: the outermost folder above the form
// that holds a project file (".dpr", ".dpk"), else the form's own folder.
std::filesystem::path SourceTreeOf(const std::filesystem::path& form);

}  // namespace qr2vor
