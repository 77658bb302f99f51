// RewriteMessage on every input shape it meets, in bytes per second, beside
// a memchr sweep over the same 64 MB (the machine's limit for one pass), and
// size sweeps from 1 KB to 64 MB for each shape so that a cost growing
// faster than the input shows as falling bytes per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "bench/rewrite/sample_messages.h"
#include "decode/rewrite_message.h"

namespace {

using ravlet::RewriteMessage;
namespace sample = ravlet::bench;

constexpr std::size_t k64MB = std::size_t{64} << 20;

// Built once: the no-change case and the memchr sweep read the same bytes.
const std::string& Clean64MB() {
  static const std::string text = sample::CleanMessage(k64MB);
  return text;
}

void RunRewrite(benchmark::State& state, const std::string& message) {
  bool changed = false;
  for (auto _ : state) {
    // A fresh output each time, as the plug-in and the filter have.
    std::string output;
    changed = RewriteMessage(message, output);
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(message.size()));
  state.counters["bytes"] = static_cast<double>(message.size());
  state.counters["changed"] = changed ? 1 : 0;
}

void BM_TypicalMessage(benchmark::State& state) { RunRewrite(state, sample::TypicalMessage()); }

void BM_NoChange64MB(benchmark::State& state) { RunRewrite(state, Clean64MB()); }

void BM_MemchrSweep64MB(benchmark::State& state) {
  const std::string& text = Clean64MB();
  for (auto _ : state) {
    // 0x01 never occurs, so memchr reads every byte.
    const void* hit = std::memchr(text.data(), 0x01, text.size());
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
}

void BM_MixedLineEnds64MB(benchmark::State& state) { RunRewrite(state, sample::MixedLineEndMessage(k64MB)); }

// The same with one output reused, so its pages are already mapped: the
// re-ending's own cost, without the first touch of 64 MB of fresh memory.
void BM_MixedLineEnds64MBWarmOutput(benchmark::State& state) {
  const std::string message = sample::MixedLineEndMessage(k64MB);
  std::string output;
  RewriteMessage(message, output);
  for (auto _ : state) {
    RewriteMessage(message, output);
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(message.size()));
  state.counters["bytes"] = static_cast<double>(message.size());
}

void BM_Words100k(benchmark::State& state) { RunRewrite(state, sample::ManyWordsMessage(100'000)); }

void BM_ContinuationLines1M(benchmark::State& state) {
  RunRewrite(state, sample::ContinuationLinesMessage(1'000'000));
}

BENCHMARK(BM_TypicalMessage);
BENCHMARK(BM_NoChange64MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrSweep64MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixedLineEnds64MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixedLineEnds64MBWarmOutput)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Words100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContinuationLines1M)->Unit(benchmark::kMillisecond);

// Size sweeps. A shape whose cost grows faster than linearly would make the
// large sizes run for hours; once the sizes seen so far predict more than a
// minute for one call, the rest of that sweep is skipped and says so.
struct SweepHistory {
  double lastSize = 0, lastSeconds = 0, exponent = 1;
};

void RunSweep(benchmark::State& state, const char* shape, const std::function<std::string(std::size_t)>& make) {
  static std::map<std::string, SweepHistory> history;
  SweepHistory& h = history[shape];
  const auto size = static_cast<std::size_t>(state.range(0));
  if (h.lastSize > 0) {
    const double predicted = h.lastSeconds * std::pow(static_cast<double>(size) / h.lastSize, h.exponent);
    if (predicted > 60) {
      state.SkipWithError(("skipped: predicted " + std::to_string(predicted) + " s per call").c_str());
      for (auto _ : state) {
      }
      return;
    }
  }
  const std::string message = make(size);
  const auto start = std::chrono::steady_clock::now();
  RunRewrite(state, message);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / state.iterations();
  if (h.lastSize > 0 && size > h.lastSize && seconds > 1e-3)
    h.exponent = std::max(1.0, std::log(seconds / h.lastSeconds) / std::log(size / h.lastSize));
  h.lastSize = static_cast<double>(size);
  h.lastSeconds = seconds;
}

void BM_SweepClean(benchmark::State& state) { RunSweep(state, "clean", sample::CleanMessage); }
void BM_SweepMixedLineEnds(benchmark::State& state) { RunSweep(state, "mixed", sample::MixedLineEndMessage); }
void BM_SweepManyFields(benchmark::State& state) { RunSweep(state, "fields", sample::ManyFieldsMessage); }
void BM_SweepWords(benchmark::State& state) {
  RunSweep(state, "words", [](std::size_t size) { return sample::ManyWordsMessage(sample::WordsForSize(size)); });
}
void BM_SweepContinuationLines(benchmark::State& state) {
  RunSweep(state, "folds",
           [](std::size_t size) { return sample::ContinuationLinesMessage(sample::LinesForSize(size)); });
}

#define RAVLET_SWEEP(fn) BENCHMARK(fn)->RangeMultiplier(4)->Range(1 << 10, 1 << 26)
RAVLET_SWEEP(BM_SweepClean);
RAVLET_SWEEP(BM_SweepMixedLineEnds);
RAVLET_SWEEP(BM_SweepManyFields);
RAVLET_SWEEP(BM_SweepWords);
RAVLET_SWEEP(BM_SweepContinuationLines);

}  // namespace

BENCHMARK_MAIN();
