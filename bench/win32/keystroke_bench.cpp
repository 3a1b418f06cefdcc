// What one keystroke in the Ascii writer costs on the real edit controls,
// from the key press to the append painted in Text3, while Text3 already
// holds 0, 10,000 and 100,000 characters of decorated text or plain prose.
//
// Beside it, in the same run, the floor: the same three boxes made bare in a
// window of their own, the same key typed into the first, and the window's
// own change notification doing the writer's work on them directly (see
// BareWriter). What the program takes above the floor is what it puts
// around that work: its window, the handler's dispatch, the rules' loop.
//
// The key goes in through SendInput, as the user's does, and the clock stops
// once Text3 holds the new text and none of the three boxes has anything
// left to paint.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "app/win32/styles.h"
#include "app/win32/win_controls.h"
#include "platform/win32/wide_text.h"
#include "writer/ascii_rules.h"

namespace {

namespace win32 = app::win32;

using app::ControlId;
using Clock = std::chrono::steady_clock;

constexpr int kKeystrokes = 150;
constexpr int kWarmUp = 20;
constexpr wchar_t kTyped[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

void Pump(win32::MainWindow& window) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (window.PreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// The append as the program makes it, through its own wrapper of the box.
void AppendKeepingCaret(HWND box, const wchar_t* text) {
  win32::EditBox(box, ControlId::Text3).AppendText(platform::win32::FromWide(text));
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

// The floor: the Ascii writer's three boxes and nothing around them. A window
// of the program's style and client size holds three bare edit controls made
// as Text1, Text2 and Text3 are (the same classes, styles, sizes, fonts,
// limits and places, Text2 below the visible client area as the program's
// is, subclassed as the program's are for screen readers); the key goes into the first, and the window's own EN_CHANGE
// does the writer's work directly: reads the first box, and if it holds exactly one key of the rules, writes its
// replacement into the second, empties the first (whose nested EN_CHANGE finds nothing), reads the second back, appends
// that to the third as the program appends (the caret moved to the end only when it is not there already, then the
// selection replaced), and gives the first the focus.
class BareWriter {
 public:
  BareWriter(int dpi, POINT at) {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"KeystrokeFloor";
    ::RegisterClassW(&wc);
    RECT frame{0, 0, app::TwipsToPixels(app::kClientWidthTwips, dpi), app::TwipsToPixels(app::kClientHeightTwips, dpi)};
    ::AdjustWindowRectEx(&frame, win32::kWindowStyle, FALSE, win32::kWindowExStyle);
    window_ =
        ::CreateWindowExW(win32::kWindowExStyle, wc.lpszClassName, L"floor", win32::kWindowStyle, at.x, at.y,
                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, this);
    // The program's creation order: Text1, Text2, Text3.
    input_ = MakeBox(ControlId::Text1, dpi, fonts_[0]);
    last_ = MakeBox(ControlId::Text2, dpi, fonts_[1]);
    out_ = MakeBox(ControlId::Text3, dpi, fonts_[2]);
    ::ShowWindow(window_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window_);
  }
  BareWriter(const BareWriter&) = delete;
  BareWriter& operator=(const BareWriter&) = delete;
  ~BareWriter() { ::DestroyWindow(window_); }

  HWND window() const { return window_; }
  HWND input() const { return input_; }
  HWND last() const { return last_; }
  HWND out() const { return out_; }

 private:
  HWND MakeBox(ControlId id, int dpi, platform::win32::Font& font) {
    const auto& row = app::Spec(id);
    const auto made = win32::ChildWindowFor(row.kind);
    const std::wstring text(row.text.begin(), row.text.end());
    const HWND box = ::CreateWindowExW(
        made.ex_style, made.cls, text.c_str(), made.style, app::TwipsToPixels(row.left, dpi),
        app::TwipsToPixels(row.top, dpi), app::TwipsToPixels(row.width, dpi), app::TwipsToPixels(row.height, dpi),
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(static_cast<int>(id) + win32::kFirstControlId)),
        ::GetModuleHandleW(nullptr), nullptr);
    font = win32::MakeFont(dpi, row.font);
    ::SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
    // Subclassed as the program's boxes are to answer screen readers, the
    // subclass passing everything on: what a message costs on its way
    // through is the platform's, on both sides.
    ::SetWindowSubclass(box, &PassOn, 0, 0);
    return box;
  }

  static LRESULT CALLBACK PassOn(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    return ::DefSubclassProc(hwnd, msg, wparam, lparam);
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<BareWriter*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_COMMAND && HIWORD(wparam) == EN_CHANGE && self != nullptr &&
        reinterpret_cast<HWND>(lparam) == self->input_ && self->input_ != nullptr) {
      self->OnChange();
      return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wparam, lparam);
  }

  void OnChange() {
    wchar_t typed[3] = {};
    if (::GetWindowTextW(input_, typed, 3) != 1) return;
    const auto* rule = RuleFor(typed[0]);
    if (rule == nullptr) return;
    const std::wstring replacement(rule->replacement.begin(), rule->replacement.end());
    ::SetWindowTextW(last_, replacement.c_str());
    ::SetWindowTextW(input_, L"");
    wchar_t back[16] = {};
    ::GetWindowTextW(last_, back, static_cast<int>(std::size(back)));
    AppendKeepingCaret(out_, back);
    ::SetFocus(input_);
  }

  HWND window_ = nullptr;
  HWND input_ = nullptr;
  HWND last_ = nullptr;
  HWND out_ = nullptr;
  std::array<platform::win32::Font, 3> fonts_;
};

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Where a keystroke goes and where it shows: the program's boxes or the
// floor's, the key typed into the first and appended to the third.
struct Target {
  HWND foreground;
  HWND input;  // Text1
  HWND last;   // Text2
  HWND out;    // Text3
};

// True while any of the three boxes has something left to paint.
bool Painting(const Target& target) {
  return ::GetUpdateRect(target.input, nullptr, FALSE) || ::GetUpdateRect(target.last, nullptr, FALSE) ||
         ::GetUpdateRect(target.out, nullptr, FALSE);
}

// One real keystroke; milliseconds until its append is in the box and
// painted, or a negative value if it never arrived.
double Keystroke(win32::MainWindow& window, const Target& target, wchar_t key) {
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
    if (static_cast<std::size_t>(::GetWindowTextLengthW(target.out)) == length && !Painting(target)) break;
    if (Clock::now() - start > std::chrono::seconds(10)) return -1;
  }
  return Millis(Clock::now() - start);
}

// Puts the focus where the target's key goes and lets the paint that causes
// finish, so that the clock of the next keystroke sees none of it.
void Aim(win32::MainWindow& window, const Target& target) {
  ::SetForegroundWindow(target.foreground);
  ::SetFocus(target.input);
  const auto start = Clock::now();
  do {
    Pump(window);
  } while ((::GetUpdateRect(target.foreground, nullptr, FALSE) || Painting(target)) &&
           Clock::now() - start < std::chrono::seconds(2));
}

bool Fill(win32::MainWindow& window, const Target& target, bool decorated, std::size_t prefill) {
  const std::wstring text = Filler(decorated, prefill);
  ::SetWindowTextW(target.out, text.c_str());
  ::SetWindowTextW(target.input, L"");
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
bool Measure(win32::MainWindow& window, const std::array<Target, 2>& targets, bool decorated, std::size_t prefill,
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

// ---- the box's own costs --------------------------------------------------
// What keystroke.md explains the curve with, measured in the same run on the
// floor's bare Text3 with nothing but the box's own work timed.

constexpr int kRepeats = 15;
constexpr wchar_t kAppended[] = L"@";

double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Lets the box finish whatever it has left to paint, untimed.
void Settle(win32::MainWindow& window, HWND box) {
  Pump(window);
  ::UpdateWindow(box);
}

// The append with the caret moved to the end every time.
void AppendMovingCaret(HWND box, const wchar_t* text) {
  const LRESULT end = ::GetWindowTextLengthW(box);
  ::SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), end);
  ::SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

template <typename Work>
double TimedMicros(Work work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Medians, in microseconds, of one append kept at the end, one with the
// caret moved, the box's paint after an append, and the whole text
// rewritten with the same character more, at the given fill.
void BoxCosts(win32::MainWindow& window, HWND box, bool decorated, std::size_t prefill) {
  std::wstring text = Filler(decorated, prefill);
  ::SetWindowTextW(box, text.c_str());
  Settle(window, box);
  std::vector<double> kept, moved, paint, rewrite;
  for (int i = 0; i < kRepeats; ++i) {
    moved.push_back(TimedMicros([&] { AppendMovingCaret(box, kAppended); }));
    Settle(window, box);
    kept.push_back(TimedMicros([&] { AppendKeepingCaret(box, kAppended); }));
    paint.push_back(TimedMicros([&] { ::UpdateWindow(box); }));
    Pump(window);
  }
  text.resize(static_cast<std::size_t>(::GetWindowTextLengthW(box)), kAppended[0]);
  for (int i = 0; i < kRepeats; ++i) {
    text += kAppended;
    rewrite.push_back(TimedMicros([&] { ::SetWindowTextW(box, text.c_str()); }));
    Settle(window, box);
  }
  const char* kind = decorated ? "decorated" : "plain";
  std::printf("box_append_us_%s_%zu=%.0f\n", kind, prefill, MedianOf(kept));
  std::printf("box_append_moved_us_%s_%zu=%.0f\n", kind, prefill, MedianOf(moved));
  std::printf("box_paint_us_%s_%zu=%.0f\n", kind, prefill, MedianOf(paint));
  std::printf("box_rewrite_us_%s_%zu=%.0f\n", kind, prefill, MedianOf(rewrite));
  std::fflush(stdout);
}

// The x of a character in the box, as the box places it.
int CharX(HWND box, std::size_t index) {
  return static_cast<short>(LOWORD(::SendMessageW(box, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0)));
}

// The shortest text, in steps of 50 characters up to 2,000, whose last
// character the box places no further right than its first: the box has no
// layout of it. 0 if every length was laid out.
std::size_t LayoutLostAt(win32::MainWindow& window, HWND box, bool decorated) {
  for (std::size_t n = 50; n <= 2000; n += 50) {
    const std::wstring text = Filler(decorated, n);
    ::SetWindowTextW(box, text.c_str());
    Settle(window, box);
    if (CharX(box, n - 1) <= CharX(box, 0)) return n;
  }
  return 0;
}

// A word break that looks only at the word around the place asked about.
int CALLBACK BreakAtSpaces(LPWSTR text, int current, int length, int code) {
  switch (code) {
    case WB_ISDELIMITER: return current >= 0 && current < length && text[current] == L' ';
    case WB_LEFT: {
      int i = std::min(current, length);
      while (i > 0 && text[i - 1] == L' ') --i;
      while (i > 0 && text[i - 1] != L' ') --i;
      return i;
    }
    case WB_RIGHT: {
      int i = std::max(current, 0);
      while (i < length && text[i] != L' ') ++i;
      while (i < length && text[i] == L' ') ++i;
      return i;
    }
    default: return 0;
  }
}

// The other way the output could be made: a word-wrapping multi-line edit
// control in Text3's place, with its own word break. How long it takes to
// be filled with 100,000 characters without a line break at once, an append
// and its paint at that length, and whether it lays out decorated text.
void MultiLineCosts(win32::MainWindow& window, const BareWriter& bare, int dpi) {
  RECT place{};
  ::GetWindowRect(bare.out(), &place);
  ::MapWindowPoints(HWND_DESKTOP, bare.window(), reinterpret_cast<POINT*>(&place), 2);
  ::ShowWindow(bare.out(), SW_HIDE);
  const platform::win32::Font font = win32::MakeFont(dpi, app::Spec(ControlId::Text3).font);
  const HWND box = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_LEFT | ES_MULTILINE,
                                     place.left, place.top, place.right - place.left, place.bottom - place.top,
                                     bare.window(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
  ::SendMessageW(box, EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(&BreakAtSpaces));
  const std::wstring text = Filler(false, 100000);
  const double fill = TimedMicros([&] { ::SetWindowTextW(box, text.c_str()); });
  Settle(window, box);
  std::vector<double> append, paint;
  for (int i = 0; i < kRepeats; ++i) {
    append.push_back(TimedMicros([&] { AppendKeepingCaret(box, kAppended); }));
    paint.push_back(TimedMicros([&] { ::UpdateWindow(box); }));
    Pump(window);
  }
  const std::wstring decorated = Filler(true, 2000);
  ::SetWindowTextW(box, decorated.c_str());
  Settle(window, box);
  const bool laid_out = CharX(box, 20) > CharX(box, 0);
  ::DestroyWindow(box);
  ::ShowWindow(bare.out(), SW_SHOWNA);
  std::printf("multiline_fill_ms_100000=%.0f\n", fill / 1000.0);
  std::printf("multiline_append_us_100000=%.0f\nmultiline_paint_us_100000=%.0f\n", MedianOf(append), MedianOf(paint));
  std::printf("multiline_decorated_laid_out=%d\n", laid_out ? 1 : 0);
  std::fflush(stdout);
}

// The length limits the boxes really have: the program's Text3, and a fresh
// edit control that was given none.
void Limits(const win32::MainWindow& window, const BareWriter& bare) {
  const HWND fresh = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, bare.window(), nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
  std::printf("limit_text_box=%lld\nlimit_text_fresh=%lld\n",
              static_cast<long long>(::SendMessageW(window.ControlWindow(ControlId::Text3), EM_GETLIMITTEXT, 0, 0)),
              static_cast<long long>(::SendMessageW(fresh, EM_GETLIMITTEXT, 0, 0)));
  ::DestroyWindow(fresh);
}

int ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace

int main() {
  win32::MainWindow window(::GetModuleHandleW(nullptr));
  if (!window.Create(SW_SHOW)) {
    std::fprintf(stderr, "the window could not be created\n");
    return 1;
  }
  // The floor's window just below the program's, so neither covers the other.
  RECT placed{};
  ::GetWindowRect(window.hwnd(), &placed);
  const int dpi = ScreenDpi();
  const BareWriter bare(dpi, POINT{placed.left, placed.bottom + 8});
  const std::array<Target, 2> targets{
      Target{window.hwnd(), window.ControlWindow(ControlId::Text1), window.ControlWindow(ControlId::Text2),
             window.ControlWindow(ControlId::Text3)},
      Target{bare.window(), bare.input(), bare.last(), bare.out()}};
  const std::size_t sizes[] = {0, 10000, 100000};
  std::printf("keystrokes=%d\nkeystrokes_warm_up=%d\n", kKeystrokes, kWarmUp);
  std::printf(
      "| box holds | filled with | median ms | 90th pct ms | first key after fill ms | floor median ms | "
      "floor 90th pct ms | floor first key ms | median vs floor |\n");
  std::printf("|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (bool decorated : {true, false}) {
    const char* kind = decorated ? "decorated" : "plain";
    for (std::size_t size : sizes) {
      std::array<Figures, 2> f;
      if (!Measure(window, targets, decorated, size, f)) return 1;
      std::printf("| %zu | %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2fx |\n", size,
                  decorated ? "decorated text" : "plain prose", f[0].median, f[0].p90, f[0].first, f[1].median,
                  f[1].p90, f[1].first, f[0].median / f[1].median);
      // The same figures for scripts/bench.py, in microseconds.
      for (std::size_t t = 0; t < f.size(); ++t) {
        const char* who = t == 0 ? "keystroke" : "keystroke_floor";
        std::printf("%s_%s_us_%zu=%.0f\n", who, kind, size, f[t].median * 1000.0);
        std::printf("%s_%s_p90_us_%zu=%.0f\n", who, kind, size, f[t].p90 * 1000.0);
        std::printf("%s_%s_first_us_%zu=%.0f\n", who, kind, size, f[t].first * 1000.0);
      }
      std::fflush(stdout);
    }
  }
  std::printf("box_repeats=%d\n", kRepeats);
  for (bool decorated : {true, false}) {
    for (std::size_t size : sizes) BoxCosts(window, bare.out(), decorated, size);
  }
  std::printf("layout_lost_at_decorated=%zu\n", LayoutLostAt(window, bare.out(), true));
  std::printf("layout_lost_at_plain=%zu\n", LayoutLostAt(window, bare.out(), false));
  Limits(window, bare);
  MultiLineCosts(window, bare, dpi);
  return 0;
}
