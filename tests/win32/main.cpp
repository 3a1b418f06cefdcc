// The Windows tests run on one UI thread that has OLE initialised, as the
// program's own does.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const HRESULT ole = ::OleInitialize(nullptr);
  const int result = RUN_ALL_TESTS();
  if (SUCCEEDED(ole)) ::OleUninitialize();
  return result;
}
