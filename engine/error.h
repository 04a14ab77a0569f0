// The one error type of the engine: a runtime error number and its German
// description, numbered like the classic runtime table our users know.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace xpconv {

namespace err {
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kBadFileNameOrNumber = 52;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kDiskFull = 61;
inline constexpr int32_t kInputPastEnd = 62;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPathNotFound = 76;
}  // namespace err

class VbError : public std::exception {
 public:
  // description is UTF-8 text shown to the user.
  VbError(int32_t number, std::string description);

  int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  int32_t number_;
  std::string description_;
};

// The table's own description for one of the numbers above ("Überlauf", ...);
// an empty string for a number the table does not hold.
std::string StandardDescription(int32_t number);

// An error with the table's number and description.
VbError MakeError(int32_t number);

// What a command that meets a project another command holds (its run lock,
// FileSystem::LockRun) records where it records errors: 70, as for a file
// another program holds, with the message it shows (msg::kProjectBusy).
VbError ProjectBusyError();

// Narrows a counter to 16 bits; a value outside -32768..32767 raises
// error 6 "Überlauf", as the runtime does for an Integer variable.
int16_t ToInt16(int64_t value);
// The same for a 32-bit Long.
int32_t ToInt32(int64_t value);

}  // namespace xpconv
