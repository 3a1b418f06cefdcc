#include "platform/sim/sim_ui.h"

namespace platform::sim {

platform::Text SimTextBox::GetText() const {
  faults_.Hit(name_ + ".GetText");
  return text_;
}

void SimTextBox::SetText(platform::TextView text) {
  faults_.Hit(name_ + ".SetText");
  text_ = platform::Text(text);
  if (on_change) on_change();
}

void SimTextBox::AppendText(platform::TextView text) {
  faults_.Hit(name_ + ".AppendText");
  text_ += text;
  if (on_change) on_change();
}

void SimTextBox::SetEnabled(bool enabled) {
  faults_.Hit(name_ + ".SetEnabled");
  enabled_ = enabled;
}

void SimTextBox::SetFocus() {
  faults_.Hit(name_ + ".SetFocus");
  if (on_focus) on_focus(name_);
}

void SimTextBox::UserSets(platform::TextView text) {
  text_ = platform::Text(text);
  if (on_change) on_change();
}

void SimLabel::SetCaption(platform::TextView caption) {
  faults_.Hit(name_ + ".SetCaption");
  caption_ = platform::Text(caption);
}

void SimPanel::SetBackColor(platform::Rgb color) {
  faults_.Hit(name_ + ".SetBackColor");
  back_color = color;
}

SimTimer::SimTimer(std::string name, Faults& faults, SimClock& clock, int interval_ms, bool enabled)
    : name_(std::move(name)), faults_(faults), clock_(clock), interval_ms_(interval_ms), enabled_(false) {
  clock_.Register(this);
  faults_.Know({name_ + ".SetEnabled"});
  if (enabled) {
    enabled_ = true;
    due_ms_ = clock_.now_ms() + interval_ms_;
    armed_seq_ = clock_.NextSeq();
  }
}

void SimTimer::SetEnabled(bool enabled) {
  faults_.Hit(name_ + ".SetEnabled");
  if (enabled && !enabled_) {
    due_ms_ = clock_.now_ms() + interval_ms_;
    armed_seq_ = clock_.NextSeq();
  }
  enabled_ = enabled;
}

void SimClock::Advance(long long ms) {
  const long long until = now_ + ms;
  for (;;) {
    SimTimer* next = nullptr;
    for (SimTimer* t : timers_) {
      if (!t->enabled_ || t->due_ms_ > until) continue;
      if (next == nullptr || t->due_ms_ < next->due_ms_ ||
          (t->due_ms_ == next->due_ms_ && t->armed_seq_ < next->armed_seq_)) {
        next = t;
      }
    }
    if (next == nullptr) break;
    if (next->due_ms_ > now_) now_ = next->due_ms_;
    const long long fired_at = next->due_ms_;
    const long long seq = next->armed_seq_;
    // A periodic timer: the next tick is one interval on, or at once if the
    // handler ran past it (missed ticks coalesce into one, as WM_TIMER does).
    next->due_ms_ = fired_at + next->interval_ms_;
    if (next->on_tick) next->on_tick();
    if (next->enabled_ && next->armed_seq_ == seq && next->due_ms_ < now_) next->due_ms_ = now_;
  }
  if (now_ < until) now_ = until;
}

void SimBrowser::Navigate(platform::TextView url) {
  faults_.Hit("WebBrowser1.Navigate");
  navigations.emplace_back(url);
}

platform::Text SimSocket::LocalIP() {
  faults_.Hit("Winsock1.LocalIP");
  return ip;
}

}  // namespace platform::sim
