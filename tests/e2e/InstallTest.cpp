// End-to-end scenarios: setup.exe under Wine, driven through its window like a person
// would, each in a fresh directory.
#include <gtest/gtest.h>

#include <functional>

#include "tests/common/Checks.h"
#include "Driver.h"
#include "Installed.h"
#include "ui/Dpi.h"

namespace e2e {
namespace {

const std::string kTitle = "Zorvik电子帐本安装程序";
const std::string kDone = "安装完成，请重新启动电脑！";

struct PayloadFile {
  const char* name;
  const char* type;
  const char* file;
};
const PayloadFile kInstalled[] = {
    {"MYDBAPP", "MYDBAPPFILE", "kestrum.exe"}, {"MYINI", "MYINIFILE", "login.dat"},
    {"MYDLL", "MYDLLFILE", "qtintf70.dll"},    {"MYOCX", "MYOCXFILE", "ttf16.ocx"},
    {"MYDBSRC", "MYDBSRCFILE", "db.mdb"},
};

const std::string kLinkName = "Zorvik电子帐本.lnk";

std::string GroupLink() { return ProgramsFolder() + "\\Zorvik软件\\" + kLinkName; }
std::string DesktopLink() { return DesktopFolder() + "\\" + kLinkName; }

void ExpectLink(const std::string& path, const std::string& dir) {
  LinkInfo link = LoadLink(path);
  ASSERT_TRUE(link.loaded) << path;
  EXPECT_EQ(link.target, dir + "\\kestrum.exe") << path;
  EXPECT_EQ(link.workingDirectory, dir) << path;
  EXPECT_EQ(link.arguments, "") << path;
}

const char kDriverKey[] = "Software\\Zorvik\\DriverStub";
const char kControlKey[] = "CLSID\\{6B8E3C52-9A41-4F0D-8C7E-2D5A1B3F4E60}\\InprocServer32";

std::string RegistryText(HKEY root, const char* key, const char* value) {
  char buf[1024] = {};
  DWORD size = sizeof buf - 1;
  if (RegGetValueA(root, key, value, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return "";
  return buf;
}

DWORD DriverRuns() {
  DWORD runs = 0, size = sizeof runs;
  RegGetValueA(HKEY_LOCAL_MACHINE, kDriverKey, "Runs", RRF_RT_REG_DWORD, nullptr, &runs, &size);
  return runs;
}

}  // namespace

// Shortcuts of an earlier scenario must not count for this one.
void RemoveLinks() {
  DeleteFileA(GroupLink().c_str());
  DeleteFileA(DesktopLink().c_str());
  DeleteFileA((StartMenuFolder() + "\\程序\\Zorvik软件\\" + kLinkName).c_str());
}

// Forgets what earlier scenarios left in the registry.
void ForgetRegistrations() {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDriverKey);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{6B8E3C52-9A41-4F0D-8C7E-2D5A1B3F4E60}");
}

void ExpectInstalled(const std::string& dir) {
  for (const auto& p : kInstalled) {
    std::string expected = SetupResource(p.name, p.type);
    ASSERT_FALSE(expected.empty()) << p.name;
    EXPECT_TRUE(ReadFile(dir + "\\" + p.file) == expected) << p.file << " differs from its payload";
  }
  EXPECT_EQ(ReadFile(dir + "\\login.dat"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=DB.mdb;Persist Security Info=False");
  EXPECT_FALSE(FileExists(dir + "\\report.zip"));
  EXPECT_FALSE(FileExists(dir + "\\mdac_typ2.7.exe")) << "the driver installer must be gone once it ran";
  std::string line = RegistryText(HKEY_LOCAL_MACHINE, kDriverKey, "CommandLine");
  EXPECT_NE(line.find(dir + "\\MDAC_TYP2.7.EXE"), std::string::npos) << line;
  EXPECT_TRUE(line.size() > 3 && line.substr(line.size() - 3) == " /q") << line;
  EXPECT_EQ(DriverRuns(), 1u);
  std::string server = RegistryText(HKEY_CLASSES_ROOT, kControlKey, nullptr);
  EXPECT_EQ(_stricmp(server.c_str(), (dir + "\\ttf16.ocx").c_str()), 0) << server;
  std::vector<ArchiveEntry> templates = ListArchive(SetupResource("MYRPT", "MYRPTFILE"));
  EXPECT_EQ(templates.size(), 48u);
  ExpectTemplates(dir + "\\report", templates);
  ExpectLink(DesktopLink(), dir);
}

namespace {

// Presses install and answers the completion message; the program must then end.
// `whileRunning` acts right after the press, before the sequence has finished.
void InstallToCompletion(RunningSetup& setup, const std::string& screenshot = "",
                         const std::function<void()>& whileRunning = {}) {
  RemoveLinks();
  ForgetRegistrations();
  setup.Press("安装");
  if (whileRunning) whileRunning();
  MessageBoxInfo box = setup.WaitMessageBox(180000);
  ASSERT_TRUE(box.hwnd) << "no completion message";
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text, kDone);
  EXPECT_EQ(box.buttons, std::vector<std::string>{"确定"});
  EXPECT_FALSE(box.hasIcon);
  for (int row = 1; row <= 5; ++row) EXPECT_TRUE(setup.MarkShown(row)) << row;
  if (!screenshot.empty()) setup.Screenshot(screenshot);
  setup.Answer(box);
  DWORD code = 1;
  ASSERT_TRUE(setup.WaitExit(30000, &code)) << "the window did not close after the message";
  EXPECT_EQ(code, 0u);
}

void ExpectDirectoryMessage(RunningSetup& setup) {
  setup.Press("安装");
  MessageBoxInfo box = setup.WaitMessageBox(30000);
  ASSERT_TRUE(box.hwnd);
  EXPECT_EQ(box.caption, "信息");
  EXPECT_EQ(box.text, "创建目录失败!");
  EXPECT_EQ(box.buttons.size(), 1u);
  EXPECT_FALSE(box.hasIcon);
  EXPECT_FALSE(IsWindowEnabled(setup.Main())) << "the window must wait for its box";
  setup.Screenshot("directory-message");
  setup.Answer(box);
  EXPECT_TRUE(setup.Running());
  EXPECT_TRUE(setup.ControlsEnabled());
  for (int row = 1; row <= 5; ++row) EXPECT_FALSE(setup.MarkShown(row)) << row;
}

// The title's white copy lies 2 pixels right of and below the maroon caption: what shows
// of it is the band along the caption's lower right edges, so nearly every white pixel has
// ink 2 up and 2 left, far fewer 2 down and 2 right.
void ExpectTitleShadowRightAndDown(RunningSetup& setup) {
  ui::Scaler scale;
  RunningSetup::Pixels title = setup.ClientPixels(scale.Rect(24, 24, 497, 49));
  COLORREF background = GetSysColor(COLOR_BTNFACE);
  int maroon = 0, white = 0;
  int inkAt[4] = {};  // from a white pixel: up-left, up-right, down-left, down-right
  const POINT kDiagonals[4] = {{-2, -2}, {2, -2}, {-2, 2}, {2, 2}};
  for (int y = 2; y < title.height - 2; ++y) {
    for (int x = 2; x < title.width - 2; ++x) {
      COLORREF c = title.At(x, y);
      if (c == RGB(0x80, 0, 0)) ++maroon;
      if (c != RGB(0xFF, 0xFF, 0xFF)) continue;
      ++white;
      for (int d = 0; d < 4; ++d) inkAt[d] += title.At(x + kDiagonals[d].x, y + kDiagonals[d].y) != background;
    }
  }
  ASSERT_GT(maroon, 200) << "the caption is maroon";
  ASSERT_GT(white, 200) << "the shadow is white";
  EXPECT_GT(inkAt[0], white * 9 / 10);
  EXPECT_LT(inkAt[3], inkAt[0] / 2);
  EXPECT_LT(inkAt[1], inkAt[0]);
  EXPECT_LT(inkAt[2], inkAt[0]);
}

TEST(Install, FullInstallWritesEveryPayloadShowsTheMessageAndCloses) {
  std::string dir = FreshDirectory("C:\\e2e\\full");
  RunningSetup setup;
  setup.Screenshot("main");
  ExpectTitleShadowRightAndDown(setup);
  ASSERT_TRUE(setup.DirectoryField());
  // The status bar: along the bottom, the full client width, 19 pixels high.
  HWND sb = FindWindowExA(setup.Main(), nullptr, "msctls_statusbar32", nullptr);
  ASSERT_TRUE(sb);
  RECT bar, client;
  GetWindowRect(sb, &bar);
  MapWindowPoints(nullptr, setup.Main(), reinterpret_cast<POINT*>(&bar), 2);
  GetClientRect(setup.Main(), &client);
  EXPECT_EQ(bar.bottom - bar.top, 19);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(bar.right - bar.left, client.right);
  EXPECT_TRUE(setup.ControlsEnabled());
  for (int row = 1; row <= 5; ++row) EXPECT_FALSE(setup.MarkShown(row)) << row;
  setup.SetDirectory(dir);
  InstallToCompletion(setup, "done");
  ExpectInstalled(dir);
  // The Start Menu has no "程序" folder under Wine: the group goes under "Programs".
  EXPECT_FALSE(DirectoryExists(StartMenuFolder() + "\\程序"));
  ExpectLink(GroupLink(), dir);
}

TEST(Install, GroupGoesUnderTheChineseProgramsFolderWhereOneExists) {
  std::string dir = FreshDirectory("C:\\e2e\\chinese-start-menu");
  std::string chinese = StartMenuFolder() + "\\程序";
  ASSERT_TRUE(CreateDirectoryA(chinese.c_str(), nullptr));
  RemoveDirectoryA((ProgramsFolder() + "\\Zorvik软件").c_str());
  RunningSetup setup;
  setup.SetDirectory(dir);
  InstallToCompletion(setup);
  ExpectLink(chinese + "\\Zorvik软件\\" + kLinkName, dir);
  EXPECT_FALSE(FileExists(GroupLink()));
  RemoveTree(chinese);
}

TEST(Install, SecondInstallBacksUpTheDatabaseAndSparesAReadOnlyTemplate) {
  std::string dir = FreshDirectory("C:\\e2e\\again");
  {
    RunningSetup first;
    first.SetDirectory(dir);
    InstallToCompletion(first);
  }
  // The user's data since, and a template the user protected.
  std::string userData = ReadFile(dir + "\\db.mdb") + "entries of the first year";
  if (FILE* f = std::fopen((dir + "\\db.mdb").c_str(), "wb")) {
    std::fwrite(userData.data(), 1, userData.size(), f);
    std::fclose(f);
  }
  std::vector<ArchiveEntry> templates = ListArchive(SetupResource("MYRPT", "MYRPTFILE"));
  ASSERT_FALSE(templates.empty());
  std::string kept = dir + "\\report\\" + templates[0].name;
  if (FILE* f = std::fopen(kept.c_str(), "wb")) {
    std::fputs("my own layout", f);
    std::fclose(f);
  }
  SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_READONLY);

  RunningSetup second;
  second.SetDirectory(dir);
  InstallToCompletion(second);
  EXPECT_TRUE(ReadFile(dir + "\\db.mdb") == SetupResource("MYDBSRC", "MYDBSRCFILE"));
  std::vector<std::string> backups;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*db.mdb").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    std::string name = fd.cFileName;
    if (_stricmp(name.c_str(), "db.mdb") != 0) backups.push_back(name);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  ASSERT_EQ(backups.size(), 1u);
  const std::string& backup = backups[0];
  EXPECT_EQ(backup.size(), 20u);
  EXPECT_EQ(backup.find_first_not_of("0123456789"), 14u) << backup;
  EXPECT_EQ(backup.substr(14), "db.mdb");
  EXPECT_TRUE(ReadFile(dir + "\\" + backup) == userData) << "the backup must hold the earlier database";
  EXPECT_EQ(ReadFile(kept), "my own layout");
  SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Install, DirectoryWithABlankAndChineseNameNeverStartsAProgramAtItsPrefix) {
  CreateDirectoryA("C:\\e2e", nullptr);
  std::string dir = FreshDirectory("C:\\e2e\\my 帐本");
  // A program where the unquoted command line would find one; it records any run.
  std::string planted = "C:\\e2e\\my.exe";
  std::string stub = SetupResource("MYDBJET", "MYDBJETFILE");
  if (FILE* f = std::fopen(planted.c_str(), "wb")) {
    std::fwrite(stub.data(), 1, stub.size(), f);
    std::fclose(f);
  }
  RunningSetup setup;
  setup.SetDirectory(dir);
  InstallToCompletion(setup);
  ExpectInstalled(dir);
  std::string line = RegistryText(HKEY_LOCAL_MACHINE, kDriverKey, "CommandLine");
  EXPECT_EQ(line, "\"" + dir + "\\MDAC_TYP2.7.EXE\" /q");
  DeleteFileA(planted.c_str());
}

TEST(Install, ManifestAsksForAdministratorDpiAwarenessAndCommonControls6) {
  HMODULE m = LoadLibraryExA(setupPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(m);
  HRSRC r = FindResourceA(m, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_TRUE(r) << "no application manifest";
  std::string manifest(static_cast<const char*>(LockResource(LoadResource(m, r))), SizeofResource(m, r));
  FreeLibrary(m);
  for (const char* part : {"level=\"requireAdministrator\"", ">true</dpiAware>",
                           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "{e2011457-1546-43c5-a5fe-008deee3d3f0}"})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

TEST(Install, EmptyFieldShowsTheDirectoryMessageAndWritesNothing) {
  RunningSetup setup;
  setup.SetDirectory("");
  ExpectDirectoryMessage(setup);
}

TEST(Install, DirectoryOnAMissingDriveShowsTheDirectoryMessage) {
  RunningSetup setup;
  setup.SetDirectory("q:\\kestrum");
  ExpectDirectoryMessage(setup);
  EXPECT_FALSE(DirectoryExists("q:\\kestrum"));
}

TEST(Install, DefaultTextFollowedByBlanksInstallsIntoTheTrimmedDirectory) {
  std::string dir = FreshDirectory("d:\\kestrum");
  RunningSetup setup;
  setup.SetDirectory("d:\\kestrum   ");
  InstallToCompletion(setup);
  ExpectInstalled(dir);
}

// Kept copies of a user's file in dir: names of 14 digits and `name`.
std::vector<std::string> CopiesOf(const std::string& dir, const std::string& name) {
  std::vector<std::string> copies;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*" + name).c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return copies;
  do {
    std::string found = fd.cFileName;
    if (found.size() == 14 + name.size() && found.find_first_not_of("0123456789") == 14) copies.push_back(found);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return copies;
}

void WriteText(const std::string& path, const std::string& text) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

// The application holding its database open and a settings file made read-only: the check
// names both and what to do before anything is written; cleared, the install keeps the
// user's database and settings as time-stamped copies.
TEST(Install, HeldAndReadOnlyFilesStopTheInstallBeforeAnythingIsWrittenThenASecondPressInstalls) {
  std::string dir = FreshDirectory("C:\\e2e\\inway");
  CreateDirectoryA("C:\\e2e", nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string login = dir + "\\login.dat", db = dir + "\\db.mdb";
  WriteText(login, "old");
  SetFileAttributesA(login.c_str(), FILE_ATTRIBUTE_READONLY);
  WriteText(db, "user data");
  // As a database engine holds it: shared for reading and writing with other users of it.
  HANDLE held = CreateFileA(db.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  RunningSetup setup;
  setup.SetDirectory(dir);
  setup.Press("安装");
  MessageBoxInfo box = setup.WaitMessageBox(60000);
  ASSERT_TRUE(box.hwnd);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text, "下列文件正被其他程序使用，无法替换: \"" + db +
                          "\"。请先关闭 Zorvik电子帐本（以及其他打开这些文件的程序），再按“安装”。\n"
                          "下列文件是只读的，无法替换: \"" + login + "\"。请在文件的属性中去掉“只读”，再按“安装”。");
  EXPECT_TRUE(box.hasIcon);
  setup.Screenshot("check-message");
  EXPECT_FALSE(FileExists(dir + "\\kestrum.exe")) << "nothing may be written";
  EXPECT_TRUE(CopiesOf(dir, "db.mdb").empty());
  setup.Answer(box);
  EXPECT_TRUE(setup.Running());
  EXPECT_TRUE(setup.ControlsEnabled());
  for (int row = 1; row <= 5; ++row) EXPECT_FALSE(setup.MarkShown(row)) << row;

  CloseHandle(held);
  SetFileAttributesA(login.c_str(), FILE_ATTRIBUTE_NORMAL);
  InstallToCompletion(setup);
  ExpectInstalled(dir);
  std::vector<std::string> dbCopies = CopiesOf(dir, "db.mdb"), loginCopies = CopiesOf(dir, "login.dat");
  ASSERT_EQ(dbCopies.size(), 1u);
  EXPECT_EQ(ReadFile(dir + "\\" + dbCopies[0]), "user data");
  ASSERT_EQ(loginCopies.size(), 1u);
  EXPECT_EQ(ReadFile(dir + "\\" + loginCopies[0]), "old");
}

// The installed application running: its program cannot be replaced, and the check says
// to close it before anything is written, the database's backup included.
TEST(Install, RunningApplicationStopsTheInstallNamingItThenASecondPressInstalls) {
  std::string dir = FreshDirectory("C:\\e2e\\running");
  {
    RunningSetup first;
    first.SetDirectory(dir);
    InstallToCompletion(first);
  }
  std::string exe = dir + "\\kestrum.exe";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));
  WaitForInputIdle(pi.hProcess, 10000);

  RunningSetup second;
  second.SetDirectory(dir);
  second.Press("安装");
  MessageBoxInfo box = second.WaitMessageBox(60000);
  ASSERT_TRUE(box.hwnd);
  EXPECT_EQ(box.text, "下列文件正被其他程序使用，无法替换: \"" + exe +
                          "\"。请先关闭 Zorvik电子帐本（以及其他打开这些文件的程序），再按“安装”。");
  EXPECT_TRUE(CopiesOf(dir, "db.mdb").empty());
  second.Answer(box);

  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  InstallToCompletion(second);
  ExpectInstalled(dir);
  EXPECT_EQ(CopiesOf(dir, "db.mdb").size(), 1u);
}

TEST(Install, AbandonAtStartEndsTheProgramWithNothingWritten) {
  std::string dir = FreshDirectory("C:\\e2e\\abandon");
  RunningSetup setup;
  setup.SetDirectory(dir);
  setup.Press("放弃");
  EXPECT_TRUE(setup.WaitExit(20000));
  EXPECT_FALSE(DirectoryExists(dir));
}

TEST(Install, CloseBoxEndsTheProgramLikeAbandon) {
  std::string dir = FreshDirectory("C:\\e2e\\closebox");
  RunningSetup setup;
  setup.SetDirectory(dir);
  setup.CloseBox();
  EXPECT_TRUE(setup.WaitExit(20000));
  EXPECT_FALSE(DirectoryExists(dir));
}

bool WaitFor(bool (*done)(HWND), HWND h) {
  for (int i = 0; i < 100; ++i) {
    if (done(h)) return true;
    Sleep(50);
  }
  return false;
}

// The task bar lists visible windows that have no owner; the main window has one, the
// application's window, so the only entry reads the title.
TEST(Install, TaskBarEntryReadsTheTitleAndMinimisingHidesTheWindowUntilRestored) {
  std::string dir = FreshDirectory("C:\\e2e\\taskbar");
  RunningSetup setup;
  setup.SetDirectory(dir);
  HWND entry = GetWindow(setup.Main(), GW_OWNER);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(WindowText(entry), kTitle);
  EXPECT_TRUE(IsWindowVisible(entry));
  EXPECT_EQ(GetWindow(entry, GW_OWNER), nullptr);
  EXPECT_FALSE(GetWindowLongA(entry, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongA(setup.Main(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  RECT r;
  GetWindowRect(entry, &r);
  EXPECT_TRUE(r.right == r.left || r.bottom == r.top) << "the entry's window must never be seen";

  PostMessageA(setup.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([](HWND h) { return IsIconic(h) != FALSE; }, entry));
  EXPECT_TRUE(WaitFor([](HWND h) { return !IsWindowVisible(h); }, setup.Main()));

  PostMessageA(entry, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(WaitFor([](HWND h) { return IsWindowVisible(h) != FALSE; }, setup.Main()));
  EXPECT_FALSE(IsIconic(entry));
  EXPECT_TRUE(setup.ControlsEnabled());

  // Close from the entry's menu is the close box: the program ends, nothing written.
  PostMessageA(entry, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(setup.WaitExit(20000));
  EXPECT_FALSE(DirectoryExists(dir));
}

// Close requests queued behind the install button reach the window while the sequence lets
// messages through: they are refused, and the install completes in the right directory.
TEST(Install, CloseRequestsDuringTheInstallAreRefusedUntilItCompletes) {
  std::string dir = FreshDirectory("C:\\e2e\\close-during");
  RunningSetup setup;
  setup.SetDirectory(dir);
  InstallToCompletion(setup, "", [&setup] {
    PostMessageA(setup.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(setup.Main(), WM_CLOSE, 0, 0);
    PostMessageA(GetWindow(setup.Main(), GW_OWNER), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  ExpectInstalled(dir);
  ExpectLink(GroupLink(), dir);
}

// A template that cannot be written is no installed template: the install stops naming it,
// through the error display, and goes through once the file is out of the way.
TEST(Install, TemplateThatCannotBeWrittenStopsNamingItThenASecondPressInstalls) {
  CreateDirectoryA("C:\\e2e", nullptr);
  std::string dir = FreshDirectory("C:\\e2e\\hidden-template");
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA((dir + "\\report").c_str(), nullptr);
  std::vector<ArchiveEntry> templates = ListArchive(SetupResource("MYRPT", "MYRPTFILE"));
  ASSERT_FALSE(templates.empty());
  // The system creates no file over a hidden one.
  std::string hidden = dir + "\\report\\" + templates[0].name;
  if (FILE* f = std::fopen(hidden.c_str(), "wb")) {
    std::fputs("hidden", f);
    std::fclose(f);
  }
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));

  RunningSetup setup;
  setup.SetDirectory(dir);
  RemoveLinks();
  setup.Press("安装");
  MessageBoxInfo box = setup.WaitMessageBox(180000);
  ASSERT_TRUE(box.hwnd);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text, "解压报表文件失败: " + templates[0].name + "(无法创建)");
  EXPECT_TRUE(box.hasIcon);
  setup.Answer(box);
  EXPECT_TRUE(setup.Running());
  EXPECT_TRUE(setup.ControlsEnabled());
  for (int row = 1; row <= 3; ++row) EXPECT_TRUE(setup.MarkShown(row)) << row;
  for (int row = 4; row <= 5; ++row) EXPECT_FALSE(setup.MarkShown(row)) << row;
  EXPECT_EQ(ReadFile(hidden), "hidden");
  EXPECT_TRUE(FileExists(dir + "\\report.zip"));
  EXPECT_FALSE(FileExists(DesktopLink()));

  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
  InstallToCompletion(setup);
  ExpectInstalled(dir);
}

// A setup program usually runs from a downloads folder, where anyone may have left a library
// named like one the program or the system would load: none of them is loaded.
const char* const kPlantedNames[] = {"msimg32.dll", "uxtheme.dll", "version.dll", "dwmapi.dll"};

TEST(Install, LibrariesPlantedBesideSetupAreNotLoaded) {
  CreateDirectoryA("C:\\e2e", nullptr);
  std::string folder = FreshDirectory("C:\\e2e\\downloads");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string copy = folder + "\\setup.exe";
  ASSERT_TRUE(CopyFileA(setupPath.c_str(), copy.c_str(), FALSE));
  std::string planted = setupPath.substr(0, setupPath.rfind('\\')) + "\\probes\\planted.dll";
  for (const char* name : kPlantedNames)
    ASSERT_TRUE(CopyFileA(planted.c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
  std::string dir = FreshDirectory("C:\\e2e\\from-downloads");
  {
    RunningSetup setup(copy);
    setup.SetDirectory(dir);
    InstallToCompletion(setup);
  }
  ExpectInstalled(dir);
  for (const char* name : kPlantedNames) EXPECT_FALSE(FileExists(folder + "\\" + name + ".loaded")) << name;
}

}  // namespace
}  // namespace e2e
