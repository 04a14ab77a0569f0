// qorMessageBox, the library's message box object, on the shape of our modal
// boxes (modal_box.cpp).
//
// Choices this box makes where the program leaves them open:
//  - An empty title shows the program's title, kMessageBoxDefaultTitle.
//  - Enter presses the button that has the focus, which is the default
//    (first) button when the box opens; Escape presses Abbrechen where the box
//    has it.
//  - Closing the box without a button (Escape without Abbrechen, Alt+F4, the
//    title bar's close button) answers Abbrechen (2) where the box has it, and
//    otherwise the answer of its last button that is not "Ja": Nein (7) for
//    a Ja/Nein box, OK (1) for an OK box. So a question closed that way is
//    always answered by its cautious choice.
//  - The flag property makes the box play the system sound of its icon; the
//    number property is the 0-based index of the default button (the program
//    sets 0, the first one).
//  - Of the seven further show values only the picture has an effect: when
//    one is given it is shown in place of the icon. The help file and context
//    values have nothing to open, and the box always opens centred over its
//    owner (or the screen), which is what the placement value -2 asks for.
#include "ui/controls/message_box_object.h"

#include <utility>
#include <vector>

#include "ui/controls/control_library.h"
#include "ui/controls/modal_box.h"

namespace xpconv::ui {

namespace {

using detail::ButtonInfo;

// The platform's button-set numbers (the low four bits of the buttons value).
std::vector<ButtonInfo> ButtonsOf(int32_t buttons) {
  switch (buttons & 0xF) {
    case 1:
      return {{kMessageBoxButtonOk, "OK"}, {kMessageBoxButtonCancel, "Abbrechen"}};
    case 2:
      return {{3, "&Beenden"}, {4, "&Wiederholen"}, {5, "&Ignorieren"}};
    case 3:
      return {{kMessageBoxButtonYes, "&Ja"},
              {kMessageBoxButtonNo, "&Nein"},
              {kMessageBoxButtonCancel, "Abbrechen"}};
    case 4:
      return {{kMessageBoxButtonYes, "&Ja"}, {kMessageBoxButtonNo, "&Nein"}};
    case 5:
      return {{4, "&Wiederholen"}, {kMessageBoxButtonCancel, "Abbrechen"}};
    default:
      return {{kMessageBoxButtonOk, "OK"}};
  }
}

MessageIcon IconOf(int32_t buttons) {
  switch (buttons & 0xF0) {
    case 16:
      return MessageIcon::kStop;
    case 32:
      return MessageIcon::kQuestion;
    case 64:
      return MessageIcon::kInformation;
    default:
      return MessageIcon::kNone;
  }
}

int CloseAnswerOf(const std::vector<ButtonInfo>& buttons) {
  for (const ButtonInfo& b : buttons) {
    if (b.id == kMessageBoxButtonCancel) return b.id;
  }
  for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) {
    if (it->id != kMessageBoxButtonYes) return it->id;
  }
  return buttons.back().id;
}

UINT SoundOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kStop:
      return MB_ICONHAND;
    case MessageIcon::kQuestion:
      return MB_ICONQUESTION;
    case MessageIcon::kInformation:
      return MB_ICONASTERISK;
    default:
      return MB_OK;
  }
}

}  // namespace

MessageIcon MessageBoxIconOf(HWND box) {
  if (ControlClassOf(box) != kMessageBoxClass) return MessageIcon::kNone;
  const auto stored = reinterpret_cast<INT_PTR>(::GetPropW(box, detail::kIconProperty));
  if (stored <= 0) return MessageIcon::kNone;
  return static_cast<MessageIcon>(stored - 1);
}

int32_t MessageBoxObject::Show(const std::string& prompt, int32_t buttons, const std::string& title,
                               const std::string& /*text1*/, int32_t /*number1*/,
                               int32_t /*number2*/, const std::string& /*text2*/,
                               int32_t /*number3*/, int32_t /*number4*/, HBITMAP picture) {
  RegisterControlLibrary(::GetModuleHandleW(nullptr));
  detail::ModalBox::Content content;
  content.class_name = kMessageBoxClass;
  content.title = title.empty() ? std::string(kMessageBoxDefaultTitle) : title;
  content.text = prompt;
  content.icon = IconOf(buttons);
  content.picture = picture;
  content.buttons = ButtonsOf(buttons);
  content.default_button = number_ >= 0 && static_cast<size_t>(number_) < content.buttons.size()
                               ? static_cast<size_t>(number_)
                               : 0;
  content.close_answer = CloseAnswerOf(content.buttons);
  if (flag_) ::MessageBeep(SoundOf(content.icon));
  HWND owner = ::GetActiveWindow();
  detail::ModalBox box(std::move(content));
  return box.Run(owner);
}

}  // namespace xpconv::ui
