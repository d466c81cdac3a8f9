// Checks that need permission bits to bite. The tests run as root in CI, and
// root writes through any bits, so there the check runs in a child that first
// becomes "nobody"; any other user is stopped by chmod alone.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

// RunUnprivileged's answer when the child could not give up root: skip, not fail.
constexpr int kCannotDropRoot = 255;

// nobody must be able to reach the test's files: adds search permission for
// others to folder and each folder above it that lacks it.
inline void MakeTraversableByOthers(const std::filesystem::path& folder) {
  for (std::filesystem::path p = std::filesystem::absolute(folder);; p = p.parent_path()) {
    struct stat info {};
    if (stat(p.c_str(), &info) == 0 && (info.st_mode & S_IXOTH) == 0) {
      chmod(p.c_str(), (info.st_mode & 07777) | S_IXOTH);
    }
    if (p == p.parent_path()) break;
  }
}

// Runs body in a forked child, as nobody (65534) when the tests run as root.
// Returns the child's exit status: body's result (0..254) or kCannotDropRoot;
// 256 + the signal number if a signal ended it. body must not use gtest.
inline int RunUnprivileged(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    const bool dropped =
        geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
    _exit(dropped ? body() : kCannotDropRoot);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
}
