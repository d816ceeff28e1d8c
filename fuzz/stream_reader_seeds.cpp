// Writes the hand-made seeds of the stream reader fuzz target into the folder named on the
// command line: trees written by TWriter with every property kind, the same as a form file with
// a resource header, and hand-built streams with what the writer never produces (object
// prefixes, unknown classes, later value tags, references into other roots).

#include <cstdio>
#include <string>

#include "bytes.h"
#include "rtl/streams.h"
#include "stream/resource.h"
#include "stream/writer.h"
#include "test_classes.h"

namespace qr2vor {
namespace {

using test::B;
using test::Bytes;
using test::Ident;
using test::Prop;
using test::Record;
using test::S;
using test::Str;

// A root with every property kind set away from its default and two children that refer to
// each other and to the root.
void BuildTree(test::TTestForm& root) {
  root.SetName("Form1");
  root.SetTag(7);
  root.count = -70000;
  root.color = 0x00FF00;
  root.letter = '#';
  root.kind = test::tkThree;
  root.enabled = false;
  root.options = 0b101;
  root.ratio = 0.25;
  root.caption = "Caption";
  root.Part()->size = 12;
  root.Part()->label = "Arial";
  root.Items()->Add()->caption = "one";
  root.Items()->Add()->value = -5;
  root.Lines()->SetText("first\r\nsecond\r\n");
  root.onClick = TMethod{"ButtonClick", &root};
  auto* first = new test::TTestComponent(&root);
  first->SetName("First");
  first->SetParentComponent(&root);
  first->SetDesignInfo((20 << 16) | 10);
  auto* second = new test::TTestComponent(&root);
  second->SetName("Second");
  second->SetParentComponent(first);
  second->caption = std::string(300, 'x');
  first->SetBuddy(second);
  second->SetBuddy(&root);
}

Bytes Written(bool withHeader) {
  test::TTestForm root(nullptr);
  BuildTree(root);
  TMemoryStream stream;
  if (withHeader) {
    WriteDescendentRes(stream, "TFORM1", root);
  } else {
    TWriter writer(stream);
    writer.WriteDescendent(root);
  }
  return stream.Bytes();
}

// Object prefixes: inherited, moved to a position, both.
Bytes Prefixes() {
  const Bytes children = Record("TTestComponent", "A", Prop("Count", B({2, 1})), "", B({0xF0})) +
                         Record("TTestComponent", "B", "", "", B({0xF2, 2, 0})) +
                         Record("TTestComponent", "C", "", "", B({0xF3, 3, 1, 0}));
  return "TPF0" + Record("TTestForm", "Form1", "", children);
}

// An unknown class holding a known one, skipped through the error hook.
Bytes UnknownClasses() {
  const Bytes unknown =
      Record("TQRBand", "Band", Prop("Whatever", B({10, 2, 0, 0, 0, 1, 2})),
             Record("TTestComponent", "Inside", Prop("Items", B({14, 0}))) +
                 Record("TQRLabel", "Label", Prop("Font.Style", B({11}) + S("fsBold") + B({0}))));
  return "TPF0" + Record("TTestForm", "Form1", "", unknown);
}

// The value tags only later toolkit versions write: single, currency, date, wide, 64-bit,
// UTF-8 and double.
Bytes LaterTags() {
  const Bytes props = Prop("Ratio", B({15, 0x00, 0x00, 0xC0, 0x3F})) +
                      Prop("Count", B({19, 5, 0, 0, 0, 0, 0, 0, 0})) +
                      Prop("Caption", B({20, 3, 0, 0, 0, 'C', 0xC3, 0xA9})) +
                      Prop("Part.Label", B({18, 2, 0, 0, 0, 'a', 0, 0xAC, 0x20})) +
                      Prop("Tag", B({16, 0x39, 0x30, 0, 0, 0, 0, 0, 0})) +
                      Prop("NoDefault", B({17, 0, 0, 0, 0, 0, 0, 0x0C, 0x40})) +
                      Prop("Ratio", B({21, 0, 0, 0, 0, 0, 0, 0x02, 0x40}));
  return "TPF0" + Record("TTestForm", "Form1", props);
}

// References by name, to the owner, into another root, and to nothing; a nil reference; an
// event handler the root does not publish; a named colour constant.
Bytes References() {
  const Bytes children = Record("TTestComponent", "A", Prop("Buddy", Ident("B"))) +
                         Record("TTestComponent", "B", Prop("Buddy", Ident("Owner"))) +
                         Record("TTestComponent", "C", Prop("Buddy", Ident("Other.Table1"))) +
                         Record("TTestComponent", "D", Prop("Buddy", B({13})));
  const Bytes props = Prop("OnClick", Ident("Missing")) + Prop("Color", Ident("clBtnFace")) +
                      Prop("Buddy", Ident("Nowhere"));
  return "TPF0" + Record("TTestForm", "Form1", props, children);
}

void Save(const std::string& folder, const char* name, const Bytes& bytes) {
  const std::string path = folder + "/" + name;
  TFileStream file(path, TFileMode::fmCreate);
  file.Write(bytes.data(), bytes.size());
}

}  // namespace
}  // namespace qr2vor

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  using namespace qr2vor;
  test::RegisterTestClasses();
  const std::string folder = argv[1];
  Save(folder, "seed_tree.bin", Written(false));
  Save(folder, "seed_tree_res.dfm", Written(true));
  Save(folder, "seed_prefixes.bin", Prefixes());
  Save(folder, "seed_unknown_classes.bin", UnknownClasses());
  Save(folder, "seed_later_tags.bin", LaterTags());
  Save(folder, "seed_references.bin", References());
  return 0;
}
