// Starting another program and waiting for it, shaped after CreateProcessA and
// WaitForSingleObject so a fake can see every argument that matters and give every outcome.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sys {

// STARTUPINFOA as a 32-bit program fills it: its size, and the flags saying which of the
// show-window and standard-handle fields count.
constexpr uint32_t kStartupInfoSize = 68;
constexpr uint32_t kStartfUseShowWindow = 0x001;
constexpr uint32_t kStartfUseStdHandles = 0x100;
constexpr uint16_t kSwHide = 0;

// WaitForSingleObject's "no time limit" and its answers.
constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;

// The start-up fields a caller sets; every other field of the structure is zero, so the
// standard handles are null.
struct StartupInfo {
  uint32_t size = 0;
  uint32_t flags = 0;
  uint16_t showWindow = 0;
};

// A started program. Owns its process and thread handles and closes both when destroyed.
class Process {
 public:
  virtual ~Process() = default;
  // Waits until the process has ended or the time is up.
  virtual uint32_t Wait(uint32_t milliseconds) = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessA with no application name, the command line as given (the program path
  // first, split by the system's rules), no security attributes, no environment block and
  // no current directory, so the child shares the caller's. Null when the program could not
  // be started, the reason in LastError().
  virtual std::unique_ptr<Process> Start(const std::string& commandLine, bool inheritHandles,
                                         const StartupInfo& startup, uint32_t creationFlags) = 0;
  virtual uint32_t LastError() = 0;
};

// The system's process creation.
Processes& RealProcesses();

}  // namespace sys
