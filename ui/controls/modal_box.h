// The shape the library's two boxes share (the message box object and the
// about box), inside the library: a white message area with an icon and text
// over a band that holds the buttons, modal over its owner.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "ui/controls/message_box_object.h"
#include "ui/win32/dpi.h"
#include "ui/win32/handles.h"
#include "ui/win32/window.h"

namespace xpconv::ui::detail {

struct ButtonInfo {
  int id;
  const char* caption;
};

// The window property in which a box keeps the MessageIcon it shows (plus
// one), for MessageBoxIconOf.
inline constexpr wchar_t kIconProperty[] = L"qorMessageIcon";

class ModalBox : public Window {
 public:
  struct Content {
    const wchar_t* class_name;
    std::string title;
    std::string heading;  // bold line above the text; may be empty
    std::string text;
    MessageIcon icon = MessageIcon::kNone;
    HICON program_icon = nullptr;  // shown instead of a drawn icon
    HBITMAP picture = nullptr;     // shown instead of either
    std::vector<ButtonInfo> buttons;
    size_t default_button = 0;
    int close_answer = kMessageBoxButtonOk;
  };

  // A box that ends without an answer (the program is quitting) answers as
  // if it had been closed.
  explicit ModalBox(Content content)
      : content_(std::move(content)), answer_(content_.close_answer) {}

  // No background brush: the boxes paint every pixel themselves.
  static void Register(const wchar_t* class_name) { RegisterShape(class_name, 0, nullptr); }

  // Shows the box and returns the id of the button that closed it.
  int Run(HWND owner);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void Answer(int id);
  bool HasButton(int id) const;
  void Finish(int id);
  int Px(int pixels96) const { return DpiScale(pixels96, dpi_); }
  void Layout(DWORD style, DWORD ex_style, HWND owner);
  void Paint(HDC dc);

  Content content_;
  UINT dpi_ = 96;
  UniqueFont font_;
  UniqueFont heading_font_;
  SIZE icon_size_{};
  POINT icon_at_{};
  int band_top_ = 0;
  int default_id_ = kMessageBoxButtonOk;
  HWND focus_ = nullptr;
  bool done_ = false;
  int answer_;
};

}  // namespace xpconv::ui::detail
