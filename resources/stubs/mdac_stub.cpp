// Stand-in for the database components' installer: a windowless GUI program that, run
// with the quiet switch, records that it ran and with which command line, then exits 0.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
  if (!std::strstr(args, "/q")) return 2;
  HKEY k;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Zorvik\\DriverStub", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                      &k, nullptr) != ERROR_SUCCESS)
    return 1;
  const char* line = GetCommandLineA();
  RegSetValueExA(k, "CommandLine", 0, REG_SZ, reinterpret_cast<const BYTE*>(line),
                 static_cast<DWORD>(std::strlen(line) + 1));
  DWORD runs = 0, size = sizeof runs;
  RegQueryValueExA(k, "Runs", nullptr, nullptr, reinterpret_cast<BYTE*>(&runs), &size);
  ++runs;
  RegSetValueExA(k, "Runs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&runs), sizeof runs);
  RegCloseKey(k);
  return 0;
}
