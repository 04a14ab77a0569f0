#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>

#include "ui/win32/handles.h"
#include "ui/win32/text_conversion.h"
#include "ui/win32/window.h"

namespace xpconv::testing {

namespace {

using Clock = std::chrono::steady_clock;

void Sleep(std::chrono::milliseconds time) {
  std::this_thread::sleep_for(time);
}

struct FindArgs {
  const wchar_t* class_name;
  DWORD process;
  const std::set<HWND>* skip;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM data) {
  auto* args = reinterpret_cast<FindArgs*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(hwnd, &process);
  if (process != args->process || !::IsWindowVisible(hwnd)) return TRUE;
  if (ui::ControlClassOf(hwnd) != args->class_name) return TRUE;
  if (args->skip != nullptr && args->skip->count(hwnd) != 0) return TRUE;
  args->found = hwnd;
  return FALSE;
}

HWND FindNewProcessWindow(const wchar_t* class_name, const std::set<HWND>& skip) {
  FindArgs args{class_name, ::GetCurrentProcessId(), &skip, nullptr};
  ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&args));
  return args.found;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (::GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) return info.hwndFocus;
  return window;
}

void PressKey(HWND target, WPARAM key) {
  ::PostMessageW(target, WM_KEYDOWN, key, 1);
  ::PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

SeenBox Describe(HWND box) {
  SeenBox seen;
  seen.hwnd = box;
  seen.owner = ::GetWindow(box, GW_OWNER);
  seen.title = WindowTextOf(box);
  if (HWND prompt = ::GetDlgItem(box, ui::kMessageBoxPromptId)) seen.prompt = WindowTextOf(prompt);
  std::vector<HWND> buttons = DescendantsOfClass(box, L"Button");
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
    RECT ra{}, rb{};
    ::GetWindowRect(a, &ra);
    ::GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  for (HWND b : buttons) {
    seen.buttons.push_back(WindowTextOf(b));
    seen.button_ids.push_back(::GetDlgCtrlID(b));
  }
  HWND focus = FocusOf(box);
  seen.focused_id = focus != box ? ::GetDlgCtrlID(focus) : 0;
  seen.icon = ui::MessageBoxIconOf(box);
  return seen;
}

void Perform(HWND box, const BoxReply& reply) {
  switch (reply.kind) {
    case BoxReply::Kind::kClick:
      if (HWND button = ::GetDlgItem(box, reply.button_id)) ::PostMessageW(button, BM_CLICK, 0, 0);
      break;
    case BoxReply::Kind::kEnter:
      PressKey(FocusOf(box), VK_RETURN);
      break;
    case BoxReply::Kind::kEscape:
      PressKey(FocusOf(box), VK_ESCAPE);
      break;
    case BoxReply::Kind::kClose:
      ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case BoxReply::Kind::kKeys:
      for (WPARAM key : reply.keys) {
        PressKey(FocusOf(box), key);
        Sleep(std::chrono::milliseconds(150));  // let the focus move before the next key
      }
      break;
    case BoxReply::Kind::kChars:
    case BoxReply::Kind::kAltChars:
      for (WPARAM c : reply.keys) {
        if (reply.kind == BoxReply::Kind::kChars) {
          ::PostMessageW(FocusOf(box), WM_CHAR, c, 1);
        } else {
          ::PostMessageW(FocusOf(box), WM_SYSCHAR, c, (1 << 29) | 1);
        }
        Sleep(std::chrono::milliseconds(150));
      }
      break;
  }
}

}  // namespace

void EnsureUiRegistered() {
  ui::RegisterControlLibrary(::GetModuleHandleW(nullptr));
}

void PumpPending() {
  MSG msg{};
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void PumpFor(std::chrono::milliseconds time) {
  const auto end = Clock::now() + time;
  while (Clock::now() < end) {
    PumpPending();
    Sleep(std::chrono::milliseconds(10));
  }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= end) return false;
    PumpPending();
    Sleep(std::chrono::milliseconds(10));
  }
  return true;
}

OwnerWindow::OwnerWindow(RECT bounds, DWORD ex_style, const wchar_t* title, DWORD style) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"xpconvTestOwner";
    return ::RegisterClassExW(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  hwnd_ = ::CreateWindowExW(ex_style, L"xpconvTestOwner", title, style, bounds.left, bounds.top,
                            bounds.right - bounds.left, bounds.bottom - bounds.top, nullptr,
                            nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
  ::SetForegroundWindow(hwnd_);
  ::SetActiveWindow(hwnd_);
  PumpFor(std::chrono::milliseconds(100));
}

OwnerWindow::~OwnerWindow() {
  ::DestroyWindow(hwnd_);
}

std::string WindowTextOf(HWND hwnd) {
  return ui::WideToUtf8(ui::WindowText(hwnd));
}

std::string WithoutAccessKey(const std::string& caption) {
  std::string shown;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    shown.push_back(caption[i]);
  }
  return shown;
}

std::vector<HWND> DescendantsOfClass(HWND parent, const wchar_t* class_name) {
  struct Args {
    const wchar_t* class_name;
    std::vector<HWND> found;
  } args{class_name, {}};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) -> BOOL {
        auto* a = reinterpret_cast<Args*>(data);
        if (_wcsicmp(ui::ControlClassOf(child).c_str(), a->class_name) == 0) {
          a->found.push_back(child);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&args));
  return args.found;
}

HWND FindProcessWindow(const wchar_t* class_name) {
  return FindNewProcessWindow(class_name, std::set<HWND>());
}

COLORREF PixelOf(HWND window, POINT client_point) {
  RECT client{};
  ::GetClientRect(window, &client);
  HDC screen = ::GetDC(nullptr);
  ui::UniqueMemoryDc memory(::CreateCompatibleDC(screen));
  ui::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen, client.right, client.bottom));
  ::ReleaseDC(nullptr, screen);
  ui::SelectGuard select(memory.get(), bitmap.get());
  ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
  return ::GetPixel(memory.get(), client_point.x, client_point.y);
}

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<BoxReply> replies, const wchar_t* class_name,
                                       std::chrono::milliseconds timeout)
    : watcher_(&MessageBoxAnswerer::Watch, this, std::move(replies), std::wstring(class_name),
               timeout) {}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  if (watcher_.joinable()) watcher_.join();
}

std::vector<SeenBox> MessageBoxAnswerer::Seen() {
  if (watcher_.joinable()) watcher_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

void MessageBoxAnswerer::Watch(std::vector<BoxReply> replies, const std::wstring& class_name,
                               std::chrono::milliseconds timeout) {
  std::set<HWND> answered;
  for (const BoxReply& reply : replies) {
    const auto give_up = Clock::now() + timeout;
    HWND box = nullptr;
    while (box == nullptr && Clock::now() < give_up) {
      box = FindNewProcessWindow(class_name.c_str(), answered);
      if (box == nullptr) Sleep(std::chrono::milliseconds(20));
    }
    if (box == nullptr) return;  // the test sees fewer boxes than it expected
    // Let the box take the focus and paint before it is read and photographed.
    Sleep(std::chrono::milliseconds(200));
    {
      SeenBox seen = Describe(box);
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(std::move(seen));
    }
    if (reply.inspect) reply.inspect(box);
    if (!reply.picture.empty()) TakePicture(box, reply.picture);
    answered.insert(box);
    Perform(box, reply);
    const auto closed_by = Clock::now() + timeout;
    while (::IsWindow(box) && ::IsWindowVisible(box) && Clock::now() < closed_by) {
      Sleep(std::chrono::milliseconds(20));
    }
  }
}

bool PicturesWanted() {
  const char* dir = std::getenv("XPC_PICTURES_DIR");
  return dir != nullptr && *dir != '\0';
}

void TakePicturePumping(HWND window, const std::string& name) {
  std::atomic<bool> taken{false};
  std::thread photographer([&] {
    TakePicture(window, name);
    taken = true;
  });
  PumpUntil([&] { return taken.load(); }, std::chrono::seconds(40));
  photographer.join();
}

void TakePicture(HWND window, const std::string& name) {
  if (!PicturesWanted()) return;
  const std::string dir = std::getenv("XPC_PICTURES_DIR");
  RECT r{};
  ::GetWindowRect(window, &r);
  const std::string request = dir + "\\" + name + ".request";
  const std::string done = dir + "\\" + name + ".done";
  std::remove(done.c_str());
  {
    // Written under another name and renamed, so the script never reads half a request.
    std::ofstream out(request + ".tmp", std::ios::trunc);
    out << (r.right - r.left) << ' ' << (r.bottom - r.top) << ' ' << r.left << ' ' << r.top << '\n';
  }
  std::rename((request + ".tmp").c_str(), request.c_str());
  const auto give_up = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < give_up) {
    if (std::ifstream(done).good()) break;
    Sleep(std::chrono::milliseconds(50));
  }
  std::remove(done.c_str());
}

}  // namespace xpconv::testing
