// COM server self-registration through the library's own entry point.
#include "install/ComServer.h"

#include "base/Ansi.h"

namespace install {

bool RegisterComServer(sys::Libraries& libraries, const std::string& path, bool registerServer) {
  std::unique_ptr<sys::Library> library = libraries.Load(path);
  if (!library) return false;
  sys::EntryPoint entry = library->Find(registerServer ? "DllRegisterServer" : "DllUnregisterServer");
  if (!entry) return false;
  // S_FALSE and the other success codes mean the registration did not happen as asked.
  return entry() == sys::kSOk;
}

void RegisterControl(Window& window, sys::Libraries& libraries) {
  window.SetStatus("正在注册控件....");
  /* result not examined */ RegisterComServer(libraries, base::Trim(window.DirectoryText()) + "\\ttf16.ocx", true);
}

}  // namespace install
