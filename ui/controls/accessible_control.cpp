// What screen readers learn about our controls. The system's standard client
// object knows position, focus and the window text but calls every custom
// window a plain "client"; this wrapper answers role, name, state, value and
// default action from the control itself and leaves the rest to the standard
// object. It asks the window afresh on every call and holds no pointer to the
// control, because a tool may keep the object after the control is gone.
#include "ui/controls/accessible_control.h"

#include <string>

#include "ui/controls/control.h"
#include "ui/win32/window.h"

// After the window headers, which these platform headers need.
#include <oleacc.h>

namespace xpconv::ui::detail {
namespace {

// The caption as read aloud: "&&" is a literal "&", a single "&" marks the
// access key and is dropped.
std::wstring WithoutAccessMarks(const std::wstring& caption, wchar_t* access_key) {
  std::wstring plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != L'&' && access_key != nullptr && *access_key == 0) *access_key = caption[i];
    }
    plain.push_back(caption[i]);
  }
  return plain;
}

HRESULT ReturnString(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool IsSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

class AccessibleControl final : public IAccessible {
 public:
  AccessibleControl(HWND hwnd, IAccessible* standard) : hwnd_(hwnd), standard_(standard) {}
  AccessibleControl(const AccessibleControl&) = delete;
  AccessibleControl& operator=(const AccessibleControl&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) ||
        riid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) {
      standard_->Release();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: the standard object's type information serves for ours.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* arg_error) override {
    return standard_->Invoke(id, riid, lcid, flags, params, result, exception, arg_error);
  }

  // IAccessible: what our controls know themselves.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child) || !::IsWindow(hwnd_)) return standard_->get_accName(child, name);
    return ReturnString(WithoutAccessMarks(WindowText(hwnd_), nullptr), name);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    AccessibleFacts facts;
    if (!IsSelf(child) || !Ask(facts)) return standard_->get_accRole(child, role);
    if (role == nullptr) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = facts.role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    AccessibleFacts facts;
    if (!IsSelf(child) || !Ask(facts)) return standard_->get_accState(child, state);
    if (state == nullptr) return E_INVALIDARG;
    // Focus, visibility and availability come from the window as for any control.
    VARIANT standard_state;
    ::VariantInit(&standard_state);
    long combined = facts.state;
    if (SUCCEEDED(standard_->get_accState(child, &standard_state)) && standard_state.vt == VT_I4) {
      combined |= standard_state.lVal;
    }
    state->vt = VT_I4;
    state->lVal = combined;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    AccessibleFacts facts;
    if (!IsSelf(child) || !Ask(facts)) return standard_->get_accValue(child, value);
    return ReturnString(facts.value, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    AccessibleFacts facts;
    if (!IsSelf(child) || !Ask(facts)) return standard_->get_accDefaultAction(child, action);
    return ReturnString(facts.default_action, action);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    AccessibleFacts facts;
    if (!IsSelf(child) || !Ask(facts)) return standard_->accDoDefaultAction(child);
    if (facts.default_action.empty()) return DISP_E_MEMBERNOTFOUND;
    // Posted: a tool must not be blocked while the control's owner reacts.
    ::PostMessageW(hwnd_, BM_CLICK, 0, 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    if (!IsSelf(child) || !::IsWindow(hwnd_)) {
      return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    wchar_t key = 0;
    WithoutAccessMarks(WindowText(hwnd_), &key);
    if (key == 0) return ReturnString(std::wstring(), shortcut);
    return ReturnString(std::wstring(L"Alt+") + static_cast<wchar_t>(::towupper(key)), shortcut);
  }

  // Everything else as the standard object answers it.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override {
    return standard_->get_accChild(child, dispatch);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return standard_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
    return standard_->accHitTest(left, top, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~AccessibleControl() = default;

  bool Ask(AccessibleFacts& facts) const {
    return ::IsWindow(hwnd_) &&
           ::SendMessageW(hwnd_, kAccessibleFactsMessage, 0, reinterpret_cast<LPARAM>(&facts)) != 0;
  }

  LONG refs_ = 1;
  HWND hwnd_;
  IAccessible* standard_;  // owned: one reference
};

}  // namespace

LRESULT AnswerGetObject(HWND control, WPARAM wp, LPARAM lp) {
  if (static_cast<LONG>(lp) != OBJID_CLIENT) return ::DefWindowProcW(control, WM_GETOBJECT, wp, lp);
  IAccessible* standard = nullptr;
  if (FAILED(::CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard))) ||
      standard == nullptr) {
    return ::DefWindowProcW(control, WM_GETOBJECT, wp, lp);
  }
  auto* wrapper = new AccessibleControl(control, standard);
  const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wp, wrapper);
  // LresultFromObject holds its own reference when it succeeds.
  wrapper->Release();
  return result;
}

}  // namespace xpconv::ui::detail
