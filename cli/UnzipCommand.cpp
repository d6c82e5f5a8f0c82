// zorvik-unzip: lists or extracts an archive with the installer's own zip component, so the
// component can be used and measured outside the installer.
#include "cli/UnzipCommand.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <sstream>
#include <thread>

#include "base/Ansi.h"
#include "zip/ParallelUnzip.h"
#include "zip/ZipExtractor.h"

namespace cli {

namespace {

// Beyond this many the workers only wait for the disk and each other.
constexpr int kMaxThreads = 64;

constexpr char kVersion[] = "zorvik-unzip 1.1 (the Zorvik setup's zip component, version 2.23)\n";

constexpr char kUsage[] =
    "usage: zorvik-unzip [-l|-t|-p] [-j] [-o|-n|-u|-f] [-P PASSWORD] [-q] [--threads N] [-d DIR]\n"
    "                    ARCHIVE[.zip] [PATTERN...] [-x PATTERN...] [-d DIR]\n"
    "\n"
    "Extracts ARCHIVE with the installer's zip component, keeping the stored paths under DIR.\n"
    "  -l           list the entries (size, method, compressed size, CRC-32, date, name)\n"
    "  -t           test: decode every chosen entry and check its CRC-32; nothing is written\n"
    "  -p           write the chosen entries' data to standard output, one after another\n"
    "  -d DIR       extract into DIR, made when missing (default: the current directory)\n"
    "  -j           junk the stored paths: every file goes straight into DIR\n"
    "  -r           keep the stored paths (the default; kept for older scripts)\n"
    "  -o           overwrite existing files\n"
    "  -n           never overwrite existing files (the default)\n"
    "  -u           update: extract entries newer than the existing file, and missing ones\n"
    "  -f           freshen: only entries newer than a file that already exists\n"
    "  -P PASSWORD  password for encrypted entries\n"
    "  -q           no progress bar (it is drawn on standard error only when that is a terminal)\n"
    "  --threads N  extract N entries at once (1 to 64; default: one per processor core). The\n"
    "               files, the messages and their order, and the exit status are those of one\n"
    "               thread; -l and -p always run on one\n"
    "  -x PATTERN   exclude the entries whose stored path matches; every following argument is\n"
    "               an exclusion, up to the next option\n"
    "  PATTERN      extract only entries whose stored path matches (case ignored; ? one character,\n"
    "               * any run, <a-c> one of a set, <!a-c> one not in it); none: every entry\n"
    "  --version    the program's version\n"
    "\n"
    "No entry is written outside DIR, through a link found in DIR, or under a path too long\n"
    "for the system. An entry is written to a temporary file (~zvXXXXXXXX.tmp) first and takes\n"
    "its name only after its CRC-32 matched; ones a killed run left are removed.\n"
    "Nothing waits for an answer: messages go to standard error, each skipped or failed entry\n"
    "with its reason.\n"
    "Exit status (as unzip's):\n"
    "   0  every chosen entry was extracted (or tested, or written out)\n"
    "   1  some entries were skipped (not overwritten, unsafe or too long a path, a wrong\n"
    "      password while others were processed), or the archive's comment runs past the\n"
    "      end of the file (the entries are extracted all the same)\n"
    "   2  the archive is damaged, or an entry's data failed its CRC-32 or could not be decoded\n"
    "   3  a severe error (memory ran out)\n"
    "   9  the archive was not found\n"
    "  10  the command line makes no sense\n"
    "  11  no entry matched the patterns\n"
    "  50  a file could not be written whole (the disk is full)\n"
    "  80  interrupted (Ctrl+C); the entry being written is not left behind\n"
    "  81  an entry uses a compression method this component does not decode\n"
    "  82  every chosen entry failed for a wrong password\n";

const char* MethodName(int method) {
  static const char* const kNames[] = {"Stored",  "Shrunk",  "Reduce1", "Reduce2", "Reduce3",
                                       "Reduce4", "Implode", "Tokeniz", "Defl"};
  return method >= 0 && method <= 8 ? kNames[method] : "Unknown";
}

const char* Reason(zip::TSkipReason reason) {
  switch (reason) {
    case zip::srBadPassword: return "wrong password";
    case zip::srNoOverwrite: return "exists, not overwritten";
    case zip::srFileOpenError: return "its data overlaps another entry or the directory";
    case zip::srCreateError: return "cannot create (outside the destination, through a link, or too long a path)";
  }
  return "skipped";
}

// A name as the terminal is to show it: control bytes (and bytes no GBK character begins
// with) escaped as \xHH, so a name cannot move the cursor, clear the screen or retitle the
// window; outside Windows, "\" separators shown as "/".
std::string Shown(const std::string& name) {
  std::string shown;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    unsigned char next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
    if (base::IsLeadByte(c) && next >= 0x40 && next != 0x7F && next != 0xFF) {
      shown += name.substr(i++, 2);
    } else if (c < 0x20 || c >= 0x7F) {
      shown += base::Format("\\x%02x", c);
#ifndef _WIN32
    } else if (c == '\\') {
      shown += '/';
#endif
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

// The component's message boxes belong to an installer's window. A console run has nobody
// to click them: each is reported on standard error, naming the entry, and answered so that
// the run goes on (no, cancel, or OK), as a script needs it.
class ConsoleUi final : public sys::UserInterface {
 public:
  ConsoleUi(sys::UserInterface& system, std::ostream& err) : system_(system), err_(err) {}
  std::string entry;     // the entry being extracted, for the report
  std::string reported;  // the entry a message was last shown for

  void ProcessMessages() override {}
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
    reported = entry;
    err_ << "zorvik-unzip: " << (entry.empty() ? "" : Shown(entry) + ": ") << text
         << (caption.empty() ? "" : " (" + caption + ")") << "\n";
    switch (flags & 0xF) {
      case sys::kMbYesNo: return sys::kIdNo;
      case sys::kMbOkCancel: return sys::kIdCancel;
      default: return sys::kIdOk;
    }
  }
  sys::Cursor SetCursor(sys::Cursor cursor) override { return cursor; }
  bool OpenFileDialog(const sys::OpenFileRequest&, std::string&) override { return false; }
  bool SelectDirectory(std::string&) override { return false; }
  std::string OemToAnsi(const std::string& text) override { return system_.OemToAnsi(text); }
  uint32_t DriveType(const std::string& root) override { return system_.DriveType(root); }
  bool VolumeLabel(const std::string& root, std::string& label) override { return system_.VolumeLabel(root, label); }

 private:
  sys::UserInterface& system_;
  std::ostream& err_;
};

enum class Mode { extract, list, test, pipe };

struct Options {
  Mode mode = Mode::extract;
  bool junkPaths = false, quiet = false, freshen = false;
  std::string dest = ".", password, archive;
  zip::TUZOverwriteMode overwrite = zip::Never;
  int threads = 0;  // 0: as the caller chose
  std::vector<std::string> patterns, exclusions;
};

enum class Parsed { run, help, version, wrong };

// Options may stand before or after the archive, as unzip takes them; after the archive a
// plain argument is a pattern, or an exclusion once -x has been given.
Parsed Parse(const std::vector<std::string>& args, Options& o, std::ostream& err) {
  bool excluding = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") return Parsed::help;
    if (a == "--version") return Parsed::version;
    if (a.size() < 2 || a[0] != '-') {
      if (o.archive.empty()) {
        o.archive = a;
        continue;
      }
      // Stored paths are held with "\"; people type "/" as unzip takes it, and the pattern
      // takes the stored names' form so that it can match them.
      std::string pattern = a;
      base::SlashesToBackslashes(pattern);
      (excluding ? o.exclusions : o.patterns).push_back(pattern);
      continue;
    }
    excluding = false;
    if (a == "-l")
      o.mode = Mode::list;
    else if (a == "-t")
      o.mode = Mode::test;
    else if (a == "-p")
      o.mode = Mode::pipe;
    else if (a == "-j")
      o.junkPaths = true;
    else if (a == "-r")
      o.junkPaths = false;
    else if (a == "-q")
      o.quiet = true;
    else if (a == "-o")
      o.overwrite = zip::Always;
    else if (a == "-n")
      o.overwrite = zip::Never;
    else if (a == "-u")
      o.overwrite = zip::ifNewer;
    else if (a == "-f")
      o.overwrite = zip::ifNewer, o.freshen = true;
    else if (a == "-x")
      excluding = true;
    else if (a == "--threads" && i + 1 < args.size()) {
      const std::string& n = args[++i];
      o.threads =
          !n.empty() && n.size() <= 2 && n.find_first_not_of("0123456789") == std::string::npos ? std::stoi(n) : 0;
      if (o.threads < 1 || o.threads > kMaxThreads) {
        err << "zorvik-unzip: --threads takes a number from 1 to " << kMaxThreads << ", not " << Shown(n) << "\n";
        return Parsed::wrong;
      }
    } else if ((a == "-d" || a == "-P") && i + 1 < args.size())
      (a == "-d" ? o.dest : o.password) = args[++i];
    else {
      err << "zorvik-unzip: unknown or incomplete option " << a << "\n";
      return Parsed::wrong;
    }
  }
  if (o.archive.empty()) {
    err << "zorvik-unzip: no archive given (see --help)\n";
    return Parsed::wrong;
  }
  return Parsed::run;
}

bool Decodable(int method) {
  return method == zip::kMethodStored || (method >= zip::kMethodShrunk && method <= zip::kMethodImploded) ||
         method == zip::kMethodDeflated;
}

// Testing and writing to standard output reuse the whole extraction, CRC check included,
// with a file system in which the destination is a place of its own: nothing there exists
// until the run makes it, and an entry's data goes nowhere (test) or to standard output
// (pipe). Every other path, the archive's above all, is the real one.
class ElsewhereFiles final : public sys::FileSystem {
 public:
  ElsewhereFiles(sys::FileSystem& real, const std::string& root, std::ostream* out)
      : real_(real), root_(root), out_(out) {}

  uint32_t GetAttributes(const std::string& path) override {
    if (!Inside(path)) return real_.GetAttributes(path);
    return folders_.count(Key(path)) ? sys::kAttrDirectory : sys::kInvalidAttributes;
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    return Inside(path) || real_.SetAttributes(path, attributes);
  }
  bool CreateDirectory(const std::string& path) override {
    if (!Inside(path)) return real_.CreateDirectory(path);
    folders_.insert(Key(path));
    return true;
  }
  std::unique_ptr<sys::File> Open(const std::string& path, sys::Access access, sys::Share share,
                                  sys::Disposition disposition) override {
    if (!Inside(path)) return real_.Open(path, access, share, disposition);
    if (access == sys::Access::read) {
      lastError_ = sys::kErrorFileNotFound;
      return nullptr;
    }
    return std::make_unique<Output>(out_);
  }
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override {
    return Inside(to) || real_.Copy(from, to, failIfExists);
  }
  bool Delete(const std::string& path) override { return Inside(path) || real_.Delete(path); }
  bool Rename(const std::string& from, const std::string& to, bool replaceExisting) override {
    return Inside(to) || real_.Rename(from, to, replaceExisting);
  }
  uint32_t LastError() override { return lastError_ ? lastError_ : real_.LastError(); }
  std::string ErrorText(uint32_t code) override { return real_.ErrorText(code); }
  std::string FullPath(const std::string& path) override { return Inside(path) ? path : real_.FullPath(path); }

 private:
  class Output final : public sys::File {
   public:
    explicit Output(std::ostream* out) : out_(out) {}
    bool Read(void*, uint32_t, uint32_t& done) override { return done = 0, false; }
    // Each block goes on at once, so a full device or a closed pipe fails the entry being
    // written instead of passing unseen in the stream's buffer until the end.
    bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
      done = count;
      if (!out_) return true;
      out_->write(static_cast<const char*>(buffer), count).flush();
      if (!out_->good()) done = 0;
      return done == count;
    }
    bool Seek(int64_t, sys::SeekOrigin, int64_t& position) override { return position = 0, true; }
    bool Size(int64_t& size) override { return size = 0, true; }
    bool Flush() override { return !out_ || out_->flush().good(); }
    bool GetLastWriteTime(sys::LocalTime&) override { return false; }
    bool SetLastWriteTime(const sys::LocalTime&) override { return true; }

   private:
    std::ostream* out_;
  };

  bool Inside(const std::string& path) const {
    return path.compare(0, root_.size(), root_) == 0 &&
           (path.size() == root_.size() || path[root_.size()] == '\\' || path[root_.size()] == '/');
  }
  static std::string Key(const std::string& path) { return base::AnsiUpper(base::ExcludeTrailingBackslash(path)); }

  sys::FileSystem& real_;
  const std::string root_;
  std::ostream* out_;
  std::set<std::string> folders_;
  uint32_t lastError_ = 0;
};

void List(zip::TZipExtractor& z, std::ostream& out) {
  z.OpenZip();
  out << "  Length  Method     Size  CRC-32    Date       Time   Name\n";
  long long total = 0, packed = 0;
  for (int i = 0; i < z.Count(); ++i) {
    const zip::TZipEntryInfo& e = z.Entry(i);
    sys::LocalTime t{};
    zip::DosDateTimeToLocal(e.FileDateTime, t);
    // The fields are unsigned 32-bit values in the archive, whatever the record keeps them in.
    const uint32_t size = static_cast<uint32_t>(e.UncompressedSize), stored = static_cast<uint32_t>(e.CompressedSize);
    out << base::Format("%8u  %-7s %8u  %08x  %04d-%02d-%02d %02d:%02d  ", size, MethodName(e.CompressionMethod),
                        stored, e.CRC32, t.year, t.month, t.day, t.hour, t.minute)
        << Shown(e.Directory() + e.FileName()) << "\n";
    total += size;
    packed += stored;
  }
  out << base::Format("%8lld          %8lld                               %d files\n", total, packed, z.Count());
  z.CloseZip();
}

// What the handlers count, for the exit status.
struct Tally {
  int chosen = 0, skipped = 0, badPassword = 0, unsupported = 0, damaged = 0;
  Tally& operator+=(const Tally& t) {
    chosen += t.chosen, skipped += t.skipped, badPassword += t.badPassword;
    unsupported += t.unsupported, damaged += t.damaged;
    return *this;
  }
};

// Checked at each entry and each block written: the component removes the temporary of an
// entry that a handler's exception abandons.
void StopIfAsked() {
  if (InterruptRequested()) throw zip::EUserCanceled("interrupted");
}

// The settings of a run, and the handlers that choose, count and report entries: messages
// go to err (after clearing the progress bar when one is drawn), counts to tally().
// entry(i): the entry i of the directory the run extracts from.
void Prepare(zip::TZipExtractor& z, const Options& o, const std::string& nowhere, sys::FileSystem& fs,
             ConsoleUi& console, std::ostream& err, const bool& clearBar, std::function<Tally&()> tally,
             std::function<const zip::TZipEntryInfo&(int)> entry) {
  const bool elsewhere = o.mode == Mode::test || o.mode == Mode::pipe;
  z.SetDestDir(elsewhere ? nowhere : o.dest);
  z.SetRecreateDirs(!o.junkPaths);
  z.SetOverwriteMode(elsewhere ? zip::Always : o.overwrite);
  z.SetPassword(o.password);
  z.SetDoAll(o.patterns.empty());
  z.SetFilesList(o.patterns);
  z.SetDoProcessMessages(false);
  z.OnFilePercentDone = [](zip::TZipExtractor&, int) { StopIfAsked(); };
  z.OnStartUnZip = [&o, &fs, &console, tally, entry](zip::TZipExtractor&, int index, std::string& fName, bool& skip) {
    StopIfAsked();
    const std::string name = entry(index).Directory() + entry(index).FileName();
    console.entry = name;
    console.reported.clear();
    for (const std::string& x : o.exclusions)
      if (zip::IsMatch(x, name)) skip = true;
    // Freshening only replaces what is there.
    if (!skip && o.freshen && !sys::FileExists(fs, fName)) skip = true;
    if (!skip) ++tally().chosen;
  };
  z.OnSkippingFile = [&err, &clearBar, tally, entry](zip::TZipExtractor&, zip::TSkipReason reason,
                                                     const std::string& name, int index, bool&) {
    if (clearBar) err << "\r\033[K";
    // An entry encrypted by another scheme (AES, method 99) fails the traditional password
    // check whatever the password: its method, not the password, is what cannot be read.
    const int method = reason == zip::srBadPassword ? entry(index).CompressionMethod : zip::kMethodStored;
    if (!Decodable(method)) {
      tally().unsupported++;
      err << "skipped: " << Shown(name) << ": " << base::Format("unsupported compression method %d", method) << "\n";
      return;
    }
    (reason == zip::srBadPassword ? tally().badPassword : tally().skipped)++;
    err << "skipped: " << Shown(name) << ": " << Reason(reason) << "\n";
  };
  z.OnBadCRC = [&err, &clearBar, &console, tally, entry](zip::TZipExtractor&, int calc, int stored, int index) {
    const zip::TZipEntryInfo& e = entry(index);
    (Decodable(e.CompressionMethod) ? tally().damaged : tally().unsupported)++;
    // The unknown method was reported for this entry already; no CRC was computed to compare.
    if (!Decodable(e.CompressionMethod) && console.reported == e.Directory() + e.FileName()) return;
    if (clearBar) err << "\r\033[K";
    err << base::Format("failed: %s: CRC-32 %08x, expected %08x\n", Shown(e.Directory() + e.FileName()).c_str(),
                        static_cast<unsigned>(calc), static_cast<unsigned>(stored));
  };
}

// The status of an exception that ended a run, and its message on err.
int Ended(const std::exception_ptr& ended, std::ostream& err) {
  try {
    std::rethrow_exception(ended);
  } catch (const zip::EUserCanceled& e) {
    if (!InterruptRequested()) {
      err << "zorvik-unzip: " << e.what() << "\n";
      return 2;
    }
    err << "\nzorvik-unzip: interrupted\n";
    return 80;
  } catch (const zip::ECantWriteUCF& e) {
    err << "zorvik-unzip: " << e.what() << " (the disk is full, or cannot be written)\n";
    return 50;
  } catch (const std::bad_alloc&) {
    err << "zorvik-unzip: out of memory\n";
    return 3;
  } catch (const std::exception& e) {
    // The component raises for an archive it cannot read as one: damaged, or not an archive.
    err << "zorvik-unzip: " << e.what() << "\n";
    return 2;
  }
}

// Said of an archive whose comment the file cuts short: what the directory lists is read all
// the same, but the archive is not whole.
bool WarnIfCommentCut(bool cut, std::ostream& err) {
  if (cut) err << "zorvik-unzip: warning: the archive's comment runs past the end of the file\n";
  return cut;
}

// Each record of the directory that names another entry's data under a name of its own is
// damage: that name is never extracted, nor listed, as it has no entry. The count of them.
int ReportSharedHeaders(const std::vector<zip::ArchiveDirectory::SharedHeader>& shared, std::ostream& err,
                        const char* fate = "not extracted") {
  for (const auto& s : shared)
    err << "failed: " << Shown(s.name) << ": its directory record names the data of " << Shown(s.first) << "; " << fate
        << "\n";
  return static_cast<int>(shared.size());
}

// The status of a run that went to its end; warned: something was said of the archive itself.
int Conclude(const Options& o, const Tally& t, bool warned, std::ostream& out, std::ostream& err) {
  if (!o.patterns.empty() && t.chosen == 0) {
    err << "zorvik-unzip: no entry matched\n";
    return 11;
  }
  if (t.damaged) return 2;
  if (t.unsupported) return 81;
  if (t.badPassword && t.badPassword == t.chosen) return 82;
  if (t.badPassword || t.skipped || warned) return 1;
  if (o.mode == Mode::test) out << "No errors detected in " << Shown(o.archive) << "\n";
  return 0;
}

// The progress bar at percent, over what the line held.
void DrawBar(std::ostream& err, int percent) {
  err << "\r[" << std::string(percent / 5, '#') << std::string(20 - percent / 5, '.') << "] " << percent << "%"
      << std::flush;
}

int RunOneThread(const Options& o, std::ostream& out, std::ostream& err, bool progress, sys::FileSystem& fs,
                 sys::UserInterface& ui) {
  const bool elsewhere = o.mode == Mode::test || o.mode == Mode::pipe;
  // A folder that is never made: the run's destination when nothing is to be written.
  const std::string nowhere = fs.FullPath("~zorvik-unzip~");
  ElsewhereFiles virtualFiles(fs, nowhere, o.mode == Mode::pipe ? &out : nullptr);
  ConsoleUi console(ui, err);
  zip::TZipExtractor z(elsewhere ? static_cast<sys::FileSystem&>(virtualFiles) : fs, console);
  Tally tally;
  bool warned = false;
  try {
    z.SetZipName(o.archive);
    if (o.mode == Mode::list) {
      List(z, out);
      const bool cut = WarnIfCommentCut(z.ZipCommentCut(), err);
      if (ReportSharedHeaders(z.SharedHeaders(), err, "not listed")) return 2;
      return cut ? 1 : 0;
    }
    const bool bar = progress && !o.quiet && o.mode != Mode::pipe;
    Prepare(
        z, o, nowhere, fs, console, err, bar, [&tally]() -> Tally& { return tally; },
        [&z](int index) -> const zip::TZipEntryInfo& { return z.Entry(index); });
    int shown = -1;
    if (bar)
      z.OnTotalPercentDone = [&](zip::TZipExtractor&, int percent) {
        if (percent == shown) return;
        shown = percent;
        DrawBar(err, percent);
      };
    // What is said of the archive itself comes first, as from several threads.
    z.OpenZip();
    warned = WarnIfCommentCut(z.ZipCommentCut(), err);
    tally.damaged += ReportSharedHeaders(z.SharedHeaders(), err);
    z.UnZip();
    if (bar && shown >= 0) err << "\r\033[K" << std::flush;
  } catch (...) {
    return Ended(std::current_exception(), err);
  }
  if (o.mode == Mode::pipe && !out.flush().good())
    return Ended(std::make_exception_ptr(zip::ECantWriteUCF(zip::text::kCantWriteUCF)), err);
  return Conclude(o, tally, warned, out, err);
}

// ---- Several workers over one archive ----
//
// Each worker (zip/ParallelUnzip.h) reads the archive on its own, walking the whole view in
// order and taking the entries of the groups no other worker has taken yet. Messages are
// kept per entry and printed in entry order by the calling thread, which alone writes to
// err and draws the progress bar.

constexpr int kNowhere = zip::EntryClaims::kNowhere;

struct Slot {
  std::atomic<bool> done{false};  // a worker has finished it: text and tally are complete
  std::string text;
  Tally tally;
};

struct Shared {
  Shared(size_t count, std::vector<int> groups, std::vector<int64_t> sizes)
      : slots(std::make_unique<Slot[]>(count)), claims(std::move(groups)), size(std::move(sizes)) {}
  std::unique_ptr<Slot[]> slots;
  zip::EntryClaims claims;
  const std::vector<int64_t> size;
  std::atomic<int64_t> bytesDone{0};
  std::mutex endLock;
  std::condition_variable ended;
  int through = 0;  // workers at their end, under endLock
};

// What a worker's component is made over, made before it.
struct WorkerParts {
  WorkerParts(sys::FileSystem& fs, sys::UserInterface& ui, const std::string& nowhere)
      : files(fs, nowhere, nullptr), console(ui, text) {}
  std::ostringstream text;  // the messages of the entry at hand
  ElsewhereFiles files;
  ConsoleUi console;
};

// A worker with the messages of the entry at hand kept for the caller.
class Worker final : private WorkerParts {
 public:
  Worker(int number, const Options& o, sys::FileSystem& fs, sys::UserInterface& ui, const std::string& nowhere)
      : WorkerParts(fs, ui, nowhere),
        fs_(o.mode == Mode::test ? static_cast<sys::FileSystem&>(files) : fs),
        settings_(fs_, console),
        engine_(number, settings_, fs_, console, o.archive) {
    Prepare(
        settings_, o, nowhere, fs, console, text, noBar_, [this]() -> Tally& { return shared_->slots[current_].tally; },
        [this](int index) -> const zip::TZipEntryInfo& { return engine_.Directory().Entry(index); });
    settings_.OnFilePercentDone = [this](zip::TZipExtractor&, int percent) {
      StopIfAsked();
      partial.store(shared_->size[current_] * percent / 100, std::memory_order_relaxed);
    };
  }

  void Load() { engine_.Load(); }
  const zip::ArchiveDirectory& Directory() const { return engine_.Directory(); }
  void Join(Shared& shared) { shared_ = &shared; }
  // What the worker said before its first entry (reading the directory).
  std::string Prelude() {
    std::string said = text.str();
    text.str("");
    return said;
  }

  // Runs on the worker's thread; an exception that ends the run is kept for the caller.
  void Run() {
    try {
      engine_.Extract(
          shared_->claims,
          [this](int index) {
            Close();
            position.store(index);
          },
          [this](int index) { current_ = index; });
      Close();
    } catch (...) {
      failure = std::current_exception();
      failedAt = current_ >= 0 ? current_ : position.load();
      shared_->claims.StopAfter(failedAt);
      Close();
    }
    position.store(kNowhere);
    std::lock_guard<std::mutex> hold(shared_->endLock);
    ++shared_->through;
    shared_->ended.notify_all();
  }

  std::atomic<int> position{-1};    // the entry the worker is at; kNowhere once it is through
  std::atomic<int64_t> partial{0};  // bytes written of the entry at hand
  std::exception_ptr failure;
  int failedAt = kNowhere;

 private:
  // Hands the entry's messages over and counts its bytes as done.
  void Close() {
    if (current_ < 0) {
      // Outside an entry only the directory speaks, and the first worker told that already.
      text.str("");
      return;
    }
    Slot& slot = shared_->slots[current_];
    slot.text = text.str();
    text.str("");
    shared_->bytesDone.fetch_add(shared_->size[current_]);
    partial.store(0);
    current_ = -1;
    slot.done.store(true);
  }

  sys::FileSystem& fs_;
  zip::TZipExtractor settings_;  // holds the settings and handlers; reads nothing itself
  zip::ParallelWorker engine_;
  Shared* shared_ = nullptr;
  const bool noBar_ = false;
  int current_ = -1;
};

int RunThreads(const Options& o, std::ostream& out, std::ostream& err, bool progress, sys::FileSystem& fs,
               sys::UserInterface& ui, int threads) {
  const std::string nowhere = fs.FullPath("~zorvik-unzip~");
  std::vector<std::unique_ptr<Worker>> workers;
  // The first worker reads the directory here; settings or an archive that fail end the run
  // as they end one thread's, by that way.
  try {
    workers.push_back(std::make_unique<Worker>(0, o, fs, ui, nowhere));
    workers[0]->Load();
  } catch (...) {
    workers.clear();
    return RunOneThread(o, out, err, progress, fs, ui);
  }
  const zip::ArchiveDirectory& first = workers[0]->Directory();
  const int count = first.Count();
  std::vector<int64_t> sizes(count);
  int64_t total = 0;
  for (int i = 0; i < count; ++i) {
    const zip::TZipEntryInfo& e = first.Entry(i);
    sizes[i] = e.UncompressedSize;
    bool chosen = o.patterns.empty();
    for (size_t k = 0; !chosen && k < o.patterns.size(); ++k)
      chosen = zip::IsMatch(o.patterns[k], e.Directory() + e.FileName());
    if (chosen) total += sizes[i];
  }
  Shared shared(count, zip::GroupEntries(first, o.junkPaths), std::move(sizes));
  err << workers[0]->Prelude();
  const bool warned = WarnIfCommentCut(first.CommentCut(), err);
  const int sharedHeaders = ReportSharedHeaders(first.SharedHeaders(), err);
  try {
    for (int w = 1; w < threads; ++w) workers.push_back(std::make_unique<Worker>(w, o, fs, ui, nowhere));
  } catch (...) {
    return Ended(std::current_exception(), err);
  }
  std::vector<std::thread> running;
  for (auto& worker : workers) {
    worker->Join(shared);
    running.emplace_back([&worker] { worker->Run(); });
  }

  const bool bar = progress && !o.quiet;
  int shown = -1;
  Tally tally;
  int next = 0;
  // Prints, in entry order, the messages of every entry whose fate is known, up to the
  // entry a worker failed at.
  auto print = [&] {
    while (next < count && next <= shared.claims.StopsAfter()) {
      Slot& slot = shared.slots[next];
      if (!slot.done.load()) {
        bool passed = true;
        for (const auto& worker : workers) passed = passed && worker->position.load() > next;
        // Every worker went past it: taken means done by now, untaken means left out.
        if (!passed || shared.claims.Taken(next)) {
          if (passed) continue;
          return;
        }
        ++next;
        continue;
      }
      if (!slot.text.empty() && shown >= 0) {
        err << "\r\033[K";
        shown = -1;
      }
      err << slot.text;
      tally += slot.tally;
      ++next;
    }
  };
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(shared.endLock);
      shared.ended.wait_for(hold, std::chrono::milliseconds(50), [&] { return shared.through == threads; });
      if (shared.through == threads) break;
    }
    print();
    if (bar) {
      int64_t done = shared.bytesDone.load();
      for (const auto& worker : workers) done += worker->partial.load(std::memory_order_relaxed);
      int percent = zip::PercentOf(done, total);
      if (percent != shown) DrawBar(err, shown = percent);
    }
  }
  for (std::thread& t : running) t.join();
  print();
  if (bar && shown >= 0) err << "\r\033[K" << std::flush;
  const Worker* failed = nullptr;
  for (const auto& worker : workers)
    if (worker->failure && (!failed || worker->failedAt < failed->failedAt)) failed = worker.get();
  if (failed) return Ended(failed->failure, err);
  tally.damaged += sharedHeaders;
  return Conclude(o, tally, warned, out, err);
}

}  // namespace

std::atomic<int>& InterruptRequested() {
  static std::atomic<int> requested{0};
  static_assert(std::atomic<int>::is_always_lock_free);
  return requested;
}

int RunUnzipCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress,
                    sys::FileSystem& fs, sys::UserInterface& ui, int defaultThreads) {
  Options o;
  switch (Parse(args, o, err)) {
    case Parsed::help: out << kUsage; return 0;
    case Parsed::version: out << kVersion; return 0;
    case Parsed::wrong: return 10;
    case Parsed::run: break;
  }
  // As unzip: "name" may stand for "name.zip".
  if (fs.GetAttributes(o.archive) == sys::kInvalidAttributes) {
    if (fs.GetAttributes(o.archive + ".zip") == sys::kInvalidAttributes) {
      err << "zorvik-unzip: cannot find " << Shown(o.archive) << " or " << Shown(o.archive) << ".zip\n";
      return 9;
    }
    o.archive += ".zip";
  }
  const int threads = o.threads ? o.threads : std::clamp(defaultThreads, 1, kMaxThreads);
  // Standard output takes the entries' data in entry order: one thread writes it.
  if (threads == 1 || o.mode == Mode::list || o.mode == Mode::pipe) return RunOneThread(o, out, err, progress, fs, ui);
  return RunThreads(o, out, err, progress, fs, ui, threads);
}

}  // namespace cli
