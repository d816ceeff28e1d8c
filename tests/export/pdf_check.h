#pragma once

// Checks of written PDF files: a small reader of the file's own structure (every
// cross-reference offset points at its object, every stream's length object matches the stream),
// qpdf's check and the text pdftotext reads back.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

namespace qr2vor::test {

// Runs a command; its standard output, and its exit status in `status`.
inline std::string RunCommand(const std::string& command, int& status) {
  std::string out;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return out;
  }
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  status = ::pclose(pipe);
  return out;
}

// The file's structure: returns an empty string when sound, else what is wrong.
inline std::string CheckPdfStructure(const std::string& pdf) {
  const size_t startxref = pdf.rfind("startxref\r\n");
  if (startxref == std::string::npos || !pdf.ends_with("%%EOF\r\n")) return "no trailer";
  const size_t xref = std::stoul(pdf.substr(startxref + 11));
  if (pdf.compare(xref, 6, "xref\r\n") != 0) return "startxref does not point at xref";
  size_t position = xref + 6;
  const size_t countEnd = pdf.find("\r\n", position);
  const size_t count = std::stoul(pdf.substr(position + 2, countEnd - position - 2));
  position = countEnd + 2;
  if (pdf.compare(position, 20, "0000000000 65535 f\r\n") != 0) return "no free entry";
  std::map<size_t, size_t> offsets;
  for (size_t object = 1; object < count; ++object) {
    const std::string entry = pdf.substr(position + 20 * object, 20);
    if (entry.substr(10) != " 00000 n\r\n") return "bad entry " + entry;
    offsets[object] = std::stoul(entry.substr(0, 10));
    const std::string head = std::to_string(object) + " 0 obj\r\n";
    if (pdf.compare(offsets[object], head.size(), head) != 0)
      return "entry of object " + std::to_string(object) + " points elsewhere";
  }
  if (pdf.compare(position + 20 * count, 9, "trailer\r\n") != 0) return "no trailer after xref";
  // Every stream: its dictionary names a length object whose value is the stream's length.
  for (size_t at = pdf.find("stream\r\n"); at != std::string::npos;
       at = pdf.find("stream\r\n", at + 1)) {
    if (at >= 3 && pdf.compare(at - 3, 3, "end") == 0) continue;
    const size_t lengthKey = pdf.rfind("/Length ", at);
    const size_t object = std::stoul(pdf.substr(lengthKey + 8));
    if (!offsets.count(object)) return "no length object " + std::to_string(object);
    const size_t valueAt = offsets[object] + std::to_string(object).size() + 8;
    const size_t length = std::stoul(pdf.substr(valueAt));
    const size_t end = at + 8 + length;
    const bool ends = pdf.compare(end, 9, "endstream") == 0 ||
                      pdf.compare(end, 10, "\nendstream") == 0 ||
                      pdf.compare(end, 11, "\r\nendstream") == 0;
    if (!ends) return "stream at " + std::to_string(at) + " is not " + std::to_string(length);
  }
  return {};
}

// qpdf --check passes.
inline void ExpectQpdfClean(const std::string& path) {
  int status = 0;
  const std::string out = RunCommand("qpdf --check '" + path + "' 2>&1", status);
  EXPECT_EQ(status, 0) << out;
}

// The text poppler reads from the file, pages separated by form feeds.
inline std::string PdfText(const std::string& path) {
  int status = 0;
  const std::string out = RunCommand("pdftotext -q '" + path + "' - 2>&1", status);
  EXPECT_EQ(status, 0) << out;
  return out;
}

}  // namespace qr2vor::test
