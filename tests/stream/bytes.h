#pragma once

// Builders for component-stream bytes written out by hand in tests.

#include <initializer_list>
#include <string>

namespace qr2vor::test {

using Bytes = std::string;

inline Bytes B(std::initializer_list<int> bytes) {
  Bytes out;
  for (int b : bytes) out += static_cast<char>(b);
  return out;
}
// A bare short string.
inline Bytes S(const std::string& s) { return B({static_cast<int>(s.size())}) + s; }
// A String value.
inline Bytes Str(const std::string& s) { return B({6}) + S(s); }
inline Bytes Ident(const std::string& s) { return B({7}) + S(s); }
inline Bytes Prop(const std::string& name, const Bytes& value) { return S(name) + value; }
// An object record: optional prefix, class, name, properties, end, children, end.
inline Bytes Record(const std::string& cls, const std::string& name, const Bytes& props,
                    const Bytes& children = "", const Bytes& prefix = "") {
  return prefix + S(cls) + S(name) + props + B({0}) + children + B({0});
}

}  // namespace qr2vor::test
