// A control's own properties as one table: each row names a property, the
// member that holds its value and what setting it does. A control C derives
// from ControlWithProperties<C> and lists its rows once in C::Properties();
// the base answers the property messages from them, and whatever C has no
// row for from the properties every control has (BackColor, the paint count).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ui/controls/control.h"

namespace xpconv::ui::detail {

template <typename C>
struct PropertyRow {
  Property property;
  int32_t C::*value;  // read from here
  // Setting goes through the control's own setter when it has one (Value and
  // Max keep their range and repaint only on a change); otherwise the value
  // is stored as given, and the control repaints when repaint is true.
  void (C::*setter)(int32_t);
  bool repaint;
};

// A value the control draws: stored as given, then repainted.
template <typename C>
constexpr PropertyRow<C> Drawn(Property property, int32_t C::*value) {
  return {property, value, nullptr, true};
}
// A value the control keeps for others but does not draw.
template <typename C>
constexpr PropertyRow<C> Kept(Property property, int32_t C::*value) {
  return {property, value, nullptr, false};
}
// A value set through the control's own setter.
template <typename C>
constexpr PropertyRow<C> SetThrough(Property property, int32_t C::*value,
                                    void (C::*setter)(int32_t)) {
  return {property, value, setter, false};
}

template <typename C>
class ControlWithProperties : public Control {
 protected:
  bool SetProperty(Property property, int32_t value) final {
    const PropertyRow<C>* row = RowOf(property);
    if (row == nullptr) return Control::SetProperty(property, value);
    C& self = static_cast<C&>(*this);
    if (row->setter != nullptr) {
      (self.*(row->setter))(value);
    } else {
      self.*(row->value) = value;
      if (row->repaint) Repaint();
    }
    return true;
  }

  std::optional<int32_t> GetProperty(Property property) const final {
    const PropertyRow<C>* row = RowOf(property);
    if (row == nullptr) return Control::GetProperty(property);
    return static_cast<const C&>(*this).*(row->value);
  }

 private:
  static const PropertyRow<C>* RowOf(Property property) {
    for (const PropertyRow<C>& row : C::Properties()) {
      if (row.property == property) return &row;
    }
    return nullptr;
  }
};

}  // namespace xpconv::ui::detail
