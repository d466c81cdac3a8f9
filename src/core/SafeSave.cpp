#include "core/SafeSave.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

// The kernel's own limit for one lookup; a longer chain is a loop in practice.
constexpr int kMaxLinkHops = 40;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// rename replaces a link rather than the file behind it, so the chain is walked
// here. Folders on the way need no care: the kernel follows those itself. A
// name that cannot be looked up ends the walk; the save's own calls then
// create it or report why not.
int ResolveLinks(std::string* path, struct stat* info, bool* exists) {
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    *exists = lstat(path->c_str(), info) == 0;
    if (!*exists || !S_ISLNK(info->st_mode)) return 0;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlink(path->c_str(), target.data(), target.size());
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) == target.size()) return ENAMETOOLONG;
    target.resize(static_cast<std::size_t>(n));
    *path = target.front() == '/' ? target : FolderOf(*path) + target;
  }
  return ELOOP;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes, const SaveCalls& calls) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = calls.write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A name of our own next to the target: same folder, so the final rename stays
// on one file system; short, so a target name near the length limit still fits.
int CreateTemporary(const std::string& folder, std::string* name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name =
        folder + ".orvex-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// -1 when path cannot be opened for writing as a regular file; otherwise 0 or
// the errno value of the failed write.
int OverwriteInPlace(const std::string& path, const std::function<void(SaveStream&)>& produce,
                     const SaveCalls& calls) {
  // Non-blocking, so that a FIFO put there since the lookup cannot hang the open.
  const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  int err = ftruncate(fd, 0) != 0 ? errno : 0;
  if (err == 0) {
    SaveStream stream(fd, calls);
    produce(stream);
    err = stream.Error();
  }
  if (err == 0 && calls.fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  return err;
}

}  // namespace

bool SaveStream::Write(std::span<const std::uint8_t> bytes) {
  if (m_err != 0) return false;
  if (WriteAll(m_fd, bytes, m_calls)) return true;
  m_err = errno != 0 ? errno : EIO;
  return false;
}

int SaveFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                   const SaveCalls& calls) {
  return SaveFileStreamed(
      path, [bytes](SaveStream& stream) { stream.Write(bytes); }, calls);
}

int SaveFileStreamed(const std::string& path, const std::function<void(SaveStream&)>& produce,
                     const SaveCalls& calls) {
  std::string target = path;
  struct stat old {};
  bool exists = false;
  if (const int err = ResolveLinks(&target, &old, &exists); err != 0) return err;
  if (target.empty() || target.back() == '/') return EINVAL;
  const bool regular = exists && S_ISREG(old.st_mode);

  std::string temporary;
  const int fd = CreateTemporary(FolderOf(target), &temporary);
  if (fd < 0) {
    const int err = errno;
    if (regular && (err == EACCES || err == EPERM || err == EROFS)) {
      const int written = OverwriteInPlace(target, produce, calls);
      if (written >= 0) return written;
    }
    return err;
  }
  if (regular) fchmod(fd, old.st_mode & 07777);

  SaveStream stream(fd, calls);
  produce(stream);
  int err = stream.Error();
  if (err == 0 && calls.fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && calls.rename(temporary.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) unlink(temporary.c_str());
  return err;
}
