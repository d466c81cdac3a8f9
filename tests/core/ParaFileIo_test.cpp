// Parameter files on disk: the messages a failed open or save gives, and a
// save that never destroys the file it replaces.
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ParaFileTestUtil.h"
#include "core/ParaFile.h"

namespace fs = std::filesystem;

namespace {

const std::string kNotFound = " が見つかりませんでした。";
const std::string kSaveFailed = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
const std::string kOpenFailed = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class ParaFileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvex-parafile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    fs::create_directory(m_dir / "folder");
    std::ofstream(Path("plain")) << "abc";
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
  }

  fs::path m_dir;
};

TEST_F(ParaFileIo, SaveThenLoadRoundTripsThroughTheDisk) {
  const std::string path = Path("set.ovx");
  std::string error;
  ASSERT_TRUE(SaveParaFile(path, CParaData(), &error)) << error;
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(SaveParaFile(path, SentinelSet(), &error)) << error;
  EXPECT_EQ(ReadAll(path), StoreParaData(SentinelSet()));
  CParaData loaded;
  ASSERT_TRUE(LoadParaFile(path, loaded, &error)) << error;
  ExpectSameSet(loaded, SentinelSet());
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);  // the replaced file's permissions are kept
  EXPECT_EQ(Entries(), 3u);                // no temporary left
}

TEST_F(ParaFileIo, FailuresGiveTheMessageWithThePathAndChangeNothing) {
  const std::string bad = "予期しないﾌｧｲﾙ形式です。";
  // A FIFO must not hang the open; a file past the size limit is not read.
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  std::ofstream(Path("huge")).close();
  fs::resize_file(Path("huge"), kMaxParaFileSize + 1);
  const struct {
    bool save;
    std::string path, message;
  } cases[] = {
      {false, Path("missing.ovx"), Path("missing.ovx") + kNotFound},
      {false, Path("nowhere/set.ovx"), Path("nowhere/set.ovx") + kNotFound},
      {false, Path("plain/set.ovx"), Path("plain/set.ovx") + kNotFound},
      {false, Path("folder"), kOpenFailed},
      {false, Path("plain"), bad},
      {false, Path("fifo"), kOpenFailed},
      {false, Path("huge"), bad},
      {true, Path("nowhere/set.ovx"), Path("nowhere/set.ovx") + kNotFound},
      {true, Path("plain/set.ovx"), Path("plain/set.ovx") + kNotFound},
      {true, Path("folder"), kSaveFailed},
      {true, Path("folder/"), "無効なﾌｧｲﾙ名です。"},
      {true, "", "無効なﾌｧｲﾙ名です。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    CParaData para = SentinelSet();
    std::string error;
    EXPECT_FALSE(c.save ? SaveParaFile(c.path, para, &error) : LoadParaFile(c.path, para, &error));
    EXPECT_EQ(error, c.message);
    ExpectSameSet(para, SentinelSet());
  }
  EXPECT_EQ(Entries(), 4u);
  EXPECT_TRUE(fs::is_empty(m_dir / "folder"));
}

// A file size limit makes the write itself fail part-way, as a full disk would.
TEST_F(ParaFileIo, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string path = Path("kept.ovx");
  std::string error;
  ASSERT_TRUE(SaveParaFile(path, SentinelSet(), &error)) << error;
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 20;
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = SaveParaFile(path, CParaData(), &error);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(error, kSaveFailed);
  EXPECT_EQ(ReadAll(path), StoreParaData(SentinelSet()));
  EXPECT_EQ(Entries(), 3u);
}

}  // namespace
