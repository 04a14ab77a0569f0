#include "ui/preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/host.h"
#include "engine/messages.h"
#include "ui/busy_pointer.h"
#include "ui/message_box.h"
#include "ui/win32/dpi.h"
#include "ui/win32/font.h"
#include "ui/win32/modal_loop.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {

namespace {

// Lengths for 96 dpi, scaled with DpiScale.
constexpr int kClientWidth = 780;
constexpr int kClientHeight = 560;
constexpr int kCodeOnlyHeight = 380;  // the code part alone
constexpr int kSmallestWidth = 520;
constexpr int kSmallestHeight = 380;
constexpr int kMargin = 10;
constexpr int kGap = 8;
constexpr int kLabelHeight = 16;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 8;
constexpr int kSmallestButton = 90;
constexpr double kFixedPoints = 9.0;

// A list's columns: caption, width at 96 dpi (0: a share of the room the
// others leave, the last such column taking the rest), right-aligned
// numbers.
struct Column {
  const char* caption;
  int width;
  bool numbers;
  int share = 0;  // percent of the room, for a column of width 0
};
constexpr Column kColumns[] = {
    {"Nr.", 36, true},         {"Datei", 0, false, 42}, {"Ergebnis", 0, false},
    {"Frame", 54, true},       {"CheckBox", 70, true},  {"OptionButton", 88, true},
    {"ProgressBar", 84, true},
};
constexpr Column kCodeColumns[] = {
    {"Datei", 0, false, 30},
    {"Zeile", 50, true},
    {"Code", 0, false},
    {"Art", 170, false},
};

// The buttons of the bottom band, left to right (the tab order).
struct Button {
  int id;
  const char* caption;
};
constexpr Button kButtons[] = {
    {kPreviewSaveReportId, "&Bericht speichern..."},
    {kPreviewSavePatchId, "&Patch speichern..."},
    {kPreviewStartId, "&Starten"},
    {kPreviewCloseId, "Schließen"},
};

// The item data of the note that ends a shortened list of changes.
constexpr LPARAM kNoteItem = 100;

struct LineLook {
  COLORREF back;
  COLORREF text;
};

// Removed lines red on pale red, added ones green on pale green, the hunk
// headers blue, as diff viewers show them.
LineLook LookOf(LPARAM kind) {
  switch (static_cast<DiffText::Kind>(kind)) {
    case DiffText::Kind::kRemoved:
      return {RGB(255, 235, 233), RGB(160, 0, 0)};
    case DiffText::Kind::kAdded:
      return {RGB(230, 255, 236), RGB(0, 110, 0)};
    case DiffText::Kind::kHunkHeader:
      return {RGB(240, 244, 255), RGB(0, 70, 160)};
    case DiffText::Kind::kFileHeader:
      return {::GetSysColor(COLOR_WINDOW), RGB(90, 90, 90)};
    case DiffText::Kind::kContext:
    case DiffText::Kind::kNoNewline:
      break;
  }
  if (kind == kNoteItem) return {::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT)};
  return {::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT)};
}

HMENU IdMenu(int id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// A file name in a caption with an access key: its own "&" stays a letter.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += '&';
    out += c;
  }
  return out;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The project file's name without its extension (ANSI).
std::string StemOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

void SizeColumns(HWND list, UINT dpi, const Column* columns, size_t count) {
  // The numbers keep their widths; the columns of width 0 share the rest of
  // the list's width, so no column hides behind a scroll bar.
  if (list == nullptr) return;
  RECT client{};
  ::GetClientRect(list, &client);
  int fixed = 0;
  for (size_t i = 0; i < count; ++i) fixed += DpiScale(columns[i].width, dpi);
  const int room = std::max(DpiScale(160, dpi), static_cast<int>(client.right) - fixed -
                                                    ::GetSystemMetrics(SM_CXVSCROLL));
  int given = 0;
  for (size_t i = 0; i < count; ++i) {
    int width = DpiScale(columns[i].width, dpi);
    if (columns[i].width == 0) {
      const bool last = std::none_of(columns + i + 1, columns + count,
                                     [](const Column& c) { return c.width == 0; });
      width = last ? room - given : room * columns[i].share / 100;
      given += width;
    }
    ListView_SetColumnWidth(list, static_cast<int>(i), width);
  }
}

}  // namespace

PreviewWindow::PreviewWindow(HINSTANCE instance, PreviewContent& content,
                             SaveDialogFunction save_dialog)
    : instance_(instance),
      content_(&content),
      facts_(content.Facts()),
      save_dialog_(std::move(save_dialog)) {}

PreviewWindow::PreviewWindow(HINSTANCE instance, const PreviewFacts& facts)
    : instance_(instance), content_(nullptr), facts_(facts) {}

PreviewWindow::~PreviewWindow() {
  skin_.Detach();
  if (hwnd() != nullptr) ::DestroyWindow(hwnd());
}

PreviewWindow::Outcome PreviewWindow::Run(HWND owner) {
  if (hwnd() != nullptr) throw std::logic_error("the preview window is already shown");
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&icc);
  RegisterShape(kPreviewWindowClass, 0, ::GetSysColorBrush(COLOR_BTNFACE));
  dpi_ = WindowDpi(owner);
  const DWORD style =
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
  const std::string title = (code_only() ? std::string(kCodeTitle) : std::string("Vorschau")) +
                            " - " + facts_.project_name;
  HWND window =
      CreateShaped(ex_style, kPreviewWindowClass, Utf8ToWide(title), style, CW_USEDEFAULT,
                   CW_USEDEFAULT, DpiScale(kClientWidth, dpi_),
                   DpiScale(code_only() ? kCodeOnlyHeight : kClientHeight, dpi_), owner, nullptr);
  if (window == nullptr) throw std::runtime_error("the preview window cannot be created");
  dpi_ = WindowDpi(window);
  CreateFonts();
  CreateControls();
  FormStyle designed;
  designed.border_style = 2;
  designed.min_button = false;
  designed.help_button = false;
  designed.show_in_taskbar = false;
  skin_.Attach(window, designed);

  // The client area at its designed size, centred over the owner and kept
  // on the owner's monitor.
  RECT outer{0, 0, DpiScale(kClientWidth, dpi_),
             DpiScale(code_only() ? kCodeOnlyHeight : kClientHeight, dpi_)};
  ::AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)),
                             FALSE, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)),
                             dpi_);
  // No larger than the work area of the monitor it opens on.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(
      ::MonitorFromWindow(owner != nullptr ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = std::min<int>(outer.right - outer.left, work.right - work.left);
  const int height = std::min<int>(outer.bottom - outer.top, work.bottom - work.top);
  const POINT at = CentredPosition(owner, width, height);
  ::SetWindowPos(window, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
  FillRows();
  FillCode();

  ::ShowWindow(window, SW_SHOWNORMAL);
  ::SetForegroundWindow(window);
  ::SetFocus(control(code_only() ? kPreviewCodeId : kPreviewListId));
  ::SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
  RunModalLoop(window, owner, &done_);
  skin_.Detach();
  if (::IsWindow(window)) ::DestroyWindow(window);
  return outcome_;
}

void PreviewWindow::CreateFonts() {
  font_ = CreateUiFont(dpi_);
  LOGFONTW fixed{};
  fixed.lfHeight = -MulDiv(static_cast<int>(kFixedPoints * 4), static_cast<int>(dpi_), 72 * 4);
  fixed.lfCharSet = DEFAULT_CHARSET;
  fixed.lfQuality = CLEARTYPE_QUALITY;
  fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  // Where the system lacks this face, the font mapper takes another of
  // fixed pitch.
  wcscpy_s(fixed.lfFaceName, L"Courier New");
  fixed_font_.reset(::CreateFontIndirectW(&fixed));
  if (!font_ || !fixed_font_) throw std::runtime_error("the preview's fonts cannot be created");
  HDC screen = ::GetDC(nullptr);
  {
    SelectGuard select(screen, fixed_font_.get());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(screen, &metrics);
    fixed_char_width_ = std::max<int>(1, metrics.tmAveCharWidth);
  }
  ::ReleaseDC(nullptr, screen);
}

void PreviewWindow::CreateControls() {
  HWND window = hwnd();
  auto make = [&](const wchar_t* cls, const std::string& text, DWORD style, DWORD ex_style,
                  int id) {
    HWND control =
        ::CreateWindowExW(ex_style, cls, Utf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0,
                          0, 0, 0, window, IdMenu(id), instance_, nullptr);
    if (control == nullptr) throw std::runtime_error("a control of the preview cannot be created");
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
  };
  auto make_list = [&](int id, const Column* columns, size_t count) {
    HWND list = make(WC_LISTVIEWW, "",
                     WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                     WS_EX_CLIENTEDGE, id);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (size_t i = 0; i < count; ++i) {
      std::wstring caption = Utf8ToWide(columns[i].caption);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      column.fmt = columns[i].numbers ? LVCFMT_RIGHT : LVCFMT_LEFT;
      column.cx = DpiScale(columns[i].width, dpi_);
      column.pszText = caption.data();
      ListView_InsertColumn(list, static_cast<int>(i), &column);
    }
  };
  // Creation order is the tab order; each label names the control after it
  // for screen readers and gives it its access key.
  make(L"STATIC", facts_.summary, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, kPreviewSummaryId);
  if (!code_only()) {
    make(L"STATIC", "&Dateien:", SS_LEFT, 0, kPreviewListLabelId);
    make_list(kPreviewListId, kColumns, std::size(kColumns));
    make(L"STATIC", "Ä&nderungen:", SS_LEFT | SS_ENDELLIPSIS, 0, kPreviewDiffLabelId);
    // One line of the patch per item, drawn by this window in the
    // fixed-width font; the strings stay in the box for screen readers and
    // tests.
    HWND diff = make(L"LISTBOX", "",
                     WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                         LBS_NOINTEGRALHEIGHT,
                     WS_EX_CLIENTEDGE, kPreviewDiffId);
    ::SendMessageW(diff, WM_SETFONT, reinterpret_cast<WPARAM>(fixed_font_.get()), FALSE);
  }
  if (!facts_.code.empty()) {
    make(L"STATIC", "&Code, der ersetzte Steuerelementtypen nennt (" + facts_.code_count + "):",
         SS_LEFT | SS_ENDELLIPSIS, 0, kPreviewCodeLabelId);
    make_list(kPreviewCodeId, kCodeColumns, std::size(kCodeColumns));
  }
  for (const Button& b : kButtons) {
    if (code_only() && b.id != kPreviewCloseId) continue;
    make(L"BUTTON", b.caption, WS_TABSTOP | BS_PUSHBUTTON, 0, b.id);
  }
}

namespace {

// Puts cells into row i of a list view in report mode.
void SetListRow(HWND list, size_t i, const std::string* cells, size_t count) {
  for (size_t c = 0; c < count; ++c) {
    std::wstring text = Utf8ToWide(cells[c]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.iSubItem = static_cast<int>(c);
    item.pszText = text.data();
    if (c == 0) {
      ListView_InsertItem(list, &item);
    } else {
      ListView_SetItem(list, &item);
    }
  }
}

}  // namespace

void PreviewWindow::FillRows() {
  HWND list = control(kPreviewListId);
  if (list == nullptr) return;
  const std::vector<PreviewRow>& rows = facts_.rows;
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < rows.size(); ++i) {
    const PreviewRow& row = rows[i];
    const std::string cells[] = {row.number,      row.file,        row.outcome,    row.replaced[0],
                                 row.replaced[1], row.replaced[2], row.replaced[3]};
    SetListRow(list, i, cells, std::size(cells));
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  if (!rows.empty()) {
    ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  }
}

void PreviewWindow::FillCode() {
  HWND list = control(kPreviewCodeId);
  if (list == nullptr) return;
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < facts_.code.size(); ++i) {
    const CodeLine& line = facts_.code[i];
    const std::string cells[] = {line.file, line.line, line.text, line.about};
    SetListRow(list, i, cells, std::size(cells));
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  // The first line in focus, so that the arrow keys start from it.
  ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
}

void PreviewWindow::LayOut() {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  auto px = [this](int pixels96) { return DpiScale(pixels96, dpi_); };
  auto place = [&](int id, int x, int y, int w, int h) {
    if (HWND c = control(id)) ::MoveWindow(c, x, y, std::max(w, 0), std::max(h, 0), TRUE);
  };
  const int width = client.right - px(2 * kMargin);
  int y = px(kMargin);
  place(kPreviewSummaryId, px(kMargin), y, width, px(kLabelHeight));
  y += px(kLabelHeight + kGap);

  // The parts below the summary, each a label over its box: the rows, the
  // changes and the code lines, as far as the window has them.
  struct Part {
    int label;
    int box;
    int share;  // percent of the room; the last part takes what is left
  };
  const bool code = control(kPreviewCodeId) != nullptr;
  std::vector<Part> parts;
  if (!code_only()) {
    // The rows take two fifths, or a third beside the code lines.
    parts.push_back({kPreviewListLabelId, kPreviewListId, code ? 32 : 40});
    parts.push_back({kPreviewDiffLabelId, kPreviewDiffId, code ? 43 : 60});
  }
  if (code) parts.push_back({kPreviewCodeLabelId, kPreviewCodeId, 100});
  const int buttons_top = client.bottom - px(kMargin + kButtonHeight);
  const int labels = static_cast<int>(parts.size()) * px(kLabelHeight + 2);
  const int gaps = static_cast<int>(parts.size()) * px(kGap);
  const int room = std::max(0, buttons_top - y - labels - gaps);
  for (size_t i = 0; i < parts.size(); ++i) {
    place(parts[i].label, px(kMargin), y, width, px(kLabelHeight));
    y += px(kLabelHeight + 2);
    const bool last = i + 1 == parts.size();
    const int height =
        last ? buttons_top - px(kGap) - y : std::max(px(60), room * parts[i].share / 100);
    place(parts[i].box, px(kMargin), y, width, height);
    y += height + px(kGap);
  }

  // The buttons right-aligned, each as wide as its caption needs.
  HDC dc = ::GetDC(hwnd());
  std::vector<const Button*> shown;
  std::vector<int> widths;
  {
    SelectGuard select(dc, font_.get());
    for (const Button& b : kButtons) {
      if (control(b.id) == nullptr) continue;
      const std::wstring caption = Utf8ToWide(b.caption);
      RECT r{};
      ::DrawTextW(dc, caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
      shown.push_back(&b);
      widths.push_back(std::max(px(kSmallestButton), static_cast<int>(r.right) + px(24)));
    }
  }
  ::ReleaseDC(hwnd(), dc);
  int total = px(kButtonGap) * static_cast<int>(widths.size() - 1);
  for (int w : widths) total += w;
  int x = client.right - px(kMargin) - total;
  for (size_t i = 0; i < shown.size(); ++i) {
    place(shown[i]->id, x, buttons_top, widths[i], px(kButtonHeight));
    x += widths[i] + px(kButtonGap);
  }
  SizeColumns(control(kPreviewListId), dpi_, kColumns, std::size(kColumns));
  SizeColumns(control(kPreviewCodeId), dpi_, kCodeColumns, std::size(kCodeColumns));
  if (HWND diff = control(kPreviewDiffId)) {
    ::SendMessageW(
        diff, LB_SETITEMHEIGHT, 0,
        std::max<int>(
            1, MulDiv(static_cast<int>(kFixedPoints * 4), static_cast<int>(dpi_), 72 * 4) + px(3)));
  }
}

void PreviewWindow::ShowChangesOf(int row) {
  const std::vector<PreviewRow>& rows = facts_.rows;
  if (row < 0 || static_cast<size_t>(row) >= rows.size() || row == shown_row_) return;
  shown_row_ = row;
  DiffText diff;
  std::string failure;
  {
    BusyPointer busy;
    try {
      diff = content_->DiffOf(static_cast<size_t>(row));
    } catch (const VbError& error) {
      failure = "Fehler: " + std::to_string(error.number()) + " " + error.description();
    } catch (const std::exception& error) {
      failure = std::string("Fehler: ") + error.what();
    }
  }
  const PreviewRow& shown = rows[static_cast<size_t>(row)];
  const std::string about =
      shown.kind == PreviewRow::Kind::kQuestion ? std::string() : " an " + Escaped(shown.file);
  ::SetWindowTextW(control(kPreviewDiffLabelId), Utf8ToWide("Ä&nderungen" + about + ":").c_str());

  HWND box = control(kPreviewDiffId);
  ::SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(box, LB_RESETCONTENT, 0, 0);
  ::SendMessageW(box, LB_INITSTORAGE, diff.lines.size() + 1, 0);
  size_t widest = 0;
  auto add = [&](const std::string& text, LPARAM kind) {
    const std::wstring wide = Utf8ToWide(text);
    const LRESULT at = ::SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    if (at >= 0) ::SendMessageW(box, LB_SETITEMDATA, static_cast<WPARAM>(at), kind);
    size_t columns = 0;
    for (wchar_t c : wide) columns = c == L'\t' ? (columns / 8 + 1) * 8 : columns + 1;
    widest = std::max(widest, columns);
  };
  for (const DiffText::Line& line : diff.lines) add(line.text, static_cast<LPARAM>(line.kind));
  if (!failure.empty()) {
    add(failure, kNoteItem);
  } else if (!diff.more.empty()) {
    add(diff.more, kNoteItem);
  } else if (diff.lines.empty()) {
    add(kNoChangesNote, kNoteItem);
  }
  ::SendMessageW(
      box, LB_SETHORIZONTALEXTENT,
      static_cast<WPARAM>(static_cast<int>(widest) * fixed_char_width_ + DpiScale(12, dpi_)), 0);
  ::SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(box, nullptr, TRUE);
}

void PreviewWindow::Save(const SaveRequest& request,
                         void (PreviewContent::*save)(const std::string&)) {
  const std::string path = save_dialog_(request);
  if (path.empty()) return;
  std::string failure;
  try {
    BusyPointer busy;
    (content_->*save)(path);
    return;
  } catch (const VbError& error) {
    const size_t slash = path.rfind('\\');
    failure = msg::FileErrorPrompt(
        error.number(), error.description(),
        AnsiToUtf8(slash == std::string::npos ? path : path.substr(slash + 1)));
  } catch (const std::exception& error) {
    failure = std::string("Fehler: ") + error.what();
  }
  ShowMessage(failure, mb::kOk, "");
}

void PreviewWindow::SaveReport() {
  const std::string& project = facts_.project_path;
  Save(SaveRequest{kSaveReportTitle, "JSON-Bericht (*.json)|*.json|CSV-Bericht (*.csv)|*.csv",
                   FolderOf(project), StemOf(project) + "-Vorschau.json", "json"},
       &PreviewContent::SaveReport);
}

void PreviewWindow::SavePatch() {
  const std::string& project = facts_.project_path;
  Save(SaveRequest{kSavePatchTitle, "Patch (*.patch)|*.patch|Alle Dateien (*.*)|*.*",
                   FolderOf(project), StemOf(project) + ".patch", "patch"},
       &PreviewContent::SavePatch);
}

void PreviewWindow::Finish(Outcome outcome) {
  outcome_ = outcome;
  done_ = true;
}

void PreviewWindow::OnCommand(int id) {
  switch (id) {
    case kPreviewSaveReportId:
      SaveReport();
      break;
    case kPreviewSavePatchId:
      SavePatch();
      break;
    case kPreviewStartId:
      Finish(Outcome::kStart);
      break;
    case kPreviewCloseId:
    case IDCANCEL:  // Escape
      Finish(Outcome::kClosed);
      break;
    default:
      break;
  }
}

bool PreviewWindow::DrawDiffLine(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != static_cast<UINT>(kPreviewDiffId)) return false;
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  if (item.itemID == static_cast<UINT>(-1)) {
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
    return true;
  }
  const LineLook look = LookOf(static_cast<LPARAM>(item.itemData));
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const COLORREF back = selected ? ::GetSysColor(COLOR_HIGHLIGHT) : look.back;
  UniqueBrush brush(::CreateSolidBrush(back));
  ::FillRect(dc, &r, brush.get());
  const LRESULT length = ::SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
  if (length > 0) {
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    SelectGuard select(
        dc, item.itemData == static_cast<ULONG_PTR>(kNoteItem) ? font_.get() : fixed_font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : look.text);
    RECT text_area = r;
    text_area.left += DpiScale(4, dpi_);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_area,
                DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS | DT_VCENTER);
  }
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
  return true;
}

void PreviewWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  UniqueFont old_font = std::move(font_);
  UniqueFont old_fixed = std::move(fixed_font_);
  CreateFonts();
  for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    HFONT font = ::GetDlgCtrlID(child) == kPreviewDiffId ? fixed_font_.get() : font_.get();
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  ::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
}

LRESULT PreviewWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED || lp == 0) OnCommand(LOWORD(wp));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->idFrom == static_cast<UINT_PTR>(kPreviewListId) &&
          header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
        if ((change->uChanged & LVIF_STATE) != 0 && (change->uNewState & LVIS_SELECTED) != 0) {
          ShowChangesOf(change->iItem);
        }
      }
      return 0;
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (measure->CtlID != static_cast<UINT>(kPreviewDiffId)) break;
      measure->itemHeight = static_cast<UINT>(
          MulDiv(static_cast<int>(kFixedPoints * 4), static_cast<int>(dpi_), 72 * 4) +
          DpiScale(3, dpi_));
      return TRUE;
    }
    case WM_DRAWITEM:
      if (DrawDiffLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
      break;
    case WM_CTLCOLORLISTBOX:
      if (reinterpret_cast<HWND>(lp) == control(kPreviewDiffId)) {
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_NEXTDLGCTL: {
      // IsDialogMessage moves the focus through this message, which only a
      // dialog's own procedure would handle.
      HWND target =
          lp != 0 ? reinterpret_cast<HWND>(wp) : ::GetNextDlgTabItem(hwnd(), ::GetFocus(), wp != 0);
      if (target != nullptr) ::SetFocus(target);
      return 0;
    }
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lp);
      limits->ptMinTrackSize.x = DpiScale(kSmallestWidth, dpi_);
      limits->ptMinTrackSize.y = DpiScale(kSmallestHeight, dpi_);
      return 0;
    }
    case WM_SIZE:
      // Once the controls are there (the last is created last).
      if (control(kPreviewCloseId) != nullptr) LayOut();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_CLOSE:
      Finish(Outcome::kClosed);
      return 0;
    default:
      break;
  }
  return DefaultProc(msg, wp, lp);
}

}  // namespace xpconv::ui
