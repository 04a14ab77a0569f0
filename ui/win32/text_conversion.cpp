#include "ui/win32/text_conversion.h"

#include <windows.h>

namespace xpconv::ui {

namespace {

std::wstring ToWide(UINT code_page, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  ::MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), needed);
  return wide;
}

std::string FromWide(UINT code_page, std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int length = static_cast<int>(wide.size());
  const int needed =
      ::WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string bytes(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(code_page, 0, wide.data(), length, bytes.data(), needed, nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view utf8) {
  return ToWide(CP_UTF8, utf8);
}
std::string WideToUtf8(std::wstring_view wide) {
  return FromWide(CP_UTF8, wide);
}
std::string AnsiToUtf8(std::string_view ansi) {
  return WideToUtf8(ToWide(CP_ACP, ansi));
}
std::string Utf8ToAnsi(std::string_view utf8) {
  return FromWide(CP_ACP, Utf8ToWide(utf8));
}
std::optional<std::string> WideToAnsiExact(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int length = static_cast<int>(wide.size());
  // UTF-8 as the ANSI code page expresses every character but takes neither
  // the best-fit flag nor the used-default check; broken UTF-16 fails there.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used_default_out = utf8 ? nullptr : &used_default;
  const int needed = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr,
                                           used_default_out);
  if (needed <= 0 || used_default) return std::nullopt;
  std::string bytes(static_cast<size_t>(needed), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, wide.data(), length, bytes.data(), needed, nullptr,
                        used_default_out);
  if (used_default) return std::nullopt;
  return bytes;
}

}  // namespace xpconv::ui
