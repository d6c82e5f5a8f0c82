// The shortcut maker: a program group with a link to the program under the user's Start
// Menu, and a link on the user's desktop, made through the system's shell link object.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/Exceptions.h"
#include "sys/Files.h"
#include "sys/Registry.h"
#include "sys/ShellLink.h"

namespace shell {

ZORVIK_EXCEPTION(EOleError, base::Exception);
ZORVIK_EXCEPTION(EIntfCastError, base::Exception);

// A failed COM call, with its HRESULT.
class EOleSysError : public EOleError {
 public:
  EOleSysError(std::string message, sys::HResult errorCode) : EOleError(std::move(message)), errorCode_(errorCode) {}
  sys::HResult ErrorCode() const { return errorCode_; }

 private:
  sys::HResult errorCode_;
};

// A link file the shell would not save; the message is the system's, as for any failed COM
// call, and the link is named as the file it would have become.
class ELinkNotSaved : public EOleSysError {
 public:
  ELinkNotSaved(std::string message, sys::HResult errorCode, std::string linkFile)
      : EOleSysError(std::move(message), errorCode), linkFile_(std::move(linkFile)) {}
  const std::string& LinkFile() const { return linkFile_; }

 private:
  std::string linkFile_;
};

// A folder a link belongs in is not known to the registry.
ZORVIK_EXCEPTION(EShellFolderMissing, base::Exception);

class TShortcut {
 public:
  using TOnMakeEvent = std::function<void(TShortcut& sender)>;

  TShortcut(sys::Registry& registry, sys::FileSystem& files, sys::ShellLinks& links);

  bool MakeOnDesktop() const { return makeOnDesktop_; }
  void SetMakeOnDesktop(bool value) { makeOnDesktop_ = value; }
  bool MakeOnStartMenu() const { return makeOnStartMenu_; }
  void SetMakeOnStartMenu(bool value) { makeOnStartMenu_ = value; }
  const std::string& NameSubDirInStartMenu() const { return nameSubDirInStartMenu_; }
  void SetNameSubDirInStartMenu(const std::string& value) { nameSubDirInStartMenu_ = value; }
  // The component's own version line; assigned texts (from code or a stored form) are
  // discarded.
  const std::string& Version() const { return version_; }
  void SetVersion(const std::string&) {}
  const std::string& exefile() const { return exefile_; }
  void Setexefile(const std::string& value) { exefile_ = value; }
  const std::string& exepath() const { return exepath_; }
  void Setexepath(const std::string& value) { exepath_ = value; }
  const std::string& exetitle() const { return exetitle_; }
  void Setexetitle(const std::string& value) { exetitle_ = value; }

  // Finds the user's folders, creates the program group folder (with the Start Menu's
  // program folder above it when that is missing) and saves the links, then raises OnMake.
  // Errors pass to the caller; what was made before one stays.
  void Make();

  // Raised at the end of Make, after both links are saved and released.
  TOnMakeEvent OnMake;

 private:
  std::string ProgramsFolder(const std::string& startMenu);
  // Builds and saves one link; the returned owner keeps the link object alive.
  std::unique_ptr<sys::ShellLink> CreateShellLink(const std::string& target, const std::string& arguments,
                                                  const std::string& workingDirectory, const std::string& folder);
  std::string OleErrorText(sys::HResult hr);
  [[noreturn]] void RaiseOleSysError(sys::HResult hr);

  sys::Registry& registry_;
  sys::FileSystem& files_;
  sys::ShellLinks& links_;

  std::string nameSubDirInStartMenu_;
  bool makeOnDesktop_ = false;
  bool makeOnStartMenu_ = false;
  std::string version_;
  std::string exefile_;
  std::string exepath_;
  std::string exetitle_;
};

}  // namespace shell
