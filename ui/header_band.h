// The header band picTop: a white child window across the top of the wizard
// that holds the title, the description and the header picture (an
// owner-drawn static of id kIdHeaderPicture), and paints that picture. The
// wizard creates the band's contents.
#pragma once

#include <windows.h>

#include "ui/win32/window.h"

namespace xpconv::ui {

class HeaderBand final : public Window {
 public:
  // Registers the band's window class once per process.
  static void Register();
  // Creates the band, empty and not yet placed, as the child id of parent;
  // nullptr when it cannot be created. It goes with its parent.
  HWND Create(HWND parent, int id);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace xpconv::ui
