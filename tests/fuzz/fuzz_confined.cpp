// Fuzz target for confinement: whole extractions of the input archive into a fresh folder on
// the real file system. Every call that creates, writes, renames, deletes or changes a file
// must name a place inside that folder, afterwards nothing may have appeared beside it, and
// the bytes written may not exceed the sizes the started entries declare.
// Byte 0 picks the settings (directories kept, RootDir, an OEM table that makes separators,
// colons and dots, overwrite and read-only handling); the rest is the archive. Built with
// ZORVIK_FUZZING the CRC check is skipped, so the rename and attribute paths run too.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "sys/Files.h"
#include "sys/UserInterface.h"
#include "tests/fuzz/QuietUi.h"
#include "tests/native/support/NativePath.h"
#include "tests/native/support/ForwardingFileSystem.h"
#include "zip/ZipExtractor.h"

namespace {

std::string root;  // /tmp/zvfuzzXXXXXX: holds in.zip and box/out, the destination

// The path as the POSIX layer hands it to the kernel ("\" that is a character of its own
// becomes "/"), with "." and ".." resolved by their text: the folder holds no links (the
// extractor makes none), so the text is where the call lands.
std::string Resolved(const std::string& path) {
  std::string p = support::NativePath(path);
  if (p.empty() || p[0] != '/') {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) abort();
    p = std::string(cwd) + "/" + p;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('/', start);
    if (end == std::string::npos) end = p.size();
    std::string part = p.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string r;
  for (const std::string& part : parts) r += "/" + part;
  return r;
}

// The destination itself is made by the run; everything else must lie below it.
void Check(const std::string& path, const char* call, bool mayBeDestination = false) {
  std::string inside = root + "/box/out/";
  std::string r = Resolved(path);
  if (r.compare(0, inside.size(), inside) != 0 && !(mayBeDestination && r + "/" == inside)) {
    std::fprintf(stderr, "%s outside the destination: %s (%s)\n", call, path.c_str(), r.c_str());
    abort();
  }
}

// Counts what reaches the files written: a run may write no more than the entries it
// started declare, however the archive lies about its data.
class CountingFile final : public support::ForwardingFile {
 public:
  CountingFile(std::unique_ptr<sys::File> inner, uint64_t& written)
      : ForwardingFile(std::move(inner)), written_(written) {}
  bool Write(const void* b, uint32_t n, uint32_t& done) override {
    bool ok = ForwardingFile::Write(b, n, done);
    written_ += done;
    return ok;
  }

 private:
  uint64_t& written_;
};

class ConfinedFs final : public support::ForwardingFileSystem {
 public:
  uint64_t written = 0;
  bool SetAttributes(const std::string& p, uint32_t a) override {
    Check(p, "SetAttributes");
    return ForwardingFileSystem::SetAttributes(p, a);
  }
  bool CreateDirectory(const std::string& p) override {
    Check(p, "CreateDirectory", true);
    return ForwardingFileSystem::CreateDirectory(p);
  }
  std::unique_ptr<sys::File> Open(const std::string& p, sys::Access a, sys::Share s, sys::Disposition d) override {
    if (a != sys::Access::read || d != sys::Disposition::openExisting) Check(p, "Open");
    std::unique_ptr<sys::File> file = ForwardingFileSystem::Open(p, a, s, d);
    if (!file || a == sys::Access::read) return file;
    return std::make_unique<CountingFile>(std::move(file), written);
  }
  bool Copy(const std::string& f, const std::string& t, bool e) override {
    Check(t, "Copy");
    return ForwardingFileSystem::Copy(f, t, e);
  }
  bool Delete(const std::string& p) override {
    Check(p, "Delete");
    return ForwardingFileSystem::Delete(p);
  }
  bool Rename(const std::string& f, const std::string& t, bool r) override {
    Check(f, "Rename");
    Check(t, "Rename");
    return ForwardingFileSystem::Rename(f, t, r);
  }
};

void RemoveTree(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    chmod(path.c_str(), 0700);
    if (DIR* d = opendir(path.c_str())) {
      std::vector<std::string> names;
      while (dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
      closedir(d);
      for (const std::string& n : names) RemoveTree(path + "/" + n);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

std::vector<std::string> Names(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = opendir(path.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}

void CleanUp() { RemoveTree(root); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  if (root.empty()) {
    char pattern[] = "/tmp/zvfuzzXXXXXX";
    if (!mkdtemp(pattern)) abort();
    root = pattern;
    atexit(CleanUp);
  }
  RemoveTree(root + "/box");
  mkdir((root + "/box").c_str(), 0777);
  const uint8_t options = data[0];
  if (FILE* f = std::fopen((root + "/in.zip").c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  ConfinedFs fs;
  fuzz::QuietUi ui;
  uint64_t declared = 0;  // the sizes of the entries the runs started
  ui.oemTable = (options & 4) != 0;
  {
    zip::TZipExtractor z(fs, ui);
    z.SetZipName(root + "\\in.zip");
    z.SetDestDir(root + "\\box\\out");
    z.SetRecreateDirs((options & 1) != 0);
    z.SetRootDir((options & 2) ? "a" : "");
    z.SetOverwriteMode((options & 8) ? zip::Always : zip::Never);
    z.SetReplaceReadOnly((options & 16) != 0);
    z.SetIncompleteZipMode((options & 32) ? zip::izAssumeBad : zip::izAssumeNotAZip);
    z.SetDoAll(true);
    z.OnGetNextDisk = [](zip::TZipExtractor&, int, std::string& name) { name.clear(); };
    z.OnStartUnZip = [&](zip::TZipExtractor& s, int index, std::string&, bool&) {
      declared += static_cast<uint64_t>(std::max<int32_t>(s.Entry(index).UncompressedSize, 0));
    };
    try {
      z.UnZip();
      // Twice: the second run meets the first one's files, folders and read-only bits.
      z.UnZip();
    } catch (const base::Exception&) {
    }
  }
  if (fs.written > declared) {
    std::fprintf(stderr, "%llu bytes written for entries that declare %llu\n",
                 static_cast<unsigned long long>(fs.written), static_cast<unsigned long long>(declared));
    abort();
  }
  std::vector<std::string> beside = Names(root), inBox = Names(root + "/box");
  if (beside.size() != 2 || inBox.size() > 1 || (inBox.size() == 1 && inBox[0] != "out")) {
    std::fprintf(stderr, "something appeared beside the destination\n");
    abort();
  }
  return 0;
}
