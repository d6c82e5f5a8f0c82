// The zip component's exception classes and its user-visible texts, kept in one table so
// each is raised at the component's edge with the exact wording the user knows.
#pragma once

#include "base/Exceptions.h"
#include "zip/codec/Codec.h"

namespace zip {

ZORVIK_EXCEPTION(ENotAZipFile, base::Exception);
ZORVIK_EXCEPTION(EBadZipFile, base::Exception);
ZORVIK_EXCEPTION(EIncompleteZip, base::Exception);
ZORVIK_EXCEPTION(EFatalUnzipError, base::Exception);
ZORVIK_EXCEPTION(EBiggerThanUncompressed, base::Exception);

// A refusal by the user must reach the application even from inside a decoder.
class EUserCanceled : public base::Exception, public codec::PassThrough {
 public:
  explicit EUserCanceled(std::string message) : base::Exception(std::move(message)) {}
};

// A write that failed (a full disk) ends the run as such wherever it happens; inside a
// decoder it is not bad data.
class ECantWriteUCF : public base::Exception, public codec::PassThrough {
 public:
  explicit ECantWriteUCF(std::string message) : base::Exception(std::move(message)) {}
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

}  // namespace zip
