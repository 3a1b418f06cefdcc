// Registry strings and the status publisher over the simulated registry and windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/sim/sim_app.h"
#include "status/status.h"

namespace {

using platform::Text;
using Received = platform::sim::SimMessaging::Received;
using platform::sim::SimAnsi;
using platform::sim::SimRegistry;
// Registry value types by their Windows numbers; the program itself only ever asks for REG_SZ.
enum RegType : std::uint32_t { kSz = 1, kExpandSz = 2, kDword = 4, kMultiSz = 7 };

Text Read(SimRegistry& reg, const SimAnsi& ansi) {
  return status::RegReadString(reg, ansi, platform::kHkeyCurrentUser, u"Software\\T", u"V", u"dflt");
}

TEST(RegReadString, GivesTheDefaultUnlessAStringAndThenTheTextUpToItsFirstNul) {
  struct Case {
    const char* what;
    std::uint32_t type;
    std::string data, changed_to;  // the second between the probe and the query, if not empty
    const char* failing;           // a registry call that fails on its `nth` use
    Text expected;
    int nth = 1;
    bool double_byte = false;  // the first NUL is then found among the characters, not the bytes
  };
  const Case cases[] = {
      {"REG_EXPAND_SZ", kExpandSz, "x", "", "", u"dflt"},
      {"REG_DWORD", kDword, "x", "", "", u"dflt"},
      {"REG_MULTI_SZ", kMultiSz, "x", "", "", u"dflt"},
      {"NUL inside", kSz, std::string("ab\0cd", 5), "", "", u"ab"},
      {"no NUL", kSz, "\x80 5", "", "", u"\u20AC 5"},
      {"zero bytes", kSz, "", "", "", u""},
      {"shrank", kSz, "abcdef", "xy", "", u"xy    "},
      {"grew past the buffer", kSz, "abc", "abcdefgh", "", u"   "},
      {"NUL past 16-bit positions", kSz, std::string(40000, 'x') + '\0', "", "", Text(40000, u'x')},
      {"key not openable (or missing)", kSz, "x", "", "RegOpenKeyA", u"dflt"},
      {"probe failed (or no such value)", kSz, "x", "", "RegQueryValueExA", u"dflt"},
      {"data query failed: the buffer as made", kSz, "abc", "", "RegQueryValueExA", u"   ", 2},
      {"double-byte", kSz, std::string("\x81\x81\x81\x82\0z", 6), "", "", u"\u4E81\u4E82", 1, true},
  };
  for (const auto& c : cases) {
    SimRegistry reg;
    reg.Put("Software\\T", "V", c.type, c.data);
    if (!c.changed_to.empty()) reg.between_queries = [&] { reg.Put("Software\\T", "V", c.type, c.changed_to); };
    reg.faults.FailNth(c.failing, c.nth);
    SimAnsi ansi;
    ansi.double_byte = c.double_byte;
    EXPECT_EQ(Read(reg, ansi), c.expected) << c.what;
    EXPECT_EQ(reg.open_handles(), 0) << c.what;
  }
}

TEST(RegWriteString, StoresTheAnsiBytesWithoutANulAndReadsBackTheSame) {
  const std::tuple<bool, Text, std::string> cases[] = {
      {false, u"abc", "abc"},
      {false, u"", ""},
      {true, u"\u4E81\u4E82", "\x81\x81\x81\x82"},  // two characters, four bytes
  };
  for (const auto& [double_byte, text, stored] : cases) {
    SimRegistry reg;
    SimAnsi ansi;
    ansi.double_byte = double_byte;
    reg.Put("Software\\T", "V", kDword, "\x05");  // replaced whole, type and all
    status::RegWriteString(reg, ansi, platform::kHkeyCurrentUser, u"Software\\T", u"V", text);
    EXPECT_EQ(reg.Get("Software\\T", "V"), (SimRegistry::Value{kSz, stored}));
    EXPECT_EQ(reg.open_handles(), 0);
    EXPECT_EQ(Read(reg, ansi), ansi.FromAnsi(stored));
  }
  // A key that cannot be made, or a value not set, leaves what was there and no key open.
  for (const char* failing : {"RegCreateKeyA", "RegSetValueExA"}) {
    SimRegistry reg;
    reg.Put("Software\\T", "V", kSz, "old");
    reg.faults.FailNth(failing, 1);
    status::RegWriteString(reg, SimAnsi{}, platform::kHkeyCurrentUser, u"Software\\T", u"V", u"new");
    EXPECT_EQ(reg.Get("Software\\T", "V"), (SimRegistry::Value{kSz, "old"})) << failing;
    EXPECT_EQ(reg.open_handles(), 0) << failing;
  }
}

// A messenger that notes its profile's value "1" as it finds it at each command.
platform::Hwnd RunMessenger(app::sim::SimApp& app, const std::string& profile, std::vector<std::string>& seen) {
  return app.messaging.AddWindow("YahooBuddyMain", [&app, &seen, profile](const Received&) {
    const auto value = app.registry.Get("Software\\Yahoo\\Pager\\profiles\\" + profile + "\\Custom Msgs", "1");
    seen.push_back(value ? value->data : "-");
  });
}

TEST(SetMessengerStatus, TextLandsInTheProfileAsStringBytesBeforeTheCommandIsSent) {
  struct Case {
    std::uint32_t id_type;  // 0: no Pager key at all
    std::string id, profile, stored;
    Text text;
    bool running;
  };
  const Case cases[] = {
      {kSz, std::string("alice\0", 6), "alice", "Name", u"Name", true},
      {kSz, "Bob.Smith_77", "Bob.Smith_77", "\xFC\xDF \x80", u"\u00FC\u00DF \u20AC", true},
      {kSz, "alice", "alice", "", u"", true},
      {kSz, "alice", "alice", "Awhile!", u"Awhile!", false},
      {0, "", "", "Name", u"Name", true},  // an empty id: "profiles\\Custom Msgs"
      {kDword, "alic", "", "Name", u"Name", true},
  };
  for (const auto& c : cases) {
    app::sim::SimApp app;
    std::vector<std::string> seen;
    if (c.id_type != 0) app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", c.id_type, c.id);
    const auto buddy = c.running ? RunMessenger(app, c.profile, seen) : 0;
    status::SetMessengerStatus(app.services, c.text);
    EXPECT_EQ(app.registry.Get("Software\\Yahoo\\Pager\\profiles\\" + c.profile + "\\Custom Msgs", "1"),
              (SimRegistry::Value{kSz, c.stored}))
        << c.profile;
    EXPECT_EQ(app.registry.open_handles(), 0) << c.profile;
    if (!c.running) continue;
    EXPECT_EQ(seen, std::vector<std::string>{c.stored}) << c.profile;
    // A hung messenger holds us three seconds at most.
    EXPECT_EQ(app.messaging.Find(buddy)->received, (std::vector<Received>{{0x0111, 388, 1, 0x0002, 3000}}));
  }
  // The registry takes the doubled backslash as one; the path asked for keeps both.
  EXPECT_EQ(status::ProfileKeyPath(u""), u"Software\\Yahoo\\Pager\\profiles\\\\Custom Msgs");
}

TEST(SetMessengerStatus, UserIdAndWindowAreLookedUpAfreshEveryCall) {
  app::sim::SimApp app;
  std::vector<std::string> seen;
  app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", kSz, "alice");
  const auto first = RunMessenger(app, "alice", seen);
  status::SetMessengerStatus(app.services, u"one");
  app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", kSz, "bob");
  app.messaging.RemoveWindow(first);
  RunMessenger(app, "bob", seen);
  status::SetMessengerStatus(app.services, u"two");
  EXPECT_EQ(seen, (std::vector<std::string>{"one", "two"}));
}

}  // namespace
