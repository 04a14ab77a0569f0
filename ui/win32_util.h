// Small Win32 helpers shared by every window of the program: text
// conversion at the ...W boundary, RAII for handles and GDI selections, DPI
// arithmetic, our fonts, and the one window shape all windows use.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace xpconv::ui {

// --- text ---
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// Bytes of the system's ANSI code page <-> UTF-8.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
// The path in the system's ANSI code page, or nothing when a character of it
// has no exact counterpart there (no best-fit look-alike, no default '?').
std::optional<std::string> WideToAnsiExact(std::wstring_view wide);

// --- handles ---
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }
  Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) noexcept {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = h;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

template <typename H>
struct GdiObjectTraits {
  using Handle = H;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DeleteObject(h); }
};
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DeleteDC(h); }
};
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// BeginPaint ... EndPaint.
class PaintGuard {
 public:
  explicit PaintGuard(HWND hwnd) : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd_, &ps_); }
  PaintGuard(const PaintGuard&) = delete;
  PaintGuard& operator=(const PaintGuard&) = delete;
  ~PaintGuard() { ::EndPaint(hwnd_, &ps_); }
  HDC dc() const noexcept { return dc_; }
  const PAINTSTRUCT& paint() const noexcept { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
};

// SelectObject, restored when the guard ends.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (old_ != nullptr) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// --- DPI ---
// The DPI of the window (or of the system for nullptr). The environment
// variable XPC_FORCE_DPI, when set to a number, overrides it, so tests under
// Wine can see more than one DPI.
UINT WindowDpi(HWND hwnd);
// All DPI arithmetic: a length in twips (1/1440 inch) in pixels at dpi.
int TwipsToPixels(int twips, UINT dpi);
// A length given for 96 dpi in pixels at dpi.
int DpiScale(int pixels96, UINT dpi);
// A rectangle given in twips (left, top, width, height) in pixels.
RECT TwipsRect(int left, int top, int width, int height, UINT dpi);

// --- fonts ---
// Verdana at the given size and weight where the system has it, otherwise the
// system's UI font at that size.
UniqueFont CreateUiFont(UINT dpi, double points = 8.25, int weight = FW_NORMAL);

// --- colours ---
// A colour number as forms store it: 0x00BBGGRR, or a system colour
// 0x80000000 | COLOR_xxx (-2147483643 is the window background).
COLORREF ResolveColour(int32_t colour);

// --- the one window shape ---
// A static window procedure finds the object stored at WM_NCCREATE and
// calls HandleMessage; the pointer is cleared at WM_NCDESTROY.
class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window();

  HWND hwnd() const noexcept { return hwnd_; }

 protected:
  // Registers class_name once per process with this shape's procedure.
  static void RegisterShape(const wchar_t* class_name, UINT class_style, HBRUSH background,
                            HICON icon = nullptr, HICON small_icon = nullptr);
  // CreateWindowExW with this object passed through lpCreateParams.
  HWND CreateShaped(DWORD ex_style, const wchar_t* class_name, const std::wstring& title,
                    DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu);
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
  // Called after WM_NCDESTROY; the handle is gone.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

}  // namespace xpconv::ui
