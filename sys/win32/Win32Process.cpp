// Process creation with CreateProcessA; the process and thread handles are owned, so they
// are closed whatever the caller does after the start.
#include <windows.h>

#include <vector>

#include "sys/Process.h"
#include "sys/win32/Handle.h"

namespace sys {
namespace {

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == kStartupInfoSize, "STARTUPINFOA of a 32-bit program");
#endif

class Win32Process final : public Process {
 public:
  Win32Process(win32::KernelHandle process, win32::KernelHandle thread)
      : process_(std::move(process)), thread_(std::move(thread)) {}
  uint32_t Wait(uint32_t milliseconds) override { return WaitForSingleObject(process_.Get(), milliseconds); }

 private:
  win32::KernelHandle process_;
  win32::KernelHandle thread_;
};

class Win32Processes final : public Processes {
 public:
  std::unique_ptr<Process> Start(const std::string& commandLine, bool inheritHandles, const StartupInfo& startup,
                                 uint32_t creationFlags) override {
    STARTUPINFOA si{};
    si.cb = startup.size;
    si.dwFlags = startup.flags;
    si.wShowWindow = startup.showWindow;
    // The call may write into its command line, so it gets a buffer of its own, as long as
    // the line needs.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, creationFlags, nullptr,
                        nullptr, &si, &pi)) {
      lastError_ = GetLastError();
      return nullptr;
    }
    win32::KernelHandle process(pi.hProcess), thread(pi.hThread);
    return std::make_unique<Win32Process>(std::move(process), std::move(thread));
  }
  uint32_t LastError() override { return lastError_; }

 private:
  uint32_t lastError_ = 0;
};

}  // namespace

Processes& RealProcesses() {
  static Win32Processes processes;
  return processes;
}

}  // namespace sys
