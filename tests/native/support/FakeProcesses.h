// Process creation for tests: records what each start was given, and logs the start, the
// wait and the closing of the handles in a log that other fakes may share.
#pragma once

#include <string>
#include <vector>

#include "sys/Process.h"

namespace support {

class FakeProcesses : public sys::Processes {
 public:
  struct Started {
    std::string commandLine;
    bool inheritHandles;
    sys::StartupInfo startup;
    uint32_t creationFlags;
  };

  explicit FakeProcesses(std::vector<std::string>& log) : log_(log) {}

  bool failStart = false;  // the start fails, as for a missing or refused program
  std::vector<Started> starts;

  std::unique_ptr<sys::Process> Start(const std::string& commandLine, bool inheritHandles,
                                      const sys::StartupInfo& startup, uint32_t creationFlags) override {
    starts.push_back({commandLine, inheritHandles, startup, creationFlags});
    log_.push_back("start " + commandLine);
    if (failStart) return nullptr;
    return std::make_unique<Process>(log_);
  }
  uint32_t LastError() override { return failStart ? sys::kErrorFileNotFound : 0; }

 private:
  class Process : public sys::Process {
   public:
    explicit Process(std::vector<std::string>& log) : log_(log) {}
    ~Process() override { log_.push_back("close handles"); }
    uint32_t Wait(uint32_t milliseconds) override {
      log_.push_back(milliseconds == sys::kInfinite ? "wait infinite" : "wait " + std::to_string(milliseconds));
      return sys::kWaitObject0;
    }

   private:
    std::vector<std::string>& log_;
  };

  std::vector<std::string>& log_;
};

}  // namespace support
