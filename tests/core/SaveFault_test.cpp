// Saves the disk refuses part-way: a write cut after every byte count of a
// parameter file, a failed flush, a failed rename. Each must leave the old file
// byte for byte, no temporary beside it, and an errno that picks the user's
// message.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/ParaFile.h"
#include "core/SafeSave.h"

namespace fs = std::filesystem;

namespace {

// The injected calls fail with g_err; the write first passes g_budget bytes
// on, as a short write, the way a disk that fills up answers.
std::size_t g_budget = 0;
int g_err = 0;

ssize_t WriteUntilFull(int fd, const void* data, std::size_t count) {
  if (g_budget == 0) {
    errno = g_err;
    return -1;
  }
  const ssize_t n = ::write(fd, data, std::min(count, g_budget));
  if (n > 0) g_budget -= static_cast<std::size_t>(n);
  return n;
}
int FailingFsync(int) {
  errno = g_err;
  return -1;
}
int FailingRename(const char*, const char*) {
  errno = g_err;
  return -1;
}

std::map<std::string, std::string> List(const fs::path& dir) {
  std::map<std::string, std::string> all;
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    all[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return all;
}

TEST(SaveFault, EveryFailedCallKeepsTheOldFileLeavesNoTemporaryAndNamesTheCause) {
  std::string pattern = (fs::temp_directory_path() / "orvex-savefault-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path dir = pattern;
  const struct Cleanup {
    fs::path dir;
    ~Cleanup() { fs::remove_all(dir); }
  } cleanup{dir};
  const std::string path = (dir / "set.ovx").string();
  CParaData oldPara;
  oldPara.m_strFormula = "x*y";
  const std::vector<std::uint8_t> oldBytes = StoreParaData(oldPara);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(oldBytes.data()),
             static_cast<std::streamsize>(oldBytes.size()));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const auto before = List(dir);
  const std::vector<std::uint8_t> bytes = StoreParaData(CParaData());
  ASSERT_NE(bytes, oldBytes);

  const std::string full = path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。";
  const std::string denied = path + " へのｱｸｾｽは拒否されました。";
  const std::string failed = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
  // Write faults cut the file after 0 .. size - 1 bytes; the flush and the
  // rename come after the whole file.
  const struct {
    const char* call;
    SaveCalls calls;
    int err;
    std::string message;
  } cases[] = {
      {"write", {.write = WriteUntilFull}, ENOSPC, full},
      {"write", {.write = WriteUntilFull}, EDQUOT, full},
      {"write", {.write = WriteUntilFull}, EIO, failed},
      {"fsync", {.fsync = FailingFsync}, ENOSPC, full},  // a network file system's late answer
      {"fsync", {.fsync = FailingFsync}, EIO, failed},
      {"rename", {.rename = FailingRename}, EROFS, denied},
      {"rename", {.rename = FailingRename}, EBUSY, failed},
  };
  for (const auto& c : cases) {
    const bool cutsTheWrite = c.calls.write == WriteUntilFull;
    for (std::size_t k = 0; k < (cutsTheWrite ? bytes.size() : 1); ++k) {
      SCOPED_TRACE(testing::Message() << c.call << " errno " << c.err << " after " << k);
      g_budget = k;
      g_err = c.err;
      const int err = SaveFileSafely(path, bytes, c.calls);
      EXPECT_EQ(err, c.err);
      EXPECT_EQ(ParaFileErrorMessage(err, path, ParaFileOp::Save), c.message);
      ASSERT_EQ(List(dir), before);
      struct stat info {};
      ASSERT_EQ(stat(path.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 07777, 0640u);
    }
  }
}

}  // namespace
