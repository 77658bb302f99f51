// Times RewriteMessage over a set of messages held in memory, so that the
// figure is the core's alone (no reading or writing of files).
//   rewrite_corpus [--min-seconds S] PATH...
// A PATH that is a directory stands for every regular file in it. All files
// are read first; then every message is rewritten in turn, as one pass, and
// passes are repeated (at least three, and until S seconds have gone by).
// Prints one line of key=value pairs: the best pass's time and the counts.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "decode/rewrite_message.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(fs::file_size(path), '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
    throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

void Collect(const fs::path& path, std::vector<fs::path>& files) {
  if (fs::is_directory(path)) {
    std::vector<fs::path> inside;
    for (const auto& entry : fs::directory_iterator(path))
      if (entry.is_regular_file()) inside.push_back(entry.path());
    std::sort(inside.begin(), inside.end());
    files.insert(files.end(), inside.begin(), inside.end());
  } else {
    files.push_back(path);
  }
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Pass {
  double seconds = 0, cpuSeconds = 0;
  std::size_t changed = 0, failed = 0, outputBytes = 0;
};

// One pass: every message once, `rounds` times over, timed as a whole and
// divided, so that a pass over one small message is not lost in the clocks'
// own cost.
Pass RewriteAll(const std::vector<std::string>& messages, int rounds) {
  Pass pass;
  const double cpuStart = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < rounds; ++round) {
    for (const std::string& message : messages) {
      std::string output;  // fresh per message, as the plug-in has it
      try {
        if (ravlet::RewriteMessage(message, output) && round == 0) {
          ++pass.changed;
          pass.outputBytes += output.size();
        }
      } catch (const std::invalid_argument&) {
        if (round == 0) ++pass.failed;
      }
    }
  }
  pass.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
  pass.cpuSeconds = (CpuSeconds() - cpuStart) / rounds;
  return pass;
}

}  // namespace

int main(int argc, char** argv) {
  double minSeconds = 1.0;
  std::vector<fs::path> files;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "--min-seconds" && i + 1 < argc) {
        minSeconds = std::strtod(argv[++i], nullptr);
      } else {
        Collect(arg, files);
      }
    }
    if (files.empty()) {
      std::cerr << "usage: rewrite_corpus [--min-seconds S] PATH...\n";
      return 2;
    }
    std::vector<std::string> messages;
    messages.reserve(files.size());
    std::size_t inputBytes = 0;
    for (const auto& f : files) {
      messages.push_back(ReadFile(f));
      inputBytes += messages.back().size();
    }

    // Enough rounds for a pass of a few megabytes.
    const int rounds = static_cast<int>(std::max<std::size_t>(1, (std::size_t{4} << 20) / std::max<std::size_t>(1, inputBytes)));
    Pass best;
    double bestCpu = 0;
    double total = 0;
    int passes = 0;
    while (passes < 3 || total < minSeconds) {
      const Pass pass = RewriteAll(messages, rounds);
      if (passes == 0 || pass.seconds < best.seconds) best = pass;
      bestCpu = passes == 0 ? pass.cpuSeconds : std::min(bestCpu, pass.cpuSeconds);
      total += pass.seconds * rounds;
      ++passes;
    }
    std::printf(
        "messages=%zu bytes=%zu seconds=%.9f cpu_seconds=%.9f passes=%d changed=%zu failed=%zu output_bytes=%zu\n",
        messages.size(), inputBytes, best.seconds, bestCpu, passes, best.changed, best.failed, best.outputBytes);
  } catch (const std::exception& e) {
    std::cerr << "rewrite_corpus: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
