#include "platform/win32/browser_host.h"

#include <exdispid.h>
#include <idispids.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <urlmon.h>

#include "platform/win32/com_object.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_dll.h"

namespace platform::win32 {

// The container side of the control: one COM object playing client site,
// in-place site, frame (and so UI window), document host, ambient property
// source and sink of the control's events. It lives on the heap with its own reference count
// because the control holds references to it whose lifetime the host does
// not control; the host only owns one of those references.
class BrowserSite final
    : public ComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IDocHostUIHandler, IDispatch> {
 public:
  BrowserSite(HWND parent, const RECT& rect) : parent_(parent), rect_(rect) {}

  // Where the control is, from the next time it asks.
  void set_rect(const RECT& rect) { rect_ = rect; }

  // IOleClientSite. The control is never saved or linked, so storage and
  // monikers are not offered.
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, shared by the in-place site and the frame: both are the
  // parent window, which is all the control needs to create its own child.
  STDMETHODIMP GetWindow(HWND* hwnd) override {
    if (hwnd == nullptr) return E_POINTER;
    *hwnd = parent_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite.
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (frame == nullptr || doc == nullptr || pos == nullptr || clip == nullptr || info == nullptr) {
      return E_POINTER;
    }
    // The frame doubles as the document window: there is no MDI and no
    // separate document pane, so a null doc window is the honest answer.
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *doc = nullptr;
    *pos = rect_;
    *clip = rect_;
    info->fMDIApp = FALSE;
    info->hwndFrame = GetAncestor(parent_, GA_ROOT);
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override {
    // The rectangle belongs to the window layout, not to the page: a page
    // asking to grow is ignored rather than allowed to cover the dialog.
    return S_OK;
  }

  // IOleInPlaceUIWindow: the window has no toolbars to share.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
    // The host queries the active object itself; keeping this one would
    // only add a reference cycle to break on teardown.
    return S_OK;
  }

  // IOleInPlaceFrame: no menus are merged and no status bar is shown.
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
    if (widths != nullptr) *widths = OLEMENUGROUPWIDTHS{};
    return S_OK;
  }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override {  // frame and doc host share it
    return S_OK;
  }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override {
    return S_FALSE;  // the frame has no accelerators of its own
  }

  // IDocHostUIHandler: the page is shown as the control shows it, with its
  // own border and with scroll bars when the answer is larger than the area.
  // Two things are held back because they would put the browser's business in
  // front of the user: its context menu (navigation, view source) and, in the
  // ambient properties below, every dialog it would pop up.
  STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
    return S_OK;  // "shown": suppresses the browser's own menu
  }
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
    if (info == nullptr) return E_POINTER;
    // DPI-aware: the page scales with the window, which lays itself out at
    // the monitor's DPI, instead of being drawn at 96 and stretched.
    info->dwFlags = DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_DPI_AWARE;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
  }
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_OK;  // "the host shows its own UI": no browser toolbars
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  // IDocHostUIHandler::EnableModeless shares its signature with the frame's
  // and is served by the override above.
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override {
    return S_FALSE;  // let the browser handle its own keys
  }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key != nullptr) *key = nullptr;
    return S_FALSE;  // default browser settings
  }
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override {
    if (target != nullptr) *target = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetExternal(IDispatch** dispatch) override {
    if (dispatch != nullptr) *dispatch = nullptr;
    return S_FALSE;  // nothing is exposed to page script
  }
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
  }

  // IDispatch: the ambient properties and the control's events.
  //
  // A status indicator must never put a script-error, certificate or "page
  // not found" dialog in front of the user, so the site asks for silence
  // both ways the control may look for it: the browser-level ambient (which
  // the WebBrowser control reads when it gets its site) and the
  // download-control flags read by the HTML engine.
  //
  // The page comes over plain HTTP, which anyone on the way can rewrite, and
  // runs inside this process; it needs nothing but its text and pictures. So
  // the engine runs no script, Java or ActiveX control, downloads no control
  // and attaches no behaviour. Frames stay allowed: everything above holds in
  // them as well, and the service may one day answer with a frameset.
  // Everything else is left to the control's own default.
  //
  // Of the events only the requests for a new window are answered: refused,
  // as a link meant for a window of its own would otherwise open the
  // browser over the desktop with whatever the page pointed it at.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if ((flags & DISPATCH_METHOD) != 0 && (id == DISPID_NEWWINDOW2 || id == DISPID_NEWWINDOW3)) {
      return RefuseNewWindow(id == DISPID_NEWWINDOW2 ? 0 : 3, params);
    }
    if ((flags & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
    if (id != DISPID_AMBIENT_SILENT && id != DISPID_AMBIENT_DLCONTROL) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (result == nullptr) return E_POINTER;
    VariantInit(result);
    if (id == DISPID_AMBIENT_SILENT) {
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_TRUE;
    } else {
      V_VT(result) = VT_I4;
      V_I4(result) = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_SILENT | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA |
                     DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS;
    }
    return S_OK;
  }

 private:
  void* Interface(REFIID iid) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) return static_cast<IOleClientSite*>(this);
    if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
      return static_cast<IOleInPlaceSite*>(this);
    }
    if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
      return static_cast<IOleInPlaceFrame*>(this);
    }
    if (IsEqualIID(iid, IID_IDocHostUIHandler)) return static_cast<IDocHostUIHandler*>(this);
    if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID_DWebBrowserEvents2))
      return static_cast<IDispatch*>(this);
    return nullptr;
  }

  // The arguments arrive last first: `cancel` counts from the end of the
  // event's parameter list (NewWindow2: ppDisp, Cancel; NewWindow3: ppDisp,
  // Cancel, dwFlags, bstrUrlContext, bstrUrl). The new window's object is
  // left unset, which with Cancel is the documented refusal.
  static HRESULT RefuseNewWindow(UINT cancel, DISPPARAMS* params) {
    if (params == nullptr || params->rgvarg == nullptr || params->cArgs <= cancel) return DISP_E_BADPARAMCOUNT;
    VARIANT& flag = params->rgvarg[cancel];
    if (V_VT(&flag) != (VT_BYREF | VT_BOOL) || V_BOOLREF(&flag) == nullptr) return DISP_E_TYPEMISMATCH;
    *V_BOOLREF(&flag) = VARIANT_TRUE;
    return S_OK;
  }

  HWND parent_;
  RECT rect_;
};

Microsoft::WRL::ComPtr<IOleClientSite> MakeBrowserSite(HWND parent, const RECT& rect) {
  Microsoft::WRL::ComPtr<IOleClientSite> site;
  site.Attach(static_cast<IOleClientSite*>(new BrowserSite(parent, rect)));
  return site;
}

namespace {

// What the system's own browser hosts are told to turn on for a hosted
// control. Each holds for the whole process and must be on before the
// control exists, which reads some of them only when it is made. Not
// FEATURE_LOCALMACHINE_LOCKDOWN: it is the one feature the engine does not
// take for a process (it comes from the machine's feature-control settings),
// and the page never comes from this machine anyway; zone elevation already
// keeps it out of the more trusted zones.
constexpr INTERNETFEATURELIST kHardening[] = {
    FEATURE_ZONE_ELEVATION,           // no way from an Internet page into a more trusted zone
    FEATURE_MIME_SNIFFING,            // a file is not promoted to a riskier type for what its bytes look like
    FEATURE_MIME_HANDLING,            // nor handed to a handler its declared type does not match
    FEATURE_WINDOW_RESTRICTIONS,      // no windows without a frame, off screen or over the status bar
    FEATURE_WEBOC_POPUPMANAGEMENT,    // the pop-up blocker, which a hosted control has off
    FEATURE_BLOCK_INPUT_PROMPTS,      // no prompt windows asking the user to type
    FEATURE_RESTRICT_ACTIVEXINSTALL,  // no offer to install a control
    FEATURE_RESTRICT_FILEDOWNLOAD,    // no download the user did not start
    FEATURE_SAFE_BINDTOOBJECT,        // no control is made that is not marked safe
};

// A feature the engine refuses (an older engine may not know it, a policy
// may hold it) is left as it is, and the others are still asked. The page
// stays a guest without it: the site's download-control flags, which the
// engine reads for every page, keep script, Java, ActiveX and behaviours off,
// and the site refuses every new window. Refusing to show the control over
// it would only tell the user the check is broken when it is not.
void HardenProcess(FeatureSetter set_feature) {
  if (set_feature == nullptr) {
    static const auto engine_setter =
        SystemProc<decltype(::CoInternetSetFeatureEnabled)>(L"urlmon.dll", "CoInternetSetFeatureEnabled");
    set_feature = engine_setter;
  }
  if (set_feature == nullptr) return;
  for (const INTERNETFEATURELIST feature : kHardening) set_feature(feature, SET_FEATURE_ON_PROCESS, TRUE);
}

}  // namespace

HRESULT BrowserHost::Create(HWND parent, const RECT& rect) {
  if (site_) return E_UNEXPECTED;
  if (parent == nullptr || !IsWindow(parent)) return E_INVALIDARG;
  const HRESULT hr = Build(parent, rect);
  // Destroy() knows how to unwind any prefix of Build(), so a failure at
  // any step leaves the host exactly as it was before.
  if (FAILED(hr)) Destroy();
  return hr;
}

HRESULT BrowserHost::Build(HWND parent, const RECT& rect) {
  HardenProcess(set_feature_);
  site_ = MakeBrowserSite(parent, rect);
  HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(object_.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;

  // Connected before anything can be loaded, so that no page ever finds
  // nobody there to refuse its new window.
  {
    Microsoft::WRL::ComPtr<IConnectionPointContainer> points;
    hr = object_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(points.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = points->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.GetAddressOf());
    if (FAILED(hr)) return hr;
    hr = events_->Advise(site_.Get(), &events_cookie_);
    if (FAILED(hr)) return hr;
  }

  // Some objects read ambient properties while initialising and so want
  // the site before anything else; the browser says so in its misc status.
  DWORD misc = 0;
  if (FAILED(object_->GetMiscStatus(DVASPECT_CONTENT, &misc))) misc = 0;
  const bool site_first = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  if (site_first) {
    hr = object_->SetClientSite(site_.Get());
    if (FAILED(hr)) return hr;
  }

  {
    Microsoft::WRL::ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(object_->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(persist.GetAddressOf())))) {
      hr = persist->InitNew();
      if (FAILED(hr)) return hr;
    }
  }

  if (!site_first) {
    hr = object_->SetClientSite(site_.Get());
    if (FAILED(hr)) return hr;
  }

  // Failure here only loses the container name in the control's own UI.
  object_->SetHostNames(L"Status Cycler", nullptr);

  RECT pos = rect;
  hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent, &pos);
  if (FAILED(hr)) return hr;

  hr = object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(inplace_.GetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = inplace_->SetObjectRects(&pos, &pos);
  if (FAILED(hr)) return hr;

  // Only needed for keyboard handling; a control without it still works.
  object_->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(active_.GetAddressOf()));

  return object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser_.GetAddressOf()));
}

HRESULT BrowserHost::Navigate(const wchar_t* url) {
  if (!created()) return E_UNEXPECTED;
  if (url == nullptr) return E_INVALIDARG;
  const Bstr bstr(SysAllocString(url));
  if (!bstr) return E_OUTOFMEMORY;
  // Flags, target frame, post data and headers all left out.
  VARIANT empty;
  VariantInit(&empty);
  return browser_->Navigate(bstr.get(), &empty, &empty, &empty, &empty);
}

HRESULT BrowserHost::SetRect(const RECT& rect) {
  if (!created()) return E_UNEXPECTED;
  // MakeBrowserSite made site_ from a BrowserSite, so the downcast is exact.
  static_cast<BrowserSite*>(site_.Get())->set_rect(rect);
  // The object goes where the site now tells it it is, so that what it is
  // told when it asks again later (say, when it is activated anew) cannot
  // send it back to the old place.
  Microsoft::WRL::ComPtr<IOleInPlaceSite> site;
  HRESULT hr = site_.As(&site);
  if (FAILED(hr)) return hr;
  Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame;
  Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> doc;
  RECT pos{};
  RECT clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof info;
  hr = site->GetWindowContext(frame.GetAddressOf(), doc.GetAddressOf(), &pos, &clip, &info);
  if (FAILED(hr)) return hr;
  return inplace_->SetObjectRects(&pos, &clip);
}

HWND BrowserHost::ControlWindow() const {
  HWND hwnd = nullptr;
  if (!inplace_ || FAILED(inplace_->GetWindow(&hwnd))) return nullptr;
  return hwnd;
}

bool BrowserHost::TranslateAccelerator(MSG* msg) {
  if (msg == nullptr || !active_) return false;
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
  // Keys typed elsewhere in the window (the edit boxes, the buttons) are
  // not the browser's business even though it is the active object.
  const HWND control = ControlWindow();
  const HWND focus = GetFocus();
  if (control == nullptr || focus == nullptr || (focus != control && !IsChild(control, focus))) {
    return false;
  }
  return active_->TranslateAccelerator(msg) == S_OK;
}

void BrowserHost::Destroy() {
  if (!site_) return;
  // No event may reach the site while the control is taken apart.
  if (events_ && events_cookie_ != 0) events_->Unadvise(events_cookie_);
  events_cookie_ = 0;
  events_.Reset();
  if (inplace_) {
    inplace_->UIDeactivate();
    inplace_->InPlaceDeactivate();
  }
  if (object_) {
    // Close first, while the control still has its site: it takes itself
    // down through the site (leaving the UI and in-place states), which it
    // cannot do once the site is gone. Only then is the site taken away, as
    // the system's own hosts do it.
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  browser_.Reset();
  active_.Reset();
  inplace_.Reset();
  object_.Reset();
  site_.Reset();
}

}  // namespace platform::win32
