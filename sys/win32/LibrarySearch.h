// Where the process looks for libraries named without a path. Called first thing in the
// program, before anything can load one: a setup program usually runs from a downloads
// folder, where anyone may have left a library of a system library's name.
#pragma once

namespace sys::win32 {

// Libraries named without a path come from the system folder only. On a system without
// that setting (before the loader update of 2011) the current directory at least leaves
// the search. False when neither could be set.
bool SearchSystemFolderOnly();

}  // namespace sys::win32
