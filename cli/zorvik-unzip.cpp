// Entry point of the zorvik-unzip command-line extractor (native and Windows console builds).
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#define ZORVIK_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define ZORVIK_ISATTY(fd) isatty(fd)
#endif

#include "cli/UnzipCommand.h"

namespace {

extern "C" void RequestInterrupt(int) { cli::InterruptRequested() = 1; }

}  // namespace

int main(int argc, char** argv) {
  // Ctrl+C (and, outside Windows, a polite kill) ends the run between two blocks, with the
  // unfinished entry's temporary removed, instead of wherever the signal lands.
  std::signal(SIGINT, RequestInterrupt);
#ifdef SIGTERM
  std::signal(SIGTERM, RequestInterrupt);
#endif
#ifdef _WIN32
  // The C runtime writes unbuffered to every character device, NUL included, and under an
  // emulation layer each write is a round trip: a listing of 65,535 entries sent to NUL took
  // minutes. Only a person at a console needs each line as it comes.
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  // -p writes entries' bytes as they are: no line-end translation, no stop at Ctrl+Z.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
#ifndef _WIN32
  // Each file's date goes through mktime, which looks at /etc/localtime again every time
  // unless TZ names the zone: the same zone, said once.
  setenv("TZ", ":/etc/localtime", 0);
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
  // Entries go out in parallel, one worker per core (0 when the count is unknown).
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return cli::RunUnzipCommand(args, std::cout, std::cerr, ZORVIK_ISATTY(2) != 0, sys::RealFileSystem(),
                              sys::RealUserInterface(), std::max(cores, 1));
}
