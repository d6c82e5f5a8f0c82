// TZipExtractor: the documented front of the zip component. It holds the published
// settings and events and unpacks chosen entries into a destination directory; the
// archive's directory is an ArchiveDirectory, each entry is read by an EntryReader and
// placed by an Extraction. Files and user-interface services come in through sys/
// interfaces so the same logic runs on Windows, natively and against fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sys/Files.h"
#include "sys/UserInterface.h"
#include "zip/ArchiveDirectory.h"
#include "zip/BufferStream.h"
#include "zip/ZipEntryInfo.h"
#include "zip/ZipErrors.h"
#include "zip/Percent.h"
#include "zip/ZipLists.h"

namespace zip::codec {
class WorkArea;
}

namespace zip {

enum TUZOverwriteMode { Prompt = 0, Always = 1, Never = 2, ifNewer = 3, ifOlder = 4 };
// srFileOpenError: the entry's data overlaps another entry's or the directory.
enum TSkipReason { srBadPassword = 0, srNoOverwrite = 1, srFileOpenError = 2, srCreateError = 3 };

constexpr int kThisVersion = 223;

// Case-insensitive wildcard match: "?", "*" and sets such as <a-c> or <!x>.
bool IsMatch(const std::string& pattern, const std::string& name);

class TZipExtractor : public TObject {
 public:
  using TNotifyPercent = std::function<void(TZipExtractor& sender, int percent)>;

  explicit TZipExtractor(sys::FileSystem& fs = sys::RealFileSystem(), sys::UserInterface& ui = sys::RealUserInterface(),
                         bool designing = false);
  ~TZipExtractor() override;
  TZipExtractor(const TZipExtractor&) = delete;
  TZipExtractor& operator=(const TZipExtractor&) = delete;

  // Copies the published settings and handlers of another component (not FlushFilesOnClose,
  // OEMConvert, ThisVersion, OnDecrypt); names and sort mode are taken without their setters.
  void Assign(const TZipExtractor& source);
  // The form has loaded the component's stored settings.
  void Loaded();

  // ---- Properties ----
  int ThisVersion() const { return kThisVersion; }
  void SetThisVersion(int) {}
  const std::string& ZipName() const { return directory_.Name(); }
  virtual void SetZipName(const std::string& name);
  const std::string& DestDir() const { return destDir_; }
  void SetDestDir(const std::string& dir);
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(const std::string& dir);
  TZipSortMode SortMode() const { return sortMode_; }
  void SetSortMode(TZipSortMode mode) { sortMode_ = mode; }
  bool RecreateDirs() const { return recreateDirs_; }
  void SetRecreateDirs(bool v) { recreateDirs_ = v; }
  TUZOverwriteMode OverwriteMode() const { return overwriteMode_; }
  void SetOverwriteMode(TUZOverwriteMode v) { overwriteMode_ = v; }
  std::vector<std::string>& FilesList() { return filesList_; }
  void SetFilesList(const std::vector<std::string>& lines) { filesList_ = lines; }
  bool DoAll() const { return doAll_; }
  void SetDoAll(bool v) { doAll_ = v; }
  TIncompleteZipMode IncompleteZipMode() const { return incompleteZipMode_; }
  void SetIncompleteZipMode(TIncompleteZipMode v) { incompleteZipMode_ = v; }
  bool KeepZipOpen() const { return keepZipOpen_; }
  void SetKeepZipOpen(bool v) { keepZipOpen_ = v; }
  bool DoProcessMessages() const { return doProcessMessages_; }
  void SetDoProcessMessages(bool v) { doProcessMessages_ = v; }
  bool RetainAttributes() const { return retainAttributes_; }
  void SetRetainAttributes(bool v) { retainAttributes_ = v; }
  bool ReplaceReadOnly() const { return replaceReadOnly_; }
  void SetReplaceReadOnly(bool v) { replaceReadOnly_ = v; }
  bool FlushFilesOnClose() const { return flushFilesOnClose_; }
  void SetFlushFilesOnClose(bool v) { flushFilesOnClose_ = v; }
  bool OEMConvert() const { return oemConvert_; }
  void SetOEMConvert(bool v) { oemConvert_ = v; }
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& v) { password_ = v; }
  virtual bool CheckDiskLabels() const { return directory_.CheckDiskLabels(); }
  virtual void SetCheckDiskLabels(bool v) { directory_.SetCheckDiskLabels(v); }
  virtual int MultiMode() const { return directory_.MultiMode(); }
  virtual void SetMultiMode(int v) { directory_.SetMultiMode(v); }

  // ---- Events ----
  std::function<void(TZipExtractor& sender, int numFiles, double totalBytes, bool& stopNow)> OnStartUnZipInfo;
  TNotifyPercent OnFilePercentDone;
  TNotifyPercent OnTotalPercentDone;
  std::function<void(TZipExtractor& sender, int fileIndex, std::string& fName, bool& skip)> OnStartUnZip;
  std::function<void(TZipExtractor& sender, int fileIndex, const std::string& fName)> OnEndUnZip;
  std::function<void(TZipExtractor& sender, bool& overwriteIt, int fileIndex, std::string& fName)> OnPromptForOverwrite;
  std::function<void(TZipExtractor& sender, TSkipReason reason, const std::string& fName, int fileIndex, bool& retry)>
      OnSkippingFile;
  std::function<void(TZipExtractor& sender, int fileIndex, std::string& newPassword)> OnBadPassword;
  std::function<void(TZipExtractor& sender, int calcCRC, int storedCRC, int fileIndex)> OnBadCRC;
  std::function<void(TZipExtractor& sender, TIncompleteZipMode& incompleteMode)> OnInCompleteZip;
  std::function<void(TZipExtractor& sender, int nextDisk, std::string& fName)> OnGetNextDisk;
  std::function<void(TZipExtractor& sender, int fileCount)> OnUnZipComplete;
  std::function<void(TZipExtractor& sender, char*& buffer, const std::string& fName, int amountUsed, int bufferNum,
                     bool& quit)>
      OnGetNextBuffer;
  std::function<void(TZipExtractor& sender, uint8_t* buffer, int length, const std::string& password)> OnDecrypt;

  // ---- Directory ----
  void OpenZip();
  void CloseZip();
  void ClearZip();
  void ReadZip();
  int Count() const;
  const std::string& Filename(int index) const;
  std::string FileComment(int index);
  std::string ZipComment();
  // The archive comment runs past the end of the file (known once the directory is read).
  bool ZipCommentCut() const { return directory_.CommentCut(); }
  // Central records left out for naming, under another name, the data of an earlier entry.
  const std::vector<ArchiveDirectory::SharedHeader>& SharedHeaders() const { return directory_.SharedHeaders(); }
  // The view's entry (sorted by SortMode); EListError when out of range.
  TZipEntryInfo& Entry(int index) const;
  int DiskCount() const { return directory_.DiskCount(); }

  // ---- Extraction ----
  int UnZip();

  // The handler assigned at creation for OnGetNextDisk.
  void DefaultGetNextDisk(TZipExtractor& sender, int nextDisk, std::string& fName);

 protected:
  // The decoders' windows and tables, made once at the start of a run; a test can hand out
  // one that plays a machine short of memory.
  virtual std::unique_ptr<codec::WorkArea> MakeWorkArea() const;

 private:
  bool SpansDisks() const { return directory_.SpansDisks(); }
  void LoadWithCursor();

  sys::FileSystem& fs_;
  sys::UserInterface& ui_;
  bool designing_;

  std::string destDir_;
  std::string rootDir_;
  TZipSortMode sortMode_ = ByNone;
  bool recreateDirs_ = false;
  TUZOverwriteMode overwriteMode_ = Prompt;
  std::vector<std::string> filesList_;
  bool doAll_ = false;
  TIncompleteZipMode incompleteZipMode_ = izAssumeMulti;
  bool keepZipOpen_ = false;
  bool doProcessMessages_ = true;
  bool retainAttributes_ = true;
  bool replaceReadOnly_ = false;
  bool flushFilesOnClose_ = false;
  bool oemConvert_ = true;
  std::string password_;

  ArchiveDirectory directory_;
  TZipEntryInfo work_;
};

}  // namespace zip
