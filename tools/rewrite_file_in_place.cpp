#include "tools/rewrite_file_in_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>

#include "tools/file_io.h"
#include "tools/filter_message.h"

namespace ravlet {

namespace {

FileReport Trouble(const std::string& path, const std::string& reason) {
  return {FileOutcome::kTrouble, path + ": " + reason};
}

FileReport Trouble(const std::string& path, int error) {
  return {FileOutcome::kTrouble, FileError(path, error)};
}

// The same file, not written to since `before`: a different inode means it
// was replaced, a different size or modification time that someone wrote to
// it, and our rewrite would throw their change away.
bool SameFile(const struct stat& before, const struct stat& now) {
  return before.st_dev == now.st_dev && before.st_ino == now.st_ino && before.st_size == now.st_size &&
         before.st_mtim.tv_sec == now.st_mtim.tv_sec && before.st_mtim.tv_nsec == now.st_mtim.tv_nsec;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Writes `rewrite` beside `path` and renames it over `path`; `original` is
// what `path` was when it was read.
FileReport ReplaceFile(const std::string& path, const struct stat& original, const std::string& rewrite) {
  const std::string directory = DirectoryOf(path);
  std::string temporary = directory + "/.mimedecode-XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    return Trouble(path, "cannot create a temporary file in " + directory + ": " + ErrorText(error) +
                             "; left unchanged");
  }

  auto fail = [&](const std::string& what, int error) {
    if (fd >= 0) close(fd);
    unlink(temporary.c_str());
    return Trouble(path, what + ": " + ErrorText(error) + "; left unchanged");
  };

  // Owner first: changing it clears the set-user-ID and set-group-ID bits.
  struct stat created;
  if (fstat(fd, &created) != 0) return fail("cannot write the rewrite", errno);
  if ((created.st_uid != original.st_uid || created.st_gid != original.st_gid) &&
      fchown(fd, original.st_uid, original.st_gid) != 0) {
    return fail("cannot keep the file's owner", errno);
  }
  if (fchmod(fd, original.st_mode & 07777) != 0) return fail("cannot keep the file's mode", errno);
  if (int error = WriteAll(fd, rewrite); error != 0) return fail("cannot write the rewrite", error);
  if (fsync(fd) != 0) return fail("cannot write the rewrite", errno);
  int closed = close(fd);
  fd = -1;
  if (closed != 0) return fail("cannot write the rewrite", errno);

  struct stat now;
  if (lstat(path.c_str(), &now) != 0) {
    if (errno == ENOENT) {
      unlink(temporary.c_str());
      return Trouble(path, "vanished while being rewritten; not recreated");
    }
    return fail("cannot replace it", errno);
  }
  if (!SameFile(original, now)) {
    unlink(temporary.c_str());
    return Trouble(path, "changed while being rewritten; left as it is now");
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) return fail("cannot replace it", errno);

  // Make the rename itself durable. The file is whole either way, and some
  // file systems refuse to sync a directory, so a failure here is no error.
  int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return {FileOutcome::kRewritten, {}};
}

}  // namespace

FileReport RewriteFileInPlace(const std::string& path) {
  try {
    struct stat named;
    if (lstat(path.c_str(), &named) != 0) return Trouble(path, errno);
    if (S_ISLNK(named.st_mode)) return Trouble(path, "is a symbolic link; not rewritten");
    if (S_ISDIR(named.st_mode)) return Trouble(path, EISDIR);
    if (!S_ISREG(named.st_mode)) return Trouble(path, "is not a regular file; not rewritten");

    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Trouble(path, errno);
    struct stat original;
    std::string message;
    int error = fstat(fd, &original) != 0 ? errno : ReadAll(fd, static_cast<std::size_t>(original.st_size), message);
    struct stat afterRead;
    if (error == 0 && fstat(fd, &afterRead) != 0) error = errno;
    close(fd);
    if (error != 0) return Trouble(path, error);
    if (original.st_ino != named.st_ino || original.st_dev != named.st_dev || !SameFile(original, afterRead)) {
      return Trouble(path, "changed while being read; not rewritten");
    }

    std::string rewrite;
    Filtered filtered = FilterMessage(message, rewrite);
    if (filtered.verdict == Verdict::kUnchanged) return {FileOutcome::kUnchanged, {}};
    if (filtered.verdict == Verdict::kFailed) return {FileOutcome::kFailed, path + ": " + filtered.error};
    std::string().swap(message);  // only the rewrite is needed from here on
    return ReplaceFile(path, original, rewrite);
  } catch (const std::bad_alloc&) {
    return Trouble(path, "out of memory; left unchanged");
  }
}

}  // namespace ravlet
