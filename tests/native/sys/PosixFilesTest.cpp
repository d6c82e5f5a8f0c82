// The native build's file layer on real temporary files: committing a finished temporary
// answers as Windows does, and the room left on the drive is reported.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sys/Files.h"

namespace {

class PosixFiles : public ::testing::Test {
 protected:
  PosixFiles() {
    char pattern[] = "/tmp/zorvik-files-XXXXXX";
    root_ = mkdtemp(pattern);
  }
  ~PosixFiles() override { std::filesystem::remove_all(root_); }
  std::string Put(const std::string& name, const std::string& text) {
    std::ofstream(root_ + "/" + name) << text;
    return root_ + "/" + name;
  }
  std::string Read(const std::string& name) {
    std::ostringstream s;
    s << std::ifstream(root_ + "/" + name).rdbuf();
    return s.str();
  }
  // Moves a new temporary over `name`; 0 when done, else the error code.
  uint32_t Commit(const std::string& name, bool replace) {
    std::string temporary = Put("~zs00000000.tmp", "new");
    bool moved = fs.CommitFile(temporary, root_ + "/" + name, replace);
    uint32_t code = fs.LastError();
    std::filesystem::remove(temporary);
    return moved ? 0 : code;
  }

  sys::FileSystem& fs = sys::RealFileSystem();
  std::string root_;
};

TEST_F(PosixFiles, CommitReplacesAPlainFileButNeitherAReadOnlyNorALockedOne) {
  Put("plain.dat", "old");
  EXPECT_EQ(Commit("plain.dat", true), 0u);
  EXPECT_EQ(Read("plain.dat"), "new");
  EXPECT_EQ(Commit("plain.dat", false), sys::kErrorAlreadyExists);
  EXPECT_EQ(Commit("fresh.dat", false), 0u);

  chmod(Put("readonly.dat", "old").c_str(), 0444);
  EXPECT_EQ(Commit("readonly.dat", true), sys::kErrorAccessDenied);
  EXPECT_EQ(Read("readonly.dat"), "old");

  int held = open(Put("held.dat", "old").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);  // as a file opened without sharing is held
  EXPECT_EQ(Commit("held.dat", true), sys::kErrorSharingViolation);
  close(held);
  EXPECT_EQ(Read("held.dat"), "old");

  std::filesystem::create_directory(root_ + "/folder.dat");
  EXPECT_EQ(Commit("folder.dat", true), sys::kErrorAccessDenied);
}

TEST_F(PosixFiles, FreeSpaceReportsTheRoomAndTheBlockSize) {
  sys::DiskSpace space;
  ASSERT_TRUE(fs.FreeSpace(root_, space));
  EXPECT_GT(space.freeBytes, 0u);
  EXPECT_GE(space.clusterBytes, 512u);
  EXPECT_FALSE(fs.FreeSpace(root_ + "/missing", space));
}

}  // namespace
