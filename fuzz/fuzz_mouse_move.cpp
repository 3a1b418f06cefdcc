// The notification callback's decoding over any floats: no undefined
// conversion (UBSan watches the float-to-integer casts), and the window comes
// back only for the left double-click.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/tray.h"
#include "app/sim/sim_app.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  float x = 0;
  float factor = 0;
  std::memcpy(&x, data, 4);
  std::memcpy(&factor, data + 4, 4);
  const auto message = app::TrayMessageFromX(x, factor);
  if (message && (!std::isfinite(x) || !std::isfinite(factor))) std::abort();

  app::sim::SimApp app;
  app.ui.Form().twips_per_pixel = factor;
  app.ui.Form().visible = false;
  app.MouseMove(x);
  const bool restored = app.ui.Form().visible;
  if (restored != (message && *message == app::kLeftDoubleClick)) std::abort();
  if (!app.errors_shown.empty()) std::abort();
  return 0;
}
