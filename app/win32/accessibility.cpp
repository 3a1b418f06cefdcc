#include "app/win32/accessibility.h"

#include <commctrl.h>
#include <wrl/client.h>

#include <new>
#include <utility>

#include "platform/win32/com_object.h"

namespace app::win32 {
namespace {

using Microsoft::WRL::ComPtr;

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's object for a control with its name and role replaced; every
// other question goes on to the system's object. Of that object's other
// interfaces only IOleWindow is offered, answered here: any interface handed
// out of the inner object would lead back to it, unnamed. Its children are
// still reached by index.
class DescribedControl final : public platform::win32::ComObject<IAccessible, IOleWindow> {
 public:
  // Starts with the caller's reference.
  DescribedControl(ComPtr<IAccessible> standard, const wchar_t* name, LONG role)
      : standard_(std::move(standard)), name_(name), role_(role) {
    standard_.As(&window_);
  }

  // IDispatch. A late-bound call is run by the system's type information
  // against this object, so it hears the same name as an early-bound one.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, lcid, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, lcid, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* bad_arg) override {
    ComPtr<ITypeInfo> info;
    const HRESULT hr = standard_->GetTypeInfo(0, lcid, info.GetAddressOf());
    if (FAILED(hr)) return hr;
    return info->Invoke(static_cast<IAccessible*>(this), id, flags, params, result, exception, bad_arg);
  }

  // IAccessible: the name and role are ours, the rest the system's.
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
    if (name_ == nullptr || !IsSelf(child)) return standard_->get_accName(child, name);
    if (name == nullptr) return E_POINTER;
    *name = ::SysAllocString(name_);
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
    if (role_ == 0 || !IsSelf(child)) return standard_->get_accRole(child, role);
    if (role == nullptr) return E_POINTER;
    ::VariantInit(role);
    role->vt = VT_I4;
    role->lVal = role_;
    return S_OK;
  }
  STDMETHODIMP get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
  STDMETHODIMP get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override { return standard_->get_accChild(child, out); }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override { return standard_->get_accValue(child, value); }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
    return standard_->get_accDescription(child, text);
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override { return standard_->get_accState(child, state); }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override { return standard_->get_accHelp(child, help); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return standard_->get_accKeyboardShortcut(child, keys);
  }
  STDMETHODIMP get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
  STDMETHODIMP get_accSelection(VARIANT* children) override { return standard_->get_accSelection(children); }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  STDMETHODIMP accSelect(LONG how, VARIANT child) override { return standard_->accSelect(how, child); }
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override { return standard_->accHitTest(x, y, child); }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override { return standard_->accDoDefaultAction(child); }
  STDMETHODIMP put_accName(VARIANT child, BSTR name) override { return standard_->put_accName(child, name); }
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) override { return standard_->put_accValue(child, value); }

  // IOleWindow, by which the accessibility layer finds the control's window.
  STDMETHODIMP GetWindow(HWND* hwnd) override { return window_->GetWindow(hwnd); }
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override { return window_->ContextSensitiveHelp(enter); }

 private:
  void* Interface(REFIID iid) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IAccessible)) {
      return static_cast<IAccessible*>(this);
    }
    if (IsEqualIID(iid, IID_IOleWindow) && window_) return static_cast<IOleWindow*>(this);
    return nullptr;
  }

  const ComPtr<IAccessible> standard_;
  ComPtr<IOleWindow> window_;
  const wchar_t* const name_;  // null: the system's
  const LONG role_;            // 0: the system's
};

}  // namespace

void AccessibleControls::Describe(HWND control, app::ControlId id) {
  if (AccessibleNameOf(id) == nullptr && AccessibleRole(app::Spec(id).kind) == 0) return;
  // Should this fail, the control is still there, only as the system describes it.
  ::SetWindowSubclass(control, &ControlProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK AccessibleControls::ControlProc(HWND control, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                                 DWORD_PTR self) {
  auto& owner = *reinterpret_cast<AccessibleControls*>(self);
  // The object id is compared as a DWORD: on 64-bit Windows it may come
  // sign-extended or not.
  if (msg == WM_GETOBJECT && static_cast<DWORD>(lparam) == static_cast<DWORD>(OBJID_CLIENT) && !owner.ended_) {
    const LRESULT answer = owner.OnGetObject(control, wparam, static_cast<app::ControlId>(id));
    if (answer > 0) return answer;
  } else if (msg == WM_NCDESTROY) {
    ::RemoveWindowSubclass(control, &ControlProc, id);
  }
  return ::DefSubclassProc(control, msg, wparam, lparam);
}

LRESULT AccessibleControls::OnGetObject(HWND control, WPARAM flags, app::ControlId id) {
  // The object goes to the screen reader through COM, which the program
  // itself starts only for the browser (Wine starts it for any thread with a
  // window).
  if (!com_) com_.emplace();
  if (!com_->usable()) {
    com_.reset();
    return 0;
  }
  ComPtr<IAccessible> standard;
  if (FAILED(::CreateStdAccessibleObject(control, OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(standard.GetAddressOf())))) {
    return 0;
  }
  ComPtr<IAccessible> described;
  described.Attach(new (std::nothrow)
                       DescribedControl(std::move(standard), AccessibleNameOf(id), AccessibleRole(app::Spec(id).kind)));
  if (!described) return 0;
  // A new object for every request, as the system makes them: LresultFromObject
  // takes the references the screen reader will hold, and ours goes here.
  return ::LresultFromObject(IID_IAccessible, flags, described.Get());
}

}  // namespace app::win32
