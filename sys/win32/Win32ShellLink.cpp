// The system's shell link object behind the sys::ShellLinks interface.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shlguid.h>

#include <string>
#include <vector>

#include "sys/ShellLink.h"
#include "sys/win32/ComPtr.h"
#include "sys/win32/SystemText.h"

namespace sys {
namespace {

using win32::ComPtr;

// In-process or local server: the shell link class may be served either way.
constexpr DWORD kLinkClassContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

std::wstring ToWide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n > 0 ? static_cast<std::size_t>(n) : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

class Win32ShellLink final : public ShellLink {
 public:
  explicit Win32ShellLink(ComPtr<IUnknown> unknown) : unknown_(std::move(unknown)) {}

  HResult QueryInterfaces() override {
    HRESULT hr = unknown_->QueryInterface(IID_IShellLinkA, link_.PutVoid());
    if (FAILED(hr)) return hr;
    return unknown_->QueryInterface(IID_IPersistFile, file_.PutVoid());
  }
  HResult SetPath(const std::string& target) override { return link_->SetPath(target.c_str()); }
  HResult SetArguments(const std::string& arguments) override { return link_->SetArguments(arguments.c_str()); }
  HResult SetWorkingDirectory(const std::string& directory) override {
    return link_->SetWorkingDirectory(directory.c_str());
  }
  HResult Save(const std::string& linkPath) override { return file_->Save(ToWide(linkPath).c_str(), FALSE); }

 private:
  ComPtr<IUnknown> unknown_;
  ComPtr<IShellLinkA> link_;
  ComPtr<IPersistFile> file_;
};

class Win32ShellLinks final : public ShellLinks {
 public:
  HResult Create(std::unique_ptr<ShellLink>& link) override {
    ComPtr<IUnknown> unknown;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, kLinkClassContext, IID_IUnknown, unknown.PutVoid());
    if (SUCCEEDED(hr)) link = std::make_unique<Win32ShellLink>(std::move(unknown));
    return hr;
  }
  std::string ErrorText(HResult hr) override { return win32::SystemMessageText(static_cast<DWORD>(hr)); }
};

}  // namespace

ShellLinks& RealShellLinks() {
  static Win32ShellLinks links;
  return links;
}

}  // namespace sys
