// The Windows tests' entry: library search and COM for the thread as setup.exe has them.
#include <objbase.h>

#include <gtest/gtest.h>

#include "sys/win32/LibrarySearch.h"

int main(int argc, char** argv) {
  // As setup.exe starts: libraries named without a path come from the system folder only.
  sys::win32::SearchSystemFolderOnly();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
