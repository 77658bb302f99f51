// mimedecode: the plug-in's rewrite for message files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "tools/file_io.h"
#include "tools/filter_message.h"
#include "tools/rewrite_files_in_place.h"

namespace ravlet {
namespace {

constexpr std::string_view kHelp =
    "Usage: mimedecode [FILE]\n"
    "       mimedecode -i FILE...\n"
    "Decode the MIME encoded words (=?charset?B?...?=, =?charset?Q?...?=) of a\n"
    "message's header fields into Shift-JIS and end mixed body lines with CR LF,\n"
    "as Ravlet stores the message in Kavora.\n"
    "\n"
    "Without -i, read one message from FILE (standard input when FILE is - or\n"
    "missing) and write to standard output the rewrite, or the message byte for\n"
    "byte when it needs none or cannot be decoded.\n"
    "\n"
    "  -i, --in-place  rewrite each FILE that needs it: the rewrite goes to a new\n"
    "                  file in the same directory (owner and mode kept), is synced\n"
    "                  and renamed over FILE. Files that need no change or fail\n"
    "                  are not touched, and so is a FILE that vanishes or changes\n"
    "                  meanwhile. Symbolic links and other files that are not\n"
    "                  regular are refused. Every FILE is tried. A file\n"
    "                  with other hard links becomes a file of its own; the\n"
    "                  other names keep the old message.\n"
    "  -h, --help      show this help and exit\n"
    "      --version   show the version and exit\n"
    "\n"
    "Exit status: 0 when every message was rewritten or needed nothing; 1 when a\n"
    "message could not be decoded or holds a NUL byte (it is left unchanged);\n"
    "2 on a usage error or when a file could not be read or replaced. With -i\n"
    "the highest status over all files.\n"
    "\n"
    "Example: mimedecode mail.eml | nkf -w\n";

constexpr int kTrouble = 2;

int UsageError(const std::string& what) {
  WriteAll(STDERR_FILENO, "mimedecode: " + what + " (see mimedecode --help)\n");
  return kTrouble;
}

void Complain(const std::string& what) { WriteAll(STDERR_FILENO, "mimedecode: " + what + "\n"); }

// One message from `path` ("-" for standard input) to standard output.
int FilterToStandardOutput(const std::string& path) {
  const bool standardInput = path == "-";
  const std::string prefix = standardInput ? std::string() : path + ": ";
  int fd = standardInput ? STDIN_FILENO : open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    Complain(FileError(path, errno));
    return kTrouble;
  }
  struct stat info;
  std::string message;
  int error = fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
  if (error == 0) error = ReadAll(fd, S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0, message);
  if (!standardInput) close(fd);
  if (error != 0) {
    Complain(FileError(standardInput ? "standard input" : path, error));
    return kTrouble;
  }

  std::string rewrite;
  Filtered filtered = FilterMessage(message, rewrite);
  int status = 0;
  if (filtered.verdict == Verdict::kFailed) {
    Complain(prefix + filtered.error);
    status = 1;
  }
  error = WriteAll(STDOUT_FILENO, filtered.verdict == Verdict::kChanged ? rewrite : message);
  if (error != 0) {
    Complain(FileError("standard output", error));
    return kTrouble;
  }
  return status;
}

int Main(int argc, char** argv) {
  bool inPlace = false;
  bool optionsEnd = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
      files.emplace_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "-h" || arg == "--help") {
      return WriteAll(STDOUT_FILENO, kHelp) == 0 ? 0 : kTrouble;
    } else if (arg == "--version") {
      return WriteAll(STDOUT_FILENO, "mimedecode (Ravlet) " RAVLET_VERSION "\n") == 0 ? 0 : kTrouble;
    } else if (arg == "-i" || arg == "--in-place") {
      inPlace = true;
    } else {
      return UsageError("unknown option " + std::string(arg));
    }
  }

  if (inPlace) {
    if (files.empty()) return UsageError("-i needs at least one FILE");
    for (const std::string& file : files) {
      if (file == "-") return UsageError("-i cannot rewrite standard input");
    }
    return RewriteFilesInPlace(files, isatty(STDERR_FILENO) == 1);
  }
  if (files.size() > 1) return UsageError("one FILE at a time without -i");
  return FilterToStandardOutput(files.empty() ? "-" : files.front());
}

}  // namespace
}  // namespace ravlet

int main(int argc, char** argv) { return ravlet::Main(argc, argv); }
