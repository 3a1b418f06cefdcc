// A copy of the program in a folder where someone has left DLLs named like
// the system's: none of them may ever run in it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "presence/presence.h"
#include "tests/common/http_listener.h"
#include "tests/common/text.h"
#include "tests/e2e/harness.h"

using app::ControlId;
using namespace std::chrono_literals;
using testtext::Show;
using testwin::PumpUntil;

namespace {

namespace fs = std::filesystem;

// Those the program takes from system32 itself. Not shcore, a KnownDLL on
// Windows, which Wine's shlwapi imports before the program's first line.
constexpr const wchar_t* kPlanted[] = {L"iphlpapi.dll", L"oleacc.dll", L"urlmon.dll"};

fs::path TestsFolder() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path();
}

// The program's folder, if it were Downloads, with the planted DLLs; removed once the program has gone.
struct PlantedFolder {
  PlantedFolder() {
    fs::remove_all(path);  // left by a run killed before its end, whose process id this one may have
    fs::create_directories(path);
    fs::copy_file(TestsFolder() / "StatusCycler.exe", exe);
    for (const wchar_t* dll : kPlanted) fs::copy_file(TestsFolder() / "planted_dll.dll", path / dll);
  }
  ~PlantedFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::string Ran() const {
    std::string ran;
    for (const auto& entry : fs::directory_iterator(path)) {
      if (entry.path().extension() == ".ran") ran += entry.path().stem().string() + " ";
    }
    return ran;
  }
  const fs::path path = fs::temp_directory_path() / ("planted-" + std::to_string(::GetCurrentProcessId()));
  const fs::path exe = path / "StatusCycler.exe";
};

// Windows takes the program folder's DLL first; Wine only by an override (CMakeLists.txt).
constexpr wchar_t kNativeFirst[] = L"iphlpapi,oleacc,urlmon=n,b";

bool ToldAsWindowsWould() {
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) return true;
  wchar_t overrides[512] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 512);
  return length < 512 && std::wstring_view(overrides).find(kNativeFirst) != std::wstring_view::npos;
}

// Each DLL at its first use: the welcome line, the online check. The accessibility layer is loaded
// by COM for the annotation service as the window is made, before a screen reader could ask.
TEST(DllSearchE2E, DllsBesideTheProgramNeverRunThroughStartUpAndTheOnlineCheck) {
  if (!ToldAsWindowsWould())
    GTEST_SKIP() << "under Wine, run with WINEDLLOVERRIDES containing " << Show(std::wstring_view(kNativeFirst));
  const std::u16string_view host = presence::Host();
  ASSERT_TRUE(host.starts_with(u"127.0.0.1:")) << "configure the tests with -DPRESENCE_HOST=127.0.0.1:<port>";
  const testhttp::HttpListener service(
      static_cast<unsigned short>(std::stoi(std::wstring(host.begin() + 10, host.end()))));
  const PlantedFolder folder;
  auto app = e2e::App::Launch(folder.exe.wstring());
  if (app.main() != nullptr) {
    app.Click(ControlId::Text4);
    app.Type(L"planted");
    app.Click(ControlId::Command5);
    EXPECT_TRUE(PumpUntil([&] { return !service.lines().empty(); }, 30s)) << "the online check asked nothing";
    app.Key('X', {VK_MENU});
  } else {
    ADD_FAILURE() << "the program never showed its welcome line";
  }
  EXPECT_NE(app.process().WaitExit(30s), -1);
  EXPECT_EQ(folder.Ran(), "") << "planted DLLs that ran in the program";
}

}  // namespace
