// The switches a deployment tool passes for an install without a person: how much is shown,
// where to install, where to log. A start without arguments keeps the window as it is.
#pragma once

#include <string>

#include "sys/Files.h"

namespace install {

enum class Display {
  window,      // the window waits for the install button
  silent,      // the window shows and installs at once, then closes itself
  verySilent,  // no window at all
};

struct CommandLine {
  Display display = Display::window;
  bool suppressMsgBoxes = false;
  bool help = false;
  bool dirGiven = false;
  // As the directory field would hold it: quotes taken off, blanks kept for the field's rule.
  std::string dir;
  bool log = false;
  // Empty for a file of its own in the user's temporary folder.
  std::string logFile;
  // The first argument not understood, as given; empty when every one was.
  std::string wrong;
};

// Parses the arguments after the program's name. Switches begin with "/", compare without
// regard to ASCII case and come in any order; a value follows "=" and may be quoted in
// part or whole. Later switches override earlier ones; /VERYSILENT outranks /SILENT.
CommandLine ParseCommandLine(const std::string& arguments);

// The help box's text, naming the program as it was started.
std::string UsageText(const std::string& program);
// The message for an argument that is not understood, followed by the help.
std::string WrongArgumentText(const std::string& argument, const std::string& program);

// The default log's name: the program's name without its extension, and the moment.
std::string DefaultLogName(const std::string& programPath, const sys::LocalTime& now);

}  // namespace install
