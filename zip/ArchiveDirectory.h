// ArchiveDirectory: one archive's directory. Opens the archive, finds its end record, reads
// the central headers (or scans the local ones when they cannot be trusted), crosses the
// disks of a set, and hands back the entries with the limit each one's data must keep to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sys/Files.h"
#include "sys/UserInterface.h"
#include "zip/BufferStream.h"
#include "zip/ZipEntryInfo.h"
#include "zip/ZipLists.h"

namespace zip {

enum TIncompleteZipMode { izAssumeMulti = 0, izAssumeBad = 1, izAssumeNotAZip = 2 };
// Multi-disk modes.
enum TMultiMode { mmNone = 0, mmRemovable = 1, mmSplitFiles = 2 };

class ArchiveDirectory {
 public:
  // What only the directory's owner can answer.
  struct Questions {
    // No usable end record was found: how to go on.
    std::function<TIncompleteZipMode()> incompleteMode;
    // Whether anyone can be asked for another disk at all.
    std::function<bool()> mayAskForDisk;
    // The file of disk `disk` (numbered from 1) for `name`, the current one; empty: refused.
    std::function<void(int disk, std::string& name)> askForDisk;
  };
  // Taken from the owner's settings at each read.
  struct ReadSettings {
    TZipSortMode sortMode = ByNone;
    bool oemConvert = true;
    bool processMessages = true;
  };

  ArchiveDirectory(sys::FileSystem& fs, sys::UserInterface& ui) : fs_(fs), ui_(ui) {}
  ArchiveDirectory(const ArchiveDirectory&) = delete;
  ArchiveDirectory& operator=(const ArchiveDirectory&) = delete;

  Questions questions;

  const std::string& Name() const { return name_; }
  // A new name forgets everything read under the old one and closes the file.
  void SetName(const std::string& name);
  // The name only, as a component being designed keeps it.
  void StoreName(const std::string& name) { name_ = name; }

  void Open();
  void Close() { file_.reset(); }
  // Closes, forgets the entries and the name.
  void Clear();
  // Nothing read yet, or the file changed since it was read (opens it).
  bool NeedsReading();
  void Read(const ReadSettings& settings);

  // The entries in the view's order (the sort mode's), or in physical order while
  // UsePhysicalOrder(true) holds; EListError when out of range.
  int Count() const { return master_ ? master_->Count() : 0; }
  TZipEntryInfo& Entry(int index) const;
  void UsePhysicalOrder(bool physical);

  // Reads a comment not loaded yet from the archive, keeping the file's position.
  std::string LoadFileComment(TZipEntryInfo& entry);
  const TEndOfCentralDir& EndRecord() const { return ecrec_; }
  // The end record's comment is longer than what follows it in the file: the archive was cut
  // short there, though everything the directory lists may be whole.
  bool CommentCut() const { return commentCut_; }
  // A central record that names, under another name, the local header an earlier record
  // named: its name, and the earlier one's. Only the earlier one is an entry; the data is
  // extracted once, under that name.
  struct SharedHeader {
    std::string name, first;
  };
  const std::vector<SharedHeader>& SharedHeaders() const { return sharedHeaders_; }
  std::string LoadEndComment();

  bool SpansDisks() const { return multiMode_ != mmNone; }
  int MultiMode() const { return multiMode_; }
  void SetMultiMode(int mode) { multiMode_ = mode; }
  bool CheckDiskLabels() const { return checkDiskLabels_; }
  void SetCheckDiskLabels(bool check) { checkDiskLabels_ = check; }
  int DiskCount() const { return diskCount_; }
  int CurrentDisk() const { return currentDisk_; }
  // Closes the current disk, asks for disk `disk` (from 1), opens it under the new name.
  void NextDisk(int disk);
  // The name of disk `disk` (from 1) of a set of split files named like `name`: a.zip, a.002.
  static std::string SplitFileName(const std::string& name, int disk);
  // The open archive (the current disk's file); null while closed.
  TBufferedFileStream* Archive() const { return file_.get(); }

  // Whether the entry's data, behind a local header with these lengths, ends before the
  // next thing on its disk.
  bool DataFits(const TZipEntryInfo& entry, int localNameLength, int localExtraLength) const;
  // False for an entry found by the scan whose sizes nothing stated: its data cannot be
  // told from what follows it.
  bool SizeKnown(const TZipEntryInfo& entry) const { return !undelimited_.count(&entry); }

 private:
  void FreeLists();
  [[noreturn]] void RaiseBadZip();
  bool ReadCentralHeader(TBufferStream& in, TZipEntryInfo& entry, bool mayChangeDisk);
  bool ReadLocalHeader(TBufferStream& in, TZipEntryInfo& entry);
  std::unique_ptr<TZipEntryInfo> NewRecord() const;
  bool FindFirstLocalHeader(TBufferStream& in);
  bool FindLocalSignature(TBufferStream& in);
  bool DelimitByDescriptor(TBufferStream& in, TZipEntryInfo& entry);
  int CollectLocalHeaders(TBufferStream& in);
  bool ScanLocalHeaders();
  TBufferStream& DirectoryInput();
  bool FindEndRecordOrCopy();
  void EnterDirectory();
  int64_t UncountedPrefix();
  void HandleMissingEndRecord();
  // Reading it: record `next` of `total`, after `previous` (null at the start or after a scan).
  // The records read are held apart and put in order once at the end: one sorted insert
  // each would cost quadratic moves on a directory out of offset order.
  struct DirectoryWalk {
    int next;
    int total;
    TZipEntryInfo* previous;
    std::vector<std::unique_ptr<TZipEntryInfo>> records;
    std::unordered_map<uint64_t, const TZipEntryInfo*> places;  // (disk, offset) of the records taken
  };
  bool MoreInDirectory(const DirectoryWalk& walk);
  void ReadCentralDirectory();
  void FindDataLimits();
  void StartAgainFromScan(DirectoryWalk& walk);
  bool ReadNextCentralHeader(TZipEntryInfo& rec, TZipEntryInfo* previous);
  void PassCentralTail(TZipEntryInfo& entry, bool keepComment);
  TZipEntryInfo* AddCentralRecord(std::unique_ptr<TZipEntryInfo> rec, DirectoryWalk& walk);
  TZipEntryInfo* MergeIntoScanned(const TZipEntryInfo& rec);
  void BuildView();
  std::string ReadEndComment(TBufferStream& in);

  sys::FileSystem& fs_;
  sys::UserInterface& ui_;
  ReadSettings settings_;
  std::string name_;
  bool checkDiskLabels_ = true;
  int multiMode_ = mmNone;

  std::unique_ptr<TBufferedFileStream> file_;
  std::unique_ptr<TBufferedFileStream> zfc_;  // a set's configuration file, while its directory is read
  std::unique_ptr<TSortedZipList> master_;
  std::unique_ptr<TSortedZipList> sortedView_;
  TSortedZipList* view_ = nullptr;
  TEndOfCentralDir ecrec_;
  bool scanned_ = false;
  bool commentCut_ = false;
  // Bytes before an archive whose offsets count from its own start, added to each of them.
  int64_t prefix_ = 0;
  int sharedRecords_ = 0;                    // central records dropped for naming a local header already named
  std::vector<SharedHeader> sharedHeaders_;  // those of them under another name
  int diskCount_ = 1;
  int currentDisk_ = 0;
  bool loaded_ = false;
  sys::LocalTime fileTime_{};
  // Where each entry's data must end: the next thing on its disk (FindDataLimits).
  std::unordered_map<const TZipEntryInfo*, int64_t> dataLimits_;
  std::unordered_set<const TZipEntryInfo*> undelimited_;
};

}  // namespace zip
