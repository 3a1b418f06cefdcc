// The status rotation of the real program, beside the stand-in messenger: a
// real click on Start, and the stand-in's own log of every status it was told
// to apply.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/messenger.h"

using app::ControlId;
using namespace std::chrono_literals;

using e2e::ReadLog;
using e2e::StartMessenger;
using e2e::StoredStatus;
using e2e::TempLog;

namespace {

constexpr ControlId kBoxes[] = {ControlId::txt1, ControlId::txt2, ControlId::txt3, ControlId::txt4, ControlId::txt5};

bool AllBoxesEnabled(const e2e::App& app, bool enabled) {
  return std::all_of(std::begin(kBoxes), std::end(kBoxes),
                     [&](ControlId box) { return (::IsWindowEnabled(app.Control(box)) != FALSE) == enabled; });
}

TEST(RotationE2E, StartShowsTheFiveTextsInTurnAndStopEndsIt) {
  TempLog log;
  auto messenger = StartMessenger(L"e2e.rotation", log.path());
  const HWND buddy = e2e::FindProcessWindow(messenger.pid(), L"YahooBuddyMain");
  ASSERT_NE(buddy, nullptr) << "the stand-in messenger did not start";
  ASSERT_EQ(::FindWindowW(L"YahooBuddyMain", nullptr), buddy) << "another messenger window is open";
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  ASSERT_TRUE(AllBoxesEnabled(app, true));

  app.Click(ControlId::Command1);
  ASSERT_TRUE(e2e::WaitFor([&] { return ReadLog(log.path()).size() >= 6; }, 40s))
      << "the messenger was told " << ReadLog(log.path()).size() << " statuses";
  EXPECT_TRUE(AllBoxesEnabled(app, false)) << "the boxes stay editable while the rotation runs";

  const auto applied = ReadLog(log.path());
  const std::string expected[] = {"Name", "Is", "Online", "For", "Awhile!", "Name"};
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(applied[i].text, expected[i]) << "status " << i;
    EXPECT_EQ(applied[i].lparam, "lParam=1") << "status " << i;
    if (i > 0) {
      // About a second apart; only a floor is asserted, a loaded machine may be slow.
      EXPECT_GE(applied[i].at_ms - applied[i - 1].at_ms, 900) << "status " << i << " came too soon";
    }
  }

  app.Click(ControlId::Command2);
  ASSERT_TRUE(e2e::WaitFor([&] { return AllBoxesEnabled(app, true); }, 15s)) << "Stop did not enable the boxes";
  const std::size_t at_stop = ReadLog(log.path()).size();
  EXPECT_FALSE(e2e::WaitFor([&] { return ReadLog(log.path()).size() > at_stop; }, 3s))
      << "the messenger was told another status after Stop";

  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(20s), 0);
  messenger.Kill();
}

TEST(RotationE2E, HungMessengerNeitherStopsTheRotationNorFreezesTheProgram) {
  TempLog log;
  // After two statuses the stand-in never returns from a command again.
  auto messenger = StartMessenger(L"e2e.hung", log.path(), L"--hang 2");
  ASSERT_NE(e2e::FindProcessWindow(messenger.pid(), L"YahooBuddyMain"), nullptr);
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  app.Click(ControlId::Command1);
  ASSERT_TRUE(e2e::WaitFor([&] { return ReadLog(log.path()).size() >= 2; }, 30s));

  // From now on every send meets a messenger that does not answer. The texts
  // still reach the registry in turn, the title still scrolls, and the window
  // still answers at once between and during the sends.
  std::vector<std::wstring> stored_in_turn;
  std::set<std::wstring> captions;
  int unanswered = 0;
  e2e::WaitFor(
      [&] {
        const std::wstring now = StoredStatus(L"e2e.hung");
        if (stored_in_turn.empty() || stored_in_turn.back() != now) stored_in_turn.push_back(now);
        captions.insert(app.Caption());
        DWORD_PTR result = 0;
        if (!::SendMessageTimeoutW(app.main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) ++unanswered;
        return std::find(stored_in_turn.begin(), stored_in_turn.end(), L"Name") != stored_in_turn.end() &&
               stored_in_turn.size() >= 4;
      },
      60s);
  const std::vector<std::wstring> expected{L"Is", L"Online", L"For", L"Awhile!", L"Name"};
  // The first value seen may already be past "Is".
  ASSERT_FALSE(stored_in_turn.empty());
  const auto first = std::find(expected.begin(), expected.end(), stored_in_turn.front());
  ASSERT_NE(first, expected.end()) << "unexpected status in the registry";
  EXPECT_TRUE(std::equal(stored_in_turn.begin(), stored_in_turn.end(), first, expected.end()))
      << stored_in_turn.size() << " values seen in the registry, not in ring order";
  EXPECT_EQ(stored_in_turn.back(), L"Name") << "the rotation came to a halt";
  EXPECT_EQ(unanswered, 0) << "the program stopped answering messages";
  EXPECT_GE(captions.size(), 3u) << "the title stopped scrolling";
  EXPECT_EQ(ReadLog(log.path()).size(), 2u);

  app.Click(ControlId::Command3);
  EXPECT_EQ(app.process().WaitExit(30s), 0) << "Exit did not end the program";
  messenger.Kill();
  EXPECT_FALSE(messenger.running());
}

}  // namespace
