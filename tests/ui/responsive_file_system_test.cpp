// The wizard's file system: a copy or replacement of a large file runs on a
// worker thread while the window thread handles its messages, with the same
// result and the same errors as on the calling thread.
#include "ui/responsive_file_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <utility>

#include "engine/error.h"
#include "tests/support/memory_files.h"

namespace xpconv::ui {
namespace {

constexpr int64_t kLarge = 64;  // the threshold the tests use, in bytes

// A memory file system whose copy and replace note the thread they ran on
// and, when asked, wait until the window thread has handled a message.
class WatchedFiles final : public testing::MemoryFileSystem {
 public:
  WatchedFiles() : handled_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~WatchedFiles() override { ::CloseHandle(handled_); }

  void CopyOver(const std::string& source, const std::string& target) override {
    Note();
    MemoryFileSystem::CopyOver(source, target);
  }
  void Replace(const std::string& source, const std::string& target) override {
    Note();
    MemoryFileSystem::Replace(source, target);
  }

  void MessageHandled() { ::SetEvent(handled_); }
  // A message handled after an earlier operation must not count for the next.
  void ForgetHandledMessages() { ::ResetEvent(handled_); }

  bool wait_for_message = false;
  DWORD wait_ms = 5000;
  std::thread::id ran_on;
  bool saw_message_while_running = false;

 private:
  void Note() {
    ran_on = std::this_thread::get_id();
    if (wait_for_message) {
      saw_message_while_running = ::WaitForSingleObject(handled_, wait_ms) == WAIT_OBJECT_0;
    }
  }
  HANDLE handled_;
};

class ResponsiveFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    inner_.files["C:\\P\\klein.frm"] = std::string(kLarge - 1, 'k');
    inner_.files["C:\\P\\gross.frm"] = std::string(kLarge, 'g');
    inner_.files["C:\\P\\alt.frm"] = "alt";
  }

  // Handles the thread's waiting messages as the wizard's host does, which
  // leaves a quit request in the queue for the program's own loop.
  bool HandleMessages() {
    ++calls_;
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return false;
      }
      if (message.message == WM_APP) inner_.MessageHandled();
    }
    return true;
  }

  WatchedFiles inner_;
  int calls_ = 0;
  ResponsiveFileSystem fs_{inner_, [this] { return HandleMessages(); }, kLarge};
};

TEST_F(ResponsiveFileSystemTest, SmallFilesStayOnTheCallingThreadLargeOnesLetMessagesThrough) {
  struct Case {
    const char* name;
    const char* source;
    bool copy;  // CopyOver, else Replace
    bool on_worker;
  };
  for (const Case& c : {Case{"small copy", "C:\\P\\klein.frm", true, false},
                        Case{"small replace", "C:\\P\\klein.frm", false, false},
                        Case{"large copy", "C:\\P\\gross.frm", true, true},
                        Case{"large replace", "C:\\P\\gross.frm", false, true}}) {
    SetUp();
    calls_ = 0;
    inner_.ForgetHandledMessages();
    inner_.wait_for_message = c.on_worker;
    inner_.saw_message_while_running = false;
    const std::string bytes = inner_.files[c.source];
    // A click waiting for the window thread while the file is written.
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP, 0, 0);
    if (c.copy) {
      fs_.CopyOver(c.source, "C:\\P\\alt.frm");
    } else {
      fs_.Replace(c.source, "C:\\P\\alt.frm");
    }
    EXPECT_EQ(inner_.files["C:\\P\\alt.frm"], bytes) << c.name;
    EXPECT_EQ(inner_.ran_on != std::this_thread::get_id(), c.on_worker) << c.name;
    EXPECT_EQ(inner_.saw_message_while_running, c.on_worker) << c.name;
    EXPECT_EQ(calls_ > 0, c.on_worker) << c.name;
    HandleMessages();
  }
}

TEST_F(ResponsiveFileSystemTest, ErrorsComeBackAsTheyWouldOnTheCallingThread) {
  inner_.read_only.insert("C:\\P\\alt.frm");
  // From the worker thread (a large form onto a read-only one), and from the
  // operation itself when the source cannot even be measured.
  for (const auto& [source, number] :
       {std::pair{"C:\\P\\gross.frm", 70}, std::pair{"C:\\P\\fehlt.frm", 53}}) {
    try {
      fs_.Replace(source, "C:\\P\\alt.frm");
      ADD_FAILURE() << source << ": no error";
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), number) << source;
    }
    EXPECT_EQ(inner_.files["C:\\P\\alt.frm"], "alt") << source;
  }
}

TEST_F(ResponsiveFileSystemTest, AQuitRequestEndsTheLookingNotTheOperation) {
  // The operation takes a tenth of a second; looking at the queue again and
  // again would meet the quit request every time.
  inner_.wait_for_message = true;
  inner_.wait_ms = 100;
  ::PostQuitMessage(4);
  fs_.Replace("C:\\P\\gross.frm", "C:\\P\\alt.frm");
  EXPECT_EQ(inner_.files["C:\\P\\alt.frm"], std::string(kLarge, 'g'));
  EXPECT_EQ(calls_, 1) << "one look met the quit request; the wait went on without looking";
  MSG message{};
  EXPECT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "still there";
}

}  // namespace
}  // namespace xpconv::ui
