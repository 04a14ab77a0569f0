#include "ui/responsive_file_system.h"

#include <windows.h>

#include <exception>
#include <thread>
#include <utility>

#include "engine/error.h"

namespace xpconv::ui {

ResponsiveFileSystem::ResponsiveFileSystem(FileSystem& inner, std::function<bool()> keep_responsive,
                                           int64_t long_operation_bytes)
    : inner_(inner),
      keep_responsive_(std::move(keep_responsive)),
      long_operation_bytes_(long_operation_bytes) {}

void ResponsiveFileSystem::CopyOver(const std::string& source, const std::string& target) {
  Run(source, [&] { inner_.CopyOver(source, target); });
}

void ResponsiveFileSystem::Replace(const std::string& source, const std::string& target) {
  Run(source, [&] { inner_.Replace(source, target); });
}

void ResponsiveFileSystem::Run(const std::string& source, const std::function<void()>& operation) {
  // A source that cannot be asked about is left to the operation itself,
  // which reports it as it always has.
  int64_t length = 0;
  try {
    length = inner_.FileLength(source);
  } catch (const std::exception&) {
    length = 0;
  }
  if (length < long_operation_bytes_) {
    operation();
    return;
  }

  // Set by the worker when the operation is over; the window thread waits
  // for it together with its messages.
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (done == nullptr) {
    // No event, no waiting beside the messages: do it here, unresponsive
    // for the moment, but done.
    operation();
    return;
  }
  std::exception_ptr failure;
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        operation();
      } catch (...) {
        failure = std::current_exception();
      }
      ::SetEvent(done);
    });
  } catch (const std::exception&) {
    ::CloseHandle(done);
    operation();  // no thread to be had: as above
    return;
  }

  // The worker must be joined whatever the message handling does.
  struct Join {
    std::thread& worker;
    HANDLE done;
    ~Join() {
      worker.join();
      ::CloseHandle(done);
    }
  } join{worker, done};
  bool look_at_messages = true;
  for (;;) {
    const DWORD woke = look_at_messages ? ::MsgWaitForMultipleObjectsEx(
                                              1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                                        : ::WaitForSingleObject(done, INFINITE);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_OBJECT_0 + 1 && look_at_messages) {
      look_at_messages = keep_responsive_();
      continue;
    }
    // The wait itself failed: wait for the worker alone.
    look_at_messages = false;
  }
  // The operation's own error, on the thread that asked for it.
  if (failure) std::rethrow_exception(failure);
}

}  // namespace xpconv::ui
