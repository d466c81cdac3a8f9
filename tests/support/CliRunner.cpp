#include "CliRunner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void CliTest::SetUp() {
  std::string pattern = (fs::temp_directory_path() / "orvex-cli-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  m_dir = pattern;
}

RunResult CliTest::Run(const std::string& program, const std::vector<std::string>& args) const {
  const std::string out = Path(".stdout"), err = Path(".stderr");
  std::vector<std::string> argvText{program};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argvText) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(127);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    result.code = WEXITSTATUS(status);
  result.out = Slurp(out), result.err = Slurp(err);
  fs::remove(out), fs::remove(err);
  return result;
}
