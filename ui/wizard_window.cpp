#include "ui/wizard_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/batch_run.h"
#include "engine/control_kinds.h"
#include "engine/engine_context.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/messages.h"
#include "engine/project_file.h"
#include "ui/controls/check_box.h"
#include "ui/controls/colour.h"
#include "ui/controls/control_library.h"
#include "ui/controls/frame.h"
#include "ui/message_box.h"
#include "ui/responsive_file_system.h"
#include "ui/win32/dpi.h"
#include "ui/win32/font.h"
#include "ui/win32/text_conversion.h"
#include "ui/windows_host.h"
#include "ui/wizard_open.h"
#include "ui/wizard_pictures.h"

namespace xpconv::ui {

namespace {

constexpr int kClientWidthTwips = 9045;
// The designed 6105 twips and one row more for the user-controls box and
// "&Wiederherstellen...".
constexpr int kClientHeightTwips = 6525;
// The window's designed background: the system's button face.
constexpr int32_t kDesignedBackColour = static_cast<int32_t>(0x80000000u | COLOR_BTNFACE);
constexpr double kTitlePoints = 9.75;
constexpr int kFolderIconPixels = 16;
// The icons of the program's resources, when the executable carries them.
constexpr int kResourceProgramIcon = 101;
constexpr int kResourceFolderIcon = 102;

constexpr const char* kFolderToolTip = "Projektdatei auswählen";
constexpr const char* kDesignersCaption = "Benutzersteuerelemente einbeziehen (.ctl, .pag, .dob)";

// Where every control sits, in twips, relative to its container (0: the
// client area). The order is the designed tab order.
struct Placement {
  int id;
  int container;
  int left, top, width, height;
};
constexpr Placement kPlacements[] = {
    {kIdLabelProject, 0, 210, 1290, 1170, 225},
    {kIdProject, 0, 1890, 1260, 6525, 285},
    {kIdFolder, 0, 8505, 1230, 330, 330},
    {kIdList, 0, 1890, 1680, 6945, 1965},
    {kIdAll, 0, 210, 3255, 1590, 330},
    {kIdLabelSettings, 0, 210, 3885, 1170, 225},
    {kIdBackup, 0, 1995, 3885, 6525, 225},
    {kIdXPStyle, 0, 1995, 4200, 6525, 225},
    {kIdFrame, 0, 1995, 4725, 5055, 1065},
    {kIdReplaceFirst + 0, kIdFrame, 210, 315, 1590, 225},
    {kIdReplaceFirst + 1, kIdFrame, 210, 630, 1590, 225},
    {kIdReplaceFirst + 2, kIdFrame, 2205, 315, 1590, 225},
    {kIdReplaceFirst + 3, kIdFrame, 2205, 630, 1590, 225},
    {kIdDesigners, 0, 1995, 5935, 5055, 225},
    {kIdRestore, 0, 210, 5880, 1680, 330},
    {kIdPreview, 0, 7245, 4620, 1590, 330},
    {kIdStart, 0, 7245, 5040, 1590, 330},
    {kIdExit, 0, 7245, 5460, 1590, 330},
    {kIdHeader, 0, 0, 0, 9045, 1065},
    {kIdTitle, kIdHeader, 1155, 105, 7785, 330},
    {kIdDescription, kIdHeader, 1365, 420, 7575, 540},
    {kIdHeaderPicture, kIdHeader, 105, 105, 915, 825},
};

RECT PlacementRect(const Placement& p, UINT dpi) {
  return TwipsRect(p.left, p.top, p.width, p.height, dpi);
}

HMENU IdMenu(int id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

}  // namespace

// --- the wizard window ---

Wizard::Wizard(HINSTANCE instance, AbortFlag& abort, OpenDialogFunction open_dialog,
               SaveDialogFunction save_dialog)
    : instance_(instance),
      abort_(abort),
      open_dialog_(std::move(open_dialog)),
      save_dialog_(std::move(save_dialog)),
      back_colour_(kDesignedBackColour) {}

Wizard::~Wizard() {
  skin_.Detach();
  if (hwnd() != nullptr) {
    // Destroyed by its owner, not closed by the user: the program goes on.
    on_closed = nullptr;
    ::DestroyWindow(hwnd());
  }
}

void Wizard::Create() {
  if (hwnd() != nullptr) throw std::logic_error("the wizard window exists already");
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
  RegisterControlLibrary(instance_);
  HeaderBand::Register();
  RegisterShape(kWizardClass, 0, nullptr);

  back_brush_.reset(::CreateSolidBrush(ResolveColour(back_colour_)));
  dpi_ = WindowDpi(nullptr);
  // Fixed frame, help button; the platform shows the help button only
  // without minimise and maximise buttons.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_CONTEXTHELP | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
  HWND window = CreateShaped(ex_style, kWizardClass, Utf8ToWide(kWizardCaption), style,
                             CW_USEDEFAULT, CW_USEDEFAULT, TwipsToPixels(kClientWidthTwips, dpi_),
                             TwipsToPixels(kClientHeightTwips, dpi_), nullptr, nullptr);
  if (window == nullptr) throw std::runtime_error("the wizard window cannot be created");
  dpi_ = WindowDpi(window);

  CreateFonts();
  CreatePictures();
  CreateControls();

  FormStyle designed;
  designed.border_style = 1;
  designed.allow_size = false;
  designed.help_button = true;
  designed.max_button = false;
  designed.min_button = false;
  designed.icon = icon_large_.get();
  skin_.on_colours_changed = [this](int32_t) { RecolourOptionControls(); };
  skin_.on_help_requested = [this](int16_t& flag) { ShowLibraryAbout(flag); };
  skin_.on_settings_changed = [this] { ForwardToSkin(); };
  skin_.Attach(window, designed);
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_large_.get()));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));
  AcceptDroppedFiles(window);
  LayOut();
}

void Wizard::CreateFonts() {
  font_ = CreateUiFont(dpi_);
  title_font_ = CreateUiFont(dpi_, kTitlePoints, FW_BOLD);
  if (!font_ || !title_font_) throw std::runtime_error("the wizard's fonts cannot be created");
}

void Wizard::CreatePictures() {
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  const int large = ::GetSystemMetrics(SM_CXICON);
  const int small = ::GetSystemMetrics(SM_CXSMICON);
  const int folder = DpiScale(kFolderIconPixels, dpi_);
  auto load = [&](int resource, int size) {
    return UniqueIcon(static_cast<HICON>(
        ::LoadImageW(module, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, 0)));
  };
  // The program's resources carry the icons; a test program has none and
  // draws the same kind of picture itself.
  icon_large_ = load(kResourceProgramIcon, large);
  if (!icon_large_) icon_large_ = MakeDrawnIcon(large, &DrawHeaderPicture);
  icon_small_ = load(kResourceProgramIcon, small);
  if (!icon_small_) icon_small_ = MakeDrawnIcon(small, &DrawHeaderPicture);
  folder_icon_ = load(kResourceFolderIcon, folder);
  if (!folder_icon_) folder_icon_ = MakeDrawnIcon(folder, &DrawFolder);
}

void Wizard::CreateControls() {
  HWND window = hwnd();
  auto make = [&](HWND parent, const wchar_t* cls, const std::string& text, DWORD style,
                  DWORD ex_style, int id, HFONT font) {
    HWND control =
        ::CreateWindowExW(ex_style, cls, Utf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0,
                          0, 0, 0, parent, IdMenu(id), instance_, nullptr);
    if (control == nullptr) throw std::runtime_error("a control of the wizard cannot be created");
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  };
  HFONT font = font_.get();
  const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;

  // Creation order is the tab order.
  make(window, L"STATIC", "&Projektdatei:", SS_LEFT, 0, kIdLabelProject, font);
  make(window, L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, kIdProject,
       font);
  // The caption names the button for screen readers; BS_ICON shows only the
  // picture.
  HWND folder = make(window, L"BUTTON", kFolderToolTip, button | BS_ICON, 0, kIdFolder, font);
  ::SendMessageW(folder, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(folder_icon_.get()));
  make(window, L"LISTBOX", "",
       WS_TABSTOP | WS_VSCROLL | LBS_MULTIPLESEL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
       WS_EX_CLIENTEDGE, kIdList, font);
  ::EnableWindow(make(window, L"BUTTON", "Alle Dateien", button, 0, kIdAll, font), FALSE);
  make(window, L"STATIC", "&Einstellungen:", SS_LEFT, 0, kIdLabelSettings, font);

  CheckCreateArgs check;
  check.parent = window;
  check.value = 1;
  check.font = font;
  check.border_color = 8409372;
  check.check_mark_color = 2203937;
  auto make_check = [&](HWND parent, int id, std::string_view caption) {
    check.parent = parent;
    check.id = id;
    check.caption = std::string(caption);
    HWND box = CreateCheck(check);
    if (box == nullptr) throw std::runtime_error("a check box of the wizard cannot be created");
    return box;
  };
  make_check(window, kIdBackup, "Kopie der Originaldateien im Ordner \"_Backup\" erstellen");
  make_check(window, kIdXPStyle, "Standard-Controls autom. auf XP-Style setzen");

  FrameCreateArgs frame_args;
  frame_args.parent = window;
  frame_args.id = kIdFrame;
  frame_args.caption = "Autom. Ersetzen nachfolgender Standard-Controls";
  frame_args.border_color = 12164479;
  frame_args.fore_color = 12582912;
  frame_args.check_mark_color = 2203937;
  frame_args.font = font;
  HWND frame = CreateFrame(frame_args);
  if (frame == nullptr) throw std::runtime_error("the frame of the wizard cannot be created");
  // Tab and the access keys reach the check boxes inside the frame.
  ::SetWindowLongPtrW(frame, GWL_EXSTYLE,
                      ::GetWindowLongPtrW(frame, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  // Captioned with the classes they replace, in the order of the kinds.
  for (int kind = 0; kind < kReplaceKinds; ++kind) {
    make_check(frame, kIdReplaceFirst + kind, kControlKindNames[static_cast<size_t>(kind)]);
  }
  // Unticked at start: the list and a run are as they always were.
  check.value = 0;
  make_check(window, kIdDesigners, kDesignersCaption);
  ::EnableWindow(make(window, L"BUTTON", "&Wiederherstellen...", button, 0, kIdRestore, font),
                 FALSE);
  ::EnableWindow(make(window, L"BUTTON", "&Vorschau...", button, 0, kIdPreview, font), FALSE);

  ::EnableWindow(make(window, L"BUTTON", "&Starten", button, 0, kIdStart, font), FALSE);
  make(window, L"BUTTON", "&Beenden", button, 0, kIdExit, font);

  HWND header = header_.Create(window, kIdHeader);
  if (header == nullptr) throw std::runtime_error("a control of the wizard cannot be created");
  make(header, L"STATIC", kWizardCaption, SS_LEFT | SS_NOPREFIX, 0, kIdTitle, title_font_.get());
  make(header, L"STATIC",
       "Dieser Assistent ersetzt die Standard-Controls durch die modernen qorXP-Controls in allen "
       "Form-Modulen des ausgewählten VB-Projekts.",
       SS_LEFT | SS_NOPREFIX, 0, kIdDescription, font);
  make(header, L"STATIC", "", SS_OWNERDRAW, 0, kIdHeaderPicture, font);

  tooltip_ =
      ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance_, nullptr);
  if (tooltip_ != nullptr) {
    std::wstring tip = Utf8ToWide(kFolderToolTip);
    TOOLINFOW tool{};
    // The smaller record works with every version of the common controls.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(folder);
    tool.lpszText = tip.data();
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Wizard::LayOut() {
  HWND window = hwnd();
  // The client area has the designed size whatever frame the skin gave it.
  RECT outer{};
  RECT client{};
  ::GetWindowRect(window, &outer);
  ::GetClientRect(window, &client);
  const int width = TwipsToPixels(kClientWidthTwips, dpi_) + (outer.right - outer.left) -
                    (client.right - client.left);
  const int height = TwipsToPixels(kClientHeightTwips, dpi_) + (outer.bottom - outer.top) -
                     (client.bottom - client.top);
  ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const Placement& p : kPlacements) {
    const RECT r = PlacementRect(p, dpi_);
    ::MoveWindow(control(p.id), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
}

void Wizard::Show(int show_command) {
  HWND window = hwnd();
  // Centred on the work area of the monitor the window was created on.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT outer{};
  ::GetWindowRect(window, &outer);
  const RECT& work = monitor.rcWork;
  const int x =
      work.left + std::max(0L, ((work.right - work.left) - (outer.right - outer.left)) / 2);
  const int y =
      work.top + std::max(0L, ((work.bottom - work.top) - (outer.bottom - outer.top)) / 2);
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(window, show_command);
  ::UpdateWindow(window);
  HWND first = ::GetNextDlgTabItem(window, nullptr, FALSE);
  if (first != nullptr) ::SetFocus(first);
}

bool Wizard::PreTranslate(MSG& msg) {
  HWND window = hwnd();
  if (window == nullptr) return false;
  if (msg.hwnd != window && !::IsChild(window, msg.hwnd)) return false;
  return ::IsDialogMessageW(window, &msg) != FALSE;
}

void Wizard::SetBackColour(int32_t colour) {
  back_colour_ = colour;
  back_brush_.reset(::CreateSolidBrush(ResolveColour(colour)));
  if (hwnd() != nullptr) ::InvalidateRect(hwnd(), nullptr, TRUE);
}

// --- the routines ---

void Wizard::StartConversion() {
  if (running_) return;
  running_ = true;
  CodeCheckRequest code_check;
  code_check.options = CodeOptions();
  std::unique_ptr<FileSystem> native;
  try {
    native = MakeNativeFileSystem();
    WindowsHost host(instance_, *this, abort_);
    ResponsiveFileSystem fs(*native, [&host] { return host.KeepResponsive(); });
    EngineContext context{host, fs, abort_, nullptr, &code_check};
    RunConversion(context);
  } catch (const VbError& error) {
    // The run traps its own errors; this is what escapes it (the file
    // system cannot be set up, the progress window cannot be created).
    ShowError(error.number(), error.description());
  } catch (const std::exception& error) {
    ShowMessage(std::string("Fehler: ") + error.what(), mb::kOk, "");
  }
  running_ = false;
  if (hwnd() != nullptr && !::IsWindowEnabled(hwnd())) ::EnableWindow(hwnd(), TRUE);
  // Made only by a run that reached its summary.
  if (code_check.result && native && hwnd() != nullptr) OfferCodeLines(*code_check.result, *native);
}

void Wizard::ShowError(int32_t number, const std::string& description, const std::string& file) {
  ShowMessage(file.empty() ? msg::ErrorPrompt(number, description)
                           : msg::FileErrorPrompt(number, description, file),
              mb::kOk, "");
}

void Wizard::RecolourOptionControls() {
  struct Walk {
    int32_t colour;
  } walk{back_colour_};
  // EnumChildWindows visits the children of children too (the frame's boxes).
  ::EnumChildWindows(
      hwnd(),
      [](HWND child, LPARAM lp) -> BOOL {
        const auto* w = reinterpret_cast<const Walk*>(lp);
        const std::wstring cls = ControlClassOf(child);
        if (cls == kFrameClass || cls == kCheckClass) {
          SetControlProperty(child, "BackColor", w->colour);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&walk));
}

void Wizard::ShowLibraryAbout(int16_t& flag) {
  flag = -1;
  skin_.AboutBox();
}

void Wizard::ForwardToSkin() {
  skin_.Reapply();
}

// --- messages ---

void Wizard::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  // A click that reaches a disabled button (sent by a program, not a user)
  // does nothing, as the user's own clicks on it do.
  if (HWND button = id == IDOK ? nullptr : control(id);
      button != nullptr && !::IsWindowEnabled(button)) {
    return;
  }
  switch (id) {
    case kIdFolder:
      BrowseForProject();
      break;
    case kIdAll:
      SelectAllEntries();
      break;
    case kIdDesigners:
      // The list follows the box at once; without a project there is none.
      if (!ProjectPath().empty() && !running_) ReloadProjectList();
      break;
    case kIdRestore:
      RestoreProject();
      break;
    case kIdPreview:
      ShowPreview();
      break;

    case kIdStart:
      StartConversion();
      break;
    case kIdExit:
      ::SendMessageW(hwnd(), WM_CLOSE, 0, 0);
      break;
    case IDOK: {
      // Enter: the dialog keys send IDOK unless a default button exists;
      // the focused push button is the one meant.
      HWND focus = ::GetFocus();
      for (int button : {kIdFolder, kIdAll, kIdRestore, kIdPreview, kIdStart, kIdExit}) {
        if (focus == control(button)) ::SendMessageW(focus, BM_CLICK, 0, 0);
      }
      break;
    }
    default:
      break;
  }
}

LRESULT Wizard::OnControlColour(HDC dc, HWND child) {
  // The read-only path box keeps the platform's look; labels take the
  // window's background.
  if (child == control(kIdProject))
    return DefaultProc(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(child));
  ::SetBkColor(dc, ResolveColour(back_colour_));
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(back_brush_.get());
}

void Wizard::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  UniqueFont old_font = std::move(font_);
  UniqueFont old_title = std::move(title_font_);
  CreateFonts();
  ::EnumChildWindows(
      hwnd(),
      [](HWND child, LPARAM lp) -> BOOL {
        ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(lp), TRUE);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(font_.get()));
  ::SendMessageW(control(kIdTitle), WM_SETFONT, reinterpret_cast<WPARAM>(title_font_.get()), TRUE);
  folder_icon_ = MakeDrawnIcon(DpiScale(kFolderIconPixels, dpi_), &DrawFolder);
  ::SendMessageW(control(kIdFolder), BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(folder_icon_.get()));
  ::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
}

LRESULT Wizard::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_NEXTDLGCTL: {
      // IsDialogMessage moves the focus through this message, which only a
      // dialog's own procedure would handle.
      HWND target =
          lp != 0 ? reinterpret_cast<HWND>(wp) : ::GetNextDlgTabItem(hwnd(), ::GetFocus(), wp != 0);
      if (target != nullptr) {
        ::SetFocus(target);
        if (target == control(kIdProject)) ::SendMessageW(target, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_ACTIVATE:
      // Like a dialog, the window gives the focus back to the control that
      // had it when it was deactivated (a message box, the progress window).
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(hwnd(), focus)) last_focus_ = focus;
      } else if (last_focus_ != nullptr && ::IsWindow(last_focus_) &&
                 ::IsWindowEnabled(last_focus_)) {
        ::SetFocus(last_focus_);
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      return OnControlColour(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ERASEBKGND: {
      RECT client{};
      ::GetClientRect(hwnd(), &client);
      ::FillRect(reinterpret_cast<HDC>(wp), &client, back_brush_.get());
      return 1;
    }
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_CLOSE:
      // A run in progress pumps messages in this window's stack; the window
      // must outlive it.
      if (running_) return 0;
      ::DestroyWindow(hwnd());
      return 0;
    default:
      break;
  }
  return DefaultProc(msg, wp, lp);
}

void Wizard::OnDestroyed() {
  if (on_closed) on_closed();
}

}  // namespace xpconv::ui
