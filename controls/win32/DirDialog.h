// The select-directory dialog's windows: the folder, drive and file lists and the path
// caption show what controls::SelectDirModel computes, and TSelectDirDlg lays them out
// and runs them modally. RunSelectDirDialog is the dialog as one call.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/DirDialogRules.h"
#include "sys/win32/Handle.h"
#include "ui/Control.h"
#include "ui/Form.h"
#include "ui/WindowBase.h"

namespace controls::win32 {

// A bitmap resource of the program, loaded once per owner.
class ResourceBitmap {
 public:
  explicit ResourceBitmap(const char* name);
  HBITMAP Get() const { return static_cast<HBITMAP>(bitmap_.Get()); }
  SIZE Size() const { return size_; }

 private:
  sys::win32::GdiObject bitmap_;
  SIZE size_{};
};

class TDirectoryListBox final : public ui::Control {
 public:
  explicit TDirectoryListBox(DirectoryList& model);
  void Create(HWND parent, int id, const RECT& bounds, HFONT font, int itemHeight);
  // Shows the model's rows and selects the current folder's.
  void Refresh();
  // Enter opens the selected row when it is not the current folder's; otherwise it stays
  // the dialog's key.
  bool OpenSelectedOnEnter();
  int CurrentRowShown() const { return model_.CurrentRow(); }

  void OnNotify(int code) override;
  void OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  DirectoryList& model_;
  ResourceBitmap open_{"OPENFOLDER"}, closed_{"CLOSEDFOLDER"}, current_{"CURRENTFOLDER"};
};

class TDriveComboBox final : public ui::Control {
 public:
  explicit TDriveComboBox(DriveList& model);
  void Create(HWND parent, int id, const RECT& bounds, HFONT font, int itemHeight);
  void Refresh();
  // Selects the model's row without telling anyone.
  void ShowSelection();

  void OnNotify(int code) override;
  void OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  DriveList& model_;
  ResourceBitmap floppy_{"FLOPPY"}, hard_{"HARD"}, network_{"NETWORK"}, cdrom_{"CDROM"}, ram_{"RAM"};
};

class TFileListBox final : public ui::Control {
 public:
  explicit TFileListBox(FileList& model);
  void Create(HWND parent, int id, const RECT& bounds, HFONT font, int itemHeight);
  void Refresh();
  // The rows' text colour, a system colour index.
  void SetTextColor(int sysColor) { textColor_ = sysColor; }

  void OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  FileList& model_;
  int textColor_ = COLOR_GRAYTEXT;
  ResourceBitmap executable_{"EXECUTABLE"}, closedFolder_{"CLOSEDFOLDER"}, unknown_{"UNKNOWNFILE"};
};

// A caption that shortens a path to its width, leading folders first.
class TPathLabel final : public ui::WindowBase {
 public:
  void Create(HWND parent, const RECT& bounds, HFONT font);
  void SetCaption(const std::string& caption);
  const std::string& Caption() const { return caption_; }
  void SetBounds(const RECT& bounds);
  void SetVisible(bool visible);

 private:
  void OnPaint(HDC dc, const RECT& dirty) override;
  std::string caption_;
  HFONT font_ = nullptr;
};

// A plain single-line edit raising OnChange.
class TEditBox final : public ui::Control {
 public:
  std::function<void()> OnChange;
  void OnNotify(int code) override;
};

// A plain push button raising OnClick.
class TPushButton final : public ui::Control {
 public:
  void Create(HWND parent, int id, const char* caption, DWORD style, const RECT& bounds, HFONT font);
  std::function<void()> OnClick;
  void OnNotify(int code) override;
};

class TSelectDirDlg final : public ui::Form {
 public:
  // Builds the dialog, hidden, owned by `owner`; FormCreate has run when this returns.
  TSelectDirDlg(HWND owner, int helpContext);
  ~TSelectDirDlg() override;

  SelectDirModel& Model() { return model_; }
  void SetAllowCreate(bool on);
  // Shows the dialog until it closes; true for OK.
  bool ShowModal();

 private:
  void CreateControls();
  void FormCreate();
  void OKClick();
  void NetClick();
  void HelpButtonClick();
  void ShowFolderChange();
  bool OnClose() override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  bool DialogChar(char key);
  RECT Place(const Bounds& b) const;

  HWND owner_;
  int helpContext_;
  int dpi_;
  SelectDirLayout layout_;
  SelectDirModel model_;
  sys::win32::GdiObject font_;
  TDirectoryListBox DirList{model_.dirList};
  TEditBox DirEdit;
  TDriveComboBox DriveList{model_.driveList};
  TPushButton NetButton, OKButton, CancelButton, HelpButton;
  TFileListBox FileList{model_.fileList};
  TPathLabel DirLabel;
  using ConnectDialog = DWORD(WINAPI*)(HWND, DWORD);
  ConnectDialog connectDialog_ = nullptr;
  // The captions' accelerators, each with the control it focuses.
  struct Accelerator {
    const char* caption;
    HWND control;
  };
  std::vector<Accelerator> accelerators_;
  bool ended_ = false;
  bool accepted_ = false;
};

// Shows the dialog on `path`; on OK puts the chosen folder there (made with its parents
// under sdPerformCreate) and returns true. Cancel leaves `path` as it was. The dialog
// belongs to `owner`, or else to the thread's active window.
bool RunSelectDirDialog(std::string& path, TSelectDirOpts options, int helpContext, HWND owner = nullptr);

}  // namespace controls::win32
