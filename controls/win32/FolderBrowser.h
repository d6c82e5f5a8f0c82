// The shell's folder browser as the directory field's other dialog kind: pre-selection,
// centring, OK only for an existing folder, an optional help button.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>

namespace controls::win32 {

enum TBrowseKind { bfFolders, bfComputers };
enum TDialogPosition { dpDefault, dpScreenCenter };

class TBrowseFolderDlg {
 public:
  TBrowseKind BrowseKind = bfFolders;
  bool DesktopRoot = true;
  std::string DialogText;
  std::string FolderName;
  int HelpContext = 0;
  TDialogPosition Position = dpScreenCenter;
  std::function<void(TBrowseFolderDlg&sender)> OnInitialized, OnSelChanged;

  // Runs the browser owned by `owner`; on OK FolderName holds the choice.
  bool Execute(HWND owner);

 private:
  static int CALLBACK Callback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data);
  void Initialized(HWND hwnd);
  void SelChanged(HWND hwnd, LPCITEMIDLIST item);
  void AddHelpButton(HWND hwnd);

  std::string selected_;
};

// Shows the browser on `path`; on OK puts the chosen folder there and returns true. On a
// system without the newer shell look it is the select-directory dialog without options.
bool RunBrowseFolderDialog(std::string& path, const std::string& dialogText, int helpContext);

}  // namespace controls::win32
