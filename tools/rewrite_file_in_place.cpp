#include "tools/rewrite_file_in_place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <set>

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

// Writes `rewrite` to a new file beside `path`.
std::optional<FileReport> WriteTemporary(const std::string& path, const struct stat& original,
                                         const std::string& rewrite, PendingRewrite& pending) {
  const std::string directory = DirectoryOf(path);
  std::string temporary = directory + "/.mimedecode-XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    int error = errno;
    return Trouble(path, "cannot create a temporary file in " + directory + ": " + ErrorText(error) +
                             "; left unchanged");
  }
  auto fail = [&](const std::string& what, int error) {
    close(fd);
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
  pending = {path, std::move(temporary), fd, original};
  return std::nullopt;
}

}  // namespace

std::optional<FileReport> PrepareRewrite(const std::string& path, PendingRewrite& pending) {
  try {
    struct stat named;
    if (lstat(path.c_str(), &named) != 0) return Trouble(path, errno);
    if (S_ISLNK(named.st_mode)) return Trouble(path, "is a symbolic link; not rewritten");
    if (S_ISDIR(named.st_mode)) return Trouble(path, EISDIR);
    if (!S_ISREG(named.st_mode)) return Trouble(path, "is not a regular file; not rewritten");

    // Not even the access time of a file that needs nothing should change;
    // the system allows that only to the file's owner.
    const int flags = O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    int fd = open(path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = open(path.c_str(), flags);
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
    if (filtered.verdict == Verdict::kUnchanged) return FileReport{FileOutcome::kUnchanged, {}};
    if (filtered.verdict == Verdict::kFailed) return FileReport{FileOutcome::kFailed, path + ": " + filtered.error};
    std::string().swap(message);  // only the rewrite is needed from here on
    return WriteTemporary(path, original, rewrite, pending);
  } catch (const std::bad_alloc&) {
    return Trouble(path, "out of memory; left unchanged");
  }
}

std::vector<FileReport> CommitRewrites(const std::vector<PendingRewrite>& pending) {
  // One sync for each file system makes every temporary file on it durable
  // before any of them takes a message's name, so that no crash can leave a
  // message name on a file whose bytes never reached the disk. Since Linux
  // 5.8 the sync reports any write error on that file system since the
  // descriptor was opened, ours included; a separate fsync of each file would
  // double the time of a run.
  std::vector<int> syncError(pending.size(), 0);
  for (std::size_t i = 0; i < pending.size(); ++i) {
    bool synced = false;
    for (std::size_t j = 0; j < i && !synced; ++j) {
      if (pending[j].original.st_dev == pending[i].original.st_dev) {
        syncError[i] = syncError[j];
        synced = true;
      }
    }
    if (!synced && syncfs(pending[i].fd) != 0) syncError[i] = errno;
  }

  std::vector<FileReport> reports;
  std::set<std::string> directories;
  for (std::size_t i = 0; i < pending.size(); ++i) {
    const PendingRewrite& p = pending[i];
    int error = syncError[i];
    if (close(p.fd) != 0 && error == 0) error = errno;
    if (error != 0) {
      unlink(p.temporary.c_str());
      reports.push_back(Trouble(p.path, "cannot write the rewrite: " + ErrorText(error) + "; left unchanged"));
      continue;
    }
    struct stat now;
    if (lstat(p.path.c_str(), &now) != 0) {
      error = errno;
      unlink(p.temporary.c_str());
      reports.push_back(error == ENOENT ? Trouble(p.path, "vanished while being rewritten; not recreated")
                                        : Trouble(p.path, "cannot replace it: " + ErrorText(error) + "; left unchanged"));
      continue;
    }
    if (!SameFile(p.original, now)) {
      unlink(p.temporary.c_str());
      reports.push_back(Trouble(p.path, "changed while being rewritten; left as it is now"));
      continue;
    }
    if (rename(p.temporary.c_str(), p.path.c_str()) != 0) {
      error = errno;
      unlink(p.temporary.c_str());
      reports.push_back(Trouble(p.path, "cannot replace it: " + ErrorText(error) + "; left unchanged"));
      continue;
    }
    directories.insert(DirectoryOf(p.path));
    reports.push_back({FileOutcome::kRewritten, {}});
  }

  // Make the renames durable too. Each file is whole either way, and some
  // file systems refuse to sync a directory, so a failure here is no error.
  for (const std::string& directory : directories) {
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      fsync(fd);
      close(fd);
    }
  }
  return reports;
}

}  // namespace ravlet
