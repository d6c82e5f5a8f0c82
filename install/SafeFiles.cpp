// Writes and copies through a temporary beside the target, moved over it only when whole.
#include "install/SafeFiles.h"

#include <algorithm>
#include <functional>

#include "base/Ansi.h"
#include "base/TemporaryNames.h"

namespace install {
namespace {

// Names taken by another run's leftovers that could not be swept are passed over; this many
// in one folder means something else is wrong, and the last refusal is reported.
constexpr unsigned kNamesTried = 64;

bool Exists(uint32_t error) { return error == sys::kErrorFileExists || error == sys::kErrorAlreadyExists; }

// Makes a new temporary in the target's folder with `make`, which is given its path and
// returns false with the system's code when it could not make it. False when no name would
// do; `path` is then the last one tried.
bool NewTemporary(sys::FileSystem& files, const std::string& target,
                  const std::function<bool(const std::string&)>& make, std::string& path, uint32_t& error) {
  const std::string dir = base::ExtractFilePath(target);
  for (unsigned n = 0; n < kNamesTried; ++n) {
    path = dir + TemporaryName(n);
    if (make(path)) return true;
    error = files.LastError();
    if (!Exists(error)) break;
  }
  return false;
}

}  // namespace

std::string TemporaryName(unsigned number) { return base::TemporaryName(base::kInstallTemporaries, number); }

void RemoveStaleTemporaries(sys::FileSystem& files, const std::string& dir) {
  const std::string folder = base::ExcludeTrailingBackslash(dir) + "\\";
  for (const std::string& name : files.FindFiles(folder, base::TemporaryPattern(base::kInstallTemporaries)))
    if (base::IsTemporaryName(base::LowerAscii(name),
                              base::kInstallTemporaries)) /* result not examined: one held open stays */
      files.Delete(folder + name);
}

bool IsDiskFull(uint32_t error) { return error == sys::kErrorDiskFull || error == sys::kErrorHandleDiskFull; }

Outcome WriteWhole(sys::FileSystem& files, const std::string& target, const void* data, uint32_t size) {
  Outcome r;
  std::unique_ptr<sys::File> file;
  std::string temporary;
  auto create = [&](const std::string& path) {
    file = files.Open(path, sys::Access::write, sys::Share::none, sys::Disposition::createNew);
    return file != nullptr;
  };
  if (!NewTemporary(files, target, create, temporary, r.error)) return {Outcome::notCreated, r.error};
  // One write straight from the caller's bytes: no copy of several megabytes in memory.
  uint32_t written = 0;
  if (size != 0 && !file->Write(data, size, written))
    r = {Outcome::notWritten, files.LastError()};
  else if (written != size)
    r = {Outcome::notWritten, sys::kErrorDiskFull};  // short without a code: the disk is full
  else if (!file->Flush())
    r = {Outcome::notWritten, files.LastError()};
  file.reset();
  if (r && !files.CommitFile(temporary, target, /*replaceExisting=*/true))
    r = {Outcome::notCommitted, files.LastError()};
  if (!r) /* result not examined: a temporary left over goes with the next run */
    files.Delete(temporary);
  return r;
}

Outcome CopyWhole(sys::FileSystem& files, const std::string& source, const std::string& target) {
  Outcome r;
  std::string temporary;
  auto copy = [&](const std::string& path) { return files.Copy(source, path, /*failIfExists=*/true); };
  if (!NewTemporary(files, target, copy, temporary, r.error)) {
    // A copy that stopped on a full disk leaves what it wrote under the temporary's name.
    if (!Exists(r.error)) /* result not examined */
      files.Delete(temporary);
    return {Outcome::notCreated, r.error};
  }
  // The copy's data reach the disk before its name does. A copy the system made read-only
  // (its source was) cannot be opened for writing; it is moved unflushed, as copied.
  if (auto file = files.Open(temporary, sys::Access::write, sys::Share::none, sys::Disposition::openExisting))
    if (!file->Flush()) r = {Outcome::notWritten, files.LastError()};
  if (r && !files.CommitFile(temporary, target, /*replaceExisting=*/false))
    r = {Outcome::notCommitted, files.LastError()};
  if (!r) /* result not examined */
    files.Delete(temporary);
  return r;
}

}  // namespace install
