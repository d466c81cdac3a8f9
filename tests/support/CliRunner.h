// Runs orvex-cli as a separate process in a fresh temporary folder, as a user would.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

struct RunResult {
  int code = -1;  // exit status; -1 when the process did not exit normally
  std::string out;
  std::string err;
};

std::string Slurp(const std::filesystem::path& path);

// A test fixture owning a temporary folder that is removed afterwards.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  // Runs the program with the arguments, capturing standard output and error.
  RunResult Run(const std::string& program, const std::vector<std::string>& args) const;

  std::filesystem::path m_dir;
};
