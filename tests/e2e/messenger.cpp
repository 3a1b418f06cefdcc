#include "tests/e2e/messenger.h"

#include <cstdio>

using namespace std::chrono_literals;

namespace e2e {

TempLog::TempLog(const wchar_t* stem) {
  wchar_t dir[MAX_PATH];
  const DWORD n = ::GetTempPathW(MAX_PATH, dir);
  path_ = std::wstring(dir, n) + stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
          std::to_wstring(::GetTickCount64()) + L".log";
}

TempLog::~TempLog() { ::DeleteFileW(path_.c_str()); }

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

long long ParseStamp(const std::string& stamp) {
  SYSTEMTIME t{};
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  if (std::sscanf(stamp.c_str(), "%u-%u-%u %u:%u:%u.%u", &y, &mo, &d, &h, &mi, &s, &ms) != 7) return -1;
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(mo);
  t.wDay = static_cast<WORD>(d);
  t.wHour = static_cast<WORD>(h);
  t.wMinute = static_cast<WORD>(mi);
  t.wSecond = static_cast<WORD>(s);
  t.wMilliseconds = static_cast<WORD>(ms);
  FILETIME ft{};
  if (!::SystemTimeToFileTime(&t, &ft)) return -1;
  return static_cast<long long>((static_cast<unsigned long long>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000);
}

}  // namespace

std::vector<Applied> ReadLog(const std::wstring& path) {
  std::vector<Applied> out;
  const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return out;
  std::string content;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
  std::size_t start = 0;
  for (std::size_t end = content.find('\n'); end != std::string::npos; end = content.find('\n', start)) {
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string::npos ? std::string::npos : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) continue;
    out.push_back({ParseStamp(line.substr(0, tab1)), line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)});
  }
  return out;
}

Process StartMessenger(const std::wstring& user_id, const std::wstring& log, const std::wstring& extra) {
  auto messenger = Process::Start(BinDir() + L"\\messenger-standin.exe",
                                  L"--user-id " + user_id + L" --log \"" + log + L"\" " + extra);
  WaitFor([&] { return FindProcessWindow(messenger.pid(), L"YahooBuddyMain") != nullptr; }, 30s);
  return messenger;
}

std::wstring StoredStatus(const std::wstring& user_id) {
  const std::wstring path = L"Software\\Yahoo\\Pager\\profiles\\" + user_id + L"\\Custom Msgs";
  wchar_t data[256] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), L"1", RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  return data;
}

}  // namespace e2e
