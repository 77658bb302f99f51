#include "tools/file_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>

#include "decode/large_buffer.h"

namespace ravlet {

namespace {

// Reads into `buffer` until it is full or the input ends; returns the bytes
// read, or -1 with errno set.
long ReadInto(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = read(fd, buffer + done, std::min<std::size_t>(size - done, 1u << 30));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long>(done);
}

}  // namespace

int ReadAll(int fd, std::size_t sizeHint, std::string& bytes) {
  ReserveLarge(bytes, sizeHint);
  bytes.resize(sizeHint);
  long got = ReadInto(fd, bytes.data(), sizeHint);
  if (got < 0) return errno;
  bytes.resize(static_cast<std::size_t>(got));
  if (static_cast<std::size_t>(got) < sizeHint) return 0;

  // A pipe, or a file that grew. A probe read first, so that the usual case
  // (a file of the size it claimed) costs no block at all.
  char probe[4096];
  got = ReadInto(fd, probe, sizeof probe);
  if (got < 0) return errno;
  if (got == 0) return 0;

  // Gather the rest in blocks and join them at the end, freeing each block
  // as it is copied, so that a large message never sits in memory twice as
  // it would while a doubling buffer moves.
  constexpr std::size_t kBlock = 1u << 20;
  std::list<std::string> blocks;
  blocks.emplace_back(probe, static_cast<std::size_t>(got));
  std::size_t total = bytes.size() + blocks.back().size();
  bool more = static_cast<std::size_t>(got) == sizeof probe;
  while (more) {
    std::string block(kBlock, '\0');
    got = ReadInto(fd, block.data(), kBlock);
    if (got < 0) return errno;
    more = static_cast<std::size_t>(got) == kBlock;
    block.resize(static_cast<std::size_t>(got));
    total += block.size();
    blocks.push_back(std::move(block));
  }
  bytes.reserve(total);
  while (!blocks.empty()) {
    bytes += blocks.front();
    blocks.pop_front();
  }
  return 0;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), std::min<std::size_t>(bytes.size(), 1u << 30));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

std::string ErrorText(int error) { return std::strerror(error); }

std::string FileError(std::string_view path, int error) {
  std::string text(path);
  text += ": ";
  text += ErrorText(error);
  return text;
}

}  // namespace ravlet
