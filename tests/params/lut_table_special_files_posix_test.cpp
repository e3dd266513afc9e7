// Lookup-table paths that name no regular file: a FIFO nobody writes to
// and devices that never end are refused at once, without being read.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "params_fixture.h"
#include "params/lut_table_file.h"
#include "support/finishes_within.h"

namespace ecocam {
namespace {

using testing::FinishesWithin;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

class LutTableSpecialFilesTest : public testing::ParamsTest {
 protected:
  // Reads the path as the camera's push and the configuration page do;
  // false when that took longer than a few seconds.
  bool ReadsAtOnce(const std::string& path, const std::function<void()>& poke = {}) {
    return FinishesWithin(
        5000ms,
        [&] {
          LutTableFile file(path);
          _names = file.ColumnNames();
          _selected = file.SelectColumn("A");
        },
        poke);
  }
  std::vector<std::string> _names{"unread"};
  bool _selected = true;
};

TEST_F(LutTableSpecialFilesTest, AFifoWithoutAWriterIsNotOpened) {
  const std::string fifo = (_dir.path() / "lut.csv").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::string link = (_dir.path() / "link.csv").string();
  ASSERT_EQ(0, symlink(fifo.c_str(), link.c_str()));
  // A reader blocked in its open is let go by a writer's open.
  const auto writer = [&] {
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
  };
  for (const std::string& path : {fifo, link}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(ReadsAtOnce(path, writer));
    EXPECT_THAT(_names, IsEmpty());
    EXPECT_FALSE(_selected);
  }
}

// Not read at all, even when what it would give is a valid table.
TEST_F(LutTableSpecialFilesTest, AFifoWithATableInItIsNotRead) {
  const std::string fifo = (_dir.path() / "lut.csv").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  const std::string table = "in;A\n0;9\n";
  ASSERT_EQ(static_cast<ssize_t>(table.size()), write(writer, table.data(), table.size()));
  // A reader waiting for more is let go when the writer closes its end.
  EXPECT_TRUE(ReadsAtOnce(fifo, [&] {
    if (writer >= 0) close(writer);
    writer = -1;
  }));
  if (writer >= 0) close(writer);
  EXPECT_THAT(_names, IsEmpty());
  EXPECT_FALSE(_selected);
}

TEST_F(LutTableSpecialFilesTest, AnEndlessDeviceIsNotRead) {
  EXPECT_TRUE(ReadsAtOnce("/dev/zero"));
  EXPECT_THAT(_names, IsEmpty());
  EXPECT_FALSE(_selected);
}

TEST_F(LutTableSpecialFilesTest, ALinkToARegularFileIsRead) {
  const std::string file = (_dir.path() / "table.csv").string();
  testing::WriteFile(file, "in;A\n0;9\n");
  const std::string link = (_dir.path() / "link.csv").string();
  ASSERT_EQ(0, symlink(file.c_str(), link.c_str()));
  EXPECT_TRUE(ReadsAtOnce(link));
  EXPECT_THAT(_names, ::testing::ElementsAre("A"));
  EXPECT_TRUE(_selected);
}

}  // namespace
}  // namespace ecocam
