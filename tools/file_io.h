// Whole-file reads and writes over POSIX descriptors, reporting errno.
#ifndef RAVLET_TOOLS_FILE_IO_H
#define RAVLET_TOOLS_FILE_IO_H

#include <cstddef>
#include <string>
#include <string_view>

namespace ravlet {

// Reads `fd` to its end into `bytes`. `sizeHint` (the size of a regular
// file) lets the bytes land in one buffer of the right size with no copy.
// Returns 0 or an errno value.
int ReadAll(int fd, std::size_t sizeHint, std::string& bytes);

// Writes all of `bytes`, going on after short writes. Returns 0 or an errno
// value (ENOSPC when the system accepts no more bytes without saying why).
int WriteAll(int fd, std::string_view bytes);

// The system's text for an errno value.
std::string ErrorText(int error);

// "PATH: reason" in the form every message of the filter uses.
std::string FileError(std::string_view path, int error);

}  // namespace ravlet

#endif
