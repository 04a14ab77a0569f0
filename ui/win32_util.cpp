#include "ui/win32_util.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

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

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one match is enough
}

bool SystemHasFont(const wchar_t* face) {
  LOGFONTW query{};
  query.lfCharSet = DEFAULT_CHARSET;
  wcsncpy_s(query.lfFaceName, LF_FACESIZE, face, _TRUNCATE);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &query, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

}  // namespace

// --- text ---
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

// --- DPI ---
UINT WindowDpi(HWND hwnd) {
  if (const char* forced = std::getenv("XPC_FORCE_DPI")) {
    const long value = std::strtol(forced, nullptr, 10);
    if (value >= 48 && value <= 960) return static_cast<UINT>(value);
  }
  UINT dpi = hwnd != nullptr ? ::GetDpiForWindow(hwnd) : 0;
  if (dpi == 0) dpi = ::GetDpiForSystem();
  return dpi == 0 ? 96 : dpi;
}

int TwipsToPixels(int twips, UINT dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), 1440);
}

int DpiScale(int pixels96, UINT dpi) {
  return ::MulDiv(pixels96, static_cast<int>(dpi), 96);
}

RECT TwipsRect(int left, int top, int width, int height, UINT dpi) {
  // Scale the edges, not the sizes, so neighbouring controls designed to
  // touch still touch after rounding.
  RECT r;
  r.left = TwipsToPixels(left, dpi);
  r.top = TwipsToPixels(top, dpi);
  r.right = TwipsToPixels(left + width, dpi);
  r.bottom = TwipsToPixels(top + height, dpi);
  return r;
}

// --- fonts ---
UniqueFont CreateUiFont(UINT dpi, double points, int weight) {
  static const bool has_verdana = SystemHasFont(L"Verdana");
  LOGFONTW font{};
  if (has_verdana) {
    wcsncpy_s(font.lfFaceName, LF_FACESIZE, L"Verdana", _TRUNCATE);
    font.lfCharSet = ANSI_CHARSET;
  } else {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      font = metrics.lfMessageFont;
    } else {
      wcsncpy_s(font.lfFaceName, LF_FACESIZE, L"Tahoma", _TRUNCATE);
    }
    font.lfCharSet = DEFAULT_CHARSET;
  }
  font.lfHeight = -static_cast<LONG>(std::lround(points * static_cast<double>(dpi) / 72.0));
  font.lfWidth = 0;
  font.lfWeight = weight;
  font.lfItalic = FALSE;
  font.lfUnderline = FALSE;
  font.lfStrikeOut = FALSE;
  font.lfQuality = CLEARTYPE_QUALITY;
  return UniqueFont(::CreateFontIndirectW(&font));
}

// --- colours ---
COLORREF ResolveColour(int32_t colour) {
  const auto bits = static_cast<uint32_t>(colour);
  if ((bits & 0x80000000u) != 0) return ::GetSysColor(static_cast<int>(bits & 0xFFu));
  return static_cast<COLORREF>(bits & 0x00FFFFFFu);
}

// --- the one window shape ---
Window::~Window() {
  if (hwnd_ != nullptr && ::IsWindow(hwnd_)) {
    // The derived part is already gone: detach first so the messages that
    // DestroyWindow sends reach only the default procedure.
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    HWND hwnd = std::exchange(hwnd_, nullptr);
    ::DestroyWindow(hwnd);
  }
}

void Window::RegisterShape(const wchar_t* class_name, UINT class_style, HBRUSH background,
                           HICON icon, HICON small_icon) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, class_name, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = class_style;
  wc.lpfnWndProc = &Window::Proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.hIconSm = small_icon;
  wc.lpszClassName = class_name;
  if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("RegisterClassExW failed");
  }
}

HWND Window::CreateShaped(DWORD ex_style, const wchar_t* class_name, const std::wstring& title,
                          DWORD style, int x, int y, int width, int height, HWND parent,
                          HMENU menu) {
  return ::CreateWindowExW(ex_style, class_name, title.c_str(), style, x, y, width, height, parent,
                           menu, ::GetModuleHandleW(nullptr), this);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return DefaultProc(msg, wp, lp);
}

LRESULT Window::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
    self = static_cast<Window*>(create->lpCreateParams);
    if (self != nullptr) {
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wp, lp);

  const LRESULT result = self->HandleMessage(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    // Last: the object may delete itself here.
    self->OnDestroyed();
  }
  return result;
}

}  // namespace xpconv::ui
