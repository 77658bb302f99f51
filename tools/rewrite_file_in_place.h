// The in-place rewrite of message files, done so that each file is either
// the old message or the whole new one, never anything in between.
#ifndef RAVLET_TOOLS_REWRITE_FILE_IN_PLACE_H
#define RAVLET_TOOLS_REWRITE_FILE_IN_PLACE_H

#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

namespace ravlet {

enum class FileOutcome {
  kUnchanged,  // needed no change; not even opened for writing
  kRewritten,  // replaced by its rewrite
  kFailed,     // the message could not be decoded; left as it was
  kTrouble,    // could not be read or replaced; left as it was
};

struct FileReport {
  FileOutcome outcome;
  std::string error;  // "PATH: reason" unless the outcome is kUnchanged or kRewritten
};

// A rewrite written to a temporary file beside its message, not yet synced
// to disk or renamed into place.
struct PendingRewrite {
  std::string path;
  std::string temporary;
  int fd;
  struct stat original;  // what `path` was when it was read
};

// Reads the message at `path` and, when it needs a change, writes the rewrite
// to a new file in the same directory with the original's owner and mode.
// Returns the report when there is nothing more to do, or nothing with
// `pending` filled. Symbolic links and other non-regular files are refused:
// replacing a link would turn it into a regular file.
std::optional<FileReport> PrepareRewrite(const std::string& path, PendingRewrite& pending);

// Syncs the temporary files of `pending` to disk (once per file system, which
// costs far less than once per file) and renames each over its message,
// unless the message vanished or changed meanwhile. Whatever fails, the
// original stays as it was and the temporary file is removed. Returns one
// report for each of `pending`, in its order.
std::vector<FileReport> CommitRewrites(const std::vector<PendingRewrite>& pending);

}  // namespace ravlet

#endif
