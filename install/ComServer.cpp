// COM server self-registration through the library's own entry point.
#include "install/ComServer.h"

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"

namespace install {

Registration CallRegistrationEntry(sys::Libraries& libraries, const std::string& path, bool registerServer) {
  Registration r;
  std::unique_ptr<sys::Library> library = libraries.Load(path);
  if (!library) {
    r.loadError = libraries.LastError();
    return r;
  }
  sys::EntryPoint entry = library->Find(registerServer ? "DllRegisterServer" : "DllUnregisterServer");
  if (!entry) {
    r.outcome = Registration::noEntryPoint;
    return r;
  }
  r.result = entry();
  // S_FALSE and the other success codes mean the registration did not happen as asked.
  r.outcome = r.result == sys::kSOk ? Registration::done : Registration::refused;
  return r;
}

bool RegisterComServer(sys::Libraries& libraries, const std::string& path, bool registerServer) {
  return CallRegistrationEntry(libraries, path, registerServer).outcome == Registration::done;
}

void RegisterControl(Window& window, sys::Libraries& libraries, sys::FileSystem& files, const std::string& dir) {
  window.SetStatus("正在注册控件....");
  // A full path, so the loader looks for the control's own libraries in its folder.
  const std::string control = files.FullPath(InFolder(dir, "ttf16.ocx"));
  Registration r = CallRegistrationEntry(libraries, control, true);
  switch (r.outcome) {
    case Registration::done: return;
    case Registration::notLoaded:
      throw ERegistrationError(base::WithReason(base::Format("加载控件 \"%s\" 失败", control.c_str()),
                                                base::SystemReason(files.ErrorText(r.loadError))));
    case Registration::noEntryPoint:
      throw ERegistrationError(base::Format("注册控件 \"%s\" 失败: 没有 DllRegisterServer 入口", control.c_str()));
    case Registration::refused:
      throw ERegistrationError(base::Format("注册控件 \"%s\" 失败: DllRegisterServer 返回 0x%08X", control.c_str(),
                                            static_cast<unsigned>(r.result)));
  }
}

}  // namespace install
