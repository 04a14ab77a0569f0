// The application-wide busy pointer while a routine of the wizard works
// without pumping messages (loading a list, a restore, a preview's first
// moment).
#pragma once

#include <windows.h>

namespace xpconv::ui {

class BusyPointer {
 public:
  BusyPointer() { ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
  ~BusyPointer() { ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }
};

}  // namespace xpconv::ui
