// What one keystroke in the Ascii writer costs on the real edit controls,
// from the key press to the append painted in Text3, while Text3 already
// holds 0, 10,000 and 100,000 characters of decorated text.
//
// The key goes in through SendInput, as the user's does, and the clock stops
// once Text3 holds the new text and has nothing left to paint.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "writer/ascii_rules.h"

namespace {

using app::ControlId;
using Clock = std::chrono::steady_clock;

constexpr int kKeystrokes = 150;
constexpr int kWarmUp = 20;
constexpr wchar_t kTyped[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

void Pump(appwin::MainWindow& window) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (window.PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

std::size_t ReplacementLength(wchar_t key) {
  for (const auto& rule : writer::AsciiRules()) {
    if (rule.key == key) return rule.replacement.size();
  }
  return 0;
}

// Decorated text as the writer makes it (the replacements, over and over),
// or plain prose such as a user might paste.
std::wstring Filler(bool decorated, std::size_t length) {
  std::wstring unit = L"Plain words the user pasted here. ";
  if (decorated) {
    unit.clear();
    for (const auto& rule : writer::AsciiRules()) unit.append(rule.replacement.begin(), rule.replacement.end());
  }
  std::wstring text;
  while (text.size() < length) text += unit;
  text.resize(length);
  return text;
}

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One real keystroke; milliseconds until its append is in Text3 and painted,
// or a negative value if it never arrived.
double Keystroke(appwin::MainWindow& window, wchar_t key) {
  const HWND out = window.control(ControlId::Text3);
  const auto target = static_cast<std::size_t>(::GetWindowTextLengthW(out)) + ReplacementLength(key);
  INPUT in[2] = {};
  in[0].type = INPUT_KEYBOARD;
  in[0].ki.wScan = key;
  in[0].ki.dwFlags = KEYEVENTF_UNICODE;
  in[1] = in[0];
  in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  const auto start = Clock::now();
  ::SendInput(2, in, sizeof(INPUT));
  for (;;) {
    Pump(window);
    if (static_cast<std::size_t>(::GetWindowTextLengthW(out)) == target && !::GetUpdateRect(out, nullptr, FALSE)) break;
    if (Clock::now() - start > std::chrono::seconds(10)) return -1;
  }
  return Millis(Clock::now() - start);
}

struct Figures {
  double first = 0;   // the first keystroke after Text3 was filled
  double median = 0;  // the keystrokes after it
  double p90 = 0;
};

bool Measure(appwin::MainWindow& window, bool decorated, std::size_t prefill, Figures& figures) {
  const HWND in = window.control(ControlId::Text1);
  const HWND out = window.control(ControlId::Text3);
  const std::wstring text = Filler(decorated, prefill);
  ::SetWindowTextW(out, text.c_str());
  ::SetWindowTextW(in, L"");
  ::SetForegroundWindow(window.hwnd());
  ::SetFocus(in);
  Pump(window);
  if (static_cast<std::size_t>(::GetWindowTextLengthW(out)) != prefill) {
    std::fprintf(stderr, "Text3 holds %d characters, not %zu\n", ::GetWindowTextLengthW(out), prefill);
    return false;
  }
  figures.first = Keystroke(window, L'a');
  std::vector<double> samples;
  for (int i = 0; i < kWarmUp + kKeystrokes; ++i) {
    const double ms = Keystroke(window, kTyped[static_cast<std::size_t>(i) % (std::size(kTyped) - 1)]);
    if (ms < 0) {
      std::fprintf(stderr, "a keystroke never reached Text3 (prefill %zu)\n", prefill);
      return false;
    }
    if (i >= kWarmUp) samples.push_back(ms);
  }
  std::sort(samples.begin(), samples.end());
  figures.median = samples[samples.size() / 2];
  figures.p90 = samples[samples.size() * 9 / 10];
  return true;
}

}  // namespace

int main() {
  const HRESULT ole = ::OleInitialize(nullptr);
  int status = 0;
  {
    appwin::MainWindow window(::GetModuleHandleW(nullptr));
    if (!window.Create(SW_SHOW)) {
      std::fprintf(stderr, "the window could not be created\n");
      return 1;
    }
    const std::size_t sizes[] = {0, 10000, 100000};
    std::printf(
        "| Text3 holds | filled with | median ms | 90th pct ms | first key after fill ms | median vs empty |\n");
    std::printf("|---:|---|---:|---:|---:|---:|\n");
    for (bool decorated : {true, false}) {
      if (status != 0) break;
      double empty = 0;
      for (std::size_t size : sizes) {
        Figures f;
        if (!Measure(window, decorated, size, f)) {
          status = 1;
          break;
        }
        if (size == 0) empty = f.median;
        std::printf("| %zu | %s | %.2f | %.2f | %.2f | %.1fx |\n", size, decorated ? "decorated text" : "plain prose",
                    f.median, f.p90, f.first, f.median / empty);
        // The same figure for scripts/bench.py, in microseconds.
        std::printf("keystroke_%s_us_%zu=%.0f\n", decorated ? "decorated" : "plain", size, f.median * 1000.0);
        std::fflush(stdout);
      }
    }
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return status;
}
