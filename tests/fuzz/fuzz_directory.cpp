// Fuzz target for the archive reader and the whole extraction: byte 0 picks the settings
// (sort order, recovery mode, paths, password), the rest is the archive file. Every entry is
// decoded into the tests' in-memory file system; built with ZORVIK_FUZZING the CRC check is
// skipped so that the success path (rename, attributes, events) is reached as well.
#include <string>

#include "sys/Files.h"
#include "sys/UserInterface.h"
#include "tests/fuzz/QuietUi.h"
#include "tests/native/support/FakeFileSystem.h"
#include "zip/ZipExtractor.h"

namespace {

constexpr char kArchive[] = "c:\\in.zip";
constexpr long long kOutputLimit = 4 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint8_t options = data[0];
  support::FakeFileSystem fs;
  fs.AddFile(kArchive, std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  // Keeps memory bounded: what an entry would write past this fails as a full disk does.
  fs.freeBytes = kOutputLimit;
  fuzz::QuietUi ui;
  zip::TZipExtractor z(fs, ui);
  z.SetZipName(kArchive);
  z.SetDestDir("c:\\out");
  z.SetSortMode(static_cast<zip::TZipSortMode>(options & 7));
  z.SetIncompleteZipMode((options & 8) ? zip::izAssumeBad : zip::izAssumeNotAZip);
  z.SetRecreateDirs((options & 16) != 0);
  z.SetPassword((options & 32) ? "Secret42" : "");
  z.SetOverwriteMode(zip::Always);
  z.SetDoAll(true);
  // A split set would ask for files that are not there; the refusal is a normal outcome.
  z.OnGetNextDisk = [](zip::TZipExtractor&, int, std::string& name) { name.clear(); };
  try {
    z.OpenZip();
    for (int i = 0; i < z.Count(); ++i) {
      (void)z.FileComment(i);
      (void)z.Filename(i);
    }
    (void)z.ZipComment();
    z.UnZip();
  } catch (const base::Exception&) {
  }
  return 0;
}
