// The in-place rewrite of one message file, done so that the file is either
// the old message or the whole new one, never anything in between.
#ifndef RAVLET_TOOLS_REWRITE_FILE_IN_PLACE_H
#define RAVLET_TOOLS_REWRITE_FILE_IN_PLACE_H

#include <string>

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

// Reads the message at `path` and, when it needs a change, writes the rewrite
// to a new file in the same directory (owner and mode copied, synced to
// disk) and renames that over `path`. Symbolic links and other non-regular
// files are refused: replacing a link would turn it into a regular file. A
// file that vanished or changed while it was being rewritten is left alone.
// Whatever fails, the original stays as it was and the new file is removed.
FileReport RewriteFileInPlace(const std::string& path);

}  // namespace ravlet

#endif
