#include "ui/controls/modal_box.h"

#include <algorithm>
#include <stdexcept>

#include "ui/controls/message_icon.h"
#include "ui/win32/font.h"
#include "ui/win32/modal_loop.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui::detail {

int ModalBox::Run(HWND owner) {
  dpi_ = WindowDpi(owner);
  font_ = CreateUiFont(dpi_);
  heading_font_ = CreateUiFont(dpi_, 9.75, FW_BOLD);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex_style =
      WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (owner == nullptr ? WS_EX_APPWINDOW : 0);
  HWND hwnd = CreateShaped(ex_style, content_.class_name, Utf8ToWide(content_.title), style, 0, 0,
                           100, 100, owner, nullptr);
  if (hwnd == nullptr) throw std::runtime_error("the message box window could not be created");
  Layout(style, ex_style, owner);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd);
  RunModalLoop(hwnd, owner, &done_);
  if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
  return answer_;
}

LRESULT ModalBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_SETFOCUS) {
        focus_ = reinterpret_cast<HWND>(lp);  // where the focus returns to
      } else if (HIWORD(wp) == BN_CLICKED || lp == 0) {
        Answer(LOWORD(wp));
      }
      return 0;
    case WM_CLOSE:
      Finish(content_.close_answer);
      return 0;
    case WM_ACTIVATE:
      // Like a dialog: when the box is activated (which the system may do
      // late) the focus goes back to the button that had it, at first the
      // default button, never to the box itself.
      if (LOWORD(wp) != WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if ((focus == nullptr || !::IsChild(hwnd(), focus)) && focus_ != nullptr &&
            ::IsWindow(focus_)) {
          ::SetFocus(focus_);
        }
      }
      return 0;
    case WM_SETFOCUS:
      // The box itself takes no keys; its focus belongs to a button.
      if (focus_ != nullptr && ::IsWindow(focus_)) ::SetFocus(focus_);
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(default_id_, DC_HASDEFID);
    case DM_SETDEFID:
      // The dialog manager moves the default along with the focus; the
      // buttons' frames follow, as in a platform dialog.
      if (HWND old_default = ::GetDlgItem(hwnd(), default_id_)) {
        ::SendMessageW(old_default, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      }
      default_id_ = static_cast<int>(wp);
      if (HWND new_default = ::GetDlgItem(hwnd(), default_id_)) {
        ::SendMessageW(new_default, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
      }
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintGuard guard(hwnd());
      Paint(guard.dc());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_NCDESTROY:
      ::RemovePropW(hwnd(), kIconProperty);
      return DefaultProc(msg, wp, lp);
    default:
      return DefaultProc(msg, wp, lp);
  }
}

void ModalBox::Answer(int id) {
  if (id == IDCANCEL && !HasButton(IDCANCEL)) {
    Finish(content_.close_answer);  // Escape on a box without Abbrechen
    return;
  }
  if (HasButton(id)) Finish(id);
}

bool ModalBox::HasButton(int id) const {
  return std::any_of(content_.buttons.begin(), content_.buttons.end(),
                     [id](const ButtonInfo& b) { return b.id == id; });
}

void ModalBox::Finish(int id) {
  answer_ = id;
  done_ = true;
}

void ModalBox::Layout(DWORD style, DWORD ex_style, HWND owner) {
  HWND hwnd = this->hwnd();
  ::SetPropW(hwnd, kIconProperty,
             reinterpret_cast<HANDLE>(static_cast<INT_PTR>(content_.icon) + 1));
  const bool has_picture = content_.picture != nullptr;
  BITMAP picture_info{};
  if (has_picture) ::GetObjectW(content_.picture, sizeof(picture_info), &picture_info);
  const bool has_icon =
      has_picture || content_.icon != MessageIcon::kNone || content_.program_icon != nullptr;
  icon_size_ =
      has_picture ? SIZE{picture_info.bmWidth, picture_info.bmHeight} : SIZE{Px(32), Px(32)};

  // Measure the texts with the fonts they are shown in.
  HDC screen = ::GetDC(hwnd);
  const int max_text_width = Px(400);
  auto measure = [&](const std::string& text, HFONT font, UINT extra) {
    RECT r{0, 0, max_text_width, 0};
    if (text.empty()) return SIZE{0, 0};
    SelectGuard select(screen, font);
    const std::wstring wide = Utf8ToWide(text);
    ::DrawTextW(screen, wide.c_str(), -1, &r,
                DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | extra);
    // A little slack: the static control may round glyph widths otherwise
    // than the measuring DC, and must never lose the last letter.
    return SIZE{r.right + Px(4), r.bottom};
  };
  const SIZE heading = measure(content_.heading, heading_font_.get(), 0);
  const SIZE text = measure(content_.text, font_.get(), 0);
  std::vector<int> button_widths;
  for (const ButtonInfo& b : content_.buttons) {
    const SIZE caption = measure(b.caption, font_.get(), DT_SINGLELINE);
    button_widths.push_back(std::max(Px(80), static_cast<int>(caption.cx) + Px(24)));
  }
  // The whole title should fit in the title bar beside the close button.
  int title_width = 0;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi_)) {
    UniqueFont caption_font(::CreateFontIndirectW(&metrics.lfCaptionFont));
    const SIZE title = measure(content_.title, caption_font.get(), DT_SINGLELINE);
    title_width = static_cast<int>(title.cx) + metrics.iCaptionWidth + Px(24);
  }
  ::ReleaseDC(hwnd, screen);

  const int margin = Px(20);
  const int gap = Px(14);
  const int text_left = margin + (has_icon ? icon_size_.cx + gap : 0);
  const int heading_gap = heading.cy > 0 ? Px(6) : 0;
  const int text_block_height = heading.cy + heading_gap + text.cy;
  const int block_height = std::max<int>(has_icon ? icon_size_.cy : 0, text_block_height);
  const int text_width = std::max(heading.cx, text.cx);
  const int button_height = Px(24);
  const int button_gap = Px(8);
  int buttons_width = 0;
  for (int w : button_widths) buttons_width += w;
  buttons_width += button_gap * static_cast<int>(button_widths.size() - 1);

  const int client_width = std::max({text_left + text_width + margin, buttons_width + 2 * Px(12),
                                     Px(240), std::min(title_width, Px(600))});
  band_top_ = margin + block_height + margin;
  const int client_height = band_top_ + button_height + 2 * Px(11);

  // The icon at the top, the text beside it, centred against the icon when
  // it is shorter.
  icon_at_ = POINT{margin, margin};
  const int text_top = margin + std::max(0, (block_height - text_block_height) / 2);
  if (!content_.heading.empty()) {
    HWND h = ::CreateWindowExW(0, L"STATIC", Utf8ToWide(content_.heading).c_str(),
                               WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, text_left, text_top,
                               heading.cx, heading.cy, hwnd, nullptr, ::GetModuleHandleW(nullptr),
                               nullptr);
    ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(heading_font_.get()), FALSE);
  }
  HWND prompt = ::CreateWindowExW(
      0, L"STATIC", Utf8ToWide(content_.text).c_str(),
      WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, text_left, text_top + heading.cy + heading_gap,
      std::max<int>(text.cx, 1), std::max<int>(text.cy, 1), hwnd,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageBoxPromptId)),
      ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(prompt, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  // Buttons right-aligned in the band, in tab order left to right.
  int x = client_width - Px(12) - buttons_width;
  const int y = band_top_ + Px(11);
  HWND default_button = nullptr;
  for (size_t i = 0; i < content_.buttons.size(); ++i) {
    const ButtonInfo& button_info = content_.buttons[i];
    const bool is_default = i == content_.default_button;
    HWND button =
        ::CreateWindowExW(0, L"BUTTON", Utf8ToWide(button_info.caption).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_NOTIFY | (i == 0 ? WS_GROUP : 0) |
                              (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                          x, y, button_widths[i], button_height, hwnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(button_info.id)),
                          ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (is_default) {
      default_button = button;
      default_id_ = button_info.id;
    }
    x += button_widths[i] + button_gap;
  }

  RECT outer{0, 0, client_width, client_height};
  ::AdjustWindowRectExForDpi(&outer, style, FALSE, ex_style, dpi_);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const POINT at = CentredPosition(owner, width, height);
  ::SetWindowPos(hwnd, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  focus_ = default_button;
  if (default_button != nullptr) ::SetFocus(default_button);
  // Keyboard cues start hidden like in any dialog opened by mouse; the
  // first Alt or Tab shows them.
  ::SendMessageW(hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
}

void ModalBox::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  RECT top = client;
  top.bottom = band_top_;
  ::FillRect(dc, &top, ::GetSysColorBrush(COLOR_WINDOW));
  RECT band = client;
  band.top = band_top_;
  ::FillRect(dc, &band, ::GetSysColorBrush(COLOR_BTNFACE));
  {
    UniquePen line(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_3DLIGHT)));
    SelectGuard select(dc, line.get());
    ::MoveToEx(dc, client.left, band_top_, nullptr);
    ::LineTo(dc, client.right, band_top_);
  }
  if (content_.picture != nullptr) {
    UniqueMemoryDc memory(::CreateCompatibleDC(dc));
    SelectGuard select(memory.get(), content_.picture);
    ::BitBlt(dc, icon_at_.x, icon_at_.y, icon_size_.cx, icon_size_.cy, memory.get(), 0, 0, SRCCOPY);
  } else if (content_.program_icon != nullptr) {
    ::DrawIconEx(dc, icon_at_.x, icon_at_.y, content_.program_icon, icon_size_.cx, icon_size_.cy, 0,
                 nullptr, DI_NORMAL);
  } else {
    DrawMessageIcon(dc, icon_at_.x, icon_at_.y, icon_size_.cx, content_.icon,
                    ::GetSysColor(COLOR_WINDOW));
  }
}

}  // namespace xpconv::ui::detail
