// Entry point of the zorvik-unzip command-line extractor (native and Windows console builds).
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define ZORVIK_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define ZORVIK_ISATTY(fd) isatty(fd)
#endif

#include "tools/UnzipCommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tools::RunUnzipCommand(args, std::cout, std::cerr, ZORVIK_ISATTY(2) != 0);
}
