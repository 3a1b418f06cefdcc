// Hosts the system web-browser control (CLSID_WebBrowser / IWebBrowser2) in
// a rectangle of a window, with plain OLE and no ATL.
//
// Win32-only: portable code must not include this header.
//
// Threading: everything here runs on the UI thread, which must have called
// OleInitialize(nullptr) (not CoInitializeEx: in-place activation, drag and
// drop and the clipboard need the OLE flavour of the apartment) before
// Create(), and may call OleUninitialize() only after Destroy() and after its
// message loop has ended: the control's hidden windows, timers and worker
// threads may still call into its code until then, and OleUninitialize is
// where COM unloads that code.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <urlmon.h>
#include <wrl/client.h>

namespace platform::win32 {

// The container side of the control: client site, in-place site and frame,
// document host and source of ambient properties, as one COM object that
// lives as long as anyone holds it. `rect` is in client pixels of `parent`.
// It is also the sink of the control's events, through which it refuses every
// new window a page asks for.
Microsoft::WRL::ComPtr<IOleClientSite> MakeBrowserSite(HWND parent, const RECT& rect);

// How the browser engine is asked to turn one of its features on, in the
// shape of its CoInternetSetFeatureEnabled.
using FeatureSetter = HRESULT(WINAPI*)(INTERNETFEATURELIST feature, DWORD flags, BOOL enable);

class BrowserHost {
 public:
  // The engine's hardening asked through `set_feature`; null for the
  // engine's own.
  explicit BrowserHost(FeatureSetter set_feature = nullptr) : set_feature_(set_feature) {}
  ~BrowserHost() { Destroy(); }
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Creates the control as a child area of `parent` at `rect` (client
  // pixels), in-place activated and showing no page. Before the control
  // exists, the browser's hardening features are turned on for the whole
  // process (a page is a guest: no raised zones, no sniffed MIME types, no
  // unrestricted windows or prompts); one the engine refuses stays off and
  // the control is made all the same. On failure nothing is left half-built
  // and the failing HRESULT is returned.
  // Call Destroy() before `parent` is destroyed (e.g. from its WM_DESTROY).
  HRESULT Create(HWND parent, const RECT& rect);
  bool created() const { return browser_ != nullptr; }

  // IWebBrowser2::Navigate with the URL as its only argument. Returns at
  // once; the page loads while the caller pumps messages.
  HRESULT Navigate(const wchar_t* url);

  // Moves the control to `rect` (client pixels of the parent), as the window
  // does when it lays itself out again, say at a new DPI. The site reports
  // the same rectangle to the control from then on.
  HRESULT SetRect(const RECT& rect);

  // Call from the message loop before TranslateMessage: lets the control
  // handle its own keys (Tab inside the page, Ctrl+C, ...) while the focus
  // is inside it. True if the control consumed `msg`.
  bool TranslateAccelerator(MSG* msg);

  // Disconnects the events, deactivates and closes the control, then takes
  // the site away and releases everything, in the order the platform's own
  // hosts use. Safe to call more than once.
  void Destroy();

 private:
  HRESULT Build(HWND parent, const RECT& rect);
  HWND ControlWindow() const;

  FeatureSetter set_feature_;
  // In the order Create() acquires them; Destroy() lets go in reverse.
  Microsoft::WRL::ComPtr<IOleClientSite> site_;
  Microsoft::WRL::ComPtr<IOleObject> object_;
  Microsoft::WRL::ComPtr<IConnectionPoint> events_;  // the site is connected here
  DWORD events_cookie_ = 0;
  Microsoft::WRL::ComPtr<IOleInPlaceObject> inplace_;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> active_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};

}  // namespace platform::win32
