// The select-directory dialog's lists and handlers, over sys::Folders and sys::FileSystem.
#include "controls/DirDialogRules.h"

#include <cctype>
#include <optional>

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"

namespace controls {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool SameLetter(char a, char b) { return Lower(a) == Lower(b); }

// The order of a sorted list box: letters folded, then bytes.
bool ListOrder(const std::string& a, const std::string& b) {
  std::string la = base::AnsiLower(a), lb = base::AnsiLower(b);
  return la != lb ? la < lb : a < b;
}

bool EndsWithBackslash(const std::string& s) {
  std::size_t last = base::LastBackslash(s);
  return last != std::string::npos && last + 1 == s.size();
}

std::string Extension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : base::AnsiLower(name.substr(dot));
}

// The error mode set for a while and then put back, by any way out.
class ErrorModeScope {
 public:
  ErrorModeScope(sys::Folders& folders, uint32_t mode) : folders_(folders), saved_(folders.SetErrorMode(mode)) {}
  ErrorModeScope(const ErrorModeScope&) = delete;
  ErrorModeScope& operator=(const ErrorModeScope&) = delete;
  ~ErrorModeScope() { folders_.SetErrorMode(saved_); }

 private:
  sys::Folders& folders_;
  uint32_t saved_;
};

}  // namespace

// --- Folder list ---------------------------------------------------------------------------

DirectoryList::DirectoryList(sys::FileSystem& fs, sys::Folders& folders)
    : fs_(fs), folders_(folders), directory_(folders.CurrentDirectory()) {}

void DirectoryList::BuildRows() {
  rows_.clear();
  const std::string drive = ExtractFileDrive(directory_);
  std::string label;
  uint32_t flags = 0;
  bool known = folders_.VolumeInformation(drive + "\\", label, flags);
  preserveCase_ = known && (flags & (sys::kFsCaseIsPreserved | sys::kFsCaseSensitive)) != 0;
  caseSensitive_ = known && (flags & sys::kFsCaseSensitive) != 0;

  const bool network = drive.size() > 1 && drive[1] == '\\';
  std::string rest = directory_;
  if (network) {
    rows_.push_back({drive, FolderImage::open});
    rest.erase(0, drive.size());
  }
  if (network && (rest.empty() || rest == "\\")) {
    rows_.back().image = FolderImage::current;  // the share's root is the current folder
  } else if (EndsWithBackslash(rest)) {
    rows_.push_back({rest, FolderImage::current});  // a drive root: "c:\" alone
  } else {
    std::vector<std::string> parts;
    for (std::string_view part : base::SplitAtBackslashes(rest)) parts.emplace_back(part);
    if (network && parts.front().empty())
      parts.erase(parts.begin());
    else if (!network)
      parts.front() += '\\';  // the drive keeps its separator: "c:\"
    for (std::size_t i = 0; i < parts.size(); ++i)
      rows_.push_back({parts[i], i + 1 == parts.size() ? FolderImage::current : FolderImage::open});
  }
  pathRows_ = static_cast<int>(rows_.size());
  currentRow_ = pathRows_ - 1;

  std::vector<std::string> subFolders;
  for (const sys::FoundEntry& e : folders_.FindFiles(JoinPath(directory_, "*.*")))
    if ((e.attributes & sys::kAttrDirectory) && e.name != "." && e.name != "..") subFolders.push_back(e.name);
  std::sort(subFolders.begin(), subFolders.end(), ListOrder);
  for (std::string& name : subFolders) rows_.push_back({std::move(name), FolderImage::closed});
}

int DirectoryList::ImageIndent(int row) const {
  if (row < pathRows_) return row * 4 + 2;
  return (CountBackslashes(directory_) + 1) * 4 + 2;
}

std::string DirectoryList::DisplayText(int row) const {
  const std::string& text = rows_.at(static_cast<std::size_t>(row)).text;
  return preserveCase_ || caseSensitive_ ? text : base::AnsiLower(text);
}

std::string DirectoryList::RowPath(int row) const {
  const std::string drive = ExtractFileDrive(directory_);
  const bool network = drive.size() > 1 && drive[1] == '\\';
  if (row == 0) return network ? drive : drive + "\\";
  if (row >= pathRows_) return JoinPath(directory_, rows_.at(static_cast<std::size_t>(row)).text);
  if (row == currentRow_) return directory_;
  // Cut the path after this row's component: before the separator that ends it.
  std::string path = directory_.substr(drive.size());
  std::size_t cut = base::NextBackslash(path);
  for (int separators = 1; separators <= row && cut != std::string::npos; ++separators)
    cut = base::NextBackslash(path, cut + 1);
  if (cut != std::string::npos) path.resize(cut);
  return drive + path;
}

void DirectoryList::SetDirectory(const std::string& value) {
  if (value.empty() || SameFolderName(value, directory_, caseSensitive_)) return;
  PathParts parts = SplitPath(fs_, folders_, value);
  struct InSetDir {
    bool& flag;
    explicit InSetDir(bool& f) : flag(f) { flag = true; }
    ~InSetDir() { flag = false; }
  } inSetDir(inSetDir_);
  if (parts.drive != 0 && !SameLetter(parts.drive, Drive())) {
    if (driveLink)
      driveLink(parts.drive);
    else
      SetDrive(parts.drive);
  }
  // A relative value is meant against this list's folder, wherever the process stands.
  if (sys::DirectoryExists(fs_, directory_)) /* result not examined */
    folders_.ChangeDirectory(directory_);
  ChangeDirectoryOrRaise(folders_, value);
  directory_ = folders_.CurrentDirectory();
  inSetDir_ = false;
  BuildRows();
  Change();
}

void DirectoryList::SetDrive(char letter) {
  if (letter == 0 || SameLetter(letter, Drive())) return;
  ChangeDirectoryOrRaise(folders_, std::string(1, letter) + ":");
  directory_ = folders_.CurrentDirectory();
  if (!inSetDir_) {
    BuildRows();
    Change();
  }
}

void DirectoryList::Change() {
  if (OnChange) OnChange();
}

// --- Drive list ----------------------------------------------------------------------------

DriveList::DriveList(sys::Folders& folders) : folders_(folders) {
  std::string current = folders.CurrentDirectory();
  drive_ = current.empty() || current[0] == '\\' ? 0 : current[0];
}

std::string DriveList::Label(const std::string& root) {
  ErrorModeScope quiet(folders_, sys::kSemFailCriticalErrors);
  std::string label;
  uint32_t flags = 0;
  return folders_.VolumeInformation(root, label, flags) ? label : std::string();
}

void DriveList::Build() {
  rows_.clear();
  const uint32_t mask = folders_.LogicalDrives();
  const bool upper = textCase_ == tcUpperCase;
  auto fold = [upper](const std::string& s) { return upper ? base::AnsiUpper(s) : base::AnsiLower(s); };
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const std::string letter(1, static_cast<char>((upper ? 'A' : 'a') + i));
    const std::string root = letter + ":\\";
    switch (folders_.DriveType(root)) {
      case sys::kDriveRemovable: rows_.push_back({letter + ":", DriveImage::floppy}); break;
      case sys::kDriveFixed: rows_.push_back({letter + ": [" + fold(Label(root)) + "]", DriveImage::hard}); break;
      case sys::kDriveCdrom: rows_.push_back({letter + ": [" + fold(Label(root)) + "]", DriveImage::cdrom}); break;
      case sys::kDriveRamdisk: rows_.push_back({letter + ": [" + fold(Label(root)) + "]", DriveImage::ram}); break;
      case sys::kDriveRemote: {
        std::string remote;
        std::string shown = folders_.RemoteName(letter + ":", remote) == sys::kWNetNoError
                                ? fold(remote)
                                : "[" + fold(Label(root)) + "]";
        rows_.push_back({letter + ": " + shown, DriveImage::network});
        break;
      }
      default: break;  // unknown types and vanished roots are not listed
    }
  }
  itemIndex_ = -1;
  for (std::size_t i = 0; i < rows_.size() && drive_ != 0; ++i)
    if (SameLetter(rows_[i].text[0], drive_)) {
      itemIndex_ = static_cast<int>(i);
      break;
    }
}

void DriveList::SetDrive(char letter) {
  if (itemIndex_ >= 0 && letter != 0 && SameLetter(letter, drive_)) return;
  if (letter == 0) {
    drive_ = 0;
    itemIndex_ = -1;
    return;
  }
  drive_ =
      textCase_ == tcUpperCase ? static_cast<char>(std::toupper(static_cast<unsigned char>(letter))) : Lower(letter);
  itemIndex_ = -1;
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].text.size() >= 2 && SameLetter(rows_[i].text[0], letter) && rows_[i].text[1] == ':') {
      itemIndex_ = static_cast<int>(i);
      break;
    }
  if (OnChange) OnChange();
}

void DriveList::ChooseRow(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
  itemIndex_ = row;
  SetDrive(rows_[static_cast<std::size_t>(row)].text[0]);
}

// --- File list -----------------------------------------------------------------------------

FileList::FileList(sys::FileSystem& fs, sys::Folders& folders) : fs_(fs), folders_(folders) {}

void FileList::ReadFileNames(const CursorSetter& setCursor) {
  const uint32_t attributeMask = fileType_ & 0x3F;
  // Entries of these kinds are listed only when the file type asks for them.
  const uint32_t askedOnly = sys::kAttrHidden | sys::kAttrSystem | ftVolumeID | sys::kAttrDirectory;
  directory_ = folders_.CurrentDirectory();
  rows_.clear();
  itemIndex_ = -1;

  std::optional<sys::Cursor> previous;
  struct RestoreCursor {
    const CursorSetter& set;
    std::optional<sys::Cursor>& previous;
    ~RestoreCursor() {
      if (previous) set(*previous);
    }
  } restore{setCursor, previous};

  std::size_t start = 0;
  while (start <= mask_.size()) {
    std::size_t end = mask_.find(';', start);
    if (end == std::string::npos) end = mask_.size();
    std::string part = mask_.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    for (const sys::FoundEntry& e : folders_.FindFiles(JoinPath(directory_, part))) {
      if (e.attributes & askedOnly & ~attributeMask) continue;
      if (!(fileType_ & ftNormal) && !(e.attributes & attributeMask)) continue;
      if (e.attributes & sys::kAttrDirectory) {
        rows_.push_back({"[" + e.name + "]", FileImage::closedFolder});
      } else {
        std::string ext = Extension(e.name);
        bool program = ext == ".exe" || ext == ".com" || ext == ".bat" || ext == ".pif";
        rows_.push_back({e.name, program ? FileImage::executable : FileImage::unknown});
      }
      if (rows_.size() == static_cast<std::size_t>(kQuickEntries) + 1 && setCursor && !previous)
        previous = setCursor(sys::Cursor::wait);
    }
  }
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const FileRow& a, const FileRow& b) { return ListOrder(a.text, b.text); });
  if (OnChange) OnChange();
}

void FileList::ApplyFilePath(const std::string& path, const CursorSetter& setCursor) {
  std::string own = itemIndex_ >= 0 ? JoinPath(directory_, rows_[static_cast<std::size_t>(itemIndex_)].text) : "";
  if (path.empty() || SameFolderName(path, own, false)) return;
  PathParts parts = SplitPath(fs_, folders_, path);
  ChangeDirectoryOrRaise(folders_,
                         parts.drive != 0 ? std::string(1, parts.drive) + ":" + parts.directory : parts.directory);
  if (parts.fileName.find_first_of("*?") != std::string::npos) mask_ = parts.fileName;
  ReadFileNames(setCursor);
  if (parts.fileName.empty() || parts.fileName.find_first_of("*?") != std::string::npos) return;
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (SameFolderName(rows_[i].text, parts.fileName, false)) {
      itemIndex_ = static_cast<int>(i);
      return;
    }
  throw base::Exception(base::Format("无效的文件名 - %s", path.c_str()));
}

// --- The dialog ----------------------------------------------------------------------------

SelectDirModel::SelectDirModel(sys::FileSystem& fs, sys::Folders& folders, CursorSetter setCursor)
    : dirList(fs, folders),
      driveList(folders),
      fileList(fs, folders),
      fs_(fs),
      folders_(folders),
      setCursor_(std::move(setCursor)) {
  dirList.OnChange = [this] { DirListChange(); };
  driveList.OnChange = [this] { DriveListChange(); };
}

void SelectDirModel::FormCreate() {
  dirList.BuildRows();
  driveList.Build();
  allowCreate_ = false;
  DirListChange();
}

void SelectDirModel::SetStartFolder(const std::string& path) {
  if (path.empty()) return;
  sys::Folders& folders = folders_;
  std::string full = folders.FullPath(JoinPath(path, "*.*"));
  std::string folder = base::ExtractFilePath(full);
  if (!folder.empty()) folder.pop_back();  // "c:\" leaves "c:", that drive's current folder
  try {
    if (full.size() >= 3 && full[1] == ':') driveList.SetDrive(full[0]);
    dirList.SetDirectory(folder);
  } catch (const base::EInOutError&) {
    std::string current = folders.CurrentDirectory();
    if (current.size() >= 2 && current[1] == ':') driveList.SetDrive(current[0]);
    dirList.SetDirectory(current);
  }
}

void SelectDirModel::DirListChange() {
  dirLabelCaption_ = dirList.Directory();
  fileList.ApplyFilePath(dirLabelCaption_, setCursor_);
  dirEditText = dirLabelCaption_;
}

void SelectDirModel::DriveListChange() {
  char letter = driveList.Drive();
  try {
    dirList.SetDrive(letter);
  } catch (const base::EInOutError&) {
    uint32_t code = folders_.LastError();
    // A drive that cannot be entered (no disk): the drive list goes back to the folder's.
    driveList.SetDrive(dirList.Drive());
    throw base::EInOutError(DriveErrorText(letter, code, fs_.ErrorText(code)));
  }
}

std::string DriveErrorText(char letter, uint32_t code, const std::string& systemText) {
  constexpr uint32_t kErrorNotReady = 21;
  std::string drive = "驱动器 " + std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))) + ":";
  if (code == kErrorNotReady) return drive + " 没有准备好";
  return base::WithReason(drive + " 无法打开", base::SystemReason(systemText));
}

bool SelectDirModel::OKClick(const std::function<int(const std::string& question)>& askYesNo) const {
  if (allowCreate_ && prompt_ && !sys::DirectoryExists(fs_, FolderText()))
    return askYesNo(kCreateFolderQuestion) == sys::kIdYes;
  return true;
}

std::string SelectDirModel::AcceptedFolder(TSelectDirOpts options) const {
  std::string folder = FolderText();
  if ((options & sdPerformCreate) && !sys::ForceDirectories(fs_, folder))
    throw base::EInOutError(folder + ": " + base::Trim(fs_.ErrorText(fs_.LastError())));
  return folder;
}

// --- Layout --------------------------------------------------------------------------------

SelectDirLayout SelectDirDialogLayout(int helpContext) {
  SelectDirLayout layout;
  if (helpContext == 0) {
    layout.helpVisible = false;
    layout.okButton.left = layout.cancelButton.left;
    layout.cancelButton.left = layout.helpButton.left;
  }
  return layout;
}

int ScaleToScreen(int pixels, int screenPpi) {
  long long product = static_cast<long long>(pixels) * screenPpi;
  long long half = product >= 0 ? 48 : -48;
  return static_cast<int>((product + half) / 96);
}

Bounds ScaleToScreen(const Bounds& r, int screenPpi) {
  return {ScaleToScreen(r.left, screenPpi), ScaleToScreen(r.top, screenPpi), ScaleToScreen(r.width, screenPpi),
          ScaleToScreen(r.height, screenPpi)};
}

int CentredOrigin(int screenExtent, int windowExtent) { return screenExtent / 2 - windowExtent / 2; }

}  // namespace controls
