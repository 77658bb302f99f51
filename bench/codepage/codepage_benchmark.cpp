// Japanese text to Shift-JIS (932) from UTF-8 and from ISO-2022-JP: our
// converters (reader to UTF-16, then the 932 writer; for ISO-2022-JP also
// the direct path) beside glibc's iconv on the same 16 MB, in bytes of input
// per second. The goal is five times iconv's throughput.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/codepage/japanese_text.h"
#include "codepage/from_utf16.h"
#include "codepage/to_cp932.h"
#include "codepage/to_utf16.h"

namespace {

constexpr std::size_t kInputBytes = std::size_t{16} << 20;

// iconv over all of `in`; the output buffer is big enough for 932 from
// either source (at most two bytes per input byte).
std::size_t Iconv(iconv_t cd, const std::string& in, std::vector<char>& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) ||
      iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1))
    throw std::runtime_error("iconv failed");
  return out.size() - dstLeft;
}

iconv_t Open(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("no iconv from ") + from);
  return cd;
}

const std::string& Utf8Text() {
  static const std::string text = ravlet::bench::JapaneseUtf8(kInputBytes);
  return text;
}

const std::string& Iso2022JpText() {
  static const std::string text = [] {
    iconv_t cd = Open("ISO-2022-JP", "UTF-8");
    std::vector<char> out(Utf8Text().size() * 2);
    std::string jis(out.data(), Iconv(cd, Utf8Text(), out));
    iconv_close(cd);
    return jis;
  }();
  return text;
}

using Reader = std::size_t (*)(std::string_view, char16_t*);

std::size_t Ours(Reader reader, const std::string& in, std::u16string& wide, std::vector<char>& out) {
  const std::size_t units = reader(in, wide.data());
  return ravlet::codepage::Utf16ToCp932(std::u16string_view(wide.data(), units), out.data());
}

void RunOurs(benchmark::State& state, Reader reader, const std::string& in) {
  std::u16string wide(in.size(), u'\0');
  std::vector<char> out(2 * in.size());
  for (auto _ : state) benchmark::DoNotOptimize(Ours(reader, in, wide, out));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

void RunIconv(benchmark::State& state, const char* from, const std::string& in) {
  iconv_t cd = Open("CP932", from);
  std::vector<char> out(2 * in.size());
  for (auto _ : state) benchmark::DoNotOptimize(Iconv(cd, in, out));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  iconv_close(cd);
}

void BM_Utf8ToCp932_Ours(benchmark::State& state) {
  RunOurs(state, ravlet::codepage::Utf8ToUtf16, Utf8Text());
}
void BM_Utf8ToCp932_Iconv(benchmark::State& state) { RunIconv(state, "UTF-8", Utf8Text()); }
void BM_Iso2022JpToCp932_Ours(benchmark::State& state) {
  RunOurs(state, ravlet::codepage::Iso2022JpToUtf16, Iso2022JpText());
}
void BM_Iso2022JpToCp932_Iconv(benchmark::State& state) { RunIconv(state, "ISO-2022-JP", Iso2022JpText()); }
// Without the UTF-16 text in between (codepage/to_cp932.h).
void RunDirect(benchmark::State& state, unsigned codePage, const std::string& in) {
  std::vector<char> out(2 * in.size());
  for (auto _ : state) benchmark::DoNotOptimize(ravlet::codepage::ToCp932(codePage, in, out.data()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
void BM_Utf8ToCp932_OursDirect(benchmark::State& state) { RunDirect(state, 65001, Utf8Text()); }
void BM_Iso2022JpToCp932_OursDirect(benchmark::State& state) { RunDirect(state, 50222, Iso2022JpText()); }

BENCHMARK(BM_Utf8ToCp932_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToCp932_OursDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToCp932_Iconv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Iso2022JpToCp932_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Iso2022JpToCp932_OursDirect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Iso2022JpToCp932_Iconv)->Unit(benchmark::kMillisecond);

// Both converters must give the same bytes for this text, or the race means
// nothing.
void CheckSameOutput(const char* what, Reader reader, const char* from, const std::string& in) {
  std::u16string wide(in.size(), u'\0');
  std::vector<char> ours(2 * in.size()), theirs(2 * in.size());
  const std::size_t n = Ours(reader, in, wide, ours);
  iconv_t cd = Open("CP932", from);
  const std::size_t m = Iconv(cd, in, theirs);
  iconv_close(cd);
  const bool same = n == m && std::equal(ours.begin(), ours.begin() + static_cast<std::ptrdiff_t>(n), theirs.begin());
  std::printf("%s: %zu input bytes, %zu output bytes, %s iconv's\n", what, in.size(), n,
              same ? "the same as" : "DIFFERENT FROM");
}

// The console report, and then our throughput over iconv's for each source.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      (median ? medians_ : singles_)[run.run_name.function_name] = it->second.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* source : {"Utf8", "Iso2022Jp"}) {
      const std::string base = std::string("BM_") + source + "ToCp932_";
      const double theirs = Rate(base + "Iconv");
      for (const char* ours : {"Ours", "OursDirect"}) {
        const double rate = Rate(base + ours);
        if (rate > 0 && theirs > 0)
          std::printf("%s to 932, %s: %.0f MB/s, iconv %.0f MB/s: %.1f times iconv (goal: 5)\n", source, ours,
                      rate / 1e6, theirs / 1e6, rate / theirs);
      }
    }
  }

 private:
  // With repetitions, the median; else the one run.
  double Rate(const std::string& name) { return medians_.count(name) ? medians_[name] : singles_[name]; }
  std::map<std::string, double> medians_, singles_;
};

void CheckDirect(const char* what, unsigned codePage, Reader reader, const std::string& in) {
  std::u16string wide(in.size(), u'\0');
  std::vector<char> twoSteps(2 * in.size()), direct(2 * in.size());
  const std::size_t n = Ours(reader, in, wide, twoSteps);
  const std::size_t m = *ravlet::codepage::ToCp932(codePage, in, direct.data());
  const bool same =
      n == m && std::equal(direct.begin(), direct.begin() + static_cast<std::ptrdiff_t>(m), twoSteps.begin());
  std::printf("%s straight to 932: %s the two steps\n", what, same ? "the same as" : "DIFFERENT FROM");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CheckSameOutput("UTF-8 to 932", ravlet::codepage::Utf8ToUtf16, "UTF-8", Utf8Text());
  CheckSameOutput("ISO-2022-JP to 932", ravlet::codepage::Iso2022JpToUtf16, "ISO-2022-JP", Iso2022JpText());
  CheckDirect("UTF-8", 65001, ravlet::codepage::Utf8ToUtf16, Utf8Text());
  CheckDirect("ISO-2022-JP", 50222, ravlet::codepage::Iso2022JpToUtf16, Iso2022JpText());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
