#include "platform/ui/console_progress.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace qr2vor {
namespace {

std::string Written(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(ConsoleProgress, DrawsOneLineInPlaceAndErasesIt) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  TConsoleProgress progress(file, true);
  progress.SetTitle("Sales");  // before Run: nothing is drawn yet
  progress.Run([&] {
    progress.SetText("Preparing 12 page...");
    progress.SetRange(20);
    progress.SetPosition(3);
    progress.SetText("Done");
  });
  EXPECT_EQ(Written(file),
            "\rSales: "
            "\rSales: Preparing 12 page..."
            "\rSales: Preparing 12 page... [0/20]"
            "\rSales: Preparing 12 page... [3/20]"
            "\rSales: Done [3/20]                "
            "\r                  \r");
  std::fclose(file);
}

TEST(ConsoleProgress, WritesNothingOffATerminalAndPassesFailuresOn) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  TConsoleProgress progress(file, false);
  bool ran = false;
  progress.Run([&] {
    ran = true;
    progress.SetText("Preparing...");
  });
  EXPECT_TRUE(ran);
  EXPECT_THROW(progress.Run([] { throw std::runtime_error("failed"); }), std::runtime_error);
  EXPECT_FALSE(progress.Cancelled());
  EXPECT_EQ(Written(file), "");
  std::fclose(file);
}

TEST(ConsoleProgress, ErasesTheLineWhenTheWorkFails) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  TConsoleProgress progress(file, true);
  EXPECT_THROW(progress.Run([&] {
    progress.SetText("abc");
    throw std::runtime_error("failed");
  }),
               std::runtime_error);
  EXPECT_EQ(Written(file), "\r\rabc\r   \r");
  std::fclose(file);
}

}  // namespace
}  // namespace qr2vor
