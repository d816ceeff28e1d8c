#pragma once

// Form files for the model's tests, written in the text form syntax, turned into binary form
// files and read through the real reader as the converter reads them.

#include <memory>
#include <string>
#include <string_view>

#include "qrmodel/qr_bands.h"
#include "qrmodel/qr_form.h"
#include "qrmodel/qr_printables.h"
#include "rtl/streams.h"
#include "stream/registry.h"
#include "stream/text_form.h"

namespace qr2vor::test {

inline void RegisterAll() {
  static const bool done = [] {
    RegisterStandardIntegerConsts();
    RegisterGraphicClasses();
    RegisterConverterClasses();
    RegisterQuickReportClasses();
    return true;
  }();
  static_cast<void>(done);
}

struct ReadResult {
  std::unique_ptr<TQRForm> form;
  ReadLog log;

  template <class T>
  T* Get(std::string_view name) const {
    return dynamic_cast<T*>(form->FindComponent(name));
  }
};

// Reads a binary form file.
inline ReadResult ReadFile(const std::string& fileBytes) {
  RegisterAll();
  TMemoryStream stream(fileBytes);
  ReadResult result;
  result.form = ReadQuickReportForm(stream, &result.log);
  return result;
}

// Reads a form given as text.
inline ReadResult ReadText(std::string_view text) { return ReadFile(TextToFormFile(text)); }

}  // namespace qr2vor::test
