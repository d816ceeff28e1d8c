#pragma once

// Reads the source units next to forms for what finding ancestor forms needs: the classes they
// declare with their parent classes, and the units they use. One pass over the text, linear in
// its size: comments and string literals are skipped, nothing else is parsed.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qr2vor {

struct TUnitDeclarations {
  // (class name, parent class name) as written, the parent without a unit or namespace
  // qualifier, in the order of the text.
  std::vector<std::pair<std::string, std::string>> classes;
  // The units a "uses" or "contains" clause names, or the headers included, as (name, path after
  // "in" or empty). Pascal names keep their qualifier ("Vcl.Forms"); headers are given by their
  // file name without folder and extension.
  std::vector<std::pair<std::string, std::string>> uses;
};

// A Pascal unit, program or package: "Name = class(Parent)" declarations and "uses"/"contains"
// clauses, outside "{ }", "(* *)" and "//" comments and '...' strings.
TUnitDeclarations ScanPascalUnit(std::string_view source);

// A C++Builder header: "class [PACKAGE] Name : public [ns::]Parent" declarations and "#include"
// lines, outside "/* */" and "//" comments and string and character literals.
TUnitDeclarations ScanCppHeader(std::string_view source);

}  // namespace qr2vor
