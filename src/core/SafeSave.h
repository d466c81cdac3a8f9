// Saving a whole file so that a failure never costs the user the old one.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>

// The calls of a save that the disk can refuse after the file was created. A
// test passes its own to make a write fail after some bytes, or the flush or
// the rename fail, which no real file system does on demand; everyone else
// takes the default, the system's own.
struct SaveCalls {
  ssize_t (*write)(int fd, const void* data, std::size_t count) = ::write;
  int (*fsync)(int fd) = ::fsync;
  int (*rename)(const char* from, const char* to) = std::rename;
};

// Writes bytes to path and returns 0, or the errno value of the call that
// failed: each kind of file words its own message, and the value alone picks
// it. EINVAL means the path names no file (empty, or ending in '/').
//
// The bytes go to a new file beside the target, are flushed, and only then
// renamed over it, so a failed save leaves the old file as it was and no
// temporary behind. The new file takes the old one's permission bits. A
// symbolic link is followed to the file it names, which is replaced (or
// created, if the link dangles) while the link stays. One exception: when the
// folder refuses a new file but the target itself is a writable regular file,
// the target is overwritten in place, so a file the user may edit stays
// savable; a failed write there leaves it damaged, which no other way avoids.
int SaveFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                   const SaveCalls& calls = {});

// The new file of a streamed save, as the producer sees it.
class SaveStream {
 public:
  SaveStream(int fd, const SaveCalls& calls) : m_fd(fd), m_calls(calls) {}
  // Passes the bytes on to the file. False once any write has failed: the
  // producer may stop there, and later bytes are dropped.
  bool Write(std::span<const std::uint8_t> bytes);
  // 0, or the errno value of the first failed write.
  int Error() const { return m_err; }

 private:
  int m_fd;
  const SaveCalls& m_calls;
  int m_err = 0;
};

// SaveFileSafely for a file too large to hold in memory at once: produce
// writes the bytes piece by piece, and the file takes them only when all
// were written. produce is called once, or not at all when no file could be
// opened. Small pieces cost a system call each: the producer batches them.
int SaveFileStreamed(const std::string& path, const std::function<void(SaveStream&)>& produce,
                     const SaveCalls& calls = {});
