// Saving a whole file so that a failure never costs the user the old one.
#pragma once

#include <cstdint>
#include <span>
#include <string>

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
int SaveFileSafely(const std::string& path, std::span<const std::uint8_t> bytes);
