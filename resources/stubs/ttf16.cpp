// Stand-in for the ActiveX control: a real in-process COM server whose self-registration
// writes (and removes) its class under HKEY_CLASSES_ROOT with its own path.
#include <windows.h>

#include <string>

namespace {

HINSTANCE self;
const char kClsid[] = "{6B8E3C52-9A41-4F0D-8C7E-2D5A1B3F4E60}";
const char kProgId[] = "Zorvik.TTF16";

bool SetValue(const std::string& key, const char* name, const std::string& value) {
  HKEY k;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1));
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

__declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  std::string clsidKey = std::string("CLSID\\") + kClsid;
  bool ok = SetValue(clsidKey, nullptr, "Zorvik TTF16 Control") &&
            SetValue(clsidKey + "\\InprocServer32", nullptr, std::string(path, n)) &&
            SetValue(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
            SetValue(clsidKey + "\\ProgID", nullptr, kProgId) &&
            SetValue(std::string(kProgId) + "\\CLSID", nullptr, kClsid);
  return ok ? S_OK : E_FAIL;
}

__declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClsid).c_str());
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId);
  return S_OK;
}

__declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void** out) {
  *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

__declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return S_OK; }

}  // extern "C"
