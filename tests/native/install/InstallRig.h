// The install sequence's test bench: a recording window, fake resources holding every
// payload, the in-memory disk with a user's shell folders, and the window's components.
#pragma once

#include <gtest/gtest.h>

#include <map>

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "install/Installer.h"
#include "tests/native/support/FakeClock.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/FakeLibraries.h"
#include "tests/native/support/FakeProcesses.h"
#include "tests/native/support/FakeRegistry.h"
#include "tests/native/support/FakeShell.h"
#include "tests/native/support/RecordingWindow.h"
#include "tests/native/support/ScriptedUi.h"
#include "tests/native/zip/ZipTestKit.h"

namespace installtest {

// The shared recording window, keeping its own log.
struct EventLog {
  std::vector<std::string> events;
};
class RecordingWindow : private EventLog, public support::RecordingWindow {
 public:
  using EventLog::events;
  RecordingWindow() : support::RecordingWindow(events) {}
};

class MapResources : public sys::Resources {
 public:
  std::map<std::string, std::string> blobs;  // "NAME/TYPE" upper-cased
  bool Load(const std::string& name, const std::string& type, const void*& data, uint32_t& size) override {
    auto it = blobs.find(base::UpperAscii(name) + "/" + base::UpperAscii(type));
    if (it == blobs.end()) return false;
    data = it->second.data();
    size = static_cast<uint32_t>(it->second.size());
    return true;
  }
};

const std::string kFolders =
    "S-1-5-21-7-7-7-1001\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kStartMenu = "c:\\users\\li\\Start Menu";
const std::string kDesktop = "c:\\users\\li\\Desktop";
const std::string kControl = "d:\\kestrum\\ttf16.ocx";

inline ziptest::ZipItem TemplateItem(const std::string& name) {
  std::string data = "[Report]\r\nTitle=" + name + "\r\n";
  return ziptest::ZipItem(name, data).Packed(8, ziptest::StoredDeflate(data)).Host(0x0014);
}

// Two report templates with GBK names at the archive's root, deflated, host MS-DOS; the
// second one's stored CRC wrong when asked.
inline std::string ReportArchive(bool secondCorrupt = false) {
  ziptest::ZipItem second = TemplateItem("利润表.pg");
  if (secondCorrupt) second.Crc(ziptest::Crc("another text"));
  return ziptest::BuildZip({TemplateItem("资产负债表.pg"), second});
}

// The window, the system's services and the window's components, as a fresh machine with
// the D: drive and a user's shell folders.
struct Rig {
  Rig() {
    for (const auto& p : install::kPayloads)
      resources.blobs[base::UpperAscii(p.name) + "/" + base::UpperAscii(p.type)] = std::string("bytes of ") + p.file;
    resources.blobs["MYRPT/MYRPTFILE"] = ReportArchive();
    fs.AddDirectory("d:");
    registry.AddKey(".DEFAULT");
    registry.SetString(kFolders, "Start Menu", kStartMenu);
    registry.SetString(kFolders, "Desktop", kDesktop);
    registry.SetString(kFolders, "Programs", kStartMenu + "\\Programs");
    for (const std::string& dir :
         {std::string("c:\\users"), std::string("c:\\users\\li"), kStartMenu, kStartMenu + "\\Programs", kDesktop})
      fs.AddDirectory(dir);
    zip.SetOverwriteMode(zip::Always);
    zip.SetDoAll(true);
    shortcut.SetNameSubDirInStartMenu("Zorvik软件");
    ui.markOem = false;
    RegisteringControl(sys::kSOk);
  }
  void RegisteringControl(sys::HResult result) {
    libraries.files[kControl] = {{"DllRegisterServer", [result] { return result; }}};
  }
  // Presses install expecting an error of that class; the text the error display shows.
  template <typename E>
  std::string PressFails() {
    try {
      installer.BitBtn1Click(typed);
    } catch (const E& e) {
      return base::ErrorDisplayText(e.Message());
    }
    ADD_FAILURE() << "no error of the expected class";
    return "";
  }
  // After a stop the window is open with its controls enabled, nothing called complete, and
  // the files written so far are in place.
  void ExpectStoppedWithFilesKept() {
    EXPECT_EQ(window.events.back(), "enable");
    EXPECT_TRUE(Only("close").empty());
    EXPECT_TRUE(Only("message").empty());
    for (const char* file : {"kestrum.exe", "login.dat", "qtintf70.dll", "ttf16.ocx", "db.mdb"})
      EXPECT_EQ(fs.Contents(std::string("d:\\kestrum\\") + file), std::string("bytes of ") + file) << file;
  }
  // A new press runs every step from the start and completes.
  void ExpectNextPressInstalls() {
    window.events.clear();
    ASSERT_NO_THROW(installer.BitBtn1Click(typed));
    EXPECT_EQ(window.events.front(), "disable");
    EXPECT_EQ(Only("mark"), (std::vector<std::string>{"mark 1", "mark 2", "mark 3", "mark 4", "mark 5"}));
    EXPECT_EQ(Only("message"), std::vector<std::string>{"message 安装完成，请重新启动电脑！"});
    EXPECT_EQ(window.events.back(), "close");
    EXPECT_FALSE(fs.Exists("d:\\kestrum\\report.zip"));
    EXPECT_EQ(fs.Contents("d:\\kestrum\\report\\利润表.pg"), "[Report]\r\nTitle=利润表.pg\r\n");
    EXPECT_EQ(libraries.loaded, 0);
  }
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> r;
    for (const auto& e : window.events)
      if (e.rfind(prefix, 0) == 0) r.push_back(e);
    return r;
  }
  std::string typed = "d:\\kestrum";  // the directory field's text at the press
  RecordingWindow window;
  MapResources resources;
  support::FakeFileSystem fs;
  support::ScriptedUi ui;
  zip::TZipExtractor zip{fs, ui};
  std::vector<std::string> osLog;
  support::FakeClock clock{sys::LocalTime{2026, 3, 5, 14, 7, 9, 0}};
  support::FakeProcesses processes{osLog};
  support::FakeLibraries libraries{osLog};
  support::Journal journal;
  support::FakeRegistry registry;
  support::FakeShellLinks links{journal};
  shell::TShortcut shortcut{registry, fs, links};
  install::Installer installer{window, {fs, resources, clock, processes, libraries, zip, shortcut}};
};

}  // namespace installtest
