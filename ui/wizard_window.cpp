#include "ui/wizard_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/batch_run.h"
#include "engine/engine_context.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/project_file.h"
#include "ui/message_box.h"
#include "ui/responsive_file_system.h"

namespace xpconv::ui {

namespace {

constexpr int kClientWidthTwips = 9045;
constexpr int kClientHeightTwips = 6105;
// The window's designed background: the system's button face.
constexpr int32_t kDesignedBackColour = static_cast<int32_t>(0x80000000u | COLOR_BTNFACE);
constexpr COLORREF kHeaderColour = RGB(255, 255, 255);  // 16777215
constexpr double kTitlePoints = 9.75;
constexpr int kFolderIconPixels = 16;
constexpr int kPictureWidth = 61;
constexpr int kPictureHeight = 55;
// The icons of the program's resources, when the executable carries them.
constexpr int kResourceProgramIcon = 101;
constexpr int kResourceFolderIcon = 102;

constexpr const char* kFolderToolTip = "Projektdatei auswählen";

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

// The application-wide busy pointer while a routine runs without pumping.
class BusyPointer {
 public:
  BusyPointer() { ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
  ~BusyPointer() { ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }
};

// Stops a list from repainting for one scope and repaints it once at its
// end: filling or selecting thousands of entries then costs one repaint.
class ListRedrawPause {
 public:
  explicit ListRedrawPause(HWND list) : list_(list) {
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  }
  ListRedrawPause(const ListRedrawPause&) = delete;
  ListRedrawPause& operator=(const ListRedrawPause&) = delete;
  ~ListRedrawPause() {
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(list_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
  }

 private:
  HWND list_;
};

std::string ErrorPrompt(int32_t number, const std::string& description) {
  return "Fehler: " + std::to_string(number) + "\r\n" + description;
}

HMENU IdMenu(int id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// --- pictures drawn by us ---

// Scales a point of the 61 x 55 design into rect.
struct PictureScale {
  RECT rect;
  int X(int x) const { return rect.left + MulDiv(x, rect.right - rect.left, kPictureWidth); }
  int Y(int y) const { return rect.top + MulDiv(y, rect.bottom - rect.top, kPictureHeight); }
  RECT R(int l, int t, int r, int b) const { return RECT{X(l), Y(t), X(r), Y(b)}; }
};

void FillRectColour(HDC dc, const RECT& r, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FillRect(dc, &r, brush.get());
}

void FrameRectColour(HDC dc, const RECT& r, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FrameRect(dc, &r, brush.get());
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width) {
  UniquePen pen(::CreatePen(PS_SOLID, width, colour));
  SelectGuard select(dc, pen.get());
  ::MoveToEx(dc, x1, y1, nullptr);
  ::LineTo(dc, x2, y2);
}

// A small 32-bit icon drawn by draw on a key colour; key pixels become
// transparent.
UniqueIcon MakeDrawnIcon(int size, const std::function<void(HDC, const RECT&)>& draw) {
  constexpr COLORREF kKey = RGB(255, 0, 255);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap colour(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!colour || !mask || !dc || bits == nullptr) return UniqueIcon();
  {
    SelectGuard select(dc.get(), colour.get());
    const RECT all{0, 0, size, size};
    FillRectColour(dc.get(), all, kKey);
    draw(dc.get(), all);
    ::GdiFlush();
  }
  // Pixels are 0x00RRGGBB in a top-down DIB; GDI leaves alpha at 0.
  auto* pixels = static_cast<uint32_t*>(bits);
  const uint32_t key = 0x00FF00FFu;
  std::vector<uint8_t> mask_bits(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
  const int stride = (size + 15) / 16 * 2;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      uint32_t& px = pixels[y * size + x];
      if ((px & 0x00FFFFFFu) == key) {
        px = 0;
        mask_bits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else {
        px |= 0xFF000000u;
      }
    }
  }
  ::SetBitmapBits(mask.get(), static_cast<LONG>(mask_bits.size()), mask_bits.data());
  ICONINFO icon_info{};
  icon_info.fIcon = TRUE;
  icon_info.hbmColor = colour.get();
  icon_info.hbmMask = mask.get();
  return UniqueIcon(::CreateIconIndirect(&icon_info));
}

void DrawFolder(HDC dc, const RECT& rect) {
  const int s = rect.right - rect.left;
  auto at = [&](int v) { return MulDiv(v, s, 16); };
  const COLORREF outline = RGB(150, 110, 20);
  // The back with its tab, then the open front flap.
  FillRectColour(dc, RECT{at(1), at(3), at(7), at(5)}, RGB(230, 180, 60));
  FillRectColour(dc, RECT{at(1), at(4), at(15), at(14)}, RGB(230, 180, 60));
  FrameRectColour(dc, RECT{at(1), at(4), at(15), at(14)}, outline);
  FrameRectColour(dc, RECT{at(1), at(3), at(7), at(5)}, outline);
  POINT flap[] = {{at(3), at(7)}, {at(16) - 1, at(7)}, {at(14), at(14) - 1}, {at(1), at(14) - 1}};
  UniqueBrush flap_brush(::CreateSolidBrush(RGB(255, 220, 110)));
  UniquePen flap_pen(::CreatePen(PS_SOLID, 1, outline));
  SelectGuard select_brush(dc, flap_brush.get());
  SelectGuard select_pen(dc, flap_pen.get());
  ::Polygon(dc, flap, 4);
}

}  // namespace

// --- the header picture ---

void DrawHeaderPicture(HDC dc, const RECT& rect) {
  const PictureScale s{rect};
  const int pen = std::max(1, MulDiv(1, rect.right - rect.left, kPictureWidth));
  // A small form with a ticked check box, a frame and a progress bar, in the
  // library's colours, and a wand that turns the old controls into the new.
  FillRectColour(dc, s.R(2, 5, 45, 46), RGB(236, 233, 216));
  FrameRectColour(dc, s.R(2, 5, 45, 46), RGB(0, 60, 180));
  // The title bar runs from dark to light blue.
  const RECT bar = s.R(3, 6, 44, 13);
  const int span = std::max(1, static_cast<int>(bar.right - bar.left));
  for (int x = 0; x < span; ++x) {
    const COLORREF c = RGB(80 * x / span, 48 + 96 * x / span, 176 + 72 * x / span);
    FillRectColour(dc, RECT{bar.left + x, bar.top, bar.left + x + 1, bar.bottom}, c);
  }
  FillRectColour(dc, s.R(37, 7, 42, 12), RGB(220, 80, 40));

  // The check box with its mark (border 8409372, mark 2203937).
  const RECT box = s.R(7, 17, 15, 25);
  FillRectColour(dc, box, RGB(255, 255, 255));
  FrameRectColour(dc, box, ResolveColour(8409372));
  Line(dc, s.X(9), s.Y(21), s.X(11), s.Y(23), ResolveColour(2203937), pen * 2);
  Line(dc, s.X(11), s.Y(23), s.X(14), s.Y(18), ResolveColour(2203937), pen * 2);
  Line(dc, s.X(18), s.Y(20), s.X(38), s.Y(20), RGB(120, 120, 120), pen);
  Line(dc, s.X(18), s.Y(23), s.X(32), s.Y(23), RGB(160, 160, 160), pen);

  // The frame (border 12164479) with a progress bar (fill 3724597).
  const RECT frame = s.R(6, 29, 41, 42);
  UniquePen frame_pen(::CreatePen(PS_SOLID, pen, ResolveColour(12164479)));
  {
    SelectGuard select_pen(dc, frame_pen.get());
    SelectGuard select_brush(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, frame.left, frame.top, frame.right, frame.bottom, s.X(4) - s.X(0),
                s.Y(4) - s.Y(0));
  }
  const RECT track = s.R(10, 34, 37, 38);
  FillRectColour(dc, track, RGB(255, 255, 255));
  FillRectColour(dc, s.R(10, 34, 28, 38), ResolveColour(3724597));
  FrameRectColour(dc, track, ResolveColour(8409372));

  // The wand: a dark stick with a white tip, and a star where it points.
  Line(dc, s.X(57), s.Y(53), s.X(38), s.Y(32), RGB(40, 40, 40), pen * 3);
  Line(dc, s.X(41), s.Y(35), s.X(37), s.Y(31), RGB(250, 250, 250), pen * 3);
  const COLORREF star = RGB(255, 200, 0);
  Line(dc, s.X(34), s.Y(21), s.X(34), s.Y(33), star, pen * 2);
  Line(dc, s.X(28), s.Y(27), s.X(40), s.Y(27), star, pen * 2);
  Line(dc, s.X(30), s.Y(23), s.X(38), s.Y(31), star, pen);
  Line(dc, s.X(38), s.Y(23), s.X(30), s.Y(31), star, pen);
  Line(dc, s.X(50), s.Y(14), s.X(50), s.Y(20), star, pen);
  Line(dc, s.X(47), s.Y(17), s.X(53), s.Y(17), star, pen);
}

// --- the header band ---

namespace {

LRESULT CALLBACK HeaderBandProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintGuard paint(hwnd);
      FillRectColour(paint.dc(), paint.paint().rcPaint, kHeaderColour);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client{};
      ::GetClientRect(hwnd, &client);
      FillRectColour(reinterpret_cast<HDC>(wp), client, kHeaderColour);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetBkColor(dc, kHeaderColour);
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlID != static_cast<UINT>(kIdHeaderPicture)) break;
      FillRectColour(item->hDC, item->rcItem, kHeaderColour);
      DrawHeaderPicture(item->hDC, item->rcItem);
      return TRUE;
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterHeaderBand(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, kHeaderBandClass, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &HeaderBandProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kHeaderBandClass;
  if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("the header band class cannot be registered");
  }
}

// --- the wizard window ---

Wizard::Wizard(HINSTANCE instance, AbortFlag& abort, OpenDialogFunction open_dialog)
    : instance_(instance),
      abort_(abort),
      open_dialog_(std::move(open_dialog)),
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
  HINSTANCE module = ::GetModuleHandleW(nullptr);
  RegisterHeaderBand(module);
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
  auto make_check = [&](HWND parent, int id, const char* caption) {
    check.parent = parent;
    check.id = id;
    check.caption = caption;
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
  static constexpr const char* kKindCaptions[kReplaceKinds] = {"Frame", "CheckBox", "OptionButton",
                                                               "ProgressBar"};
  for (int kind = 0; kind < kReplaceKinds; ++kind) {
    make_check(frame, kIdReplaceFirst + kind, kKindCaptions[kind]);
  }

  ::EnableWindow(make(window, L"BUTTON", "&Starten", button, 0, kIdStart, font), FALSE);
  make(window, L"BUTTON", "&Beenden", button, 0, kIdExit, font);

  // The band takes no input, so it is no tab stop.
  header_ = make(window, kHeaderBandClass, "", 0, 0, kIdHeader, font);
  make(header_, L"STATIC", kWizardCaption, SS_LEFT | SS_NOPREFIX, 0, kIdTitle, title_font_.get());
  make(header_, L"STATIC",
       "Dieser Assistent ersetzt die Standard-Controls durch die modernen qorXP-Controls in allen "
       "Form-Modulen des ausgewählten VB-Projekts.",
       SS_LEFT | SS_NOPREFIX, 0, kIdDescription, font);
  make(header_, L"STATIC", "", SS_OWNERDRAW, 0, kIdHeaderPicture, font);

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

HWND Wizard::control(int id) const {
  HWND window = hwnd();
  if (window == nullptr) return nullptr;
  if (HWND direct = ::GetDlgItem(window, id)) return direct;
  for (int container : {kIdFrame, kIdHeader}) {
    HWND parent = ::GetDlgItem(window, container);
    if (parent == nullptr) continue;
    if (HWND inner = ::GetDlgItem(parent, id)) return inner;
  }
  return nullptr;
}

HWND Wizard::replace_box(int kind) const {
  return control(kIdReplaceFirst + kind);
}

void Wizard::SetBackColour(int32_t colour) {
  back_colour_ = colour;
  back_brush_.reset(::CreateSolidBrush(ResolveColour(colour)));
  if (hwnd() != nullptr) ::InvalidateRect(hwnd(), nullptr, TRUE);
}

// --- the routines ---

void Wizard::BrowseForProject() {
  const std::string path = ProjectPath();
  const size_t slash = path.rfind('\\');
  const std::string initial_folder =
      slash == std::string::npos ? std::string() : path.substr(0, slash);
  const std::string chosen = open_dialog_(kProjectFilter, initial_folder);
  if (chosen.empty()) return;
  OpenChosenProject(chosen);
}

void Wizard::OpenChosenProject(const std::string& ansi_path) {
  SetProjectText(ansi_path);
  LoadProjectList();
}

void Wizard::LoadProjectList() {
  const std::string path = ProjectPath();
  project_folder_ = ProjectFolderOf(path);
  std::vector<std::string> entries;
  std::unique_ptr<VbError> failure;
  {
    BusyPointer busy;
    ::SendMessageW(control(kIdList), LB_RESETCONTENT, 0, 0);
    entries_.clear();
    try {
      auto fs = MakeNativeFileSystem();
      entries = ReadFormEntries(*fs, path);
    } catch (const VbError& error) {
      failure = std::make_unique<VbError>(error);
    } catch (const std::exception& error) {
      // Nothing may leave a window procedure; report it like the others.
      failure = std::make_unique<VbError>(err::kPathFileAccess, error.what());
    }
    if (!failure) FillList(entries);
  }
  if (failure) {
    ResetToNoProject();
    ShowMessage(ErrorPrompt(failure->number(), failure->description()), mb::kOk, "");
  }
}

void Wizard::FillList(const std::vector<std::string>& entries) {
  HWND list = control(kIdList);
  {
    // One repaint for the whole list instead of one per entry, with room
    // for every entry reserved up front.
    ListRedrawPause pause(list);
    size_t characters = 0;
    for (const std::string& entry : entries) characters += entry.size() + 1;
    ::SendMessageW(list, LB_INITSTORAGE, entries.size(),
                   static_cast<LPARAM>(characters * sizeof(wchar_t)));
    entries_.reserve(entries.size());
    for (const std::string& entry : entries) {
      ::SendMessageW(list, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Utf8ToWide(AnsiToUtf8(entry)).c_str()));
      entries_.push_back(entry);
    }
  }
  const bool any = !entries_.empty();
  ::EnableWindow(control(kIdAll), any);
  ::EnableWindow(control(kIdStart), any);
  if (any) {
    ::EnableWindow(list, TRUE);
  } else {
    ::SendMessageW(list, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Utf8ToWide(kNoFormsEntry).c_str()));
    entries_.emplace_back(kNoFormsEntry);
    ::EnableWindow(list, FALSE);
  }
  // A keyboard user whose control was just disabled keeps a place to go on.
  HWND focus = ::GetFocus();
  if (focus == nullptr || !::IsWindowEnabled(focus)) ::SetFocus(control(kIdFolder));
}

void Wizard::ResetToNoProject() {
  SetProjectText("");
  project_folder_.clear();
  entries_.clear();
  HWND list = control(kIdList);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  ::EnableWindow(list, TRUE);
  ::EnableWindow(control(kIdAll), FALSE);
  ::EnableWindow(control(kIdStart), FALSE);
  HWND focus = ::GetFocus();
  if (focus == nullptr || !::IsWindowEnabled(focus)) ::SetFocus(control(kIdFolder));
}

void Wizard::SetProjectText(const std::string& ansi_path) {
  ::SetWindowTextW(control(kIdProject), Utf8ToWide(AnsiToUtf8(ansi_path)).c_str());
}

void Wizard::SelectAllEntries() {
  BusyPointer busy;
  HWND list = control(kIdList);
  // One message selects every entry (index -1), and the list repaints once.
  ListRedrawPause pause(list);
  ::SendMessageW(list, LB_SETSEL, TRUE, -1);
}

void Wizard::StartConversion() {
  if (running_) return;
  running_ = true;
  try {
    auto native = MakeNativeFileSystem();
    WindowsHost host(instance_, *this, abort_);
    ResponsiveFileSystem fs(*native, [&host] { return host.KeepResponsive(); });
    EngineContext context{host, fs, abort_};
    RunConversion(context);
  } catch (const VbError& error) {
    // The run traps its own errors; this is what escapes it (the file
    // system cannot be set up, the progress window cannot be created).
    ShowMessage(ErrorPrompt(error.number(), error.description()), mb::kOk, "");
  } catch (const std::exception& error) {
    ShowMessage(std::string("Fehler: ") + error.what(), mb::kOk, "");
  }
  running_ = false;
  held_selection_.reset();
  if (hwnd() != nullptr && !::IsWindowEnabled(hwnd())) ::EnableWindow(hwnd(), TRUE);
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

// --- the operations the engine reads ---

std::string Wizard::ProjectPath() {
  HWND box = control(kIdProject);
  const int length = ::GetWindowTextLengthW(box);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(box, text.data(), length + 1)));
  return Utf8ToAnsi(WideToUtf8(text));
}

std::string Wizard::ProjectFolder() {
  return project_folder_;
}

int32_t Wizard::EntryCount() {
  return static_cast<int32_t>(::SendMessageW(control(kIdList), LB_GETCOUNT, 0, 0));
}

int32_t Wizard::SelectedCount() {
  const LRESULT count = ::SendMessageW(control(kIdList), LB_GETSELCOUNT, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int32_t>(count);
}

bool Wizard::IsEntrySelected(int16_t index) {
  if (held_selection_ && index >= 0 && static_cast<size_t>(index) < held_selection_->size()) {
    return (*held_selection_)[static_cast<size_t>(index)];
  }
  return ::SendMessageW(control(kIdList), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

std::string Wizard::EntryText(int16_t index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) {
    throw VbError(381, "Ungültiger Eigenschaftenarray-Index");
  }
  return entries_[static_cast<size_t>(index)];
}

int32_t Wizard::BackupOption() {
  return CheckValue(control(kIdBackup));
}

void Wizard::SwitchBackupOn() {
  CheckSetValue(control(kIdBackup), 1);
}

void Wizard::SetWizardEnabled(bool enabled) {
  held_selection_.reset();
  ::EnableWindow(hwnd(), enabled);
  if (enabled) return;
  HWND list = control(kIdList);
  const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
  const LRESULT selected = ::SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  if (count == LB_ERR || selected == LB_ERR) return;  // asked live, as before
  std::vector<int> indices(static_cast<size_t>(selected));
  if (selected > 0 && ::SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(selected),
                                     reinterpret_cast<LPARAM>(indices.data())) != selected) {
    return;
  }
  std::vector<bool> held(static_cast<size_t>(count), false);
  for (int index : indices) {
    if (index >= 0 && index < count) held[static_cast<size_t>(index)] = true;
  }
  held_selection_ = std::move(held);
}

int32_t Wizard::ReplaceOption(int16_t kind) {
  if (kind < 0 || kind >= kReplaceKinds) {
    throw VbError(340, "Steuerelementfeld-Element '" + std::to_string(kind) + "' existiert nicht");
  }
  return CheckValue(replace_box(kind));
}

int32_t Wizard::XPStyleOption() {
  return CheckValue(control(kIdXPStyle));
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
      for (int button : {kIdFolder, kIdAll, kIdStart, kIdExit}) {
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
