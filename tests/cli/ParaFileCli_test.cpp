// orvex-cli write and info, run as a user would run them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/ParaFile.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliParaFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvex-cli-para-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Path(const std::string& name) const { return (m_dir / name).string(); }

  RunResult Run(const std::vector<std::string>& args) const {
    const std::string out = Path("stdout.txt");
    const std::string err = Path("stderr.txt");
    const pid_t child = fork();
    if (child == 0) {
      const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(127);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(ORVEX_CLI_PATH));
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(ORVEX_CLI_PATH, argv.data());
      _exit(127);
    }
    RunResult result;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
      result.code = WEXITSTATUS(status);
    }
    result.out = Slurp(out);
    result.err = Slurp(err);
    fs::remove(out);
    fs::remove(err);
    return result;
  }

  fs::path m_dir;
};

const char kDefaultListing[] =
    "m_dUpDownAngle=-20\n"
    "m_dLeftRightAngle=30\n"
    "m_dRange=12\n"
    "m_dZCoef=11\n"
    "m_bPerspective=1\n"
    "m_bHiddenLine=1\n"
    "m_bShading=1\n"
    "m_nMesh=32\n"
    "m_dContourStep=0.050000000000000003\n"
    "m_nDrawStyle=0\n"
    "m_strFormula=sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )\n"
    "m_dZeroByZero=1\n"
    "m_nBackColor=0\n";

TEST_F(CliParaFile, WriteWithoutChangesGivesTheDefaultFile) {
  const RunResult run = Run({"write", Path("default.ovx")});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  const std::string bytes = Slurp(Path("default.ovx"));
  const std::vector<std::uint8_t> expected = StoreParaData(CParaData());
  EXPECT_EQ(bytes, std::string(expected.begin(), expected.end()));
  EXPECT_EQ(bytes.size(), 135u);
}

TEST_F(CliParaFile, InfoListsTheDefaultFile) {
  ASSERT_EQ(Run({"write", Path("default.ovx")}).code, 0);
  const RunResult run = Run({"info", Path("default.ovx")});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, kDefaultListing);
  EXPECT_EQ(run.err, "");
}

TEST_F(CliParaFile, WriteAppliesEverySetAndInfoShowsIt) {
  const RunResult write = Run({"write", Path("set.ovx"),
                               "--set", "m_dUpDownAngle=10",
                               "--set", "m_dLeftRightAngle=-45.25",
                               "--set", "m_dRange=3",
                               "--set", "m_dZCoef=0.5",
                               "--set", "m_bPerspective=0",
                               "--set", "m_bHiddenLine=0",
                               "--set", "m_bShading=0",
                               "--set", "m_nMesh=100",
                               "--set", "m_dContourStep=0.25",
                               "--set", "m_nDrawStyle=5",
                               "--set", "m_strFormula=x*y",
                               "--set", "m_dZeroByZero=-1",
                               "--set", "m_nBackColor=1",
                               "--set", "m_nMesh=120"});
  ASSERT_EQ(write.code, 0) << write.err;
  const RunResult info = Run({"info", Path("set.ovx")});
  EXPECT_EQ(info.code, 0);
  EXPECT_EQ(info.out,
            "m_dUpDownAngle=10\n"
            "m_dLeftRightAngle=-45.25\n"
            "m_dRange=3\n"
            "m_dZCoef=0.5\n"
            "m_bPerspective=0\n"
            "m_bHiddenLine=0\n"
            "m_bShading=0\n"
            "m_nMesh=120\n"
            "m_dContourStep=0.25\n"
            "m_nDrawStyle=5\n"
            "m_strFormula=x*y\n"
            "m_dZeroByZero=-1\n"
            "m_nBackColor=1\n");
}

TEST_F(CliParaFile, JapaneseFormulaIsWrittenAsCp932) {
  const std::string formula = "\xE8\xA8\x88 x";  // 計 x
  ASSERT_EQ(Run({"write", Path("jp.ovx"), "--set", "m_strFormula=" + formula}).code, 0);
  const std::string bytes = Slurp(Path("jp.ovx"));
  EXPECT_EQ(bytes.substr(71, 5), "\x04\x8C\x76 x");
  const RunResult info = Run({"info", Path("jp.ovx")});
  EXPECT_NE(info.out.find("\nm_strFormula=" + formula + "\n"), std::string::npos);
}

TEST_F(CliParaFile, InfoShowsWhatTheLoaderKeeps) {
  const struct {
    const char* set;
    const char* line;
  } cases[] = {
      {"m_nMesh=0", "m_nMesh=1"},
      {"m_nMesh=-7", "m_nMesh=1"},
      {"m_nMesh=2147483647", "m_nMesh=2000"},
      {"m_nDrawStyle=9", "m_nDrawStyle=9"},
      {"m_nBackColor=7", "m_nBackColor=7"},
      {"m_dContourStep=-1", "m_dContourStep=-1"},
      {"m_dRange=nan", "m_dRange=nan"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    ASSERT_EQ(Run({"write", Path("odd.ovx"), "--set", c.set}).code, 0);
    const RunResult info = Run({"info", Path("odd.ovx")});
    EXPECT_EQ(info.code, 0);
    EXPECT_NE(info.out.find(std::string("\n") + c.line + "\n"), std::string::npos) << info.out;
  }
}

TEST_F(CliParaFile, BadWriteCommandsFailWithoutWriting) {
  const std::vector<std::vector<std::string>> cases = {
      {"write"},
      {"write", "--set", "m_nMesh=4"},
      {"write", Path("x.ovx"), "--set"},
      {"write", Path("x.ovx"), "--set", "m_nMesh"},
      {"write", Path("x.ovx"), "--set", "m_nFoo=1"},
      {"write", Path("x.ovx"), "--set", "m_nMesh=four"},
      {"write", Path("x.ovx"), "--set", "m_dRange=1.5.2"},
      {"write", Path("x.ovx"), Path("y.ovx")},
      {"write", Path("x.ovx"), "--force"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const RunResult run = Run(args);
    EXPECT_NE(run.code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err, "");
    EXPECT_FALSE(fs::exists(Path("x.ovx")));
    EXPECT_FALSE(fs::exists(Path("y.ovx")));
  }
}

TEST_F(CliParaFile, UnwritableTargetPrintsTheMessage) {
  const std::string path = Path("nowhere/set.ovx");
  const RunResult run = Run({"write", path});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, path + " が見つかりませんでした。\n");
}

TEST_F(CliParaFile, RefusedFilesPrintTheMessageAndNoFields) {
  ASSERT_EQ(Run({"write", Path("good.ovx")}).code, 0);
  const std::string good = Slurp(Path("good.ovx"));
  std::ofstream(Path("cut.ovx"), std::ios::binary) << good.substr(0, 60);
  std::string otherClass = good;
  otherClass[14] = 'b';
  std::ofstream(Path("other.ovx"), std::ios::binary) << otherClass;
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {Path("missing.ovx"), Path("missing.ovx") + " が見つかりませんでした。"},
      {Path("cut.ovx"), "予期しないﾌｧｲﾙ形式です。"},
      {Path("other.ovx"), "予期しないﾌｧｲﾙ形式です。"},
      {m_dir.string(), "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const RunResult run = Run({"info", c.path});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.message + "\n");
  }
}

TEST_F(CliParaFile, InfoNeedsExactlyOneFile) {
  ASSERT_EQ(Run({"write", Path("a.ovx")}).code, 0);
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"info"}, {"info", Path("a.ovx"), Path("a.ovx")}}) {
    SCOPED_TRACE(args.size());
    const RunResult run = Run(args);
    EXPECT_NE(run.code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err, "");
  }
}

}  // namespace
