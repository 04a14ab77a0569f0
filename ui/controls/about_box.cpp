// qorAboutBox: what the library says about itself, on the shape of our modal
// boxes (modal_box.cpp). It shows the program's icon where the program
// carries one.
#include "ui/controls/about_box.h"

#include <utility>

#include "ui/controls/control_library.h"
#include "ui/controls/modal_box.h"
#include "ui/resources/resource_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/handles.h"
#include "xpc_version.h"

namespace xpconv::ui::detail {

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

}  // namespace xpconv::ui::detail
