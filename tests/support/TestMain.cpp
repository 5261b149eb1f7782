// Test entry point: runs with drive C as the current folder, where device paths resolve.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  SetCurrentDirectoryW(L"C:\\");
  // Keep crash dialogs out of unattended runs.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
