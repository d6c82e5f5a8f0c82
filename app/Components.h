// The main window's non-visual components with their stored settings: the window owns a
// pair, and an install without any window makes its own, set alike.
#pragma once

#include "shell/Shortcut.h"
#include "zip/ZipExtractor.h"

namespace app {

inline void ApplyStoredSettings(shell::TShortcut& shortcut1, zip::TZipExtractor& zipExtractor1) {
  shortcut1.SetNameSubDirInStartMenu("Zorvik软件");
  zipExtractor1.SetOverwriteMode(zip::Always);
  zipExtractor1.SetDoAll(true);
}

}  // namespace app
