// What our container answers the browser control, asked of the site directly
// (Wine here has no HTML engine); and the control made by a refusing engine.
#include "platform/win32/browser_host.h"

#include <exdispid.h>
#include <idispids.h>
#include <mshtmdid.h>
#include <mshtmhst.h>

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "platform/win32/apartment.h"
#include "platform/win32/handles.h"

namespace {

using Microsoft::WRL::ComPtr;

constexpr RECT kArea = {10, 10, 75, 51};

TEST(BrowserHost, SiteIsOneObjectShowingBorderScrollBarsAtTheDpiButNoMenuDialogCodeOrNewWindow) {
  // Asked nothing about its window here, the site may sit on any.
  const ComPtr<IOleClientSite> site = platform::win32::MakeBrowserSite(::GetDesktopWindow(), kArea);

  ComPtr<IDocHostUIHandler> ui;
  ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(ui.GetAddressOf())), S_OK);
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof info;
  ASSERT_EQ(ui->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags & (DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER | DOCHOSTUIFLAG_SCROLL_NO), 0u)
      << std::hex << info.dwFlags;
  EXPECT_NE(info.dwFlags & DOCHOSTUIFLAG_DPI_AWARE, 0u) << std::hex << info.dwFlags;
  // S_OK means the host showed the menu itself: the browser's stays away.
  POINT at{1, 1};
  EXPECT_EQ(ui->ShowContextMenu(0, &at, nullptr, nullptr), S_OK);

  ComPtr<IDispatch> ambient;
  ASSERT_EQ(site->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambient.GetAddressOf())), S_OK);
  const auto get = [&](DISPID property) {
    DISPPARAMS none{};
    VARIANT value{};
    EXPECT_EQ(ambient->Invoke(property, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr), S_OK);
    return value;
  };
  const VARIANT silent = get(DISPID_AMBIENT_SILENT), download = get(DISPID_AMBIENT_DLCONTROL);
  EXPECT_TRUE(V_VT(&silent) == VT_BOOL && V_BOOL(&silent) == VARIANT_TRUE);
  // Silent, and nothing of the page's runs here: no script, Java, control or behaviour.
  const LONG guest = DLCTL_SILENT | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
                     DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS;
  EXPECT_TRUE(V_VT(&download) == VT_I4 && (V_I4(&download) & guest) == guest) << std::hex << V_I4(&download);

  // A new window is refused, whichever event asks; the arguments come last first.
  for (const auto& [event, count, cancel] :
       {std::tuple{DISPID_NEWWINDOW2, 2u, 0u}, std::tuple{DISPID_NEWWINDOW3, 5u, 3u}}) {
    VARIANT_BOOL refused = VARIANT_FALSE;
    VARIANT args[5] = {};  // VT_EMPTY but for Cancel
    V_VT(&args[cancel]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&args[cancel]) = &refused;
    DISPPARAMS call{args, nullptr, count, 0};
    EXPECT_EQ(ambient->Invoke(event, IID_NULL, 0, DISPATCH_METHOD, &call, nullptr, nullptr, nullptr), S_OK) << event;
    EXPECT_EQ(refused, VARIANT_TRUE) << event;
  }

  // The control casts freely between the site's interfaces: one wrong vtable crashes it.
  ComPtr<IUnknown> identity;
  ASSERT_EQ(site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.GetAddressOf())), S_OK);
  for (const IID* iid : {&IID_IOleClientSite, &IID_IOleWindow, &IID_IOleInPlaceSite, &IID_IOleInPlaceUIWindow,
                         &IID_IOleInPlaceFrame, &IID_IDocHostUIHandler, &IID_IDispatch, &DIID_DWebBrowserEvents2}) {
    ComPtr<IUnknown> face, back;
    ASSERT_EQ(site->QueryInterface(*iid, reinterpret_cast<void**>(face.GetAddressOf())), S_OK);
    ASSERT_EQ(face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(back.GetAddressOf())), S_OK);
    EXPECT_EQ(back.Get(), identity.Get());
  }
}

// What the engine was asked, by an engine that knows none of it.
std::vector<std::pair<INTERNETFEATURELIST, DWORD>> g_asked;
HRESULT WINAPI RefuseFeature(INTERNETFEATURELIST feature, DWORD flags, BOOL) {
  g_asked.emplace_back(feature, flags);
  return E_FAIL;
}

TEST(BrowserHost, AsksPerProcessOnlyWhatTheEngineAllowsAndIsMadeWhenItRefuses) {
  const platform::win32::ScopedOle ole;
  ASSERT_TRUE(ole.ok());
  const platform::win32::Handle<HWND, &::DestroyWindow> parent(
      ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr));
  platform::win32::BrowserHost host(&RefuseFeature);
  EXPECT_EQ(host.Create(parent.get(), kArea), S_OK);
  host.Destroy();
  // Documented: SET_FEATURE_ON_PROCESS is for every feature but FEATURE_LOCALMACHINE_LOCKDOWN.
  for (const auto& [feature, flags] : g_asked) {
    EXPECT_FALSE(feature == FEATURE_LOCALMACHINE_LOCKDOWN && flags == SET_FEATURE_ON_PROCESS);
  }
  EXPECT_GT(g_asked.size(), 1u) << "the first refusal ended the hardening";
}

}  // namespace
