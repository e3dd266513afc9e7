// The POSIX profile writer keeps an INI file the user's: a read-only file
// is refused and left as it is (for root too), and a rewrite keeps the
// file's permission bits, its owner and a symbolic link to it. A path
// naming no regular file is neither read nor written.
#include <chrono>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/profile_file.h"
#include "support/finishes_within.h"
#include "support/temp_dir.h"

namespace ecocam::platform {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using namespace std::chrono_literals;

const char kOriginal[] = "[eco424MVGE]\nWidth=640\n";

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(0, stat(path.c_str(), &info));
  return info.st_mode & 07777;
}

std::string Read(const std::string& file, const char* key) {
  char buffer[64];
  ReadProfileString("eco424MVGE", key, "default", buffer, sizeof buffer, file.c_str());
  return buffer;
}

TEST(ProfileFilePosix, AReadOnlyFileIsRefusedAndUntouched) {
  TempDir dir;
  const std::string file = dir.File("SVS-Vistek.ini");
  // No write bit for the owner is read-only, whoever runs the driver: root
  // could write the file anyway, Windows would refuse.
  for (const mode_t mode : {0444, 0400, 0000, 0066}) {
    SCOPED_TRACE(mode);
    WriteFile(file, kOriginal);
    ASSERT_EQ(0, chmod(file.c_str(), mode));
    EXPECT_FALSE(WriteProfileString("eco424MVGE", "Width", "1", file.c_str()));
    EXPECT_FALSE(WriteProfileString("eco424MVGE", "Height", "2", file.c_str()));
    EXPECT_EQ(ReadFile(file), kOriginal);
    EXPECT_EQ(ModeOf(file), mode);
    ASSERT_EQ(0, chmod(file.c_str(), 0644));
  }
}

TEST(ProfileFilePosix, ARewriteKeepsPermissionBitsOwnerAndLink) {
  TempDir dir;
  const std::string file = dir.File("SVS-Vistek.ini");
  const mode_t oldMask = umask(022);
  for (const mode_t mode : {0600, 0640, 0664, 0666, 0604}) {
    SCOPED_TRACE(mode);
    WriteFile(file, kOriginal);
    ASSERT_EQ(0, chmod(file.c_str(), mode));
    EXPECT_TRUE(WriteProfileString("eco424MVGE", "Width", "1", file.c_str()));
    EXPECT_EQ(ModeOf(file), mode);
    ASSERT_EQ(0, chmod(file.c_str(), 0644));
    EXPECT_EQ(Read(file, "Width"), "1");
  }
  umask(oldMask);

  // Another user's file that this process may write (root, here) stays
  // that user's.
  if (geteuid() == 0) {
    ASSERT_EQ(0, chown(file.c_str(), 4321, 4322));
    EXPECT_TRUE(WriteProfileString("eco424MVGE", "Width", "3", file.c_str()));
    struct stat info {};
    ASSERT_EQ(0, stat(file.c_str(), &info));
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 4322u);
  }

  // Written through a symbolic link, which stays a link.
  const std::string link = dir.File("link.ini");
  ASSERT_EQ(0, symlink(file.c_str(), link.c_str()));
  EXPECT_TRUE(WriteProfileString("eco424MVGE", "Height", "2", link.c_str()));
  struct stat info {};
  ASSERT_EQ(0, lstat(link.c_str(), &info));
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(Read(file, "Height"), "2");

  // No temporary file is left beside it.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) entries += entry.exists() ? 1 : 0;
  EXPECT_EQ(entries, 2);
}

TEST(ProfileFilePosix, AFifoIsNeitherReadNorWritten) {
  TempDir dir;
  const std::string fifo = dir.File("SVS-Vistek.ini");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0644));
  const auto writer = [&] {  // lets a reader blocked in its open go
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
  };
  std::string value;
  bool written = true;
  EXPECT_TRUE(testing::FinishesWithin(
      5000ms, [&] { value = Read(fifo, "Width"); }, writer));
  EXPECT_EQ(value, "default");
  EXPECT_TRUE(testing::FinishesWithin(
      5000ms, [&] { written = WriteProfileString("eco424MVGE", "Width", "1", fifo.c_str()); }, writer));
  EXPECT_FALSE(written);
  struct stat info {};
  ASSERT_EQ(0, lstat(fifo.c_str(), &info));
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

}  // namespace
}  // namespace ecocam::platform
