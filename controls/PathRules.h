// Path rules of the folder picker that need no window: the drive of a path, splitting a
// path into drive, folder and file the way the lists take one, shortening a path to a
// width for a caption. GBK-aware throughout: a trail byte 0x5C is never taken for "\".
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "sys/Files.h"
#include "sys/Folders.h"

namespace controls {

// "c:" for a path with a drive letter, "\\server\share" for a network path, else empty.
std::string ExtractFileDrive(std::string_view path);

// The folder joined with a name, with exactly one "\" between.
std::string JoinPath(std::string_view folder, std::string_view name);

// The number of "\" characters of a path (trail bytes not counted).
int CountBackslashes(std::string_view path);

// Folder names compared as the volume does: exactly when it is case-sensitive, else with
// the ASCII letters folded.
bool SameFolderName(std::string_view a, std::string_view b, bool caseSensitive);

struct PathParts {
  char drive = 0;         // the drive letter as given; 0 for a network path
  std::string directory;  // the folder, without drive; with the network root in front for a network path
  std::string fileName;   // the file or wildcard mask; empty when the path named a folder
};

// Splits a path given to a folder or file list. Relative parts are taken against the
// current folder (of the path's drive); a last part that names no existing file is taken
// as a folder. The process's current folder moves while this works and is set back at the
// end. Raises base::EInOutError when a folder on the way cannot be made current.
PathParts SplitPath(sys::FileSystem& fs, sys::Folders& folders, const std::string& path);

// Makes a folder current; raises base::EInOutError when it cannot.
void ChangeDirectoryOrRaise(sys::Folders& folders, const std::string& path);

// Measures the pixel width of a text in the caption's font.
using TextWidth = std::function<int(const std::string& text)>;

// The path shortened to fit a width: leading folders give way to "...\" one by one, then
// the drive, until it fits or only the name is left.
std::string MinimizePath(const std::string& path, int maxWidth, const TextWidth& width);

}  // namespace controls
