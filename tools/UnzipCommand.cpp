// zorvik-unzip: lists or extracts an archive with the installer's own zip component, so the
// component can be used and measured outside the installer.
#include "tools/UnzipCommand.h"

#include <cstdio>

#include "base/Ansi.h"
#include "zip/ZipExtractor.h"

namespace tools {

namespace {

constexpr char kUsage[] =
    "usage: zorvik-unzip [-l] [-d DIR] [-r] [-o|-n|-u] [-P PASSWORD] [-q] ARCHIVE [PATTERN...]\n"
    "\n"
    "Extracts ARCHIVE (or, with -l, lists it) using the installer's zip component.\n"
    "  -l           list the entries (size, method, compressed size, CRC-32, date, name);\n"
    "               nothing is extracted\n"
    "  -d DIR       extract into DIR (default: the current directory)\n"
    "  -r           recreate the stored directories under DIR (default: all files in DIR)\n"
    "  -o           overwrite existing files\n"
    "  -n           never overwrite existing files (the default)\n"
    "  -u           overwrite only when the entry is newer than the existing file\n"
    "  -P PASSWORD  password for encrypted entries\n"
    "  -q           no progress bar (it is drawn on standard error only when that is a terminal)\n"
    "  PATTERN      extract only entries whose stored path matches (case ignored; ? one character,\n"
    "               * any run, <a-c> one of a set, <!a-c> one not in it); none: every entry\n"
    "\n"
    "No entry is written outside DIR, through a link found in DIR, or under a path too long\n"
    "for the system. An entry is written to a temporary file (~zvXXXXXXXX.tmp) first and takes\n"
    "its name only after its CRC-32 matched; ones a killed run left are removed.\n"
    "Nothing waits for an answer: messages go to standard error.\n"
    "Each skipped or failed entry is printed with its reason.\n"
    "Exit status: 0 every chosen entry was extracted, 1 some were skipped or failed their CRC,\n"
    "2 the archive could not be read (the reason is printed on standard error).\n";

const char* MethodName(int method) {
  static const char* const kNames[] = {"Stored", "Shrunk", "Reduce1", "Reduce2", "Reduce3",
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
  std::string entry;  // the entry being extracted, for the report

  void ProcessMessages() override {}
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
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

struct Options {
  bool list = false, recreate = false, quiet = false;
  std::string dest = ".", password, archive;
  zip::TUZOverwriteMode overwrite = zip::Never;
  std::vector<std::string> patterns;
};

// False (with a message) for a command line that makes no sense.
bool Parse(const std::vector<std::string>& args, Options& o, std::ostream& err, bool& help) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      help = true;
      return true;
    }
    if (!o.archive.empty() || a.size() < 2 || a[0] != '-') {
      if (o.archive.empty()) o.archive = a;
      else o.patterns.push_back(a);
      continue;
    }
    if (a == "-l") o.list = true;
    else if (a == "-r") o.recreate = true;
    else if (a == "-q") o.quiet = true;
    else if (a == "-o") o.overwrite = zip::Always;
    else if (a == "-n") o.overwrite = zip::Never;
    else if (a == "-u") o.overwrite = zip::ifNewer;
    else if ((a == "-d" || a == "-P") && i + 1 < args.size()) (a == "-d" ? o.dest : o.password) = args[++i];
    else {
      err << "zorvik-unzip: unknown or incomplete option " << a << "\n";
      return false;
    }
  }
  if (o.archive.empty()) {
    err << "zorvik-unzip: no archive given (see --help)\n";
    return false;
  }
  return true;
}

void List(zip::TZipExtractor& z, std::ostream& out) {
  z.OpenZip();
  out << "  Length  Method     Size  CRC-32    Date       Time   Name\n";
  long long total = 0, packed = 0;
  for (int i = 0; i < z.Count(); ++i) {
    const zip::TZipEntryInfo& e = z.Entry(i);
    sys::LocalTime t{};
    zip::DosDateTimeToLocal(e.FileDateTime, t);
    out << base::Format("%8d  %-7s %8d  %08x  %04d-%02d-%02d %02d:%02d  ", e.UncompressedSize,
                        MethodName(e.CompressionMethod), e.CompressedSize, e.CRC32, t.year, t.month, t.day, t.hour,
                        t.minute)
        << Shown(e.Directory() + e.FileName()) << "\n";
    total += e.UncompressedSize;
    packed += e.CompressedSize;
  }
  out << base::Format("%8lld          %8lld                               %d files\n", total, packed, z.Count());
  z.CloseZip();
}

}  // namespace

int RunUnzipCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress,
                    sys::FileSystem& fs, sys::UserInterface& ui) {
  Options o;
  bool help = false;
  if (!Parse(args, o, err, help)) return 2;
  if (help) {
    out << kUsage;
    return 0;
  }
  ConsoleUi console(ui, err);
  zip::TZipExtractor z(fs, console);
  int failures = 0;
  try {
    z.SetZipName(o.archive);
    if (o.list) {
      List(z, out);
      return 0;
    }
    z.SetDestDir(o.dest);
    z.SetRecreateDirs(o.recreate);
    z.SetOverwriteMode(o.overwrite);
    z.SetPassword(o.password);
    z.SetDoAll(o.patterns.empty());
    z.SetFilesList(o.patterns);
    z.SetDoProcessMessages(false);
    bool bar = progress && !o.quiet;
    int shown = -1;
    z.OnStartUnZip = [&](zip::TZipExtractor& s, int index, std::string&, bool&) {
      console.entry = s.Entry(index).Directory() + s.Entry(index).FileName();
    };
    z.OnSkippingFile = [&](zip::TZipExtractor&, zip::TSkipReason reason, const std::string& name, int, bool&) {
      ++failures;
      if (bar) err << "\r\033[K";
      err << "skipped: " << Shown(name) << ": " << Reason(reason) << "\n";
    };
    z.OnBadCRC = [&](zip::TZipExtractor& s, int calc, int stored, int index) {
      ++failures;
      if (bar) err << "\r\033[K";
      err << base::Format("failed: %s: CRC-32 %08x, expected %08x\n",
                          Shown(s.Entry(index).Directory() + s.Entry(index).FileName()).c_str(),
                          static_cast<unsigned>(calc), static_cast<unsigned>(stored));
    };
    if (bar)
      z.OnTotalPercentDone = [&](zip::TZipExtractor&, int percent) {
        if (percent == shown) return;
        shown = percent;
        err << "\r[" << std::string(percent / 5, '#') << std::string(20 - percent / 5, '.') << "] " << percent
            << "%" << std::flush;
      };
    z.UnZip();
    if (bar && shown >= 0) err << "\r\033[K" << std::flush;
  } catch (const std::exception& e) {
    err << "zorvik-unzip: " << e.what() << "\n";
    return 2;
  }
  return failures ? 1 : 0;
}

}  // namespace tools
