#include "ui/controls/control_library.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <mutex>

#include "ui/controls/about_box.h"
#include "ui/controls/check_box.h"
#include "ui/controls/control.h"
#include "ui/controls/frame.h"
#include "ui/controls/message_box_object.h"
#include "ui/controls/modal_box.h"
#include "ui/controls/progress_bar.h"

namespace xpconv::ui {

void RegisterControlLibrary(HINSTANCE) {
  // Classes register under the program's module (the one window shape does
  // that), so the instance argument only documents who asks.
  static std::once_flag once;
  std::call_once(once, [] {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&init);
    detail::RegisterCheckClass();
    detail::RegisterFrameClass();
    detail::RegisterProgressBarClass();
    detail::ModalBox::Register(kMessageBoxClass);
    detail::ModalBox::Register(kAboutBoxClass);
  });
}

std::wstring ControlClassOf(HWND control) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(control, name, 256);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

namespace {

bool IsOurControl(HWND control) {
  const std::wstring name = ControlClassOf(control);
  return name == kCheckClass || name == kFrameClass || name == kProgressBarClass;
}

// The properties by the names the program uses, in lower case.
struct PropertyName {
  const char* lower;
  detail::Property property;
};
constexpr PropertyName kPropertyNames[] = {
    {"backcolor", detail::Property::kBackColor},
    {"bordercolor", detail::Property::kBorderColor},
    {"forecolor", detail::Property::kForeColor},
    {"checkmarkcolor", detail::Property::kCheckMarkColor},
    {"fillcolor", detail::Property::kFillColor},
    {"fillcolorlight", detail::Property::kFillColorLight},
    {"value", detail::Property::kValue},
    {"max", detail::Property::kMax},
};

std::optional<detail::Property> PropertyNamed(const std::string& name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const PropertyName& known : kPropertyNames) {
    if (lower == known.lower) return known.property;
  }
  return std::nullopt;
}

}  // namespace

bool SetControlProperty(HWND control, const std::string& name, int32_t value) {
  // Private messages mean something else to other classes, so only ours get them.
  if (!IsOurControl(control)) return false;
  const std::optional<detail::Property> property = PropertyNamed(name);
  if (!property) return false;
  return ::SendMessageW(control, detail::kSetPropertyMessage, static_cast<WPARAM>(*property),
                        static_cast<LPARAM>(value)) != FALSE;
}

std::optional<int32_t> GetControlProperty(HWND control, const std::string& name) {
  if (!IsOurControl(control)) return std::nullopt;
  const std::optional<detail::Property> property = PropertyNamed(name);
  if (!property) return std::nullopt;
  int32_t value = 0;
  if (::SendMessageW(control, detail::kGetPropertyMessage, static_cast<WPARAM>(*property),
                     reinterpret_cast<LPARAM>(&value)) == FALSE) {
    return std::nullopt;
  }
  return value;
}

}  // namespace xpconv::ui
