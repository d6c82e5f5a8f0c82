// The select-directory dialog without its windows: the folder, drive and file lists as
// rows with image kinds and indents, the dialog's handlers and its OK and result
// decisions, and the layout of its controls. The window classes (TDirectoryListBox,
// TDriveComboBox, TFileListBox, TPathLabel, TSelectDirDlg) show these rows and forward
// their events here; the drives and folders come from sys::Folders.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/PathRules.h"
#include "sys/Files.h"
#include "sys/Folders.h"
#include "sys/UserInterface.h"

namespace controls {

enum TSelectDirOpt : unsigned { sdAllowCreate = 1, sdPerformCreate = 2, sdPrompt = 4 };
using TSelectDirOpts = unsigned;  // a set of TSelectDirOpt

// The images of the rows, by the names of their bitmap resources.
enum class FolderImage { open, closed, current };                  // OPENFOLDER, CLOSEDFOLDER, CURRENTFOLDER
enum class DriveImage { floppy, hard, network, cdrom, ram };       // FLOPPY, HARD, NETWORK, CDROM, RAM
enum class FileImage { none, executable, closedFolder, unknown };  // EXECUTABLE, CLOSEDFOLDER, UNKNOWNFILE

// Sets the screen cursor and returns the one it replaces (sys::UserInterface::SetCursor).
using CursorSetter = std::function<sys::Cursor(sys::Cursor)>;

struct FolderRow {
  std::string text;
  FolderImage image;
};

// The folder list: the path of the current folder one component a row, then its
// sub-folders. Moving it moves the process's current folder, which stays where the user
// left it.
class DirectoryList {
 public:
  DirectoryList(sys::FileSystem& fs, sys::Folders& folders);

  const std::string& Directory() const { return directory_; }
  char Drive() const { return directory_.empty() ? 0 : directory_[0]; }
  // Goes to a folder, relative ones against the current one; nothing when it is empty or
  // the same. Raises base::EInOutError when the folder cannot be made current.
  void SetDirectory(const std::string& value);
  // Goes to a drive's current folder; nothing when the letter is the current one.
  void SetDrive(char letter);

  void BuildRows();
  const std::vector<FolderRow>& Rows() const { return rows_; }
  int CurrentRow() const { return currentRow_; }  // the row to select
  bool PreservesCase() const { return preserveCase_; }
  bool CaseSensitive() const { return caseSensitive_; }

  // Left edge of a row's image; its text follows at ImageIndent + image width + 4.
  int ImageIndent(int row) const;
  static int TextLeft(int imageIndent, int imageWidth) { return imageIndent + (imageWidth > 0 ? imageWidth : 16) + 4; }
  // A row's text as drawn: lower case on a volume that keeps no case.
  std::string DisplayText(int row) const;
  // The folder a double click or Enter on a row goes to.
  std::string RowPath(int row) const;
  void OpenRow(int row) { SetDirectory(RowPath(row)); }

  static int ItemHeight(int fontHeight, int openImageHeight) { return std::max(fontHeight, openImageHeight + 1); }

  // Switches the drive for SetDirectory through a linked drive list; unset, the list
  // switches it itself.
  std::function<void(char)> driveLink;
  std::function<void()> OnChange;

 private:
  void Change();

  sys::FileSystem& fs_;
  sys::Folders& folders_;
  std::string directory_;
  std::vector<FolderRow> rows_;
  int pathRows_ = 0;
  int currentRow_ = -1;
  bool preserveCase_ = false;
  bool caseSensitive_ = false;
  bool inSetDir_ = false;
};

enum TTextCase { tcLowerCase, tcUpperCase };

struct DriveRow {
  std::string text;
  DriveImage image;
};

// The drive list: one row per drive the system reports, with its label or network name.
class DriveList {
 public:
  explicit DriveList(sys::Folders& folders);

  void Build();
  const std::vector<DriveRow>& Rows() const { return rows_; }
  int ItemIndex() const { return itemIndex_; }
  char Drive() const { return drive_; }
  // Selects the drive's row and signals a change; 0 clears the selection.
  void SetDrive(char letter);
  // The user chose a row.
  void ChooseRow(int row);
  TTextCase TextCase() const { return textCase_; }
  void SetTextCase(TTextCase c) { textCase_ = c; }

  static int ImageLeft() { return 2; }
  static int TextLeft(int imageWidth) { return (imageWidth > 0 ? imageWidth : 16) + 6; }
  static int ItemHeight(int fontHeight, int floppyImageHeight) { return std::max(fontHeight, floppyImageHeight); }

  std::function<void()> OnChange;

 private:
  std::string Label(const std::string& root);

  sys::Folders& folders_;
  std::vector<DriveRow> rows_;
  int itemIndex_ = -1;
  char drive_ = 0;
  TTextCase textCase_ = tcLowerCase;
};

// FileType members, by the attribute bits they stand for (ftNormal has none of its own).
enum TFileAttr : unsigned {
  ftReadOnly = 0x01,
  ftHidden = 0x02,
  ftSystem = 0x04,
  ftVolumeID = 0x08,
  ftDirectory = 0x10,
  ftArchive = 0x20,
  ftNormal = 0x80,
};
using TFileType = unsigned;  // a set of TFileAttr

struct FileRow {
  std::string text;
  FileImage image;  // drawn only when ShowGlyphs is on
};

// The file list: the entries of the current folder that match a mask, sorted.
class FileList {
 public:
  FileList(sys::FileSystem& fs, sys::Folders& folders);

  const std::string& Directory() const { return directory_; }
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& mask) { mask_ = mask; }
  TFileType FileType() const { return fileType_; }
  void SetFileType(TFileType t) { fileType_ = t; }
  bool ShowGlyphs() const { return showGlyphs_; }
  void SetShowGlyphs(bool on) { showGlyphs_ = on; }

  // Reads the entries of the current folder (the list's window must exist). Past the
  // 101st entry the cursor shows the hourglass until the end.
  void ReadFileNames(const CursorSetter& setCursor);
  // Shows a folder's files: a path ending in a wildcard name sets the mask, one ending in
  // a file name selects that file. Raises base::Exception "无效的文件名 - %s" when that file
  // is not listed, base::EInOutError when the folder cannot be made current.
  void ApplyFilePath(const std::string& path, const CursorSetter& setCursor);

  const std::vector<FileRow>& Rows() const { return rows_; }
  int ItemIndex() const { return itemIndex_; }
  static int TextLeft(bool showGlyphs, int imageWidth) { return showGlyphs ? imageWidth + 6 : 2; }

  // Entries added before the hourglass shows.
  static constexpr int kQuickEntries = 100;

  std::function<void()> OnChange;

 private:
  sys::FileSystem& fs_;
  sys::Folders& folders_;
  std::string directory_;
  std::string mask_ = "*.*";
  TFileType fileType_ = ftNormal;
  bool showGlyphs_ = false;
  std::vector<FileRow> rows_;
  int itemIndex_ = -1;
};

// The error shown when a drive chosen in the drive list cannot be entered: the drive named
// in upper case, "没有准备好" for a drive without a disk, else the system's reason.
std::string DriveErrorText(char letter, uint32_t code, const std::string& systemText);

// The dialog's question before it makes a folder that is not there.
inline constexpr const char* kCreateFolderQuestion = "指定的目录不存在. 创建吗?";

// The select-directory dialog's state and handlers, wired as the dialog wires its lists.
class SelectDirModel {
 public:
  SelectDirModel(sys::FileSystem& fs, sys::Folders& folders, CursorSetter setCursor);
  SelectDirModel(const SelectDirModel&) = delete;
  SelectDirModel& operator=(const SelectDirModel&) = delete;

  DirectoryList dirList;
  DriveList driveList;
  FileList fileList;

  // The end of the dialog's creation: no folder edit, the lists shown once.
  void FormCreate();
  // Opens the lists on the path given to the dialog; an empty path keeps the current
  // folder; a folder that cannot be entered falls back to the current folder.
  void SetStartFolder(const std::string& path);

  void DirListChange();
  // Raises base::EInOutError with DriveErrorText when the chosen drive cannot be entered;
  // the drive list then shows the folder list's drive again.
  void DriveListChange();

  bool AllowCreate() const { return allowCreate_; }
  // Shows the folder edit instead of the path caption when on.
  void SetAllowCreate(bool on) { allowCreate_ = on; }
  bool Prompt() const { return prompt_; }
  void SetPrompt(bool on) { prompt_ = on; }

  // DirLabel's caption: the current folder's full path.
  const std::string& DirLabelCaption() const { return dirLabelCaption_; }
  // DirEdit's text; the window keeps it in step with what the user types.
  std::string dirEditText;
  std::string FolderText() const { return allowCreate_ ? dirEditText : dirLabelCaption_; }

  // OKClick: whether the dialog may close. `askYesNo` shows the question and returns
  // sys::kIdYes or sys::kIdNo.
  bool OKClick(const std::function<int(const std::string& question)>& askYesNo) const;
  // After OK: the chosen folder, made with its parents under sdPerformCreate. Raises
  // base::EInOutError when that folder cannot be made.
  std::string AcceptedFolder(TSelectDirOpts options) const;

 private:
  sys::FileSystem& fs_;
  sys::Folders& folders_;
  CursorSetter setCursor_;
  bool allowCreate_ = false;
  bool prompt_ = false;
  std::string dirLabelCaption_;
};

struct Bounds {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Bounds&) const = default;
};

// Where the dialog's controls stand, in pixels at 96 dots per inch.
struct SelectDirLayout {
  int clientWidth = 424, clientHeight = 255;
  Bounds dirList{8, 72, 213, 138}, dirEdit{8, 24, 313, 20}, driveList{232, 192, 185, 19};
  Bounds netButton{8, 224, 77, 27}, okButton{172, 224, 77, 27}, cancelButton{256, 224, 77, 27};
  Bounds fileList{232, 72, 185, 93}, helpButton{340, 224, 77, 27};
  Bounds dirLabel{8, 24, 313, 20};  // created elsewhere, then laid on DirEdit
  Bounds dirEditLabel{8, 8, 92, 13}, driveLabel{232, 176, 41, 13}, dirListLabel{8, 56, 66, 13},
      fileListLabel{232, 56, 57, 13};
  bool helpVisible = true;
  int dirListItemHeight = 17, fileListItemHeight = 13;
};
// The layout for a help context: with none, Help hides and OK and Cancel move right.
SelectDirLayout SelectDirDialogLayout(int helpContext);
// A length scaled from 96 dots per inch to the screen's, rounded to the nearest pixel.
int ScaleToScreen(int pixels, int screenPpi);
Bounds ScaleToScreen(const Bounds& r, int screenPpi);
// The left or top of a window centred on the screen, each half rounded toward zero.
int CentredOrigin(int screenExtent, int windowExtent);

}  // namespace controls
