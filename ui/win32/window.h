// The one window shape every window and control of the program uses: a
// static window procedure finds the object stored at WM_NCCREATE and calls
// its HandleMessage; the pointer is cleared at WM_NCDESTROY.
#pragma once

#include <windows.h>

#include <string>

namespace xpconv::ui {

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

// The text a window holds (a control's caption), read afresh.
std::wstring WindowText(HWND hwnd);

}  // namespace xpconv::ui
