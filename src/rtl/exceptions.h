#pragma once

#include <stdexcept>
#include <string>

#include <fmt/format.h>

namespace qr2vor {

// Base of every failure the system reports; the message is the text a user sees.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  template <typename... Args>
  Exception(fmt::format_string<Args...> format, Args&&... args)
      : std::runtime_error(fmt::format(format, std::forward<Args>(args)...)) {}

  std::string Message() const { return what(); }
};

#define QR2VOR_EXCEPTION(Name, Base) \
  class Name : public Base {         \
   public:                           \
    using Base::Base;                \
  }

QR2VOR_EXCEPTION(EStreamError, Exception);
QR2VOR_EXCEPTION(EFilerError, EStreamError);
QR2VOR_EXCEPTION(EReadError, EFilerError);
QR2VOR_EXCEPTION(EWriteError, EFilerError);
QR2VOR_EXCEPTION(EClassNotFound, EFilerError);
QR2VOR_EXCEPTION(EInvalidImage, EFilerError);
QR2VOR_EXCEPTION(EFOpenError, EStreamError);
QR2VOR_EXCEPTION(EFCreateError, EStreamError);
QR2VOR_EXCEPTION(EListError, Exception);
QR2VOR_EXCEPTION(EStringListError, EListError);
QR2VOR_EXCEPTION(EConvertError, Exception);
QR2VOR_EXCEPTION(EVariantError, Exception);
QR2VOR_EXCEPTION(EComponentError, Exception);
QR2VOR_EXCEPTION(EInvalidOperation, Exception);
QR2VOR_EXCEPTION(EInvalidGraphic, Exception);
QR2VOR_EXCEPTION(EDatabaseError, Exception);

#undef QR2VOR_EXCEPTION

// The toolkit's message texts, shared by every layer that raises them.
namespace msg {
inline constexpr const char* kStreamRead = "Stream read error";
inline constexpr const char* kStreamWrite = "Stream write error";
inline constexpr const char* kInvalidStreamFormat = "Invalid stream format";
inline constexpr const char* kInvalidPropertyValue = "Invalid property value";
inline constexpr const char* kUnknownProperty = "Property does not exist";
inline constexpr const char* kControlParentSetToSelf = "A control cannot have itself as its parent";
inline constexpr const char* kInvalidPropertyPath = "Invalid property path";
inline constexpr const char* kReadOnlyProperty = "Property is read-only";
inline constexpr const char* kClassNotFound = "Class {} not found";
inline constexpr const char* kAncestorNotFound = "Ancestor for '{}' not found";
inline constexpr const char* kErrorReading = "Error reading {}.{}: {}";
inline constexpr const char* kDuplicateClass = "A class named {} already exists";
inline constexpr const char* kFOpen = "Cannot open file {}";
inline constexpr const char* kFCreate = "Cannot create file {}";
inline constexpr const char* kListIndex = "List index out of bounds ({})";
inline constexpr const char* kDuplicateName = "A component named {} already exists";
inline constexpr const char* kInvalidName = "'{}' is not a valid component name";
inline constexpr const char* kDuplicateString = "String list does not allow duplicates";
inline constexpr const char* kSortedListError = "Operation not allowed on sorted string list";
inline constexpr const char* kInvalidGraphic = "Unknown picture file extension (.{})";
}  // namespace msg

}  // namespace qr2vor
