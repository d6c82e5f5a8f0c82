// The log of an install run without a person: one line per status text, step result and
// error, for the deployment tool and whoever reads after it. UTF-8 with a byte-order mark,
// since it is read on machines whose code page is not ours; each line reaches the disk
// before the next step begins, so a killed run still tells how far it came.
#pragma once

#include <memory>
#include <string>

#include "sys/Clock.h"
#include "sys/Files.h"

namespace install {

class InstallLog {
 public:
  // Creates the file anew; null when it cannot be, with the system's reason in `reason`.
  // Others may read it while it is written, none may write it: a second run naming the
  // same log cannot spoil the first one's.
  static std::unique_ptr<InstallLog> Create(sys::FileSystem& files, sys::Clock& clock, const std::string& path,
                                            std::string& reason);
  // A new file of the default name in the folder `dir`; a name already taken, by a run in
  // the same second, gets a number.
  static std::unique_ptr<InstallLog> CreateDefault(sys::FileSystem& files, sys::Clock& clock, const std::string& dir,
                                                   const std::string& programPath, std::string& reason);

  const std::string& Path() const { return path_; }
  // One line per line of `text` (ANSI), each after the moment it was written. A failing
  // write is not examined: the log never stops an install.
  void Line(const std::string& text);

 private:
  InstallLog(std::unique_ptr<sys::File> file, sys::Clock& clock, std::string path);
  void Write(const std::string& bytes);

  std::unique_ptr<sys::File> file_;
  sys::Clock& clock_;
  std::string path_;
};

}  // namespace install
