// qorMessageBox and qorAboutBox: our own modal boxes. The program never uses
// the platform's message box, so the German captions, the icons (drawn here)
// and the keys are the same on every system.
//
// Choices this box makes where the program leaves them open:
//  - An empty title shows the program's title, kMessageBoxDefaultTitle.
//  - Enter presses the button that has the focus, which is the default
//    (first) button when the box opens; Escape presses Abbrechen where the box
//    has it.
//  - Closing the box without a button (Escape without Abbrechen, Alt+F4, the
//    title bar's close button) answers Abbrechen (2) where the box has it, and
//    otherwise the answer of its last button that is not "Ja": Nein (7) for
//    a Ja/Nein box, OK (1) for an OK box. So a question closed that way is
//    always answered by its cautious choice.
//  - The flag property makes the box play the system sound of its icon; the
//    number property is the 0-based index of the default button (the program
//    sets 0, the first one).
//  - Of the seven further show values only the picture has an effect: when
//    one is given it is shown in place of the icon. The help file and context
//    values have nothing to open, and the box always opens centred over its
//    owner (or the screen), which is what the placement value -2 asks for.
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "ui/control_library.h"
#include "ui/control_library_internal.h"
#include "ui/resources/resource_ids.h"
#include "xpc_version.h"

// After the window headers, which these platform headers need.
#include <oleacc.h>

namespace xpconv::ui {

namespace detail {
namespace {

constexpr wchar_t kIconProperty[] = L"qorMessageIcon";

struct ButtonInfo {
  int id;
  const char* caption;
};

// The platform's button-set numbers (the low four bits of the buttons value).
std::vector<ButtonInfo> ButtonsOf(int32_t buttons) {
  switch (buttons & 0xF) {
    case 1:
      return {{kMessageBoxButtonOk, "OK"}, {kMessageBoxButtonCancel, "Abbrechen"}};
    case 2:
      return {{3, "&Beenden"}, {4, "&Wiederholen"}, {5, "&Ignorieren"}};
    case 3:
      return {{kMessageBoxButtonYes, "&Ja"},
              {kMessageBoxButtonNo, "&Nein"},
              {kMessageBoxButtonCancel, "Abbrechen"}};
    case 4:
      return {{kMessageBoxButtonYes, "&Ja"}, {kMessageBoxButtonNo, "&Nein"}};
    case 5:
      return {{4, "&Wiederholen"}, {kMessageBoxButtonCancel, "Abbrechen"}};
    default:
      return {{kMessageBoxButtonOk, "OK"}};
  }
}

MessageIcon IconOf(int32_t buttons) {
  switch (buttons & 0xF0) {
    case 16:
      return MessageIcon::kStop;
    case 32:
      return MessageIcon::kQuestion;
    case 64:
      return MessageIcon::kInformation;
    default:
      return MessageIcon::kNone;
  }
}

int CloseAnswerOf(const std::vector<ButtonInfo>& buttons) {
  for (const ButtonInfo& b : buttons) {
    if (b.id == kMessageBoxButtonCancel) return b.id;
  }
  for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
    if (it->id != kMessageBoxButtonYes) return it->id;
  }
  return buttons.back().id;
}

UINT SoundOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kStop:
      return MB_ICONHAND;
    case MessageIcon::kQuestion:
      return MB_ICONQUESTION;
    case MessageIcon::kInformation:
      return MB_ICONASTERISK;
    default:
      return MB_OK;
  }
}

// Draws a round icon of size x size pixels at (x, y) over background. It is
// drawn four times as large and reduced with averaging, so its edges are
// smooth although GDI draws without anti-aliasing.
void DrawMessageIcon(HDC dc, int x, int y, int size, MessageIcon icon, COLORREF background) {
  if (icon == MessageIcon::kNone || size <= 0) return;
  const int big = size * 4;
  UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(dc, big, big));
  if (!memory || !bitmap) return;
  SelectGuard select_bitmap(memory.get(), bitmap.get());
  HDC m = memory.get();
  const RECT all{0, 0, big, big};
  {
    UniqueBrush back(::CreateSolidBrush(background));
    ::FillRect(m, &all, back.get());
  }
  const COLORREF face = icon == MessageIcon::kStop ? RGB(0xD4, 0x2E, 0x1F) : RGB(0x1F, 0x6C, 0xD2);
  const COLORREF rim = icon == MessageIcon::kStop ? RGB(0x9E, 0x1B, 0x10) : RGB(0x14, 0x4A, 0x94);
  {
    UniqueBrush brush(::CreateSolidBrush(face));
    UniquePen pen(::CreatePen(PS_SOLID, std::max(1, big / 32), rim));
    SelectGuard select_brush(m, brush.get());
    SelectGuard select_pen(m, pen.get());
    ::Ellipse(m, big / 32, big / 32, big - big / 32, big - big / 32);
  }
  const COLORREF white = RGB(0xFF, 0xFF, 0xFF);
  UniqueBrush white_brush(::CreateSolidBrush(white));
  switch (icon) {
    case MessageIcon::kStop: {
      LOGBRUSH stroke{BS_SOLID, white, 0};
      UniquePen pen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND,
                                   static_cast<DWORD>(big / 9), &stroke, 0, nullptr));
      SelectGuard select(m, pen.get());
      const int a = big * 3 / 10;
      const int b = big - a;
      ::MoveToEx(m, a, a, nullptr);
      ::LineTo(m, b, b);
      ::MoveToEx(m, b, a, nullptr);
      ::LineTo(m, a, b);
      break;
    }
    case MessageIcon::kInformation: {
      SelectGuard select_brush(m, white_brush.get());
      SelectGuard select_pen(m, ::GetStockObject(NULL_PEN));
      const int dot = big / 8;
      ::Ellipse(m, big / 2 - dot / 2 - dot / 8, big / 5, big / 2 + dot / 2 + dot / 8,
                big / 5 + dot + dot / 4);
      const int bar = big / 9;
      ::RoundRect(m, big / 2 - bar / 2, big * 4 / 10, big / 2 + bar / 2 + 1, big * 8 / 10, bar,
                  bar);
      break;
    }
    case MessageIcon::kQuestion: {
      LOGFONTW font{};
      font.lfHeight = -big * 7 / 10;
      font.lfWeight = FW_BOLD;
      font.lfCharSet = DEFAULT_CHARSET;
      font.lfQuality = ANTIALIASED_QUALITY;
      wcsncpy_s(font.lfFaceName, LF_FACESIZE, L"Tahoma", _TRUNCATE);
      UniqueFont question(::CreateFontIndirectW(&font));
      SelectGuard select(m, question.get());
      ::SetBkMode(m, TRANSPARENT);
      ::SetTextColor(m, white);
      RECT text = all;
      ::DrawTextW(m, L"?", 1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      break;
    }
    case MessageIcon::kNone:
      break;
  }
  const int old_mode = ::SetStretchBltMode(dc, HALFTONE);
  POINT origin{};
  ::SetBrushOrgEx(dc, 0, 0, &origin);
  ::StretchBlt(dc, x, y, size, size, m, 0, 0, big, big, SRCCOPY);
  ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
  ::SetStretchBltMode(dc, old_mode);
}

// Where a box of the given outer size opens: centred over owner, or over the
// work area of the monitor it is on, and kept on that monitor.
POINT CentredPosition(HWND owner, int width, int height) {
  RECT over{};
  HMONITOR monitor = nullptr;
  if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &over);
    monitor = ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
  } else {
    monitor = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(monitor, &info);
  if (over.right <= over.left) over = info.rcWork;
  POINT at{over.left + (over.right - over.left - width) / 2,
           over.top + (over.bottom - over.top - height) / 2};
  const RECT& work = info.rcWork;
  at.x = std::max(work.left, std::min(at.x, work.right - width));
  at.y = std::max(work.top, std::min(at.y, work.bottom - height));
  return at;
}

// The shape of both boxes: a white message area with an icon and text over a
// band that holds the buttons, modal over its owner.
class ModalBox : public Window {
 public:
  struct Content {
    const wchar_t* class_name;
    std::string title;
    std::string heading;  // bold line above the text; may be empty
    std::string text;
    MessageIcon icon = MessageIcon::kNone;
    HICON program_icon = nullptr;  // shown instead of a drawn icon
    HBITMAP picture = nullptr;     // shown instead of either
    std::vector<ButtonInfo> buttons;
    size_t default_button = 0;
    int close_answer = kMessageBoxButtonOk;
  };

  // A box that ends without an answer (the program is quitting) answers as
  // if it had been closed.
  explicit ModalBox(Content content)
      : content_(std::move(content)), answer_(content_.close_answer) {}

  // No background brush: the boxes paint every pixel themselves.
  static void Register(const wchar_t* class_name) { RegisterShape(class_name, 0, nullptr); }

  // Shows the box and returns the id of the button that closed it.
  int Run(HWND owner) {
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

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
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

 private:
  void Answer(int id) {
    if (id == IDCANCEL && !HasButton(IDCANCEL)) {
      Finish(content_.close_answer);  // Escape on a box without Abbrechen
      return;
    }
    if (HasButton(id)) Finish(id);
  }

  bool HasButton(int id) const {
    return std::any_of(content_.buttons.begin(), content_.buttons.end(),
                       [id](const ButtonInfo& b) { return b.id == id; });
  }

  void Finish(int id) {
    answer_ = id;
    done_ = true;
  }

  int Px(int pixels96) const { return DpiScale(pixels96, dpi_); }

  void Layout(DWORD style, DWORD ex_style, HWND owner) {
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
        WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, text_left,
        text_top + heading.cy + heading_gap, std::max<int>(text.cx, 1), std::max<int>(text.cy, 1),
        hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageBoxPromptId)),
        ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(prompt, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

    // Buttons right-aligned in the band, in tab order left to right.
    int x = client_width - Px(12) - buttons_width;
    const int y = band_top_ + Px(11);
    HWND default_button = nullptr;
    for (size_t i = 0; i < content_.buttons.size(); ++i) {
      const ButtonInfo& button_info = content_.buttons[i];
      const bool is_default = i == content_.default_button;
      HWND button = ::CreateWindowExW(0, L"BUTTON", Utf8ToWide(button_info.caption).c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_NOTIFY |
                                          (i == 0 ? WS_GROUP : 0) |
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

  void Paint(HDC dc) {
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
      ::BitBlt(dc, icon_at_.x, icon_at_.y, icon_size_.cx, icon_size_.cy, memory.get(), 0, 0,
               SRCCOPY);
    } else if (content_.program_icon != nullptr) {
      ::DrawIconEx(dc, icon_at_.x, icon_at_.y, content_.program_icon, icon_size_.cx, icon_size_.cy,
                   0, nullptr, DI_NORMAL);
    } else {
      DrawMessageIcon(dc, icon_at_.x, icon_at_.y, icon_size_.cx, content_.icon,
                      ::GetSysColor(COLOR_WINDOW));
    }
  }

  Content content_;
  UINT dpi_ = 96;
  UniqueFont font_;
  UniqueFont heading_font_;
  SIZE icon_size_{};
  POINT icon_at_{};
  int band_top_ = 0;
  int default_id_ = kMessageBoxButtonOk;
  HWND focus_ = nullptr;
  bool done_ = false;
  int answer_;
};

}  // namespace

void RegisterDialogClasses() {
  ModalBox::Register(kMessageBoxClass);
  ModalBox::Register(kAboutBoxClass);
}

void ShowAboutBox(HWND owner) {
  RegisterControlLibrary(::GetModuleHandleW(nullptr));
  ModalBox::Content content;
  content.class_name = kAboutBoxClass;
  content.title = "Info über qorXPControls";
  content.heading = "qorXPControls " XPC_VERSION_STRING;
  content.text =
      "Steuerelemente im XP-Stil für Visual-Basic-6-Projekte:\r\n"
      "qorCheck, qorOption, qorFrame, qorProgressBar und qorXPForm.\r\n\r\n"
      "Gezeichnet in den Farben des Designs, bedienbar mit Maus und Tastatur.";
  const UINT dpi = WindowDpi(owner);
  content.program_icon = static_cast<HICON>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_XPWIZARD), IMAGE_ICON,
                   DpiScale(32, dpi), DpiScale(32, dpi), LR_DEFAULTCOLOR));
  // A program without our icon resource (the tests) shows the drawn one.
  if (content.program_icon == nullptr) content.icon = MessageIcon::kInformation;
  content.buttons = {{kMessageBoxButtonOk, "OK"}};
  content.close_answer = kMessageBoxButtonOk;
  UniqueIcon icon(content.program_icon);
  ModalBox box(std::move(content));
  box.Run(owner);
}

}  // namespace detail

MessageIcon MessageBoxIconOf(HWND box) {
  if (ControlClassOf(box) != kMessageBoxClass) return MessageIcon::kNone;
  const auto stored = reinterpret_cast<INT_PTR>(::GetPropW(box, detail::kIconProperty));
  if (stored <= 0) return MessageIcon::kNone;
  return static_cast<MessageIcon>(stored - 1);
}

int32_t MessageBoxObject::Show(const std::string& prompt, int32_t buttons, const std::string& title,
                               const std::string& /*text1*/, int32_t /*number1*/,
                               int32_t /*number2*/, const std::string& /*text2*/,
                               int32_t /*number3*/, int32_t /*number4*/, HBITMAP picture) {
  RegisterControlLibrary(::GetModuleHandleW(nullptr));
  detail::ModalBox::Content content;
  content.class_name = kMessageBoxClass;
  content.title = title.empty() ? std::string(kMessageBoxDefaultTitle) : title;
  content.text = prompt;
  content.icon = detail::IconOf(buttons);
  content.picture = picture;
  content.buttons = detail::ButtonsOf(buttons);
  content.default_button = number_ >= 0 && static_cast<size_t>(number_) < content.buttons.size()
                               ? static_cast<size_t>(number_)
                               : 0;
  content.close_answer = detail::CloseAnswerOf(content.buttons);
  if (flag_) ::MessageBeep(detail::SoundOf(content.icon));
  HWND owner = ::GetActiveWindow();
  detail::ModalBox box(std::move(content));
  return box.Run(owner);
}

}  // namespace xpconv::ui
