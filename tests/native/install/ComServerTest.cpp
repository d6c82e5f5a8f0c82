// COM server self-registration against a library fake that logs loads, look-ups, calls and
// frees; and the POSIX loader against a real shared object of the host.
#include <gtest/gtest.h>

#include <stdexcept>

#include "install/ComServer.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/FakeLibraries.h"
#include "tests/native/support/RecordingWindow.h"

namespace {

constexpr sys::HResult kEFail = static_cast<sys::HResult>(0x80004005u);

class ComServerTest : public ::testing::Test {
 protected:
  std::vector<std::string> log;
  support::FakeLibraries libraries{log};
  const std::string path = "d:\\kestrum\\ttf16.ocx";

  void Exports(sys::HResult registerResult, sys::HResult unregisterResult) {
    libraries.files[path] = {{"DllRegisterServer", [=] { return registerResult; }},
                             {"DllUnregisterServer", [=] { return unregisterResult; }}};
  }
};

TEST_F(ComServerTest, MissingFileGivesFalseAndLoadsNothing) {
  EXPECT_FALSE(install::RegisterComServer(libraries, path, true));
  EXPECT_EQ(log, std::vector<std::string>{"load " + path});
  EXPECT_EQ(libraries.loaded, 0);
}

TEST_F(ComServerTest, LibraryWithoutEntryPointsGivesFalseAndIsFreedForBothFlags) {
  libraries.files[path] = {};
  EXPECT_FALSE(install::RegisterComServer(libraries, path, true));
  EXPECT_FALSE(install::RegisterComServer(libraries, path, false));
  std::vector<std::string> expected = {"load " + path, "find DllRegisterServer",   "free " + path,
                                       "load " + path, "find DllUnregisterServer", "free " + path};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(libraries.loaded, 0);
}

TEST_F(ComServerTest, OnlySOkCountsAsSuccess) {
  struct Case {
    sys::HResult result;
    bool expected;
  } cases[] = {{sys::kSOk, true}, {sys::kSFalse, false}, {2, false}, {kEFail, false}};
  for (const auto& c : cases) {
    Exports(c.result, sys::kSOk);
    EXPECT_EQ(install::RegisterComServer(libraries, path, true), c.expected) << c.result;
    EXPECT_EQ(libraries.loaded, 0);
  }
}

TEST_F(ComServerTest, UnregisterFlagCallsOnlyDllUnregisterServer) {
  Exports(kEFail, sys::kSOk);
  EXPECT_TRUE(install::RegisterComServer(libraries, path, false));
  std::vector<std::string> expected = {"load " + path, "find DllUnregisterServer", "call DllUnregisterServer",
                                       "free " + path};
  EXPECT_EQ(log, expected);

  log.clear();
  Exports(sys::kSOk, sys::kSFalse);
  EXPECT_FALSE(install::RegisterComServer(libraries, path, false));
  EXPECT_EQ(log[2], "call DllUnregisterServer");
}

TEST_F(ComServerTest, ErrorOfTheEntryPointTravelsOnAfterTheLibraryIsFreed) {
  libraries.files[path] = {{"DllRegisterServer", []() -> sys::HResult { throw std::runtime_error("fault"); }}};
  EXPECT_THROW(install::RegisterComServer(libraries, path, true), std::runtime_error);
  EXPECT_EQ(libraries.loaded, 0);
  EXPECT_EQ(log.back(), "free " + path);
}

TEST_F(ComServerTest, RegistrationStepRegistersTheControlInTheInstallDirectory) {
  support::RecordingWindow window{log};
  support::FakeFileSystem files;
  Exports(sys::kSOk, kEFail);
  EXPECT_NO_THROW(install::RegisterControl(window, libraries, files, "d:\\kestrum"));
  std::vector<std::string> expected = {"status 正在注册控件....", "load " + path, "find DllRegisterServer",
                                       "call DllRegisterServer", "free " + path};
  EXPECT_EQ(log, expected);  // no row is marked

  Exports(kEFail, sys::kSOk);
  EXPECT_THROW(install::RegisterControl(window, libraries, files, "d:\\kestrum"), install::ERegistrationError);
  EXPECT_EQ(libraries.loaded, 0);
}

TEST_F(ComServerTest, RegistrationStepLoadsTheControlByItsFullPath) {
  support::RecordingWindow window{log};
  support::FakeFileSystem files;  // current directory c:\work
  libraries.files["c:\\work\\rel\\ttf16.ocx"] = {{"DllRegisterServer", [] { return sys::kSOk; }}};
  EXPECT_NO_THROW(install::RegisterControl(window, libraries, files, "rel"));
  EXPECT_EQ(log[1], "load c:\\work\\rel\\ttf16.ocx");
}

TEST(ComServerHostLoader, RealLibraryWithoutEntryPointsAndMissingFile) {
  sys::Libraries& real = sys::RealLibraries();
  EXPECT_FALSE(install::RegisterComServer(real, "/nonexistent/ttf16.ocx", true));
  // The C library is loadable and exports neither entry point.
  auto libc = real.Load("libc.so.6");
  ASSERT_TRUE(libc);
  EXPECT_TRUE(libc->Find("getpid"));
  EXPECT_FALSE(libc->Find("DllRegisterServer"));
  EXPECT_FALSE(install::RegisterComServer(real, "libc.so.6", true));
  EXPECT_FALSE(install::RegisterComServer(real, "libc.so.6", false));
}

}  // namespace
