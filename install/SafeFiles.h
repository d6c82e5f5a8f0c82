// Nothing partial under a final name: every file the install writes or copies goes to a
// temporary beside its target, is flushed, and takes the target's name only when complete.
// A kill or a full disk leaves the old file or the new one, and at worst a temporary that
// the next run sweeps away.
#pragma once

#include <cstdint>
#include <string>

#include "sys/Files.h"

namespace install {

// "~zs", eight hexadecimal digits, ".tmp": one length for every temporary, so one path
// stands for all of them when the check measures paths.
std::string TemporaryName(unsigned number);

// Deletes what a killed run left in the folder: names of TemporaryName's exact form only.
void RemoveStaleTemporaries(sys::FileSystem& files, const std::string& dir);

// How far a write or a copy came, and the system's code where it stopped.
struct Outcome {
  enum Stage { done, notCreated, notWritten, notCommitted } stage = done;
  uint32_t error = 0;
  explicit operator bool() const { return stage == done; }
};

// Writes the bytes as the whole file `target`, replacing an existing file.
Outcome WriteWhole(sys::FileSystem& files, const std::string& target, const void* data, uint32_t size);

// Copies `source` to `target`, which must not exist yet (notCommitted with the system's
// "exists" code when it does; nothing is then left behind).
Outcome CopyWhole(sys::FileSystem& files, const std::string& source, const std::string& target);

// True for the codes of a disk with no room left.
bool IsDiskFull(uint32_t error);

}  // namespace install
