// qorXPForm: the skin gives a window its designed frame and raises events
// from the window's own messages. Which message raises which event is our
// choice:
//  - event 10 on WM_SYSCOLORCHANGE, with the new button-face colour, which is
//    the background of our windows, so a window can recolour its controls;
//  - event 15 on WM_HELP (F1, also bubbling up from a control) and on the
//    title bar's help button (SC_CONTEXTHELP). The skin enters no "click a
//    control for help" mode, since our windows have no help per control; a
//    handler that sets the flag to True has dealt with the request;
//  - event 16 on WM_THEMECHANGED and WM_SETTINGCHANGE, after which the
//    wizard asks the skin to apply the window style again (Reapply), because
//    a theme change can give the window back its default frame.
#include "ui/controls/form_skin.h"

#include "ui/controls/about_box.h"
#include "ui/win32/dpi.h"

// After the window headers, which these platform headers need.
#include <commctrl.h>

namespace xpconv::ui {

namespace {

constexpr UINT_PTR kSubclassId = 0x716F72;  // any number unique to the skin

struct StyleBits {
  DWORD style;
  DWORD ex_style;
};

StyleBits StyleFor(const FormStyle& form, DWORD style, DWORD ex_style) {
  constexpr DWORD kFrameStyles = WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU |
                                 WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  constexpr DWORD kFrameExStyles =
      WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_CONTEXTHELP;
  style &= ~kFrameStyles;
  ex_style &= ~kFrameExStyles;

  bool fixed = true;
  bool tool = false;
  switch (form.border_style) {
    case 0:  // no border, no title bar; only a pop-up window goes without one
      if ((style & WS_CHILD) == 0) style |= WS_POPUP;
      break;
    case 2:  // sizable
      style |= WS_CAPTION;
      fixed = false;
      break;
    case 3:  // fixed dialog
      style |= WS_CAPTION;
      ex_style |= WS_EX_DLGMODALFRAME;
      break;
    case 4:  // fixed tool window
      style |= WS_CAPTION;
      tool = true;
      break;
    case 5:  // sizable tool window
      style |= WS_CAPTION;
      tool = true;
      fixed = false;
      break;
    default:  // 1, fixed single
      style |= WS_CAPTION;
      break;
  }
  if (!fixed && form.allow_size) style |= WS_THICKFRAME;
  if (tool) ex_style |= WS_EX_TOOLWINDOW;

  const bool has_caption = (style & WS_CAPTION) != 0;
  if (has_caption && form.control_box) {
    style |= WS_SYSMENU;
    // The platform draws the help button only on a window without minimise
    // and maximise buttons; a designed help button wins over them.
    const bool boxes_allowed = !tool && form.border_style != 3 && !form.help_button;
    if (boxes_allowed && form.min_button) style |= WS_MINIMIZEBOX;
    if (boxes_allowed && form.max_button) style |= WS_MAXIMIZEBOX;
    if (form.help_button) ex_style |= WS_EX_CONTEXTHELP;
  }
  // An owned window never gets a task-bar entry; an unowned one gets it
  // unless it is a tool window.
  if (form.show_in_taskbar && !tool) ex_style |= WS_EX_APPWINDOW;
  return {style, ex_style};
}

}  // namespace

FormSkin::~FormSkin() {
  Detach();
}

void FormSkin::Attach(HWND window, const FormStyle& style) {
  Detach();
  window_ = window;
  style_ = style;
  ::SetWindowSubclass(window_, &FormSkin::SubclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
  Reapply();
}

void FormSkin::Detach() {
  if (window_ == nullptr) return;
  if (::IsWindow(window_)) ::RemoveWindowSubclass(window_, &FormSkin::SubclassProc, kSubclassId);
  window_ = nullptr;
}

void FormSkin::Reapply() {
  if (window_ == nullptr || !::IsWindow(window_)) return;
  // Our windows are designed by their client area, so the frame changes
  // around it and the client keeps its size.
  RECT client{};
  ::GetClientRect(window_, &client);
  const auto old_style = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE));
  const auto old_ex_style = static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE));
  const StyleBits bits = StyleFor(style_, old_style, old_ex_style);
  if (bits.style != old_style)
    ::SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(bits.style));
  if (bits.ex_style != old_ex_style) {
    ::SetWindowLongPtrW(window_, GWL_EXSTYLE, static_cast<LONG_PTR>(bits.ex_style));
  }
  ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(style_.icon));
  ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(style_.icon));

  RECT outer = client;
  ::AdjustWindowRectExForDpi(&outer, bits.style, FALSE, bits.ex_style, WindowDpi(window_));
  ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void FormSkin::AboutBox() {
  detail::ShowAboutBox(window_);
}

LRESULT CALLBACK FormSkin::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR data) {
  auto* skin = reinterpret_cast<FormSkin*>(data);
  switch (msg) {
    case WM_SYSCOLORCHANGE:
      if (skin->on_colours_changed) {
        skin->on_colours_changed(static_cast<int32_t>(::GetSysColor(COLOR_BTNFACE)));
      }
      break;  // the window's own handling (and its children's) goes on
    case WM_HELP: {
      int16_t handled = 0;
      if (skin->on_help_requested) skin->on_help_requested(handled);
      if (handled != 0) return TRUE;
      break;
    }
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_CONTEXTHELP) {
        int16_t handled = 0;
        if (skin->on_help_requested) skin->on_help_requested(handled);
        return 0;
      }
      break;
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE: {
      const LRESULT result = ::DefSubclassProc(hwnd, msg, wp, lp);
      if (skin->on_settings_changed) skin->on_settings_changed();
      return result;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &FormSkin::SubclassProc, kSubclassId);
      skin->window_ = nullptr;
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace xpconv::ui
