#pragma once
// The stand-in messenger beside the real program: starting it, and reading
// back its log of every status it was told to apply.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace e2e {

// A log file of its own for one test, removed afterwards.
class TempLog {
 public:
  explicit TempLog(const wchar_t* stem = L"messenger");
  TempLog(const TempLog&) = delete;
  TempLog& operator=(const TempLog&) = delete;
  ~TempLog();
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

struct Applied {
  long long at_ms;  // milliseconds on the stand-in's clock
  std::string lparam;
  std::string text;  // UTF-8
};

// Every complete line the stand-in has written so far.
std::vector<Applied> ReadLog(const std::wstring& path);

// The stand-in messenger, started and ready to take commands.
Process StartMessenger(const std::wstring& user_id, const std::wstring& log, const std::wstring& extra = L"");

// The profile's stored status as the registry holds it, or "<none>".
std::wstring StoredStatus(const std::wstring& user_id);

}  // namespace e2e
