// The rotation of the real program beside the stand-in messenger, which logs
// each status it is told to apply as "time<TAB>lParam=n<TAB>text".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/harness.h"

using namespace std::chrono_literals;
using testwin::PumpUntil;

namespace {

std::vector<std::string> Applied(const std::filesystem::path& log) {
  std::vector<std::string> applied;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) applied.push_back(line.substr(line.find('\t') + 1));
  return applied;
}

std::wstring StoredStatus() {
  wchar_t text[64] = {};
  DWORD size = sizeof text - sizeof(wchar_t);
  ::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Yahoo\\Pager\\profiles\\e2e.rotation\\Custom Msgs", L"1", RRF_RT_REG_SZ,
                 nullptr, text, &size);
  return text;
}

TEST(RotationE2E, StartShowsTheFiveTextsInTurnThroughAHungMessengerUntilStop) {
  const auto log = std::filesystem::temp_directory_path() / ("rotation-" + std::to_string(::GetCurrentProcessId()));
  // After six statuses the stand-in never returns from a command again.
  const auto messenger = e2e::Process::Start(L"messenger-standin.exe",
                                             L"--user-id e2e.rotation --hang 6 --log \"" + log.wstring() + L"\"");
  ASSERT_TRUE(PumpUntil([&] { return e2e::FindProcessWindow(messenger.pid(), L"YahooBuddyMain") != nullptr; }, 30s));
  auto app = e2e::App::Launch();
  ASSERT_NE(app.main(), nullptr);
  const auto start = std::chrono::steady_clock::now();
  app.Click(app::ControlId::Command1);
  ASSERT_TRUE(PumpUntil([&] { return Applied(log).size() >= 6; }, 40s)) << Applied(log).size() << " statuses";
  // However slow the machine, six ticks a second apart cannot all come sooner.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 5s) << "the statuses came more than one a second";
  EXPECT_EQ(Applied(log), (std::vector<std::string>{"lParam=1\tName", "lParam=1\tIs", "lParam=1\tOnline",
                                                    "lParam=1\tFor", "lParam=1\tAwhile!", "lParam=1\tName"}));

  // The messenger answers nothing now, and holds up neither the window nor the
  // texts, which still reach the registry one after another.
  std::vector<std::wstring> stored{StoredStatus()};
  const auto rotates_on = [&] {
    if (const std::wstring now = StoredStatus(); now != stored.back()) stored.push_back(now);
    return stored.size() >= 6;
  };
  EXPECT_TRUE(PumpUntil(rotates_on, 60s)) << "the rotation came to a halt";

  app.Click(app::ControlId::Command2);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(app.Control(app::ControlId::txt1)); })) << "Stop did not end it";
  const std::wstring at_stop = StoredStatus();
  testwin::PumpFor(3s);
  EXPECT_EQ(StoredStatus(), at_stop) << "a status was published after Stop";
  std::filesystem::remove(log);
}

}  // namespace

namespace {

TEST(SecondStartE2E, BringsTheFirstCopyBackFromTheNotificationAreaAndEndsWhileTheFirstRotatesOn) {
  const auto log = std::filesystem::temp_directory_path() / ("again-" + std::to_string(::GetCurrentProcessId()));
  const auto messenger =
      e2e::Process::Start(L"messenger-standin.exe", L"--user-id e2e.again --log \"" + log.wstring() + L"\"");
  ASSERT_TRUE(PumpUntil([&] { return e2e::FindProcessWindow(messenger.pid(), L"YahooBuddyMain") != nullptr; }, 30s));
  auto first = e2e::App::Launch();
  ASSERT_NE(first.main(), nullptr);
  first.Click(app::ControlId::Command1);
  first.Click(app::ControlId::Command4);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(first.main()); })) << "Minimize did not hide the window";

  const auto again = e2e::Process::Start(L"StatusCycler.exe");
  EXPECT_EQ(again.WaitExit(30s), 0) << "the second copy did not end, or not with 0";
  EXPECT_TRUE(PumpUntil([&] {
    return ::IsWindowVisible(first.main()) && !::IsIconic(first.main()) && ::GetForegroundWindow() == first.main();
  })) << "the first copy's window did not come back in front";
  const std::size_t before = Applied(log).size();
  EXPECT_TRUE(PumpUntil([&] { return Applied(log).size() >= before + 2; }, 20s)) << "the rotation did not go on";
  EXPECT_FALSE(::IsWindowEnabled(first.Control(app::ControlId::txt1))) << "the status boxes were unlocked";
  first.Key('X', {VK_MENU});
  EXPECT_EQ(first.process().WaitExit(10s), 0);
  std::filesystem::remove(log);
}

}  // namespace
