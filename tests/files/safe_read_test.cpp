#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "files/SafeRead.h"
#include "support/TempDir.h"

using Files::OverLimit;
using Files::ReadRegularFile;
using Files::ReadStatus;
using testsupport::TempDir;
using testsupport::WriteAll;

TEST(SafeRead, RegularFilesUpToTheLimit) {
  TempDir dir;
  WriteAll(dir.File("f"), "0123456789");
  const struct {
    size_t limit;
    OverLimit over;
    ReadStatus status;
    std::string data;
    bool truncated;
  } cases[] = {
      {10, OverLimit::Refuse, ReadStatus::Ok, "0123456789", false}, // exactly the limit
      {100, OverLimit::Refuse, ReadStatus::Ok, "0123456789", false},
      {9, OverLimit::Refuse, ReadStatus::TooLarge, "", false},
      {9, OverLimit::Truncate, ReadStatus::Ok, "012345678", true},
      {0, OverLimit::Truncate, ReadStatus::Ok, "", true},
      {10, OverLimit::Truncate, ReadStatus::Ok, "0123456789", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    const Files::ReadResult r = ReadRegularFile(dir.File("f"), c.limit, c.over);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.data, c.data);
    EXPECT_EQ(r.truncated, c.truncated);
    EXPECT_EQ(r.error.empty(), c.status == ReadStatus::Ok) << r.error;
  }
  WriteAll(dir.File("empty"), "");
  EXPECT_TRUE(ReadRegularFile(dir.File("empty"), 10).Ok());
}

TEST(SafeRead, EverythingButARegularFileIsRefusedWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink(dir.File("fifo").c_str(), dir.File("to-fifo").c_str()), 0);
  ASSERT_EQ(::symlink("/dev/zero", dir.File("zero").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
  WriteAll(dir.File("file"), "x");
  for (const char* name : {"fifo", "to-fifo", "zero", "folder"}) {
    SCOPED_TRACE(name);
    const Files::ReadResult r = ReadRegularFile(dir.File(name), 1 << 20, OverLimit::Truncate);
    EXPECT_EQ(r.status, ReadStatus::NotRegular);
    EXPECT_TRUE(r.data.empty());
    EXPECT_FALSE(r.error.empty());
  }
  EXPECT_TRUE(ReadRegularFile(dir.File("folder"), 10).isFolder);
  EXPECT_FALSE(ReadRegularFile(dir.File("fifo"), 10).isFolder);
  EXPECT_EQ(ReadRegularFile(dir.File("missing"), 10).status, ReadStatus::Missing);
  EXPECT_EQ(ReadRegularFile(dir.File("file/below"), 10).status, ReadStatus::Missing);
}
