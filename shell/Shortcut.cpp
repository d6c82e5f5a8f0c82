// The shortcut maker: folder lookup, folder creation and link saving, in that order, each
// error passed on so that nothing claims a shortcut that is not there.
#include "shell/Shortcut.h"

#include "base/Ansi.h"
#include "shell/UserShellFolders.h"

namespace shell {
namespace {

constexpr const char* kVersionText = "TShortcut 1.0 快捷方式组件";

// Chinese Windows XP names the Start Menu's program folder so on disk; later systems and
// Wine keep "Programs" on disk and show "程序" only as its display name.
constexpr const char* kProgramsPiece = "\\程序";

// The documented separator between folder and link title is "/", which the shell accepts.
constexpr const char* kLinkSeparator = "/";
constexpr const char* kLinkExtension = ".lnk";

}  // namespace

TShortcut::TShortcut(sys::Registry& registry, sys::FileSystem& files, sys::ShellLinks& links)
    : registry_(registry), files_(files), links_(links) {
  SetMakeOnStartMenu(true);
  SetMakeOnDesktop(true);
  version_ = kVersionText;
}

std::string TShortcut::ProgramsFolder(const std::string& startMenu) {
  if (!startMenu.empty()) {
    std::string programs = startMenu + kProgramsPiece;
    if (sys::DirectoryExists(files_, programs)) return programs;
  }
  return ReadUserShellFolder(registry_, "Programs");
}

void TShortcut::Make() {
  std::string startMenu = ReadUserShellFolder(registry_, "Start Menu");
  std::string programs = makeOnStartMenu_ ? ProgramsFolder(startMenu) : std::string();
  std::string desktop = ReadUserShellFolder(registry_, "Desktop");
  // An empty folder would put the link at the root of the current drive; stop before
  // anything is made instead.
  if (makeOnStartMenu_ && programs.empty())
    throw EShellFolderMissing("找不到当前用户的“开始”菜单“程序”文件夹（Programs），无法建立程序组");
  if (makeOnDesktop_ && desktop.empty())
    throw EShellFolderMissing("找不到当前用户的桌面文件夹（Desktop），无法建立快捷方式");

  std::string group = programs + "\\" + nameSubDirInStartMenu_;
  // A user whose Start Menu lost its program folder gets it back: the group needs it. An
  // existing group folder is no error; one that cannot be made shows when its link is saved.
  if (makeOnStartMenu_) /* result not examined */
    sys::ForceDirectories(files_, group);
  /* result not examined */ files_.CreateDirectory(desktop);

  // Both link objects live until the end of Make and are released together.
  std::unique_ptr<sys::ShellLink> desktopLink, groupLink;
  if (makeOnDesktop_) desktopLink = CreateShellLink(exefile_, "", exepath_, desktop);
  if (makeOnStartMenu_) groupLink = CreateShellLink(exefile_, "", exepath_, group);
  desktopLink.reset();
  groupLink.reset();

  if (OnMake) OnMake(*this);
}

std::unique_ptr<sys::ShellLink> TShortcut::CreateShellLink(const std::string& target, const std::string& arguments,
                                                           const std::string& workingDirectory,
                                                           const std::string& folder) {
  const std::string linkPath = folder + kLinkSeparator + exetitle_ + kLinkExtension;
  std::unique_ptr<sys::ShellLink> link;
  sys::HResult hr = links_.Create(link);
  if (sys::Failed(hr)) RaiseOleSysError(hr);
  if (sys::Failed(link->QueryInterfaces())) throw EIntfCastError("接口不被支持");
  // A refused target or directory shows in the saved link, not here.
  /* result not examined */ link->SetPath(target);
  /* result not examined */ link->SetArguments(arguments);
  /* result not examined */ link->SetWorkingDirectory(workingDirectory);
  hr = link->Save(linkPath);
  if (sys::Failed(hr)) throw ELinkNotSaved(OleErrorText(hr), hr, folder + "\\" + exetitle_ + kLinkExtension);
  return link;
}

std::string TShortcut::OleErrorText(sys::HResult hr) {
  std::string text = base::Trim(links_.ErrorText(hr));
  return text.empty() ? base::Format("OLE 错误 %.8x", static_cast<unsigned>(hr)) : text;
}

void TShortcut::RaiseOleSysError(sys::HResult hr) { throw EOleSysError(OleErrorText(hr), hr); }

}  // namespace shell
