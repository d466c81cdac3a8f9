// Formula text crosses the file boundary here: it is UTF-8 in memory and code
// page 932 (Shift-JIS with the vendor extensions) in parameter files. Every
// conversion succeeds; what cannot be converted is replaced, never dropped
// silently and never allowed to take the rest of the text with it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Each byte that does not start a valid CP932 character becomes U+FFFD; the
// bytes after it are decoded afresh, so a stray lead byte costs one character.
std::string Cp932ToUtf8(std::string_view cp932);

// Each character without a CP932 form, and each byte of malformed UTF-8,
// becomes '?'. Characters CP932 holds twice come back in their canonical form.
std::string Utf8ToCp932(std::string_view utf8);

// UTF-16LE (the archive's wide strings) to UTF-8; an unpaired surrogate becomes
// U+FFFD. A trailing odd byte is ignored.
std::string Utf16LeToUtf8(std::string_view utf16le);

// The length limits on a formula count bytes as the file stores them.
std::size_t Cp932Length(std::string_view utf8);
