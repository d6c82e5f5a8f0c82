// The zip component's exception classes, its user-visible texts, and the table from which
// each failure it reports is raised, at the component's edge, with the exact wording the
// user knows. Inside the component, failures are results.
#pragma once

#include "base/Exceptions.h"
#include "zip/codec/Codec.h"

namespace zip {

ZORVIK_EXCEPTION(ENotAZipFile, base::Exception);
ZORVIK_EXCEPTION(EBadZipFile, base::Exception);
ZORVIK_EXCEPTION(EIncompleteZip, base::Exception);
ZORVIK_EXCEPTION(EFatalUnzipError, base::Exception);
ZORVIK_EXCEPTION(EBiggerThanUncompressed, base::Exception);
ZORVIK_EXCEPTION(ECantWriteUCF, base::Exception);

// A refusal by the user must reach the application even from inside a decoder.
class EUserCanceled : public base::Exception, public codec::PassThrough {
 public:
  explicit EUserCanceled(std::string message) : base::Exception(std::move(message)) {}
};

namespace text {
inline constexpr char kNotAZipFile[] = "Not a valid zip file!";
inline constexpr char kIncompleteZip[] = "Incomplete Zip File";
inline constexpr char kIndexOutOfRange[] = "Index %d is out of range";
inline constexpr char kOpenZipTitle[] = "Open a Zip File";
inline constexpr char kOpenZipFilter[] =
    "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*";
inline constexpr char kCanceledZipName[] = "User canceled setting zip file name.";
inline constexpr char kCanceledNextDisk[] = "User canceled loading new disk.";
inline constexpr char kCanceledDestDir[] = "User canceled Set Desination Directory";
inline constexpr char kInsertDiskStart[] = "Please insert disk ";
inline constexpr char kInsertDiskEnd[] = " of the multi-disk set.";
inline constexpr char kPrematureEnd[] = "Premature end of file reached";
inline constexpr char kBiggerThanUncompressed[] = "File is larger than uncompressed size!";
inline constexpr char kCantWriteUCF[] = "Cant write uncompressed file";
inline constexpr char kUnknownMethod[] = "Unknown Compression Method";
inline constexpr char kZipErrorCaption[] = "Zip Error";
inline constexpr char kInflateOutOfMemory[] = "*** inflate out of memory ***";
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kReplaceStart[] = "Replace existing file ";
inline constexpr char kReplaceEnd[] = "?";
inline constexpr char kFileExistsCaption[] = "File Exists Alert";
inline constexpr char kDuplicateObject[] = "Duplicate Object index";
inline constexpr char kPutInSortedList[] = "Cannot <Put> an Object in a sorted list!";
inline constexpr char kInvalidSeekOrigin[] = "Invalid seek origin (%d)";
inline constexpr char kSeekError[] = "\nSeek error";
inline constexpr char kPutbackOverflow[] = "Putback overflow";
inline constexpr char kCannotOpenFile[] = "Cannot open file \"%s\". %s";
inline constexpr char kCannotCreateFile[] = "Cannot create file \"%s\". %s";
}  // namespace text

// The failures the component reports to its caller as exceptions.
enum class ZipError {
  notAZipFile,       // no end record, and the caller's mode says the file is no archive
  badZipFile,        // neither the directory nor a scan finds the entries
  incompleteZip,     // no end record: the other disks of a set may be missing
  cantWrite,         // an output file took less than it was given (a full disk)
  canceledZipName,   // the open-file dialog was cancelled
  canceledNextDisk,  // the next disk of a set was refused
  canceledDestDir,   // the directory dialog was cancelled
};

namespace errors {
template <class E>
[[noreturn]] void Throw(const char* message) {
  throw E(message);
}
struct Row {
  ZipError error;
  void (*raise)(const char* message);
  const char* message;
};
inline constexpr Row kTable[] = {
    {ZipError::notAZipFile, Throw<ENotAZipFile>, text::kNotAZipFile},
    {ZipError::badZipFile, Throw<EBadZipFile>, text::kNotAZipFile},
    {ZipError::incompleteZip, Throw<EIncompleteZip>, text::kIncompleteZip},
    {ZipError::cantWrite, Throw<ECantWriteUCF>, text::kCantWriteUCF},
    {ZipError::canceledZipName, Throw<EUserCanceled>, text::kCanceledZipName},
    {ZipError::canceledNextDisk, Throw<EUserCanceled>, text::kCanceledNextDisk},
    {ZipError::canceledDestDir, Throw<EUserCanceled>, text::kCanceledDestDir},
};
}  // namespace errors

// Raises the error's documented class with its documented text.
[[noreturn]] inline void Raise(ZipError error) {
  for (const errors::Row& row : errors::kTable)
    if (row.error == error) row.raise(row.message);
  throw base::Exception(text::kNotAZipFile);  // every error has its row
}

}  // namespace zip
