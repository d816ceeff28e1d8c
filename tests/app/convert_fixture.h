#pragma once

// Conversions run in-process over forms written as text and built into binary form files.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "app/convert/driver.h"
#include "platform/ui/ui_service.h"
#include "report/report.h"
#include "rtl/streams.h"
#include "stream/text_form.h"

namespace qr2vor {

// Keeps what the driver shows, as the user would see it.
class TRecordingUI : public TUIService {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& message) override { errors.push_back(ErrorBoxText(message)); }

  std::vector<std::string> messages;
  std::vector<std::string> errors;
};

class ConvertFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TConversionDriver::FormCreate(); }

  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              fmt::format("qr2vor_convert_{}_{}", ::getpid(),
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // Writes `text` as a binary form file and answers its path.
  std::string BinaryForm(const std::string& text, const std::string& name = "form.dfm") const {
    const std::string path = Path(name);
    SaveFileAtomically(path, TextToFormFile(text));
    return path;
  }

  TConvertOutcome Convert(const std::string& source, const std::string& destination,
                          TFormLedger* ledger = nullptr, TConvertOptions options = {}) {
    TConversionDriver driver(ui_, options);
    return ConvertForm(driver, ui_, source, destination, ledger);
  }

  // Converts the text form and reads the report file back.
  std::unique_ptr<TVoReport> ConvertText(const std::string& text) {
    const std::string destination = Path("report.vor");
    EXPECT_EQ(Convert(BinaryForm(text), destination), TConvertOutcome::Converted);
    EXPECT_EQ(ui_.errors, std::vector<std::string>());
    return TVoReport::LoadFromFile(destination);
  }

  std::filesystem::path folder_;
  TRecordingUI ui_;
};

// A form holding one report with the bands given as text.
inline std::string FormWithReport(const std::string& bands) {
  return "object Form1: TForm1\n  object QuickRep1: TQuickRep\n" + bands + "  end\nend\n";
}

}  // namespace qr2vor
