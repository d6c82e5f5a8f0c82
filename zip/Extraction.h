// Extraction: the documented front's way with one entry, over a directory and a reader:
// where the entry goes and whether it may go there, the password, the overwrite policy, the
// temporary it is decoded into, and the commit under its name, with the front's events. The
// settings and handlers are the front's, read through its public interface; UnZip runs one
// extraction over the component's own directory, a parallel run one per worker.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "sys/Files.h"
#include "sys/UserInterface.h"
#include "zip/ArchiveDirectory.h"
#include "zip/BufferStream.h"
#include "zip/EntryReader.h"
#include "zip/ZipEntryInfo.h"
#include "zip/ZipExtractor.h"

namespace zip {

class Extraction {
 public:
  enum class Outcome { extracted, skipped, badPassword, badCrc, dataError };

  // What extractions writing into one destination at once must settle between them.
  struct Sharing {
    // Temporaries are numbered from here; extractions side by side start far apart, so
    // that their names never meet.
    unsigned firstTemporary = 0;
    // Runs `sweep`, which rids `dir` of a killed run's temporaries, unless another extraction
    // did; none can write into `dir` before it ended. Each folder must be swept once between
    // them all: a sweep can take a peer's temporary between its verification and its
    // renaming. Without it, an extraction sweeps each folder it writes into once.
    std::function<void(const std::string& dir, const std::function<void()>& sweep)> sweepOnce;
  };

  Extraction(TZipExtractor& front, sys::FileSystem& fs, sys::UserInterface& ui, ArchiveDirectory& directory,
             EntryReader& reader, Sharing sharing);
  // Alone in its destination.
  Extraction(TZipExtractor& front, sys::FileSystem& fs, sys::UserInterface& ui, ArchiveDirectory& directory,
             EntryReader& reader);

  // Sets each entry's MatchFlag from DoAll and FilesList; returns how many were chosen.
  int Choose();
  // The chosen entries' size, less the entries left out since.
  int64_t TotalSize() const { return totalSize_; }
  // Extracts the view's entry `index`; again while a handler offers a new password for it.
  Outcome Extract(int index);

 private:
  // What ThroughLink learnt on its way down a path that it followed to its last part: the
  // attributes of that part, and whether every folder above it exists as a folder.
  struct PathWalk {
    bool reachedEnd = false;
    bool foldersExist = false;
    uint32_t last = sys::kInvalidAttributes;
  };
  // One entry's way through the steps; a step that settles the entry's fate returns it, one
  // that lets it go on returns nothing.
  struct EntryJob {
    int index = 0;
    bool localOk = true;
    bool dataError = false;  // nothing decodable where the entry's data should be
    std::string fName, outDir, temporary;
    uint32_t attributes = sys::kInvalidAttributes;  // of an existing target
    bool readOnlyTarget = false;
    uint32_t calculated = 0;  // CRC of the decoded data
    PathWalk walk;            // of the target's path, when it was checked for links
  };
  Outcome ExtractOnce(int index);
  Outcome ExtractDirectoryEntry(const TZipEntryInfo& entry, const std::string& dir, int index);
  std::optional<Outcome> ResolveTarget(EntryJob& job);
  std::optional<Outcome> UnlockPassword(EntryJob& job);
  std::optional<Outcome> ClearTarget(EntryJob& job);
  std::unique_ptr<TBufferedFileStream> CreateTemporary(EntryJob& job);
  EntryReader::Hooks ReaderHooks();
  void ShowDecodeMessage(ReadResult result);
  Outcome DecodeToTemporary(EntryJob& job);
  Outcome Commit(const EntryJob& job);
  void ReportFailure(const EntryJob& job);
  std::string OutputDirectory(const TZipEntryInfo& entry) const;
  bool ThroughLink(const std::string& path, PathWalk* walk = nullptr);
  bool Fits(const std::string& fName, const std::string& outDir);
  void Skip(TSkipReason reason, const std::string& fName, int index);
  bool WantOverwrite(const std::string& fName, int index, std::string& target);
  std::string TemporaryName(const std::string& fName);
  void RemoveStaleTemporaries(const std::string& dir);

  TZipExtractor& front_;
  sys::FileSystem& fs_;
  sys::UserInterface& ui_;
  ArchiveDirectory& directory_;
  EntryReader& reader_;
  Sharing sharing_;
  TZipEntryInfo work_;  // a copy of the entry at hand
  int64_t totalSize_ = 0;
  int64_t totalWritten_ = 0;
  bool retry_ = false;
  unsigned tempCounter_;
  std::set<std::string> cleanedDirs_;  // folders already rid of stale temporaries
};

// Lets `front`'s settings and handlers answer `directory`'s questions (the incomplete-archive
// mode, the next disk), as they answer those of its own directory.
void AnswerDirectoryQuestions(TZipExtractor& front, ArchiveDirectory& directory);

}  // namespace zip
