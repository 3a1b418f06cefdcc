// What one keystroke in the Ascii writer costs on the real edit controls,
// from the key press to the append painted in Text3, while Text3 already
// holds 0, 10,000 and 100,000 characters of decorated text or plain prose.
//
// Beside it, in the same run, the floor: a bare one-line edit control made
// as Text3 is (the same class, styles, size, font and no limit), holding the
// same text, to which a window that has only that control appends the same
// replacement, in the same way, when the same key reaches it. What the
// program takes above the floor is its own: the key typed into Text1, the
// change handler, Text1 emptied and Text2 rewritten, and their paint.
//
// The key goes in through SendInput, as the user's does, and the clock stops
// once the box holds the new text and has nothing left to paint.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "app/win32/styles.h"
#include "writer/ascii_rules.h"

namespace {

using app::ControlId;
using Clock = std::chrono::steady_clock;

constexpr int kKeystrokes = 150;
constexpr int kWarmUp = 20;
constexpr wchar_t kTyped[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

void Pump(app::win32::MainWindow& window) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (window.PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

const writer::AsciiRule* RuleFor(wchar_t key) {
  for (const auto& rule : writer::AsciiRules()) {
    if (rule.key == key) return &rule;
  }
  return nullptr;
}

std::size_t ReplacementLength(wchar_t key) {
  const auto* rule = RuleFor(key);
  return rule != nullptr ? rule->replacement.size() : 0;
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

// The floor: a window whose only child is an edit control made as Text3 is.
// The window keeps the focus; a character that reaches it is replaced and
// appended to the box as the program appends to Text3: the caret moved to
// the end only when it is not there already, then the selection replaced.
class BareBox {
 public:
  BareBox() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"KeystrokeFloor";
    ::RegisterClassW(&wc);
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    const auto& text3 = app::Spec(ControlId::Text3);
    const int width = app::TwipsToPixels(text3.width, dpi);
    const int height = app::TwipsToPixels(text3.height, dpi);
    window_ = ::CreateWindowExW(0, wc.lpszClassName, L"floor", WS_POPUP | WS_VISIBLE, 0, 400, width + 16, height + 16,
                                nullptr, nullptr, wc.hInstance, nullptr);
    font_ = app::win32::MakeFont(dpi, text3.font);
    const auto made = app::win32::ChildWindowFor(text3.kind);
    box_ = ::CreateWindowExW(made.ex_style, made.cls, L"", made.style, 8, 8, width, height, window_, nullptr,
                             wc.hInstance, nullptr);
    ::SendMessageW(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    ::SendMessageW(box_, EM_SETLIMITTEXT, 0, 0);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box_));
  }
  BareBox(const BareBox&) = delete;
  BareBox& operator=(const BareBox&) = delete;
  ~BareBox() { ::DestroyWindow(window_); }

  HWND window() const { return window_; }
  HWND box() const { return box_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg != WM_CHAR) return ::DefWindowProcW(hwnd, msg, wparam, lparam);
    const auto* rule = RuleFor(static_cast<wchar_t>(wparam));
    if (rule == nullptr) return 0;
    const auto box = reinterpret_cast<HWND>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const std::wstring text(rule->replacement.begin(), rule->replacement.end());
    const LRESULT end = ::GetWindowTextLengthW(box);
    DWORD sel_start = 0;
    DWORD sel_end = 0;
    ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&sel_start), reinterpret_cast<LPARAM>(&sel_end));
    if (sel_start != static_cast<DWORD>(end) || sel_end != static_cast<DWORD>(end)) {
      ::SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), end);
    }
    ::SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
  }

  HWND window_ = nullptr;
  HWND box_ = nullptr;
  platform::win32::Font font_;
};

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Where a keystroke goes and where its append shows: the program's Text1 and
// Text3, or the floor's window and box.
struct Target {
  HWND foreground;
  HWND focus;
  HWND input;  // emptied before a row; null for the floor
  HWND out;
};

// One real keystroke; milliseconds until its append is in the box and
// painted, or a negative value if it never arrived.
double Keystroke(app::win32::MainWindow& window, const Target& target, wchar_t key) {
  const auto length = static_cast<std::size_t>(::GetWindowTextLengthW(target.out)) + ReplacementLength(key);
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
    if (static_cast<std::size_t>(::GetWindowTextLengthW(target.out)) == length &&
        !::GetUpdateRect(target.out, nullptr, FALSE)) {
      break;
    }
    if (Clock::now() - start > std::chrono::seconds(10)) return -1;
  }
  return Millis(Clock::now() - start);
}

// Puts the focus where the target's key goes and lets the paint that causes
// finish, so that the clock of the next keystroke sees none of it.
void Aim(app::win32::MainWindow& window, const Target& target) {
  ::SetForegroundWindow(target.foreground);
  ::SetFocus(target.focus);
  const auto start = Clock::now();
  do {
    Pump(window);
  } while ((::GetUpdateRect(target.foreground, nullptr, FALSE) || ::GetUpdateRect(target.out, nullptr, FALSE)) &&
           Clock::now() - start < std::chrono::seconds(2));
}

bool Fill(app::win32::MainWindow& window, const Target& target, bool decorated, std::size_t prefill) {
  const std::wstring text = Filler(decorated, prefill);
  ::SetWindowTextW(target.out, text.c_str());
  if (target.input != nullptr) ::SetWindowTextW(target.input, L"");
  Pump(window);
  if (static_cast<std::size_t>(::GetWindowTextLengthW(target.out)) == prefill) return true;
  std::fprintf(stderr, "the box holds %d characters, not %zu\n", ::GetWindowTextLengthW(target.out), prefill);
  return false;
}

struct Figures {
  double first = 0;   // the first keystroke after the box was filled
  double median = 0;  // the keystrokes after it
  double p90 = 0;
  std::vector<double> samples;
};

// The program and the floor take the same keys in turn, so that both meet
// the same load of the shared machine.
bool Measure(app::win32::MainWindow& window, const std::array<Target, 2>& targets, bool decorated, std::size_t prefill,
             std::array<Figures, 2>& figures) {
  for (const auto& target : targets) {
    if (!Fill(window, target, decorated, prefill)) return false;
  }
  for (int i = -1; i < kWarmUp + kKeystrokes; ++i) {
    const wchar_t key = i < 0 ? L'a' : kTyped[static_cast<std::size_t>(i) % (std::size(kTyped) - 1)];
    for (std::size_t t = 0; t < targets.size(); ++t) {
      Aim(window, targets[t]);
      const double ms = Keystroke(window, targets[t], key);
      if (ms < 0) {
        std::fprintf(stderr, "a keystroke never reached the box (prefill %zu)\n", prefill);
        return false;
      }
      if (i < 0) figures[t].first = ms;
      if (i >= kWarmUp) figures[t].samples.push_back(ms);
    }
  }
  for (auto& f : figures) {
    std::sort(f.samples.begin(), f.samples.end());
    f.median = f.samples[f.samples.size() / 2];
    f.p90 = f.samples[f.samples.size() * 9 / 10];
  }
  return true;
}

}  // namespace

int main() {
  app::win32::MainWindow window(::GetModuleHandleW(nullptr));
  if (!window.Create(SW_SHOW)) {
    std::fprintf(stderr, "the window could not be created\n");
    return 1;
  }
  const BareBox bare;
  const std::array<Target, 2> targets{
      Target{window.hwnd(), window.ControlWindow(ControlId::Text1), window.ControlWindow(ControlId::Text1),
             window.ControlWindow(ControlId::Text3)},
      Target{bare.window(), bare.window(), nullptr, bare.box()}};
  const std::size_t sizes[] = {0, 10000, 100000};
  std::printf(
      "| box holds | filled with | median ms | 90th pct ms | first key after fill ms | floor median ms | "
      "median vs floor |\n");
  std::printf("|---:|---|---:|---:|---:|---:|---:|\n");
  for (bool decorated : {true, false}) {
    const char* kind = decorated ? "decorated" : "plain";
    for (std::size_t size : sizes) {
      std::array<Figures, 2> f;
      if (!Measure(window, targets, decorated, size, f)) return 1;
      std::printf("| %zu | %s | %.2f | %.2f | %.2f | %.2f | %.2fx |\n", size,
                  decorated ? "decorated text" : "plain prose", f[0].median, f[0].p90, f[0].first, f[1].median,
                  f[0].median / f[1].median);
      // The same figures for scripts/bench.py, in microseconds.
      std::printf("keystroke_%s_us_%zu=%.0f\n", kind, size, f[0].median * 1000.0);
      std::printf("keystroke_floor_%s_us_%zu=%.0f\n", kind, size, f[1].median * 1000.0);
      std::fflush(stdout);
    }
  }
  return 0;
}
