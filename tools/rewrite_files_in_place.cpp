#include "tools/rewrite_files_in_place.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>

#include "tools/file_io.h"
#include "tools/rewrite_file_in_place.h"

namespace ravlet {

namespace {

using Clock = std::chrono::steady_clock;

// The state the workers share with the thread that reports. Each report is
// set once, by the worker that handled its file, under `mutex`.
struct Run {
  const std::vector<std::string>& paths;
  std::vector<std::optional<FileReport>> reports;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable finished;
};

// Rewrites are committed in groups, so that one sync serves many files; a
// group is closed early once it holds much data, so that an interrupt or a
// failure never waits on more than that.
constexpr std::size_t kGroupFiles = 32;
constexpr std::size_t kGroupBytes = 32u << 20;

void Publish(Run& run, const std::vector<std::size_t>& indices, std::vector<FileReport>& reports) {
  {
    std::lock_guard lock(run.mutex);
    for (std::size_t i = 0; i < indices.size(); ++i) run.reports[indices[i]] = std::move(reports[i]);
  }
  run.finished.notify_one();
}

void Work(Run& run) {
  std::vector<PendingRewrite> group;
  std::vector<std::size_t> groupIndices;
  std::size_t groupBytes = 0;
  auto commit = [&] {
    std::vector<FileReport> reports = CommitRewrites(group);
    Publish(run, groupIndices, reports);
    group.clear();
    groupIndices.clear();
    groupBytes = 0;
  };
  for (;;) {
    std::size_t index = run.stop.load() ? run.paths.size() : run.next.fetch_add(1);
    if (index >= run.paths.size()) break;
    PendingRewrite pending;
    std::optional<FileReport> report = PrepareRewrite(run.paths[index], pending);
    if (report.has_value()) {
      std::vector<FileReport> reports{std::move(*report)};
      Publish(run, {index}, reports);
      continue;
    }
    groupBytes += static_cast<std::size_t>(pending.original.st_size);
    group.push_back(std::move(pending));
    groupIndices.push_back(index);
    if (group.size() >= kGroupFiles || groupBytes >= kGroupBytes) commit();
  }
  if (!group.empty()) commit();
}

// One overwritten line on standard error. Drawn at most ten times a second
// so that a fast run over many small files is not slowed by the terminal.
struct Progress {
  bool enabled;
  std::size_t total;
  std::size_t width = 0;
  Clock::time_point last{};

  void Draw(std::size_t done) {
    if (!enabled) return;
    Clock::time_point now = Clock::now();
    if (done != total && now - last < std::chrono::milliseconds(100)) return;
    last = now;
    std::string line = "\rmimedecode: " + std::to_string(done) + "/" + std::to_string(total) + " files";
    width = line.size() - 1;
    WriteAll(STDERR_FILENO, line);
  }

  void Clear() {
    if (!enabled || width == 0) return;
    WriteAll(STDERR_FILENO, "\r" + std::string(width, ' ') + "\r");
    width = 0;
  }
};

int Status(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::kUnchanged:
    case FileOutcome::kRewritten:
      return 0;
    case FileOutcome::kFailed:
      return 1;
    case FileOutcome::kTrouble:
      return 2;
  }
  return 2;
}

}  // namespace

int RewriteFilesInPlace(const std::vector<std::string>& names, bool showProgress) {
  // A name given twice is rewritten once: two rewrites of one file at a time
  // would see each other as a change made meanwhile.
  std::vector<std::string> paths;
  std::unordered_set<std::string> seen;
  for (const std::string& name : names) {
    if (seen.insert(name).second) paths.push_back(name);
  }
  Run run{paths, std::vector<std::optional<FileReport>>(paths.size())};

  // Termination signals wait until the files in hand are whole again: every
  // thread blocks them (the workers inherit the mask) and the reporting
  // thread picks them up between reports.
  sigset_t interrupts;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  sigaddset(&interrupts, SIGHUP);
  sigset_t previousMask;
  pthread_sigmask(SIG_BLOCK, &interrupts, &previousMask);

  unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::size_t threads = std::min<std::size_t>({cores, 4, paths.size()});
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < threads; ++i) workers.emplace_back(Work, std::ref(run));

  Progress progress{showProgress && paths.size() > 1, paths.size()};
  int status = 0;
  int interrupt = 0;
  std::size_t reported = 0;
  while (reported < paths.size()) {
    std::unique_lock lock(run.mutex);
    // Waking now and then lets a signal end the run even while one large
    // file takes long.
    run.finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return run.reports[reported].has_value(); });
    while (reported < paths.size() && run.reports[reported].has_value()) {
      FileReport report = std::move(*run.reports[reported]);
      run.reports[reported].reset();
      ++reported;
      lock.unlock();
      status = std::max(status, Status(report.outcome));
      if (!report.error.empty()) {
        progress.Clear();
        WriteAll(STDERR_FILENO, "mimedecode: " + report.error + "\n");
      }
      progress.Draw(reported);
      lock.lock();
    }
    lock.unlock();

    timespec noWait{0, 0};
    int caught = sigtimedwait(&interrupts, nullptr, &noWait);
    if (caught > 0) {
      interrupt = caught;
      run.stop.store(true);
      break;
    }
  }

  for (std::thread& worker : workers) worker.join();
  if (interrupt != 0) {
    // Report what was finished before the interrupt, then end by the signal.
    for (; reported < paths.size() && run.reports[reported].has_value(); ++reported) {
      if (!run.reports[reported]->error.empty()) {
        progress.Clear();
        WriteAll(STDERR_FILENO, "mimedecode: " + run.reports[reported]->error + "\n");
      }
    }
    progress.Clear();
    signal(interrupt, SIG_DFL);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    raise(interrupt);
    return 128 + interrupt;
  }
  progress.Clear();
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  return status;
}

}  // namespace ravlet
