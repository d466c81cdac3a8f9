// Parameter files on disk: the messages a failed open or save gives, and a
// save that never destroys the file it replaces.
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "ParaFileTestUtil.h"
#include "core/ParaFile.h"

namespace fs = std::filesystem;

namespace {

const std::string kNotFound = " が見つかりませんでした。";
const std::string kDenied = " へのｱｸｾｽは拒否されました。";
const std::string kOpenFailed = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";
const std::string kSaveFailed = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

class ParaFileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvex-parafile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(m_dir, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_dir, ignored);
  }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path m_dir;
};

// Runs fn without the power to bypass file permissions: directly for an
// ordinary user, in a child that has become "nobody" for root. Returns what
// fn returns, or "" with *skipped set when privileges cannot be dropped.
std::string RunUnprivileged(const std::function<std::string()>& fn, bool* skipped) {
  *skipped = false;
  if (geteuid() != 0) return fn();
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::string result = "\x01";
    if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) result = fn();
    const ssize_t ignored = write(fds[1], result.data(), result.size());
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  std::string result;
  char buffer[256];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
    result.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  waitpid(child, nullptr, 0);
  if (result == "\x01") *skipped = true;
  return result;
}

TEST_F(ParaFileIo, SaveThenLoadRoundTripsThroughTheDisk) {
  const std::string path = Path("set.ovx");
  std::string error;
  ASSERT_TRUE(SaveParaFile(path, SentinelSet(), &error)) << error;
  EXPECT_EQ(ReadAll(path), StoreParaData(SentinelSet()));
  CParaData loaded;
  ASSERT_TRUE(LoadParaFile(path, loaded, &error)) << error;
  ExpectSameSet(loaded, SentinelSet());
  EXPECT_EQ(Entries(), std::vector<std::string>{"set.ovx"});
}

TEST_F(ParaFileIo, RelativePathsSaveIntoTheCurrentFolder) {
  const fs::path before = fs::current_path();
  fs::current_path(m_dir);
  std::string error;
  const bool saved = SaveParaFile("relative.ovx", CParaData(), &error);
  fs::current_path(before);
  ASSERT_TRUE(saved) << error;
  EXPECT_EQ(ReadAll(Path("relative.ovx")).size(), 135u);
}

TEST_F(ParaFileIo, OpenFailuresNameThePath) {
  fs::create_directory(m_dir / "folder");
  WriteAll(Path("plain"), {1, 2, 3});
  const struct {
    const char* name;
    std::string path;
    std::string message;
  } cases[] = {
      {"missing file", Path("missing.ovx"), Path("missing.ovx") + kNotFound},
      {"missing folder", Path("nowhere/set.ovx"), Path("nowhere/set.ovx") + kNotFound},
      {"file used as folder", Path("plain/set.ovx"), Path("plain/set.ovx") + kNotFound},
      {"folder", Path("folder"), kOpenFailed},
      {"not a parameter file", Path("plain"), PARAFILE_BAD_FORMAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParaData para = SentinelSet();
    std::string error;
    EXPECT_FALSE(LoadParaFile(c.path, para, &error));
    EXPECT_EQ(error, c.message);
    ExpectSameSet(para, SentinelSet());
  }
}

TEST_F(ParaFileIo, UnreadableFileIsDenied) {
  const std::string path = Path("locked.ovx");
  WriteAll(path, StoreParaData(CParaData()));
  chmod(path.c_str(), 0);
  bool skipped = false;
  const std::string error = RunUnprivileged(
      [&] {
        CParaData para;
        std::string message;
        return LoadParaFile(path, para, &message) ? std::string("loaded") : message;
      },
      &skipped);
  if (skipped) GTEST_SKIP() << "cannot drop root privileges";
  EXPECT_EQ(error, path + kDenied);
}

TEST_F(ParaFileIo, FilesPastTheSizeLimitAreNotParameterFiles) {
  // A valid object followed by padding: loadable up to the limit, refused past it.
  const struct {
    std::size_t size;
    bool loads;
  } cases[] = {
      {kMaxParaFileSize, true}, {kMaxParaFileSize + 1, false}, {std::size_t{1} << 32, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string path = Path("padded.ovx");
    WriteAll(path, StoreParaData(SentinelSet()));
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(c.size)), 0);
    CParaData para;
    std::string error;
    EXPECT_EQ(LoadParaFile(path, para, &error), c.loads);
    if (c.loads) {
      ExpectSameSet(para, SentinelSet());
    } else {
      EXPECT_EQ(error, PARAFILE_BAD_FORMAT);
      ExpectSameSet(para, CParaData());
    }
  }
}

TEST_F(ParaFileIo, SaveFailuresNameThePath) {
  WriteAll(Path("plain"), {1});
  fs::create_directory(m_dir / "folder");
  const struct {
    const char* name;
    std::string path;
    std::string message;
  } cases[] = {
      {"missing folder", Path("nowhere/set.ovx"), Path("nowhere/set.ovx") + kNotFound},
      {"file used as folder", Path("plain/set.ovx"), Path("plain/set.ovx") + kNotFound},
      {"target is a folder", Path("folder"), kSaveFailed},
      {"no file name", Path("folder/"), "無効なﾌｧｲﾙ名です。"},
      {"empty path", "", "無効なﾌｧｲﾙ名です。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    EXPECT_FALSE(SaveParaFile(c.path, CParaData(), &error));
    EXPECT_EQ(error, c.message);
  }
  // Nothing was left behind by the attempts.
  EXPECT_EQ(Entries(), (std::vector<std::string>{"folder", "plain"}));
  EXPECT_TRUE(fs::is_empty(m_dir / "folder"));
}

TEST_F(ParaFileIo, SaveIntoAReadOnlyFolderIsDenied) {
  fs::create_directory(m_dir / "readonly");
  const std::string path = Path("readonly/set.ovx");
  chmod((m_dir / "readonly").c_str(), 0555);
  bool skipped = false;
  const std::string error = RunUnprivileged(
      [&] {
        std::string message;
        return SaveParaFile(path, CParaData(), &message) ? std::string("saved") : message;
      },
      &skipped);
  if (skipped) GTEST_SKIP() << "cannot drop root privileges";
  EXPECT_EQ(error, path + kDenied);
  EXPECT_TRUE(fs::is_empty(m_dir / "readonly"));
}

// A file size limit makes the write itself fail part-way, as a full disk would.
TEST_F(ParaFileIo, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  const std::string path = Path("kept.ovx");
  std::string error;
  ASSERT_TRUE(SaveParaFile(path, SentinelSet(), &error)) << error;
  const std::vector<std::uint8_t> before = ReadAll(path);

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
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(Entries(), std::vector<std::string>{"kept.ovx"});
}

TEST_F(ParaFileIo, SaveKeepsThePermissionsOfTheReplacedFile) {
  const std::string path = Path("shared.ovx");
  std::string error;
  ASSERT_TRUE(SaveParaFile(path, CParaData(), &error)) << error;
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(SaveParaFile(path, SentinelSet(), &error)) << error;
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadAll(path), StoreParaData(SentinelSet()));
}

TEST(ParaFileMessages, ErrnoValuesMapToTheirTexts) {
  const std::string path = "/data/set.ovx";
  const struct {
    int err;
    ParaFileOp op;
    std::string message;
  } cases[] = {
      {ENOENT, ParaFileOp::Open, path + " が見つかりませんでした。"},
      {ENOTDIR, ParaFileOp::Save, path + " が見つかりませんでした。"},
      {EACCES, ParaFileOp::Open, path + " へのｱｸｾｽは拒否されました。"},
      {EPERM, ParaFileOp::Save, path + " へのｱｸｾｽは拒否されました。"},
      {EROFS, ParaFileOp::Save, path + " へのｱｸｾｽは拒否されました。"},
      {ENOSPC, ParaFileOp::Save, path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"},
      {EDQUOT, ParaFileOp::Save, path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"},
      {ENAMETOOLONG, ParaFileOp::Save, "無効なﾌｧｲﾙ名です。"},
      {ENAMETOOLONG, ParaFileOp::Open, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
      {EIO, ParaFileOp::Open, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
      {EIO, ParaFileOp::Save, "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。"},
      {0, ParaFileOp::Open, "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    EXPECT_EQ(ParaFileErrorMessage(c.err, path, c.op), c.message);
  }
}

}  // namespace
