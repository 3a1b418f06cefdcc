// Reading and writing one registry string over the simulated registry: what a
// read yields for every shape of stored value, and exactly which bytes a
// write leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/reg_types.h"
#include "platform/sim/sim_os.h"
#include "status/status.h"

namespace {

using platform::kHkeyCurrentUser;
using platform::Text;

constexpr char kKey[] = "Software\\Test\\Strings";
constexpr char16_t kKeyText[] = u"Software\\Test\\Strings";

struct Registry {
  sim::SimAnsi ansi;
  sim::SimRegistry reg;

  Text Read(platform::TextView value_name, platform::TextView default_text = {}) {
    return status::RegReadString(reg, ansi, kHkeyCurrentUser, kKeyText, value_name, default_text);
  }
  void Write(platform::TextView sub_key, platform::TextView value_name, platform::TextView text) {
    status::RegWriteString(reg, ansi, kHkeyCurrentUser, sub_key, value_name, text);
  }
};

TEST(RegReadString, UnusableValueGivesTheDefaultAndLeavesNoKeyOpen) {
  struct Case {
    const char* what;
    bool key_exists;
    bool value_exists;
    std::uint32_t type;
    Text default_text;
    Text expected;
  };
  const Case cases[] = {
      {"missing value", true, false, 0, u"dflt", u"dflt"},
      {"missing value, no default", true, false, 0, u"", u""},
      {"missing key", false, false, 0, u"dflt", u"dflt"},
      {"REG_EXPAND_SZ", true, true, regtype::kExpandSz, u"dflt", u"dflt"},
      {"REG_DWORD", true, true, regtype::kDword, u"dflt", u"dflt"},
      {"REG_MULTI_SZ", true, true, regtype::kMultiSz, u"dflt", u"dflt"},
      {"REG_BINARY", true, true, regtype::kBinary, u"dflt", u"dflt"},
      {"REG_NONE", true, true, regtype::kNone, u"dflt", u"dflt"},
  };
  for (const auto& c : cases) {
    Registry r;
    if (c.key_exists) r.reg.Put(kKey, "Other", platform::kRegSz, "unrelated");
    if (c.value_exists) r.reg.Put(kKey, "V", c.type, std::string("text\0\0", 6));
    EXPECT_EQ(r.Read(u"V", c.default_text), c.expected) << c.what;
    EXPECT_EQ(r.reg.open_handles(), 0) << c.what;
    // A key that could not be opened is not closed either.
    EXPECT_EQ(r.reg.calls.Count("RegCloseKey"), c.key_exists ? 1 : 0) << c.what;
    EXPECT_EQ(r.reg.calls.Count("RegQueryValueExA") > 0, c.key_exists) << c.what;
  }
}

TEST(RegReadString, TextEndsAtTheFirstNulOrAtTheEndOfTheData) {
  struct Case {
    std::string data;
    Text expected;
  };
  const Case cases[] = {
      {std::string("ab\0cd", 5), u"ab"},
      {"abc", u"abc"},                    // as our own writes store it
      {std::string("abc\0", 4), u"abc"},  // as most programs store it
      {std::string("\0abc", 4), u""},
      {std::string("a\0\0", 3), u"a"},
      {"", u""},  // zero bytes: empty, not the default
      {"  padded  ", u"  padded  "},
      {"\x80 5", u"\u20AC 5"},  // ANSI bytes come back as their characters
  };
  for (const auto& c : cases) {
    Registry r;
    r.reg.Put(kKey, "V", platform::kRegSz, c.data);
    EXPECT_EQ(r.Read(u"V", u"dflt"), c.expected) << "data of " << c.data.size() << " bytes";
    EXPECT_EQ(r.reg.open_handles(), 0);
  }
}

TEST(RegReadString, NulFarBeyondSixteenBitPositionsStillCutsTheText) {
  struct Case {
    std::size_t chars_before_nul;
    bool has_nul;
  };
  const Case cases[] = {{32766, true}, {32767, true}, {32768, true}, {40000, true}, {70000, true}, {70000, false}};
  for (const auto& c : cases) {
    Registry r;
    std::string data(c.chars_before_nul, 'x');
    if (c.has_nul) data += std::string("\0tail", 5);
    r.reg.Put(kKey, "V", platform::kRegSz, data);
    Text got;
    EXPECT_NO_THROW(got = r.Read(u"V", u"dflt")) << c.chars_before_nul;
    EXPECT_EQ(got, Text(c.chars_before_nul, u'x')) << c.chars_before_nul;
    EXPECT_EQ(r.reg.open_handles(), 0);
  }
}

TEST(RegReadString, DoubleBytePageConvertsWholeCharactersBeforeCutting) {
  Registry r;
  r.ansi.double_byte = true;
  // Two double-byte characters, an ASCII one, then the NUL: the NUL is
  // searched for among characters, not bytes.
  r.reg.Put(kKey, "V", platform::kRegSz, std::string("\x81\x41\x81\x42z\0junk", 10));
  EXPECT_EQ(r.Read(u"V"), u"\u4E41\u4E42z");
}

TEST(RegReadString, ValueThatChangesBetweenProbeAndQueryReadsTheProbedBuffer) {
  // The buffer is sized by the probe; whatever the second query leaves in it
  // is read whole, spaces included.
  struct Case {
    const char* what;
    std::string before, after;
    Text expected;
  };
  const Case cases[] = {
      {"shrank", "abcdef", "xy", u"xy    "},
      {"grew past the buffer", "abc", "abcdefgh", u"   "},
      {"gained a NUL", "abcdef", std::string("ab\0", 3), u"ab"},
  };
  for (const auto& c : cases) {
    Registry r;
    r.reg.Put(kKey, "V", platform::kRegSz, c.before);
    r.reg.between_queries = [&] { r.reg.Put(kKey, "V", platform::kRegSz, c.after); };
    EXPECT_EQ(r.Read(u"V", u"dflt"), c.expected) << c.what;
    EXPECT_EQ(r.reg.open_handles(), 0) << c.what;
  }
}

TEST(RegReadString, EachReadSeesTheValueAsItIsNow) {
  Registry r;
  r.reg.Put(kKey, "V", platform::kRegSz, "first");
  EXPECT_EQ(r.Read(u"V"), u"first");
  r.reg.Put(kKey, "V", platform::kRegSz, "second");
  EXPECT_EQ(r.Read(u"V"), u"second");
  r.reg.Put(kKey, "V", regtype::kDword, std::string("\x01\0\0\0", 4));
  EXPECT_EQ(r.Read(u"V", u"dflt"), u"dflt");
}

TEST(RegWriteString, StoresTheAnsiBytesWithoutATerminatingNul) {
  struct Case {
    const char* what;
    bool double_byte;
    Text text;
    std::string stored;
    Text read_back;
  };
  const Case cases[] = {
      {"abc", false, u"abc", "abc", u"abc"},
      {"empty", false, u"", "", u""},
      {"Western page", false, u"\u20ACuro \u00FC", "\x80uro \xFC", u"\u20ACuro \u00FC"},
      {"unmappable", false, u"\u4E00!", "?!", u"?!"},
      // Two characters, four bytes: a length counted in characters would cut
      // the second character in half.
      {"double-byte page", true, u"\u4E81\u4E82", "\x81\x81\x81\x82", u"\u4E81\u4E82"},
      {"double-byte page, mixed", true, u"a\u4E81b",
       "a\x81\x81"
       "b",
       u"a\u4E81b"},
  };
  for (const auto& c : cases) {
    Registry r;
    r.ansi.double_byte = c.double_byte;
    r.Write(kKeyText, u"V", c.text);
    const auto value = r.reg.Get(kKey, "V");
    ASSERT_TRUE(value.has_value()) << c.what;
    EXPECT_EQ(value->type, platform::kRegSz) << c.what;
    EXPECT_EQ(value->data, c.stored) << c.what;
    EXPECT_EQ(r.reg.open_handles(), 0) << c.what;
    EXPECT_EQ(r.Read(u"V", u"dflt"), c.read_back) << c.what;
  }
}

TEST(RegWriteString, CreatesEveryMissingKeyAlongThePath) {
  Registry r;
  r.Write(u"Software\\New\\Deeper\\Leaf", u"V", u"here");
  EXPECT_TRUE(r.reg.KeyExists("Software\\New"));
  EXPECT_TRUE(r.reg.KeyExists("Software\\New\\Deeper"));
  const auto value = r.reg.Get("Software\\New\\Deeper\\Leaf", "V");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->data, "here");
}

TEST(RegWriteString, SecondWriteReplacesTheValueWhole) {
  Registry r;
  r.Write(kKeyText, u"V", u"a much longer text");
  r.Write(kKeyText, u"V", u"xy");
  EXPECT_EQ(r.reg.Get(kKey, "V")->data, "xy");
  r.Write(kKeyText, u"V", u"");
  EXPECT_EQ(r.reg.Get(kKey, "V")->data, "");
  EXPECT_EQ(r.Read(u"V", u"dflt"), u"");
  // A value of another type under the name is replaced by a string.
  r.reg.Put(kKey, "W", regtype::kDword, std::string("\x05\0\0\0", 4));
  r.Write(kKeyText, u"W", u"text");
  EXPECT_EQ(r.reg.Get(kKey, "W")->type, platform::kRegSz);
}

TEST(RegWriteString, KeyThatCannotBeCreatedDropsTheWriteQuietly) {
  Registry r;
  r.reg.read_only.push_back("Software\\Locked");
  EXPECT_NO_THROW(r.Write(u"Software\\Locked\\Key", u"V", u"text"));
  EXPECT_FALSE(r.reg.Get("Software\\Locked\\Key", "V").has_value());
  EXPECT_EQ(r.reg.calls.Count("RegSetValueExA"), 0);
  // Nothing was opened, so nothing is closed.
  EXPECT_EQ(r.reg.calls.Count("RegCloseKey"), 0);
  EXPECT_EQ(r.reg.open_handles(), 0);
}

TEST(RegistryStrings, FaultInACallClosesTheKeyOnTheWayOut) {
  // Even when a call throws (the simulation's injected faults), the key the
  // operation opened does not stay open.
  const char* const ops[] = {"RegQueryValueExA", "RegSetValueExA"};
  for (const char* op : ops) {
    Registry r;
    r.reg.Put(kKey, "V", platform::kRegSz, "abc");
    r.reg.calls.FailNth(op, 1);
    if (std::string(op) == "RegSetValueExA") {
      EXPECT_THROW(r.Write(kKeyText, u"V", u"new"), std::exception) << op;
    } else {
      EXPECT_THROW(r.Read(u"V"), std::exception) << op;
    }
    EXPECT_EQ(r.reg.open_handles(), 0) << op;
  }
}

}  // namespace
