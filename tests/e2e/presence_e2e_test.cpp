// The online check through the real window and the system's real browser
// control: a name typed into Text4, a real click on Command5, and the
// request that reaches a stand-in of the presence service on 127.0.0.1.
//
// The program asks the host it was built with (PRESENCE_HOST); the test
// build points it at 127.0.0.1:<port>, and this test reads the same value
// from the same library, so both always agree on where the stand-in is.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "presence/presence.h"
#include "tests/common/http_listener.h"
#include "tests/e2e/harness.h"

using app::ControlId;
using namespace std::chrono_literals;

namespace {

// The port of the stand-in, from the host the program was built to ask;
// nothing if that host is not this machine.
std::optional<unsigned short> StandInPort() {
  const platform::TextView host = presence::Host();
  const platform::TextView local = u"127.0.0.1:";
  if (host.substr(0, local.size()) != local || host.size() == local.size()) return std::nullopt;
  unsigned port = 0;
  for (char16_t c : host.substr(local.size())) {
    if (c < u'0' || c > u'9' || port > 65535) return std::nullopt;
    port = port * 10 + (c - u'0');
  }
  if (port == 0 || port > 65535) return std::nullopt;
  return static_cast<unsigned short>(port);
}

std::string HostText() {
  std::string out;
  for (char16_t c : presence::Host()) out += static_cast<char>(c);
  return out;
}

// Starts the stand-in where the program will look for it.
std::unique_ptr<testhttp::HttpListener> StartStandIn(bool hold = false) {
  const std::optional<unsigned short> port = StandInPort();
  if (!port) return nullptr;
  testhttp::HttpListener::Options options;
  options.port = *port;
  options.content_type = "text/html; charset=utf-8";
  options.body = "<html><body>online</body></html>";
  options.hold = hold;
  auto listener = std::make_unique<testhttp::HttpListener>(options);
  if (listener->port() != *port) return nullptr;
  return listener;
}

::testing::AssertionResult Listening(const std::unique_ptr<testhttp::HttpListener>& server) {
  if (!StandInPort()) {
    return ::testing::AssertionFailure() << "this build asks " << HostText()
                                         << "; configure the tests with -DPRESENCE_HOST=127.0.0.1:<port>";
  }
  if (server == nullptr) {
    return ::testing::AssertionFailure() << "could not listen on " << HostText() << " (is another test using it?)";
  }
  return ::testing::AssertionSuccess();
}

// The UTF-8 of what was typed, by the system's own converter.
std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// One request as the service reads it: method, path, and the query split
// into parameters, each value percent-decoded to bytes.
struct Request {
  std::string method, path;
  std::vector<std::pair<std::string, std::string>> params;
  std::string error;  // empty when the request line made sense
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> PercentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size() || HexDigit(s[i + 1]) < 0 || HexDigit(s[i + 2]) < 0) return std::nullopt;
    out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
    i += 2;
  }
  return out;
}

Request ParseRequestLine(const std::string& line) {
  Request r;
  const std::size_t sp1 = line.find(' ');
  const std::size_t sp2 = line.rfind(' ');
  if (sp1 == std::string::npos || sp2 == sp1 || line.compare(sp2, std::string::npos, " HTTP/1.1") != 0) {
    r.error = "not one request line";
    return r;
  }
  r.method = line.substr(0, sp1);
  const std::string target = line.substr(sp1 + 1, sp2 - sp1 - 1);
  if (target.find_first_of(" #") != std::string::npos) {
    r.error = "a space or fragment in the target";
    return r;
  }
  const std::size_t q = target.find('?');
  r.path = target.substr(0, q);
  if (q == std::string::npos) return r;
  const std::string query = target.substr(q + 1);
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(query.find('&', start), query.size());
    const std::string param = query.substr(start, end - start);
    const std::size_t eq = param.find('=');
    const auto key = PercentDecode(param.substr(0, eq));
    const auto value = PercentDecode(eq == std::string::npos ? std::string() : param.substr(eq + 1));
    if (!key || !value || param.find('+') != std::string::npos) {
      r.error = "a broken escape or a raw '+' in " + param;
      return r;
    }
    r.params.emplace_back(*key, *value);
    if (end == query.size()) break;
    start = end + 1;
  }
  return r;
}

// The direct children of a window, by class name.
std::vector<std::wstring> ChildClasses(HWND parent) {
  struct Ctx {
    HWND parent;
    std::vector<std::wstring> found;
  } ctx{parent, {}};
  ::EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(param);
        if (::GetParent(hwnd) == c->parent) {
          wchar_t cls[128] = {};
          ::GetClassNameW(hwnd, cls, 128);
          c->found.emplace_back(cls);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND FocusOf(HWND main) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += "  " + l + "\n";
  return out.empty() ? "  (none)\n" : out;
}

// Empties Text4 the way a user would, then types the name. True once the
// box shows it (input is handled after the harness's sync returns).
bool TypeName(const e2e::App& app, const std::wstring& name) {
  app.Click(ControlId::Text4);
  app.Key(VK_END);
  app.Key(VK_HOME, /*alt=*/false, /*ctrl=*/false, /*shift=*/true);
  app.Key(VK_DELETE);
  app.Type(name);
  return e2e::WaitFor([&] { return app.Text(ControlId::Text4) == name; }, 10s);
}

bool WaitForRequests(const testhttp::HttpListener& server, std::size_t count) {
  return e2e::WaitFor([&] { return server.lines().size() >= count; }, 30s);
}

TEST(PresenceE2E, TypedNameReachesTheServiceAsTheOneValueOfU) {
  auto server = StartStandIn();
  ASSERT_TRUE(Listening(server));
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);

  const std::wstring names[] = {
      L"a&b=c #1",
      L"  lead and trail  ",
      L"Zo\u00EB",
      L"\u0414\u043C\u0438\u0442\u0440\u0438\u0439",  // Dmitriy
      L"\u674E\u5C0F\u9F8D",
      L"100% x+y=z?",
  };
  std::size_t asked = 0;
  for (const std::wstring& name : names) {
    SCOPED_TRACE(Utf8(name));
    ASSERT_TRUE(TypeName(app, name)) << "typing did not reach Text4: " << Utf8(app.Text(ControlId::Text4));
    app.Click(ControlId::Command5);
    ++asked;
    ASSERT_TRUE(WaitForRequests(*server, asked)) << "requests so far:\n" << Lines(server->lines());
    const std::vector<std::string> lines = server->lines();
    ASSERT_EQ(lines.size(), asked) << Lines(lines);
    const Request request = ParseRequestLine(lines.back());
    ASSERT_EQ(request.error, "") << lines.back();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/online");
    ASSERT_EQ(request.params.size(), 1u) << lines.back();
    EXPECT_EQ(request.params[0].first, "u");
    EXPECT_TRUE(request.params[0].second == Utf8(name)) << lines.back();
  }
}

TEST(PresenceE2E, BrowserAreaStaysBlankUntilTheFirstCheckAndEachCheckAsksAgain) {
  auto server = StartStandIn();
  ASSERT_TRUE(Listening(server));
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  const HWND area = app.Control(ControlId::WebBrowser1);
  ASSERT_NE(area, nullptr);
  EXPECT_TRUE(ChildClasses(area).empty()) << "a browser exists before any check";

  // Text4 is empty at start: the first check asks about the empty name.
  app.Click(ControlId::Command5);
  ASSERT_TRUE(WaitForRequests(*server, 1)) << Lines(server->lines());
  EXPECT_EQ(ChildClasses(area), std::vector<std::wstring>{L"Shell Embedding"});

  // The same name again is asked again, by the same control.
  app.Click(ControlId::Command5);
  ASSERT_TRUE(WaitForRequests(*server, 2)) << Lines(server->lines());
  const std::vector<std::string> expected(2, "GET /online?u= HTTP/1.1");
  EXPECT_EQ(server->lines(), expected) << Lines(server->lines());
  EXPECT_EQ(ChildClasses(area), std::vector<std::wstring>{L"Shell Embedding"});
}

TEST(PresenceE2E, TabAndAltXStillWorkAfterTheBrowserTookTheFocus) {
  auto server = StartStandIn();
  ASSERT_TRUE(Listening(server));
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  const HWND area = app.Control(ControlId::WebBrowser1);
  const auto focus_in_browser = [&] { return ::IsChild(area, FocusOf(app.main())) != FALSE; };
  const auto focus_on = [&](ControlId id) { return FocusOf(app.main()) == app.Control(id); };
  ASSERT_TRUE(TypeName(app, L"anna"));
  app.Click(ControlId::Command5);
  ASSERT_TRUE(WaitForRequests(*server, 1)) << Lines(server->lines());

  // A click into the page area. Wine's control, having no page engine,
  // takes no focus from it, so the keyboard carries it the rest of the way:
  // Command5 comes right before the browser in the keyboard order.
  app.Click(ControlId::WebBrowser1);
  ASSERT_TRUE(e2e::WaitFor([&] { return focus_on(ControlId::Command5) || focus_in_browser(); }, 5s));
  if (!focus_in_browser()) app.Key(VK_TAB);
  ASSERT_TRUE(e2e::WaitFor(focus_in_browser, 5s)) << "Tab from Command5 did not reach the browser";

  // Out of the browser, the next control that takes the focus is txt1
  // (Label3, after the browser, never does); and back again.
  app.Key(VK_TAB);
  EXPECT_TRUE(e2e::WaitFor([&] { return focus_on(ControlId::txt1); }, 5s)) << "Tab from the browser went nowhere";
  app.Key(VK_TAB, /*alt=*/false, /*ctrl=*/false, /*shift=*/true);
  ASSERT_TRUE(e2e::WaitFor(focus_in_browser, 5s)) << "Shift+Tab from txt1 did not reach the browser";

  // The access key of Exit, pressed while the browser has the focus.
  app.Key('X', /*alt=*/true);
  EXPECT_EQ(app.process().WaitExit(10s), 0);
}

TEST(PresenceE2E, ExitWhileTheServiceHasNotAnsweredEndsCleanly) {
  auto server = StartStandIn(/*hold=*/true);
  ASSERT_TRUE(Listening(server));
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  ASSERT_TRUE(TypeName(app, L"anna"));
  app.Click(ControlId::Command5);
  ASSERT_TRUE(WaitForRequests(*server, 1)) << Lines(server->lines());
  // The answer is still outstanding: the control is mid-navigation.
  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(10s), 0);
}

}  // namespace
