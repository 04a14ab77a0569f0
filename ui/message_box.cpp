#include "ui/message_box.h"

#include <memory>

#include "ui/controls/message_box_object.h"

namespace xpconv::ui {

int32_t ShowMessage(const std::string& prompt, int32_t buttons, const std::string& title) {
  // A fresh object per call, so nothing one message set up can leak into the
  // next; the unique_ptr releases it on the error path as well.
  auto box = std::make_unique<MessageBoxObject>();
  box->SetFlag(true);
  box->SetNumber(0);
  // The further values are the same on every call: no help file, no help
  // context, the library's default placement (-2) and no picture.
  return box->Show(prompt, buttons, title, std::string(), 0, 0, std::string(), -2, 0, nullptr);
}

}  // namespace xpconv::ui
