// Saving a whole file so that a failure never costs the user the old one.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
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
