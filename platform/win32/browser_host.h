// Hosts the system web-browser control (CLSID_WebBrowser / IWebBrowser2) in
// a rectangle of a window, with plain OLE and no ATL.
//
// Win32-only: portable code must not include this header.
//
// Threading: everything here runs on the UI thread, which must have called
// OleInitialize(nullptr) once (not CoInitializeEx: in-place activation,
// drag and drop and the clipboard need the OLE flavour of the apartment)
// before Create() and must call OleUninitialize() only after Destroy().
//
// Link with: ole32 oleaut32 uuid user32.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>

#include <functional>
#include <string>
#include <utility>

namespace platform::win32 {

class BrowserSite;  // the container COM object, private to browser_host.cpp

class BrowserHost {
 public:
  BrowserHost();
  ~BrowserHost();  // tears the control down if it is still up
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Creates the control as a child area of `parent` at `rect` (client
  // pixels), in-place activated and showing no page. On failure nothing is
  // left half-built and the failing HRESULT is returned. Calling it while a
  // control is already up returns E_UNEXPECTED and changes nothing.
  // Call Destroy() before `parent` is destroyed (e.g. from its WM_DESTROY).
  HRESULT Create(HWND parent, const RECT& rect);
  bool created() const { return browser_.get() != nullptr; }

  // IWebBrowser2::Navigate with the URL as its only argument. Returns at
  // once; the page loads while the caller pumps messages.
  HRESULT Navigate(const wchar_t* url);

  // What the control reports as its LocationURL; empty if none or on error.
  std::wstring LocationURL();

  // Call from the message loop before TranslateMessage: lets the control
  // handle its own keys (Tab inside the page, Ctrl+C, ...) while the focus
  // is inside it. True if the control consumed `msg`.
  bool TranslateAccelerator(MSG* msg);

  // Deactivates the control, detaches it from the container and releases
  // everything. Safe to call more than once.
  void Destroy();

  // The window the control created inside `parent` (null when not up).
  HWND control_window() const;

  // References the control held on the container when Destroy() last
  // dropped the host's own one: anything but 0 means the control leaked the
  // container (it then stays alive, detached, until the control lets go).
  ULONG site_references_left_after_destroy() const { return leaked_refs_; }

  // References currently held on the container, the host's own included
  // (0 when not up). Lets a test prove the control really took the site.
  ULONG site_reference_count() const;

  // Optional: called with "Interface::Method" for each call the control
  // makes into the container, in order, on the UI thread ("EnableModeless"
  // alone, as the frame and the doc host share it). QueryInterface calls
  // are reported as "QueryInterface(IName)"; AddRef/Release are not.
  std::function<void(const char*)> trace;

 private:
  // Owning COM pointer: releases on destruction, move-only so a reference
  // can never be released twice.
  template <class T>
  class Ref {
   public:
    Ref() = default;
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref& operator=(Ref&& other) noexcept {
      if (this != &other) {
        reset();
        p_ = std::exchange(other.p_, nullptr);
      }
      return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    // For out-parameters: drops what is held, then hands the slot out.
    T** put() {
      reset();
      return &p_;
    }
    void reset() {
      if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Hands the reference over to the caller, who must Release() it.
    [[nodiscard]] T* detach() { return std::exchange(p_, nullptr); }

   private:
    T* p_ = nullptr;
  };

  friend class BrowserSite;
  void Trace(const char* event) const;
  HRESULT Build(HWND parent, const RECT& rect);

  // In the order Create() acquires them; Destroy() lets go in reverse.
  Ref<BrowserSite> site_;  // the host's own reference to its container
  Ref<IOleObject> object_;
  Ref<IOleInPlaceObject> inplace_;
  Ref<IOleInPlaceActiveObject> active_;
  Ref<IWebBrowser2> browser_;
  ULONG leaked_refs_ = 0;
};

}  // namespace platform::win32
