// What one status publish costs the program itself, over the simulated
// registry and windows: the user id read, the key path, the write and the
// command, without any operating system underneath.
#include <benchmark/benchmark.h>

#include <string>

#include "app/sim/sim_app.h"
#include "platform/sim/sim_os.h"
#include "status/status.h"

namespace {

struct Publisher {
  platform::sim::SimAnsi ansi;
  platform::sim::SimRegistry registry;
  platform::sim::SimMessaging messaging;
  platform::sim::SimIdentity identity;
  platform::sim::SimShell shell;
  platform::sim::SimProcess process;
  platform::Services os{ansi, registry, messaging, identity, shell, process};

  explicit Publisher(bool messenger_running) {
    registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", platform::kRegSz, std::string("alice\0", 6));
    if (messenger_running) window = messaging.AddWindow("YahooBuddyMain");
  }
  // The simulated messenger keeps every command it receives; emptied now and
  // then so a long run does not measure the growth of that record.
  void Trim(std::size_t calls) {
    if (calls % 4096 != 0) return;
    if (window != 0) messaging.Find(window)->received.clear();
  }
  platform::Hwnd window = 0;
};

// Text lengths: the texts at creation are 2..7 characters; a long custom
// message is a few hundred.
void BM_SetMessengerStatus(benchmark::State& state) {
  Publisher p(/*messenger_running=*/true);
  const platform::Text text(static_cast<std::size_t>(state.range(0)), u'a');
  std::size_t calls = 0;
  while (state.KeepRunning()) {
    status::SetMessengerStatus(p.os, text);
    p.Trim(++calls);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetMessengerStatus)->Arg(0)->Arg(7)->Arg(64)->Arg(255);

void BM_SetMessengerStatusNoMessenger(benchmark::State& state) {
  Publisher p(/*messenger_running=*/false);
  const platform::Text text = u"Awhile!";
  std::size_t calls = 0;
  while (state.KeepRunning()) {
    status::SetMessengerStatus(p.os, text);
    p.Trim(++calls);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetMessengerStatusNoMessenger);

void BM_RegReadString(benchmark::State& state) {
  Publisher p(/*messenger_running=*/false);
  std::size_t calls = 0;
  while (state.KeepRunning()) {
    benchmark::DoNotOptimize(status::RegReadString(p.registry, p.ansi, platform::kHkeyCurrentUser,
                                                   u"Software\\Yahoo\\Pager", u"Yahoo! user id"));
    p.Trim(++calls);
  }
}
BENCHMARK(BM_RegReadString);

void BM_RegWriteString(benchmark::State& state) {
  Publisher p(/*messenger_running=*/false);
  std::size_t calls = 0;
  while (state.KeepRunning()) {
    status::RegWriteString(p.registry, p.ansi, platform::kHkeyCurrentUser,
                           u"Software\\Yahoo\\Pager\\profiles\\alice\\Custom Msgs", u"1", u"Awhile!");
    p.Trim(++calls);
  }
}
BENCHMARK(BM_RegWriteString);

// A whole minute of rotation on the virtual clock: 60 publishes, plus the
// title scroller's 600 ticks that run beside them.
void BM_RotationMinute(benchmark::State& state) {
  while (state.KeepRunning()) {
    state.PauseTiming();
    app::sim::SimApp app;
    app.registry.Put("Software\\Yahoo\\Pager", "Yahoo! user id", platform::kRegSz, std::string("alice\0", 6));
    app.messaging.AddWindow("YahooBuddyMain");
    app.Load();
    app.Click(app::ControlId::Command1);
    state.ResumeTiming();
    app.ui.clock.Advance(60000);
  }
}
BENCHMARK(BM_RotationMinute)->Unit(benchmark::kMicrosecond);

}  // namespace
