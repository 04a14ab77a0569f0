// Our control library: the check box qorCheck (check_box.h), the frame
// qorFrame (frame.h), the progress bar qorProgressBar (progress_bar.h), the
// form skin qorXPForm (form_skin.h) and the message box qorMessageBox
// (message_box_object.h), with the library's about box (about_box.h). Each
// visual control is a registered window class of its own name, so a window's
// controls can be enumerated (EnumChildWindows) and told apart by class
// (ControlClassOf). Properties are set by name through SetControlProperty,
// as the wizard's recolouring does with "BackColor".
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace xpconv::ui {

// Registers the window classes once per process; safe to call again.
void RegisterControlLibrary(HINSTANCE instance);

// The window class name of a control ("qorCheck", "Button", ...).
std::wstring ControlClassOf(HWND control);

// Sets a property of one of our controls by its name (letter case ignored):
// "BackColor", "BorderColor", "ForeColor", "CheckMarkColor", "FillColor",
// "FillColorLight", "Value", "Max". Colour values are colour numbers as in
// ResolveColour (colour.h). Returns false when the control has no such
// property.
bool SetControlProperty(HWND control, const std::string& name, int32_t value);
// Reads such a property back; nothing when the control has no such property.
std::optional<int32_t> GetControlProperty(HWND control, const std::string& name);

}  // namespace xpconv::ui
