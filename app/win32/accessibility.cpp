#include "app/win32/accessibility.h"

#include <commctrl.h>
#include <wrl/client.h>

#include <new>
#include <utility>

#include "platform/win32/com_object.h"
#include "platform/win32/system_dll.h"

namespace app::win32 {
namespace {

using Microsoft::WRL::ComPtr;

// A caller that leaves the child out, or passes it empty, means the object itself.
bool IsSelf(const VARIANT& child) {
  return child.vt == VT_EMPTY || (child.vt == VT_ERROR && child.scode == DISP_E_PARAMNOTFOUND) ||
         (child.vt == VT_I4 && child.lVal == CHILDID_SELF);
}

// The system's object for a control with its name and role replaced; every
// other question goes on to the system's object. Of that object's other
// interfaces only IOleWindow and IEnumVARIANT are offered, answered here: any
// interface handed out of the inner object would lead back to it, unnamed.
class DescribedControl final : public platform::win32::ComObject<IAccessible, IOleWindow, IEnumVARIANT> {
 public:
  // Starts with the caller's reference.
  DescribedControl(ComPtr<IAccessible> standard, const wchar_t* name, LONG role)
      : standard_(std::move(standard)), name_(name), role_(role) {
    standard_.As(&window_);
    standard_.As(&children_);
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

  // IEnumVARIANT, by which a screen reader walks the children (the page in
  // the browser area). A clone is an enumerator of its own, the system's.
  STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override { return children_->Next(count, out, fetched); }
  STDMETHODIMP Skip(ULONG count) override { return children_->Skip(count); }
  STDMETHODIMP Reset() override { return children_->Reset(); }
  STDMETHODIMP Clone(IEnumVARIANT** copy) override { return children_->Clone(copy); }

 private:
  void* Interface(REFIID iid) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IAccessible)) {
      return static_cast<IAccessible*>(this);
    }
    if (IsEqualIID(iid, IID_IOleWindow) && window_) return static_cast<IOleWindow*>(this);
    if (IsEqualIID(iid, IID_IEnumVARIANT) && children_) return static_cast<IEnumVARIANT*>(this);
    return nullptr;
  }

  const ComPtr<IAccessible> standard_;
  ComPtr<IOleWindow> window_;
  ComPtr<IEnumVARIANT> children_;
  const wchar_t* const name_;  // null: the system's
  const LONG role_;            // 0: the system's
};

}  // namespace

AccessibleControls::AccessibleControls() {
  if (!com_.usable()) return;
  ::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     reinterpret_cast<void**>(annotations_.GetAddressOf()));
}

AccessibleControls::AccessibleControls(ComPtr<IAccPropServices> annotations) : annotations_(std::move(annotations)) {}

void AccessibleControls::Describe(const std::array<HWND, app::kControlCount>& windows) {
  // Whether the system takes a name by annotation decides for every control,
  // the unnamed ones' roles included.
  if (annotations_) {
    bool taken = true;
    for (const auto& spec : app::Inventory()) {
      const HWND control = windows[static_cast<std::size_t>(spec.id)];
      const wchar_t* name = AccessibleNameOf(spec.id);
      if (control == nullptr || name == nullptr) continue;
      if (FAILED(annotations_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                              name))) {
        taken = false;
        break;
      }
      annotated_.push_back(control);
    }
    if (taken && !annotated_.empty()) return;
    // Names given before a refusal are taken back: no control is answered twice.
    ClearAnnotations();
  }
  for (const auto& spec : app::Inventory()) {
    if (const HWND control = windows[static_cast<std::size_t>(spec.id)]) Answer(control, spec.id);
  }
}

void AccessibleControls::Answer(HWND control, app::ControlId id) {
  if (AccessibleNameOf(id) == nullptr && AccessibleRole(app::Spec(id).kind) == 0) return;
  // Should this fail, the control is still there, only as the system describes it.
  ::SetWindowSubclass(control, &ControlProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(this));
}

void AccessibleControls::Stop() noexcept {
  ended_ = true;
  ClearAnnotations();
}

void AccessibleControls::ClearAnnotations() noexcept {
  for (const HWND control : annotated_) {
    annotations_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &PROPID_ACC_NAME, 1);
  }
  annotated_.clear();
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
  // The object goes to the screen reader through COM.
  if (!com_.usable()) return 0;
  static const auto create_standard =
      platform::win32::SystemProc<decltype(::CreateStdAccessibleObject)>(L"oleacc.dll", "CreateStdAccessibleObject");
  static const auto lresult_from_object =
      platform::win32::SystemProc<decltype(::LresultFromObject)>(L"oleacc.dll", "LresultFromObject");
  if (create_standard == nullptr || lresult_from_object == nullptr) return 0;
  ComPtr<IAccessible> standard;
  if (FAILED(
          create_standard(control, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(standard.GetAddressOf())))) {
    return 0;
  }
  ComPtr<IAccessible> described;
  described.Attach(new (std::nothrow)
                       DescribedControl(std::move(standard), AccessibleNameOf(id), AccessibleRole(app::Spec(id).kind)));
  if (!described) return 0;
  // A new object for every request, as the system makes them: LresultFromObject
  // takes the references the screen reader will hold, and ours goes here.
  return lresult_from_object(IID_IAccessible, flags, described.Get());
}

}  // namespace app::win32
