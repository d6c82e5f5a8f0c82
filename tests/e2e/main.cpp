// The driver's entry: `e2e_tests SETUP.EXE [--screens=DIR] [--dpi=N] [gtest options]`. Unix paths
// (as CMake passes them) are turned into Wine's Z: paths.
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Driver.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--screens=", 10) == 0)
      e2e::screensDir = e2e::WindowsPath(argv[i] + 10);
    else if (std::strncmp(argv[i], "--dpi=", 6) == 0)
      e2e::SetScreenDpi(std::atoi(argv[i] + 6));
    else
      e2e::setupPath = e2e::WindowsPath(argv[i]);
  }
  if (e2e::setupPath.empty()) {
    std::fprintf(stderr, "usage: e2e_tests SETUP.EXE [--screens=DIR] [--dpi=N] [gtest options]\n");
    return 2;
  }
  // Shortcut files are read back through the shell's link object.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
