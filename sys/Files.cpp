// The file-system helpers built on the boundary's calls alone, shared by every caller so
// that the install and the extraction agree on what a root is.
#include "sys/Files.h"

#include <vector>

#include "base/Ansi.h"

namespace sys {

namespace {

// Length of the root at the start of d, the part no CreateDirectory can make: "c:" or
// "\\server\share" (0 when there is none, a path below the current folder or drive).
size_t RootLength(const std::string& d, const std::vector<size_t>& ends) {
  if (d.size() >= 2 && d[1] == ':') return 2;
  if (d.size() >= 2 && d[0] == '\\' && d[1] == '\\') return ends.size() >= 2 ? ends[1] : d.size();
  return 0;
}

}  // namespace

bool ForceDirectories(FileSystem& fs, const std::string& path) {
  const std::string d = base::ExcludeTrailingBackslash(path);
  if (d.empty()) return false;
  // Where each ancestor ends, found in one pass: cutting the path again and again, or keeping
  // every ancestor's text, costs the square of a deep path's length.
  // A separator ends an ancestor unless it opens the path or follows another one.
  std::vector<size_t> ends;
  size_t after = 0;  // where the text after the last separator starts
  for (size_t i = base::NextBackslash(d); i != std::string::npos; i = base::NextBackslash(d, i + 1)) {
    if (i > after) ends.push_back(i);
    after = i + 1;
  }
  ends.push_back(d.size());
  const size_t root = RootLength(d, ends);
  if (root >= d.size()) return DirectoryExists(fs, d + "\\");
  // Up to the first existing ancestor, then the missing ones top-down.
  size_t k = ends.size();
  for (; k > 0 && ends[k - 1] > root; --k)
    if (DirectoryExists(fs, d.substr(0, ends[k - 1]))) break;
  for (; k < ends.size(); ++k) {
    std::string p = d.substr(0, ends[k]);
    if (!fs.CreateDirectory(p) && !DirectoryExists(fs, p)) return false;
  }
  return true;
}

}  // namespace sys
