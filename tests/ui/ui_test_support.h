// Helpers for tests that drive the real windows under Wine and Xvfb.
//
// A message box runs a modal loop, so the test's own code is blocked while it
// shows. MessageBoxAnswerer watches from a thread of its own: it waits for
// each box of this process to become visible, records what it shows, answers
// it the way the test asked (a button, Enter, Escape, closing it) and waits
// until it is gone before it looks for the next one.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/controls/control_library.h"
#include "ui/controls/message_box_object.h"

namespace xpconv::testing {

// Registers our control library and the common controls once per test
// process; every UI test calls it first.
void EnsureUiRegistered();

// --- pumping ---
// Handles every waiting message of this thread and returns.
void PumpPending();
// Pumps for the given time.
void PumpFor(std::chrono::milliseconds time);
// Pumps until done() is true or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// --- windows of the test's own ---
// A plain top-level window that stands for the wizard window: visible at
// bounds (screen pixels), in front and active when the constructor returns,
// so that the window under test belongs to it.
class OwnerWindow {
 public:
  explicit OwnerWindow(RECT bounds, DWORD ex_style = 0, const wchar_t* title = L"Besitzer",
                       DWORD style = WS_OVERLAPPEDWINDOW);
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  ~OwnerWindow();
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

// --- reading windows ---
std::string WindowTextOf(HWND hwnd);  // UTF-8
// The caption as shown: "&&" becomes "&", a single "&" (the access key mark) goes.
std::string WithoutAccessKey(const std::string& caption);
// Every descendant of parent whose class is class_name, in z-order (which
// is creation and tab order for our windows).
std::vector<HWND> DescendantsOfClass(HWND parent, const wchar_t* class_name);
// A visible top-level window of this process with that class, or nullptr.
HWND FindProcessWindow(const wchar_t* class_name);
// The colour the window paints at a point of its client area (rendered with
// WM_PRINTCLIENT, so it works hidden, covered and from another thread).
COLORREF PixelOf(HWND window, POINT client_point);

// --- answering boxes ---
struct BoxReply {
  enum class Kind { kClick, kEnter, kEscape, kClose, kKeys, kChars, kAltChars };
  Kind kind = Kind::kEnter;
  int button_id = 0;         // kClick: the button to click
  std::vector<WPARAM> keys;  // kKeys: virtual keys pressed in turn on the focused control;
                             // kChars: characters typed there (WM_CHAR), e.g. an access key;
                             // kAltChars: the same typed with Alt held (WM_SYSCHAR)
  std::string picture;  // when set and XPC_PICTURES_DIR is set: a screenshot of that name first
  // Called on the watcher thread while the box shows, before it is answered.
  std::function<void(HWND box)> inspect;

  static BoxReply Click(int id) { return {Kind::kClick, id, {}, {}, {}}; }
  static BoxReply Enter() { return {Kind::kEnter, 0, {}, {}, {}}; }
  static BoxReply Escape() { return {Kind::kEscape, 0, {}, {}, {}}; }
  static BoxReply Close() { return {Kind::kClose, 0, {}, {}, {}}; }
  static BoxReply Keys(std::vector<WPARAM> virtual_keys) {
    return {Kind::kKeys, 0, std::move(virtual_keys), {}, {}};
  }
  static BoxReply Chars(const std::wstring& typed) {
    return {Kind::kChars, 0, std::vector<WPARAM>(typed.begin(), typed.end()), {}, {}};
  }
  static BoxReply AltChars(const std::wstring& typed) {
    return {Kind::kAltChars, 0, std::vector<WPARAM>(typed.begin(), typed.end()), {}, {}};
  }
  BoxReply Inspecting(std::function<void(HWND)> check) && {
    inspect = std::move(check);
    return std::move(*this);
  }
  BoxReply WithPicture(std::string name) && {
    picture = std::move(name);
    return std::move(*this);
  }
};

struct SeenBox {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::string title;                 // UTF-8
  std::string prompt;                // UTF-8, as the prompt control holds it
  std::vector<std::string> buttons;  // captions as written ("&Ja"), left to right
  std::vector<int> button_ids;       // their ids, same order
  int focused_id = 0;                // id of the button that had the focus
  ui::MessageIcon icon = ui::MessageIcon::kNone;
};

class MessageBoxAnswerer {
 public:
  // Answers the next replies.size() windows of class_name in order.
  explicit MessageBoxAnswerer(std::vector<BoxReply> replies,
                              const wchar_t* class_name = ui::kMessageBoxClass,
                              std::chrono::milliseconds timeout = std::chrono::seconds(15));
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
  ~MessageBoxAnswerer();

  // Waits for the watcher to finish and returns what it saw, one entry per
  // box that appeared (fewer than the replies when some never came).
  std::vector<SeenBox> Seen();

 private:
  void Watch(std::vector<BoxReply> replies, const std::wstring& class_name,
             std::chrono::milliseconds timeout);

  std::mutex mutex_;
  std::vector<SeenBox> seen_;
  std::thread watcher_;
};

// --- pictures ---
// When the environment variable XPC_PICTURES_DIR names a folder, asks the
// picture script to photograph window (with its frame) as <name>.png there
// and waits until it has; does nothing otherwise. Callable from any thread,
// as long as the window's own thread keeps pumping.
void TakePicture(HWND window, const std::string& name);
// TakePicture for a window of this thread: asked from a thread of its own
// while this thread keeps its windows painting.
void TakePicturePumping(HWND window, const std::string& name);
bool PicturesWanted();

}  // namespace xpconv::testing
