// Preloaded into mimedecode by the in-place tests to make the system calls of
// an in-place rewrite fail on demand. RAVLET_FAULT names the fault:
//   mkostemp   creating the temporary file fails (as in a read-only directory)
//   write:N    the temporary file takes N bytes, then the disk is full
//   sync       syncing the temporary file to disk fails
//   fchmod     copying the mode fails
//   rename     the final rename fails
//   vanish     the message file (RAVLET_FAULT_PATH) is deleted during the write
//   replace    ... replaced by another file during the write
//   modify     ... appended to during the write
//   interrupt  the process gets SIGTERM during the write
// Only the descriptor that mkostemp returned is affected by the write and
// fchmod faults, so standard output and error keep working. The last four
// faults strike when the temporary files are synced.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<int> temporaryFd{-1};
std::atomic<long> bytesWritten{0};

bool Fault(const char* name) {
  const char* fault = std::getenv("RAVLET_FAULT");
  if (fault == nullptr) return false;
  std::size_t n = std::strlen(name);
  return std::strncmp(fault, name, n) == 0 && (fault[n] == '\0' || fault[n] == ':');
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using WriteFunction = ssize_t (*)(int, const void*, size_t);
using RenameFunction = int (*)(const char*, const char*);

// Does to the message file what another program might do meanwhile.
void Sabotage() {
  const char* path = std::getenv("RAVLET_FAULT_PATH");
  if (Fault("interrupt")) kill(getpid(), SIGTERM);
  if (path == nullptr) return;
  if (Fault("vanish")) unlink(path);
  if (Fault("modify")) {
    int fd = open(path, O_WRONLY | O_APPEND);
    Next<WriteFunction>("write")(fd, "appended\r\n", 10);
    close(fd);
  }
  if (Fault("replace")) {
    char other[4096];
    std::snprintf(other, sizeof other, "%s.other", path);
    int fd = open(other, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Next<WriteFunction>("write")(fd, "other\r\n", 7);
    close(fd);
    Next<RenameFunction>("rename")(other, path);
  }
}

int Created(int fd) {
  if (fd >= 0) temporaryFd = fd;
  return fd;
}

}  // namespace

extern "C" {

int mkostemp(char* pattern, int flags) {
  if (Fault("mkostemp")) {
    errno = EACCES;
    return -1;
  }
  return Created(Next<int (*)(char*, int)>("mkostemp")(pattern, flags));
}

int mkostemp64(char* pattern, int flags) {
  if (Fault("mkostemp")) {
    errno = EACCES;
    return -1;
  }
  return Created(Next<int (*)(char*, int)>("mkostemp64")(pattern, flags));
}

ssize_t write(int fd, const void* data, size_t size) {
  if (fd == temporaryFd && Fault("write")) {
    long limit = std::atol(std::getenv("RAVLET_FAULT") + 6);
    long room = limit - bytesWritten;
    if (room <= 0) {
      errno = ENOSPC;
      return -1;
    }
    if (size > static_cast<size_t>(room)) size = static_cast<size_t>(room);
  }
  ssize_t n = Next<WriteFunction>("write")(fd, data, size);
  if (fd == temporaryFd && n > 0) bytesWritten += n;
  return n;
}

// mimedecode syncs only file systems that hold its temporary files.
int syncfs(int fd) {
  Sabotage();
  if (Fault("sync")) {
    errno = EIO;
    return -1;
  }
  return Next<int (*)(int)>("syncfs")(fd);
}

int fchmod(int fd, mode_t mode) {
  if (fd == temporaryFd && Fault("fchmod")) {
    errno = EPERM;
    return -1;
  }
  return Next<int (*)(int, mode_t)>("fchmod")(fd, mode);
}

int rename(const char* from, const char* to) {
  if (Fault("rename")) {
    errno = EIO;
    return -1;
  }
  return Next<RenameFunction>("rename")(from, to);
}

}  // extern "C"
