// The rotation of the real program beside the stand-in messenger, which logs
// each status it is told to apply as "time<TAB>sent or posted<TAB>lParam=n<TAB>text".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>

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

TEST(RotationE2E, StartShowsTheFiveTextsInTurnThroughASecondStartAndAHungMessengerUntilStop) {
  E2E_MAY_PUBLISH();
  const auto log = std::filesystem::temp_directory_path() / ("rotation-" + std::to_string(::GetCurrentProcessId()));
  std::filesystem::remove(log);  // left by a run killed before its end, whose process id this one may have
  // After six statuses the stand-in never returns from a command again.
  const auto messenger = e2e::Process::Start(L"messenger-standin.exe",
                                             L"--user-id e2e.rotation --hang 6 --log \"" + log.wstring() + L"\"");
  ASSERT_TRUE(PumpUntil([&] { return e2e::FindProcessWindow(messenger.pid(), L"YahooBuddyMain") != nullptr; }, 30s));
  auto app = e2e::App::Launch();
  ASSERT_EQ(app.launch_failure(), "");
  app.Click(app::ControlId::Command1);
  ASSERT_TRUE(PumpUntil([&] { return !Applied(log).empty(); }, 10s)) << "no status after Start";

  // Hidden, the title and the statuses go on; a second start brings this copy back in front, still rotating.
  app.Click(app::ControlId::Command4);
  ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(app.main()); })) << "Minimize did not hide the window";
  const std::wstring title = app.Caption();
  const std::size_t applied = Applied(log).size();
  EXPECT_TRUE(PumpUntil([&] { return app.Caption() != title && Applied(log).size() > applied; }, 20s))
      << "hidden, the title or the statuses stopped";
  EXPECT_EQ(e2e::Process::Start(L"StatusCycler.exe").WaitExit(30s), 0) << "the second copy did not end with 0";
  EXPECT_TRUE(PumpUntil([&] {
    return ::IsWindowVisible(app.main()) && !::IsIconic(app.main()) && ::GetForegroundWindow() == app.main();
  })) << "the first copy's window did not come back in front";
  EXPECT_FALSE(::IsWindowEnabled(app.Control(app::ControlId::txt1))) << "the status boxes were unlocked";
  ASSERT_TRUE(PumpUntil([&] { return Applied(log).size() >= 6; }, 40s)) << Applied(log).size() << " statuses";
  // Sent, not posted: the messenger has applied each status before the program goes on.
  EXPECT_EQ(Applied(log),
            (std::vector<std::string>{"sent\tlParam=1\tName", "sent\tlParam=1\tIs", "sent\tlParam=1\tOnline",
                                      "sent\tlParam=1\tFor", "sent\tlParam=1\tAwhile!", "sent\tlParam=1\tName"}));

  // The messenger answers nothing now, and holds up neither the window nor the texts in the registry.
  std::vector<std::wstring> stored{StoredStatus()};
  const auto rotates_on = [&] {
    if (const std::wstring now = StoredStatus(); now != stored.back()) stored.push_back(now);
    return stored.size() >= 6;
  };
  EXPECT_TRUE(PumpUntil(rotates_on, 60s)) << "the rotation came to a halt";

  app.Click(app::ControlId::Command2);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(app.Control(app::ControlId::txt1)); })) << "Stop did not end it";
  const std::wstring at_stop = StoredStatus();
  // A whole turn of the title (39 ticks of 100 ms, three statuses' time), however slow the machine.
  std::size_t from = app.Caption().size(), last = from, wraps = 0;
  const auto turned = [&] {
    const std::size_t now = app.Caption().size();
    wraps += now < std::exchange(last, now);
    return wraps > 0 && now >= from;
  };
  ASSERT_TRUE(PumpUntil(turned, 30s)) << "the title stopped";
  EXPECT_EQ(StoredStatus(), at_stop) << "a status was published after Stop";
  std::filesystem::remove(log);
}

}  // namespace
