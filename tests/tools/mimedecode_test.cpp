// The mimedecode filter driven as a program: its output, errors and exit
// statuses, and what -i does to the files, also when the system fails it.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct Result {
  int status;  // exit status, or 128 + the signal that ended the program
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

struct stat Stat(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info;
}

std::vector<std::string> Names(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs the filter with `args`. Standard input is `input` through a pipe, or
// the file `inputFile` when given; `env` adds variables to the environment;
// `stderrFd` replaces the file that collects standard error.
Result RunFilter(const std::vector<std::string>& args, const std::string& input = "",
           const std::vector<std::string>& env = {}, const std::string& inputFile = "", int stderrFd = -1) {
  char outPath[] = "/tmp/mimedecode-out-XXXXXX";
  char errPath[] = "/tmp/mimedecode-err-XXXXXX";
  int outFd = mkstemp(outPath);
  int errFd = mkstemp(errPath);
  int pipeFds[2];
  EXPECT_EQ(pipe(pipeFds), 0);

  std::vector<std::string> argStore{MIMEDECODE};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : argStore) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore(env);
  for (char** e = environ; *e != nullptr; ++e) envStore.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& var : envStore) envp.push_back(var.data());
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    int inFd = inputFile.empty() ? pipeFds[0] : open(inputFile.c_str(), O_RDONLY);
    dup2(inFd, 0);
    dup2(outFd, 1);
    dup2(stderrFd >= 0 ? stderrFd : errFd, 2);
    close(pipeFds[1]);
    signal(SIGPIPE, SIG_DFL);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(pipeFds[0]);
  std::thread feeder([&] {
    std::string_view rest = input;
    while (!rest.empty()) {
      ssize_t n = write(pipeFds[1], rest.data(), rest.size());
      if (n <= 0) break;  // the filter need not read it all
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    close(pipeFds[1]);
  });
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  feeder.join();
  Result result{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus), ReadFile(outPath),
                ReadFile(errPath)};
  close(outFd);
  close(errFd);
  unlink(outPath);
  unlink(errPath);
  return result;
}

class MimedecodeTest : public testing::Test {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);
    char pattern[] = "/tmp/mimedecode-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    chmod(dir_.c_str(), 0755);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  std::string dir_;
};

// "日本" in UTF-8 Base64 and its Shift-JIS bytes.
const std::string kJapaneseWord = "=?UTF-8?B?5pel5pys?=";
const std::string kJapaneseSjis = "\x93\xfa\x96\x7b";

struct MessageCase {
  const char* name;
  std::string input;
  std::string output;
  int status;
  std::string error;  // what follows "mimedecode: [FILE: ]", without the line end
};

const MessageCase kMessages[] = {
    {"plain message, no change", "Subject: hello\r\n\r\nbody\r\n", "Subject: hello\r\n\r\nbody\r\n", 0, ""},
    {"UTF-8 word decoded", "Subject: " + kJapaneseWord + "\r\n\r\nbody\r\n",
     "Subject: " + kJapaneseSjis + "\r\n\r\nbody\r\n", 0, ""},
    {"Shift_JIS Q word decoded", "Subject: =?shift_jis?Q?=93=FA_x?=\r\n\r\n", "Subject: \x93\xfa x\r\n\r\n", 0, ""},
    {"mixed body re-ended", "A: 1\r\n\r\na\nb\r\nc", "A: 1\r\n\r\na\r\nb\r\nc\r\n", 0, ""},
    {"no header end, left alone", "Subject: " + kJapaneseWord + "\nx\n", "Subject: " + kJapaneseWord + "\nx\n", 0,
     ""},
    {"empty input", "", "", 0, ""},
    {"unsupported encoding", "Subject: =?UTF-8?X?abc?=\r\n\r\nb\n", "Subject: =?UTF-8?X?abc?=\r\n\r\nb\n", 1,
     "not support encode."},
    {"empty encoding", "To: =?UTF-8??QUJD?=\r\n\r\n", "To: =?UTF-8??QUJD?=\r\n\r\n", 1,
     "encoding type not found.?QUJD?="},
    {"NUL byte", "Subject: " + kJapaneseWord + "\r\n\r\na\0b\n"s, "Subject: " + kJapaneseWord + "\r\n\r\na\0b\n"s, 1,
     "the message holds a NUL byte, which no mail text can; left unchanged"},
};

TEST_F(MimedecodeTest, WritesWhatRavletWouldStoreFromEveryKindOfInput) {
  for (const MessageCase& c : kMessages) {
    SCOPED_TRACE(c.name);
    const std::string file = Path("message.eml");
    WriteFile(file, c.input);
    const std::string onStdin = c.error.empty() ? "" : "mimedecode: " + c.error + "\n";
    const std::string onFile = c.error.empty() ? "" : "mimedecode: " + file + ": " + c.error + "\n";

    Result fromPipe = RunFilter({}, c.input);
    Result fromDash = RunFilter({"-"}, "", {}, file);  // standard input that is a regular file
    Result fromFile = RunFilter({file});
    for (const Result* r : {&fromPipe, &fromDash, &fromFile}) {
      EXPECT_EQ(r->status, c.status);
      EXPECT_EQ(r->out, c.output);
    }
    EXPECT_EQ(fromPipe.err, onStdin);
    EXPECT_EQ(fromDash.err, onStdin);
    EXPECT_EQ(fromFile.err, onFile);
    EXPECT_EQ(ReadFile(file), c.input) << "the filter must never write to its input";
  }
}

TEST_F(MimedecodeTest, LargeMessageThroughAPipeComesOutWhole) {
  // Several megabytes, so standard input is read in many blocks.
  std::string input = "Subject: " + kJapaneseWord + "\r\n\r\n";
  std::string output = "Subject: " + kJapaneseSjis + "\r\n\r\n";
  for (int i = 0; i < 200000; ++i) {
    std::string line = "line " + std::to_string(i);
    input += line + (i % 3 == 0 ? "\n" : "\r\n");
    output += line + "\r\n";
  }
  Result r = RunFilter({}, input);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(r.out == output) << "output differs; sizes " << r.out.size() << " and " << output.size();
}

TEST_F(MimedecodeTest, UsageAndFileErrorsAreOneLineWithStatusTwo) {
  const std::string missing = Path("missing.eml");
  const std::vector<std::vector<std::string>> cases = {
      {"-x"}, {"--bogus"}, {"-i"}, {"-i", "-"}, {"a.eml", "b.eml"}, {dir_}, {missing}, {"-i", missing}, {"-i", dir_},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args[1] : ""));
    Result r = RunFilter(args, "Subject: x\r\n\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("mimedecode: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

TEST_F(MimedecodeTest, HelpAndVersion) {
  Result help = RunFilter({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: mimedecode [FILE]\n", 0), 0u);
  for (const char* part : {"--in-place", "--version", "Exit status", "Symbolic links"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(RunFilter({"-h"}).out, help.out);

  Result version = RunFilter({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "mimedecode (Ravlet) " RAVLET_VERSION "\n");
}

TEST_F(MimedecodeTest, InPlaceRewritesOnlyWhatChangesAndKeepsModes) {
  const std::string decoded = Path("decoded.eml");
  const std::string reended = Path("reended.eml");
  const std::string plain = Path("plain.eml");
  const std::string broken = Path("broken.eml");
  const std::string withNul = Path("nul.eml");
  const std::string link = Path("link.eml");
  const std::string linkTarget = Path("target.eml");
  const std::string missing = Path("missing.eml");
  const std::string subdir = Path("subdir");
  WriteFile(decoded, "Subject: " + kJapaneseWord + "\r\n\r\nbody\r\n", 0640);
  WriteFile(reended, "A: 1\r\n\r\na\nb", 0604);
  WriteFile(plain, "Subject: hello\r\n\r\nbody\r\n", 0600);
  WriteFile(broken, "Subject: =?UTF-8?X?abc?=\r\n\r\n", 0644);
  WriteFile(withNul, std::string("A: 1\r\n\r\na\0\n", 11), 0644);
  WriteFile(linkTarget, "A: 1\r\n\r\na\nb", 0644);
  ASSERT_EQ(symlink("target.eml", link.c_str()), 0);
  ASSERT_EQ(mkdir(subdir.c_str(), 0755), 0);

  const std::vector<std::string> untouched = {plain, broken, withNul, linkTarget};
  std::vector<std::string> contents;
  for (const std::string& f : untouched) contents.push_back(ReadFile(f));
  // Old times, so that any write would show even within the same second
  // (and, with relatime, any read too).
  const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  std::vector<struct stat> before;
  for (const std::string& f : untouched) {
    ASSERT_EQ(utimensat(AT_FDCWD, f.c_str(), old, 0), 0);
    before.push_back(Stat(f));
  }
  const ino_t decodedInode = Stat(decoded).st_ino;

  Result r = RunFilter({"-i", decoded, plain, broken, link, reended, missing, withNul, subdir});
  EXPECT_EQ(r.status, 2);  // a file that could not be read outranks one that could not be decoded
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "mimedecode: " + broken + ": not support encode.\n" +  //
                       "mimedecode: " + link + ": is a symbolic link; not rewritten\n" +
                       "mimedecode: " + missing + ": No such file or directory\n" +
                       "mimedecode: " + withNul +
                       ": the message holds a NUL byte, which no mail text can; left unchanged\n" +
                       "mimedecode: " + subdir + ": Is a directory\n");

  EXPECT_EQ(ReadFile(decoded), "Subject: " + kJapaneseSjis + "\r\n\r\nbody\r\n");
  EXPECT_EQ(Stat(decoded).st_mode & 07777, 0640u);
  EXPECT_NE(Stat(decoded).st_ino, decodedInode) << "a rewrite is a new file renamed into place";
  EXPECT_EQ(ReadFile(reended), "A: 1\r\n\r\na\r\nb\r\n");
  EXPECT_EQ(Stat(reended).st_mode & 07777, 0604u);
  for (std::size_t i = 0; i < untouched.size(); ++i) {
    SCOPED_TRACE(untouched[i]);
    struct stat now = Stat(untouched[i]);
    EXPECT_EQ(ReadFile(untouched[i]), contents[i]);
    EXPECT_EQ(now.st_ino, before[i].st_ino);
    EXPECT_EQ(now.st_mtim.tv_sec, before[i].st_mtim.tv_sec);
    EXPECT_EQ(now.st_mtim.tv_nsec, before[i].st_mtim.tv_nsec);
    EXPECT_EQ(now.st_atim.tv_sec, before[i].st_atim.tv_sec) << "reading it should not show either";
  }
  EXPECT_TRUE(S_ISLNK(Stat(link).st_mode));
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"broken.eml", "decoded.eml", "link.eml", "nul.eml", "plain.eml",
                                                   "reended.eml", "subdir", "target.eml"}));

  // Without files that cannot be read, a decoding failure gives 1; without
  // it, 0 (and the files rewritten above now need nothing).
  EXPECT_EQ(RunFilter({"-i", decoded, broken, plain}).status, 1);
  Result clean = RunFilter({"-i", decoded, reended, plain});
  EXPECT_EQ(clean.status, 0);
  EXPECT_EQ(clean.err, "");

  // A name given twice is one file, rewritten once.
  WriteFile(reended, "A: 1\r\n\r\na\nb");
  Result twice = RunFilter({"-i", reended, reended});
  EXPECT_EQ(twice.status, 0);
  EXPECT_EQ(twice.err, "");
  EXPECT_EQ(ReadFile(reended), "A: 1\r\n\r\na\r\nb\r\n");
}

TEST_F(MimedecodeTest, InPlaceReportsInFileOrderWhateverThreadFinishesFirst) {
  std::vector<std::string> args{"--in-place"};
  std::string expectedErr;
  for (int i = 0; i < 60; ++i) {
    const std::string file = Path("m" + std::to_string(i) + ".eml");
    // Sizes vary so that the threads finish out of order.
    std::string body((i % 7) * 40000, 'x');
    if (i % 5 == 3) {
      WriteFile(file, "Subject: =?UTF-8?Z?x?=\r\n\r\n" + body + "\n");
      expectedErr += "mimedecode: " + file + ": not support encode.\n";
    } else {
      WriteFile(file, "Subject: " + kJapaneseWord + "\r\n\r\n" + body + "\n");
    }
    args.push_back(file);
  }
  Result r = RunFilter(args);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, expectedErr);
  for (int i = 0; i < 60; ++i) {
    if (i % 5 == 3) continue;
    std::string body((i % 7) * 40000, 'x');
    EXPECT_EQ(ReadFile(Path("m" + std::to_string(i) + ".eml")),
              "Subject: " + kJapaneseSjis + "\r\n\r\n" + body + "\r\n")
        << i;
  }
  EXPECT_EQ(Names(dir_).size(), 60u);
}

TEST_F(MimedecodeTest, InPlaceShowsProgressOnlyOnATerminal) {
  std::vector<std::string> args{"-i"};
  for (int i = 0; i < 3; ++i) {
    args.push_back(Path("m" + std::to_string(i) + ".eml"));
    WriteFile(args.back(), "A: 1\r\n\r\na\n");
  }
  int master = -1;
  int slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  Result r = RunFilter(args, "", {}, "", slave);
  close(slave);
  std::string terminal;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) terminal.append(buffer, n);
  close(master);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(terminal.find("\rmimedecode: 3/3 files"), std::string::npos) << terminal;
  EXPECT_EQ(terminal.substr(terminal.size() - 1), "\r") << "the progress line is cleared at the end";

  WriteFile(args[1], "A: 1\r\n\r\na\n");
  EXPECT_EQ(RunFilter(args).err, "");
}

std::vector<std::string> ShimEnvironment(const std::string& fault, const std::string& target) {
  std::string preload = FAULT_SHIM;
  if (std::string(ASAN_RUNTIME).size() > 0) preload = std::string(ASAN_RUNTIME) + ":" + preload;
  return {"LD_PRELOAD=" + preload, "RAVLET_FAULT=" + fault, "RAVLET_FAULT_PATH=" + target};
}

struct FaultCase {
  const char* fault;
  const char* error;            // what follows "mimedecode: FILE: "
  const char* afterwards;       // the file's content after the run; nullptr: it is gone
  std::vector<std::string> names;  // the directory's content afterwards
};

TEST_F(MimedecodeTest, InPlaceFailuresLeaveTheOriginalAndNoTemporaryFile) {
  const std::string original = "Subject: " + kJapaneseWord + "\r\n\r\n" + std::string(100000, 'b') + "\r\n";
  const std::vector<std::string> one{"m.eml"};
  const FaultCase cases[] = {
      {"mkostemp", "cannot create a temporary file in DIR: Permission denied; left unchanged", "", one},
      {"write:0", "cannot write the rewrite: No space left on device; left unchanged", "", one},
      {"write:5000", "cannot write the rewrite: No space left on device; left unchanged", "", one},
      {"sync", "cannot write the rewrite: Input/output error; left unchanged", "", one},
      {"fchmod", "cannot keep the file's mode: Operation not permitted; left unchanged", "", one},
      {"rename", "cannot replace it: Input/output error; left unchanged", "", one},
      {"modify", "changed while being rewritten; left as it is now", "appended\r\n", one},
      {"replace", "changed while being rewritten; left as it is now", "other\r\n", one},
      {"vanish", "vanished while being rewritten; not recreated", nullptr, {}},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::string file = Path("m.eml");
    WriteFile(file, original, 0640);
    Result r = RunFilter({"-i", file}, "", ShimEnvironment(c.fault, file));
    std::string error = c.error;
    if (std::size_t at = error.find("DIR"); at != std::string::npos) error.replace(at, 3, dir_);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "mimedecode: " + file + ": " + error + "\n");
    if (c.afterwards == nullptr) {
      EXPECT_FALSE(fs::exists(file));
    } else {
      const std::string expected = std::string(c.afterwards) == "other\r\n" ? c.afterwards : original + c.afterwards;
      EXPECT_TRUE(ReadFile(file) == expected) << "the original was damaged";
    }
    EXPECT_EQ(Names(dir_), c.names);
    fs::remove(file);
  }

  // The shim itself changes nothing when no fault is asked for.
  const std::string file = Path("m.eml");
  WriteFile(file, original, 0640);
  Result r = RunFilter({"-i", file}, "", ShimEnvironment("none", file));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(file).substr(0, 13), "Subject: " + kJapaneseSjis);
}

TEST_F(MimedecodeTest, InPlaceInterruptFinishesTheFileInHandThenStops) {
  std::vector<std::string> args{"-i"};
  for (int i = 0; i < 20; ++i) {
    args.push_back(Path("m" + std::to_string(i) + ".eml"));
    WriteFile(args.back(), "A: 1\r\n\r\na\n");
  }
  // The shim sends SIGTERM while each file is being written; the first one
  // ends the run (how many files the other threads finish meanwhile varies).
  Result r = RunFilter(args, "", ShimEnvironment("interrupt", ""));
  EXPECT_EQ(r.status, 128 + SIGTERM);
  EXPECT_EQ(Names(dir_).size(), 20u) << "no temporary file may be left";
  int rewritten = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string content = ReadFile(args[i]);
    EXPECT_TRUE(content == "A: 1\r\n\r\na\n" || content == "A: 1\r\n\r\na\r\n") << content;
    rewritten += content == "A: 1\r\n\r\na\r\n";
  }
  EXPECT_GE(rewritten, 1) << "the file in hand is finished, not dropped";
}

TEST_F(MimedecodeTest, InPlaceInReadOnlyDirectoryLeavesTheFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories; the fault shim covers this";
  const std::string file = Path("m.eml");
  WriteFile(file, "A: 1\r\n\r\na\n");
  ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
  Result r = RunFilter({"-i", file});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "mimedecode: " + file + ": cannot create a temporary file in " + dir_ +
                       ": Permission denied; left unchanged\n");
  EXPECT_EQ(ReadFile(file), "A: 1\r\n\r\na\n");
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"m.eml"});
}

}  // namespace
