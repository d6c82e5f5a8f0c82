// The documented front of the zip component: its settings, the loading of the directory
// with the cursor and the incomplete-archive question, comments, and the built-in answer to
// the next-disk question. The directory itself is ArchiveDirectory's.
#include "zip/ZipExtractor.h"
#include "zip/Extraction.h"
#include "zip/codec/WorkArea.h"

#include "base/Ansi.h"

namespace zip {

TZipExtractor::TZipExtractor(sys::FileSystem& fs, sys::UserInterface& ui, bool designing)
    : fs_(fs), ui_(ui), designing_(designing), directory_(fs, ui) {
  work_.OEMConvert = oemConvert_;
  AnswerDirectoryQuestions(*this, directory_);
  // The other files of a split set are opened only for a caller that asks for them (its
  // handler may call DefaultGetNextDisk): an end record alone must not make the component
  // read whatever lies beside the archive under a sibling's name. A disk to insert is
  // asked of the user, who accepts it.
  if (!designing_)
    OnGetNextDisk = [](TZipExtractor& sender, int nextDisk, std::string& fName) {
      if (sender.MultiMode() == mmSplitFiles)
        fName.clear();
      else
        sender.DefaultGetNextDisk(sender, nextDisk, fName);
    };
}

TZipExtractor::~TZipExtractor() { ClearZip(); }

void TZipExtractor::Loaded() { work_.OEMConvert = oemConvert_; }

void TZipExtractor::Assign(const TZipExtractor& s) {
  directory_.StoreName(s.ZipName());
  destDir_ = s.destDir_;
  sortMode_ = s.sortMode_;
  rootDir_ = s.rootDir_;
  recreateDirs_ = s.recreateDirs_;
  overwriteMode_ = s.overwriteMode_;
  filesList_ = s.filesList_;
  doAll_ = s.doAll_;
  incompleteZipMode_ = s.incompleteZipMode_;
  keepZipOpen_ = s.keepZipOpen_;
  doProcessMessages_ = s.doProcessMessages_;
  retainAttributes_ = s.retainAttributes_;
  replaceReadOnly_ = s.replaceReadOnly_;
  OnStartUnZipInfo = s.OnStartUnZipInfo;
  OnFilePercentDone = s.OnFilePercentDone;
  OnTotalPercentDone = s.OnTotalPercentDone;
  OnStartUnZip = s.OnStartUnZip;
  OnEndUnZip = s.OnEndUnZip;
  OnPromptForOverwrite = s.OnPromptForOverwrite;
  OnSkippingFile = s.OnSkippingFile;
  OnBadPassword = s.OnBadPassword;
  OnBadCRC = s.OnBadCRC;
  OnInCompleteZip = s.OnInCompleteZip;
  OnGetNextDisk = s.OnGetNextDisk;
  OnUnZipComplete = s.OnUnZipComplete;
  OnGetNextBuffer = s.OnGetNextBuffer;
}

void TZipExtractor::SetZipName(const std::string& name) {
  if (base::UpperAscii(name) == base::UpperAscii(ZipName())) return;
  if (designing_) {
    directory_.StoreName(name);
    return;
  }
  std::string chosen = name;
  if (!name.empty() && name.back() == '?') {
    std::string given = name.substr(0, name.size() - 1);
    std::string dir = base::ExtractFilePath(given);
    sys::OpenFileRequest request{
        text::kOpenZipTitle, text::kOpenZipFilter,
        !dir.empty() && sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(dir)) ? dir : std::string("C:\\")};
    chosen = base::ExtractFileName(given);
    if (!ui_.OpenFileDialog(request, chosen)) Raise(ZipError::canceledZipName);
  }
  directory_.SetName(chosen);
}

void TZipExtractor::OpenZip() {
  if (directory_.NeedsReading()) ReadZip();
}

void TZipExtractor::ReadZip() { directory_.Read({sortMode_, oemConvert_, doProcessMessages_}); }

void TZipExtractor::CloseZip() {
  if (!keepZipOpen_) directory_.Close();
}

void TZipExtractor::ClearZip() { directory_.Clear(); }

int TZipExtractor::Count() const { return directory_.Count(); }

TZipEntryInfo& TZipExtractor::Entry(int index) const { return directory_.Entry(index); }

const std::string& TZipExtractor::Filename(int index) const { return Entry(index).FileName(); }

std::string TZipExtractor::FileComment(int index) {
  TZipEntryInfo& e = Entry(index);
  if (!e.HasComment() || e.CommentLoaded()) return e.FileComment();
  std::string comment = directory_.LoadFileComment(e);
  if (!SpansDisks()) CloseZip();
  return comment;
}

std::string TZipExtractor::ZipComment() {
  const TEndOfCentralDir& end = directory_.EndRecord();
  if (end.CommentLength == 0 || end.CommentLoaded) return end.Comment;
  std::string comment = directory_.LoadEndComment();
  if (!SpansDisks()) CloseZip();
  return comment;
}

void TZipExtractor::DefaultGetNextDisk(TZipExtractor& sender, int nextDisk, std::string& fName) {
  if (sender.MultiMode() == mmSplitFiles) {
    fName = ArchiveDirectory::SplitFileName(fName, nextDisk);
  } else if (sender.MultiMode() == mmRemovable) {
    sender.ui_.SetCursor(sys::Cursor::normal);
    std::string message = std::string(text::kInsertDiskStart) + std::to_string(nextDisk) + text::kInsertDiskEnd;
    if (sender.ui_.ShowMessageBox(message, "", sys::kMbOkCancel) == sys::kIdCancel) fName.clear();
  }
}

void TZipExtractor::LoadWithCursor() {
  sys::Cursor saved = ui_.SetCursor(sys::Cursor::wait);
  try {
    for (;;) {
      try {
        OpenZip();
        break;
      } catch (const EIncompleteZip&) {
        directory_.Close();
        // A handler is asked again until it picks a mode that settles the question.
        if (!OnInCompleteZip) break;
      }
    }
  } catch (...) {
    ClearZip();
    ui_.SetCursor(saved);
    throw;
  }
  CloseZip();
  ui_.SetCursor(saved);
}

}  // namespace zip
