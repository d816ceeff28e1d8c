#pragma once

// Running the built qr2vor binary from the tool tests: its exit code and what it printed.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qr2vor::test {

struct RunResult {
  int exitCode;
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// One argument for the shell, in single quotes.
inline std::string Quote(const std::string& argument) {
  std::string quoted = "'";
  for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs the tool with `arguments` and no input; its output goes through files in `folder`.
inline RunResult RunTool(const std::filesystem::path& folder,
                         const std::vector<std::string>& arguments) {
  std::string command = Quote(QR2VOR_BINARY);
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  const std::filesystem::path out = folder / "stdout";
  const std::filesystem::path err = folder / "stderr";
  command += " </dev/null >" + Quote(out.string()) + " 2>" + Quote(err.string());
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
}

}  // namespace qr2vor::test
