// What our container answers the browser control. Wine here has no HTML
// engine, so a page is never drawn; the engine's questions to its host are
// asked of our site directly instead. The control itself is made and torn
// down through the real window (window_test.cpp), and here once by an engine
// that refuses its hardening.
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
  DISPPARAMS none{};
  VARIANT silent;
  ::VariantInit(&silent);
  ASSERT_EQ(ambient->Invoke(DISPID_AMBIENT_SILENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &silent, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(V_VT(&silent), VT_BOOL);
  EXPECT_EQ(V_BOOL(&silent), VARIANT_TRUE);
  VARIANT download;
  ::VariantInit(&download);
  ASSERT_EQ(
      ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &download, nullptr, nullptr),
      S_OK);
  // Silent, and nothing of the page's runs here: no script, Java, control or behaviour.
  const LONG guest = DLCTL_SILENT | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
                     DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS;
  EXPECT_EQ(V_VT(&download), VT_I4);
  EXPECT_EQ(V_I4(&download) & guest, guest) << std::hex << V_I4(&download);

  // A page asking for a new window is refused, whichever of the two events
  // the control raises. The arguments come last first.
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

  // The control casts freely between the site's interfaces; one handed out
  // with the wrong vtable crashes it at its first call.
  ComPtr<IUnknown> identity;
  ASSERT_EQ(site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.GetAddressOf())), S_OK);
  for (const IID* iid : {&IID_IOleClientSite, &IID_IOleWindow, &IID_IOleInPlaceSite, &IID_IOleInPlaceUIWindow,
                         &IID_IOleInPlaceFrame, &IID_IDocHostUIHandler, &IID_IDispatch, &DIID_DWebBrowserEvents2}) {
    ComPtr<IUnknown> face;
    ASSERT_EQ(site->QueryInterface(*iid, reinterpret_cast<void**>(face.GetAddressOf())), S_OK);
    ComPtr<IUnknown> back;
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
  const HWND parent =
      ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  platform::win32::BrowserHost host(&RefuseFeature);
  EXPECT_EQ(host.Create(parent, kArea), S_OK);
  host.Destroy();
  ::DestroyWindow(parent);
  // CoInternetSetFeatureEnabled's documentation: SET_FEATURE_ON_PROCESS is
  // available for every feature but FEATURE_LOCALMACHINE_LOCKDOWN.
  for (const auto& [feature, flags] : g_asked) {
    EXPECT_FALSE(feature == FEATURE_LOCALMACHINE_LOCKDOWN && flags == SET_FEATURE_ON_PROCESS);
  }
  EXPECT_GT(g_asked.size(), 1u) << "the first refusal ended the hardening";
}

}  // namespace
