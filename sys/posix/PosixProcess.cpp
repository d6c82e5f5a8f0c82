// The native build runs no programs: the only one the installer starts is a Windows
// installer, so every start reports that the request is not supported here.
#include "sys/Process.h"

namespace sys {
namespace {

constexpr uint32_t kErrorNotSupported = 50;

class PosixProcesses final : public Processes {
 public:
  std::unique_ptr<Process> Start(const std::string&, bool, const StartupInfo&, uint32_t) override { return nullptr; }
  uint32_t LastError() override { return kErrorNotSupported; }
};

}  // namespace

Processes& RealProcesses() {
  static PosixProcesses processes;
  return processes;
}

}  // namespace sys
