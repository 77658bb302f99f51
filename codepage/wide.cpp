#include "codepage/wide.h"

#include "codepage/tables.h"

#if RAVLET_CODEPAGE_WIDE
#include <immintrin.h>

#include <cstdint>

#define RAVLET_WIDE_TARGET \
  __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))
#endif

namespace ravlet::codepage::detail {

#if RAVLET_CODEPAGE_WIDE

bool HaveWidePaths() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
}

namespace {

RAVLET_WIDE_TARGET inline __m512i Bytes(int b) { return _mm512_set1_epi8(static_cast<char>(b)); }

// The lowest n bits (n up to 64). Stores go through such masks so that
// nothing past what a converter reports is ever written: callers may size
// their buffers by an earlier count, as with the platform's functions.
RAVLET_WIDE_TARGET inline std::uint64_t Low(std::size_t n) { return _bzhi_u64(~std::uint64_t{0}, static_cast<unsigned>(n)); }

// 16 codes from codes[][] by their flat index, each read as the aligned pair
// of codes that holds it so that no read passes the table's end.
RAVLET_WIDE_TARGET inline __m256i GatherCodes(const int* codes, __m256i index16) {
  const __m512i i = _mm512_cvtepu16_epi32(index16);
  const __m512i pair = _mm512_i32gather_epi32(_mm512_srli_epi32(i, 1), codes, 4);
  const __m512i shift = _mm512_slli_epi32(_mm512_and_si512(i, _mm512_set1_epi32(1)), 4);
  return _mm512_cvtepi32_epi16(_mm512_srlv_epi32(pair, shift));
}

// One half of a window: the units of the characters marked in `starts`
// among the 32 positions from p, packed at the bottom of the result.
RAVLET_WIDE_TARGET inline __m512i DecodeHalf(const unsigned char* p, std::uint32_t starts, std::uint32_t l2,
                                             std::uint32_t l3) {
  const __m512i b0 = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
  const __m512i b1 = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1)));
  const __m512i b2 = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2)));
  const __m512i low6 = _mm512_set1_epi16(0x3F);
  const __m512i m1 = _mm512_and_si512(b1, low6);
  const __m512i m2 = _mm512_and_si512(b2, low6);
  const __m512i two = _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(b0, _mm512_set1_epi16(0x1F)), 6), m1);
  const __m512i three = _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi16(b0, 12), _mm512_slli_epi16(m1, 6)), m2);
  __m512i units = _mm512_mask_mov_epi16(b0, l2, two);
  units = _mm512_mask_mov_epi16(units, l3, three);
  return _mm512_maskz_compress_epi16(starts, units);
}

// The first n (up to 32) of the units in `u` in 932 at `out`; returns the
// bytes written.
RAVLET_WIDE_TARGET inline std::size_t EncodeUnits(__m512i u, std::size_t n, char* out) {
  const auto& table = kCp932Encode;
  // The row of each unit: block[u >> 8], looked up 128 entries at a time.
  const auto* block = reinterpret_cast<const __m512i*>(table.block);
  const __m512i high = _mm512_srli_epi16(u, 8);
  const __m512i rowLow = _mm512_permutex2var_epi8(_mm512_loadu_si512(block), high, _mm512_loadu_si512(block + 1));
  const __m512i rowHigh = _mm512_permutex2var_epi8(_mm512_loadu_si512(block + 2), high, _mm512_loadu_si512(block + 3));
  const __m512i row = _mm512_and_si512(_mm512_mask_blend_epi8(_mm512_movepi8_mask(high), rowLow, rowHigh),
                                       _mm512_set1_epi16(0xFF));
  const __m512i index = _mm512_or_si512(_mm512_slli_epi16(row, 8), _mm512_and_si512(u, _mm512_set1_epi16(0xFF)));
  const auto* codes = reinterpret_cast<const int*>(table.codes);
  const __m256i lo = GatherCodes(codes, _mm512_castsi512_si256(index));
  const __m256i hi = n > 16 ? GatherCodes(codes, _mm512_extracti64x4_epi64(index, 1)) : _mm256_setzero_si256();
  const __m512i code = _mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1);
  // Lead byte first; the lead byte counts only for two-byte codes.
  const __m512i bigEndian = _mm512_or_si512(_mm512_slli_epi16(code, 8), _mm512_srli_epi16(code, 8));
  const std::uint32_t doubles = _mm512_cmpge_epu16_mask(code, _mm512_set1_epi16(0x100));
  const std::uint64_t keep =
      (_pdep_u64(doubles, 0x5555555555555555u) | 0xAAAAAAAAAAAAAAAAu) & Low(2 * n);
  const std::size_t bytes = static_cast<std::size_t>(_mm_popcnt_u64(keep));
  _mm512_mask_storeu_epi8(out, Low(bytes), _mm512_maskz_compress_epi8(keep, bigEndian));
  return bytes;
}

// Whether the window at p holds only valid characters of at most three
// bytes; also gives their starts and their two- and three-byte leads, and
// updates `carry`.
struct Window {
  std::uint64_t starts, l2, l3;
};

RAVLET_WIDE_TARGET inline bool ReadWindow(const unsigned char* p, std::uint64_t& carry, Window& w) {
  constexpr std::uint64_t kWindow = (std::uint64_t{1} << 62) - 1;
  const __m512i v = _mm512_loadu_si512(p);
  const std::uint64_t cont = _mm512_cmpeq_epi8_mask(_mm512_and_si512(v, Bytes(0xC0)), Bytes(0x80));
  const std::uint64_t ascii = _mm512_cmplt_epu8_mask(v, Bytes(0x80));
  const std::uint64_t lead2 = _mm512_cmpge_epu8_mask(v, Bytes(0xC2)) & _mm512_cmple_epu8_mask(v, Bytes(0xDF));
  const std::uint64_t lead3 = _mm512_cmpge_epu8_mask(v, Bytes(0xE0)) & _mm512_cmple_epu8_mask(v, Bytes(0xEF));
  const std::uint64_t e0 = _mm512_cmpeq_epi8_mask(v, Bytes(0xE0));
  const std::uint64_t ed = _mm512_cmpeq_epi8_mask(v, Bytes(0xED));
  const std::uint64_t belowA0 = _mm512_cmplt_epu8_mask(v, Bytes(0xA0));
  const std::uint64_t above9F = _mm512_cmpgt_epu8_mask(v, Bytes(0x9F));
  w.starts = ~cont & kWindow;
  w.l2 = lead2 & kWindow;
  w.l3 = lead3 & kWindow;
  const std::uint64_t wanted = w.l2 << 1 | w.l3 << 1 | w.l3 << 2;
  const bool fine = (w.starts & ~(ascii | lead2 | lead3)) == 0 &&         // no C0, C1, F0-FF
                    (cont & kWindow) == ((wanted | carry) & kWindow) &&  // no stray, none cut short
                    ((wanted >> 62) & ~(cont >> 62)) == 0 &&             // the last one not cut short
                    ((e0 & kWindow) << 1 & belowA0) == 0 &&              // no overlong form
                    ((ed & kWindow) << 1 & above9F) == 0;                // no surrogate
  if (fine) carry = wanted >> 62;
  return fine;
}

}  // namespace

// Windows of 62 positions, one 64-byte load each, at a fixed stride so that
// no window waits for the one before it: a window takes the characters that
// start in it, and the at most two continuation bytes of its last character
// that lie in the next window are that window's `carry`. Every character in
// a window must be valid and at most three bytes long; the first window
// that is not ends the run, and the scalar code reads on from there.
namespace {

// Up to `windows` windows from p, counting them off; returns where the next
// character starts.
RAVLET_WIDE_TARGET inline const unsigned char* Utf8Windows(const unsigned char* p, const unsigned char* end,
                                                           std::size_t& windows, char16_t*& out) {
  std::uint64_t carry = 0;
  char16_t* o = out;
  Window w;
  for (; windows && end - p >= 66 && ReadWindow(p, carry, w); p += 62, --windows) {  // reads up to p[65]
    const auto lowHalf = static_cast<std::uint32_t>(w.starts), highHalf = static_cast<std::uint32_t>(w.starts >> 32);
    const unsigned n0 = static_cast<unsigned>(_mm_popcnt_u32(lowHalf));
    const unsigned n1 = static_cast<unsigned>(_mm_popcnt_u32(highHalf));
    _mm512_mask_storeu_epi16(o, static_cast<__mmask32>(Low(n0)),
                             DecodeHalf(p, lowHalf, static_cast<std::uint32_t>(w.l2), static_cast<std::uint32_t>(w.l3)));
    o += n0;
    _mm512_mask_storeu_epi16(o, static_cast<__mmask32>(Low(n1)),
                             DecodeHalf(p + 32, highHalf, static_cast<std::uint32_t>(w.l2 >> 32),
                                        static_cast<std::uint32_t>(w.l3 >> 32)));
    o += n1;
  }
  out = o;
  return p + _mm_popcnt_u64(carry);
}

}  // namespace

RAVLET_WIDE_TARGET
const unsigned char* Utf8RunToUtf16(const unsigned char* p, const unsigned char* end, char16_t*& out) {
  std::size_t windows = ~std::size_t{0};
  return Utf8Windows(p, end, windows, out);
}

// Through UTF-16 after all, but a few windows at a time in a buffer that
// stays in the cache, so that the 932 lookups go 32 units at a time.
RAVLET_WIDE_TARGET
const unsigned char* Utf8RunToCp932(const unsigned char* p, const unsigned char* end, char*& out) {
  constexpr std::size_t kWindows = 32;
  alignas(64) char16_t units[kWindows * 62 + 32];  // 32 more: the last block reads a whole vector
  for (;;) {
    char16_t* u = units;
    std::size_t windows = kWindows;
    p = Utf8Windows(p, end, windows, u);
    const auto n = static_cast<std::size_t>(u - units);
    for (std::size_t i = 0; i < n; i += 32)
      out += EncodeUnits(_mm512_load_si512(units + i), n - i < 32 ? n - i : 32, out);
    if (windows) return p;  // a window that stopped the run, or the end
  }
}

RAVLET_WIDE_TARGET
std::size_t Utf16BlockToCp932(const char16_t* p, char* out) { return EncodeUnits(_mm512_loadu_si512(p), 32, out); }

namespace {

// The bytes up to the first ESC, SO, SI or byte of 0x80 or more, as ASCII
// mode reads them.
RAVLET_WIDE_TARGET inline std::size_t PlainRun(const unsigned char* p, char16_t* out) {
  const __m512i v = _mm512_loadu_si512(p);
  const std::uint64_t special = _mm512_cmpge_epu8_mask(v, Bytes(0x80)) | _mm512_cmpeq_epi8_mask(v, Bytes(0x1B)) |
                                _mm512_cmpeq_epi8_mask(v, Bytes(0x0E)) | _mm512_cmpeq_epi8_mask(v, Bytes(0x0F));
  const std::size_t n = special ? static_cast<std::size_t>(__builtin_ctzll(special)) : 64;
  const std::uint64_t keep = Low(n);
  _mm512_mask_storeu_epi16(out, static_cast<__mmask32>(keep), _mm512_cvtepu8_epi16(_mm512_castsi512_si256(v)));
  _mm512_mask_storeu_epi16(out + 32, static_cast<__mmask32>(keep >> 32),
                           _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(v, 1)));
  return n;
}

// The pairs of bytes 21-7E before the first other byte, as JIS X 0208 mode
// reads them.
RAVLET_WIDE_TARGET inline std::size_t JisPairRun(const unsigned char* p, char16_t* out) {
  const __m512i v = _mm512_loadu_si512(p);
  const std::uint64_t other = _mm512_cmplt_epu8_mask(v, Bytes(0x21)) | _mm512_cmpgt_epu8_mask(v, Bytes(0x7E));
  const std::size_t pairs = (other ? static_cast<std::size_t>(__builtin_ctzll(other)) : 64) / 2;
  if (pairs == 0) return 0;
  // Row byte j1 and cell byte j2 of each pair to Shift-JIS, as in
  // JisToShiftJis of the scalar reader.
  const __m512i j1 = _mm512_and_si512(v, _mm512_set1_epi16(0xFF));
  const __m512i j2 = _mm512_srli_epi16(v, 8);
  const __mmask32 upper = _mm512_cmpgt_epu16_mask(j1, _mm512_set1_epi16(0x5E));
  const __mmask32 odd = _mm512_test_epi16_mask(j1, _mm512_set1_epi16(1));
  const __mmask32 late = _mm512_cmpge_epu16_mask(j2, _mm512_set1_epi16(0x60));
  const __m512i lead = _mm512_add_epi16(_mm512_srli_epi16(_mm512_add_epi16(j1, _mm512_set1_epi16(1)), 1),
                                        _mm512_mask_blend_epi16(upper, _mm512_set1_epi16(0x70), _mm512_set1_epi16(0xB0)));
  const __m512i oddAdd = _mm512_mask_blend_epi16(late, _mm512_set1_epi16(0x1F), _mm512_set1_epi16(0x20));
  const __m512i trail = _mm512_add_epi16(j2, _mm512_mask_blend_epi16(odd, _mm512_set1_epi16(0x7E), oddAdd));
  // Its row of the 932 table (lead bytes 81-EF all lie in the upper half of
  // lead[]), then the unit.
  const auto& table = kCp932Decode;
  const auto* leads = reinterpret_cast<const __m512i*>(table.lead);
  const __m512i row = _mm512_and_si512(
      _mm512_permutex2var_epi8(_mm512_loadu_si512(leads + 2), lead, _mm512_loadu_si512(leads + 3)),
      _mm512_set1_epi16(0xFF));
  // Lanes past the run hold whatever followed it: index 0 keeps their reads
  // inside the table.
  const __mmask32 inRun = static_cast<__mmask32>((std::uint64_t{1} << pairs) - 1);
  const __m512i index = _mm512_maskz_mov_epi16(
      inRun, _mm512_or_si512(_mm512_slli_epi16(_mm512_sub_epi16(row, _mm512_set1_epi16(1)), 8), trail));
  const auto* units = reinterpret_cast<const int*>(table.pairs);
  _mm256_mask_storeu_epi16(out, static_cast<__mmask16>(inRun), GatherCodes(units, _mm512_castsi512_si256(index)));
  if (pairs > 16)  // runs are mostly short: spare the second gather
    _mm256_mask_storeu_epi16(out + 16, static_cast<__mmask16>(inRun >> 16),
                             GatherCodes(units, _mm512_extracti64x4_epi64(index, 1)));
  return 2 * pairs;
}

}  // namespace

// Runs of text in ASCII or JIS X 0208 mode and the escapes between them
// (ESC ( B and ESC $ B, the ones that writers use); anything else goes back
// to the scalar reader, with the mode it has reached.
RAVLET_WIDE_TARGET
const unsigned char* Iso2022JpRunToUtf16(const unsigned char* p, const unsigned char* end, bool& jis,
                                         char16_t*& out) {
  char16_t* o = out;
  while (end - p >= 64) {
    const std::size_t taken = jis ? JisPairRun(p, o) : PlainRun(p, o);
    p += taken;
    o += jis ? taken / 2 : taken;
    if (taken >= 63) continue;  // the whole window was text
    if (end - p < 3 || p[0] != 0x1B || (p[1] != '(' && p[1] != '$') || p[2] != 'B') break;
    jis = p[1] == '$';
    p += 3;
  }
  out = o;
  return p;
}

namespace {

// ASCII mode straight to 932: the same bytes.
RAVLET_WIDE_TARGET inline std::size_t PlainRunBytes(const unsigned char* p, char* out) {
  const __m512i v = _mm512_loadu_si512(p);
  const std::uint64_t special = _mm512_cmpge_epu8_mask(v, Bytes(0x80)) | _mm512_cmpeq_epi8_mask(v, Bytes(0x1B)) |
                                _mm512_cmpeq_epi8_mask(v, Bytes(0x0E)) | _mm512_cmpeq_epi8_mask(v, Bytes(0x0F));
  const std::size_t n = special ? static_cast<std::size_t>(__builtin_ctzll(special)) : 64;
  _mm512_mask_storeu_epi8(out, Low(n), v);
  return n;
}

// JIS X 0208 mode straight to 932: the pairs before the first byte outside
// 21-7E, as far as their Shift-JIS codes come back from 932 unchanged (the
// scalar code takes the first one that does not).
RAVLET_WIDE_TARGET inline std::size_t JisPairRunToShiftJis(const unsigned char* p, char* out) {
  const __m512i v = _mm512_loadu_si512(p);
  const std::uint64_t other = _mm512_cmplt_epu8_mask(v, Bytes(0x21)) | _mm512_cmpgt_epu8_mask(v, Bytes(0x7E));
  const std::size_t pairs = (other ? static_cast<std::size_t>(__builtin_ctzll(other)) : 64) / 2;
  if (pairs == 0) return 0;
  const __m512i j1 = _mm512_and_si512(v, _mm512_set1_epi16(0xFF));
  const __m512i j2 = _mm512_srli_epi16(v, 8);
  // The cells of each row that come back unchanged (94 rows: the second
  // half of the table is read with a mask so as not to pass its end).
  const auto& trip = kCp932JisRoundTrip;
  const __m512i row = _mm512_sub_epi16(j1, _mm512_set1_epi16(0x21));
  const __mmask64 tail = (std::uint64_t{1} << 30) - 1;
  const __m512i first = _mm512_and_si512(
      _mm512_permutex2var_epi8(_mm512_loadu_si512(trip.first), row, _mm512_maskz_loadu_epi8(tail, trip.first + 64)),
      _mm512_set1_epi16(0xFF));
  const __m512i last = _mm512_and_si512(
      _mm512_permutex2var_epi8(_mm512_loadu_si512(trip.last), row, _mm512_maskz_loadu_epi8(tail, trip.last + 64)),
      _mm512_set1_epi16(0xFF));
  const std::uint32_t kept = _mm512_cmpge_epu16_mask(j2, first) & _mm512_cmple_epu16_mask(j2, last);
  const std::uint32_t inRun = static_cast<std::uint32_t>(Low(pairs));
  const std::uint32_t notKept = ~kept & inRun;
  const std::size_t direct = notKept ? static_cast<std::size_t>(__builtin_ctz(notKept)) : pairs;
  if (direct == 0) return 0;
  // As in JisToShiftJis of the scalar reader.
  const __mmask32 upper = _mm512_cmpgt_epu16_mask(j1, _mm512_set1_epi16(0x5E));
  const __mmask32 odd = _mm512_test_epi16_mask(j1, _mm512_set1_epi16(1));
  const __mmask32 late = _mm512_cmpge_epu16_mask(j2, _mm512_set1_epi16(0x60));
  const __m512i lead = _mm512_add_epi16(_mm512_srli_epi16(_mm512_add_epi16(j1, _mm512_set1_epi16(1)), 1),
                                        _mm512_mask_blend_epi16(upper, _mm512_set1_epi16(0x70), _mm512_set1_epi16(0xB0)));
  const __m512i oddAdd = _mm512_mask_blend_epi16(late, _mm512_set1_epi16(0x1F), _mm512_set1_epi16(0x20));
  const __m512i trail = _mm512_add_epi16(j2, _mm512_mask_blend_epi16(odd, _mm512_set1_epi16(0x7E), oddAdd));
  _mm512_mask_storeu_epi8(out, Low(2 * direct), _mm512_or_si512(lead, _mm512_slli_epi16(trail, 8)));
  return 2 * direct;
}

}  // namespace

RAVLET_WIDE_TARGET
const unsigned char* Iso2022JpRunToCp932(const unsigned char* p, const unsigned char* end, bool& jis, char*& out) {
  char* o = out;
  while (end - p >= 64) {
    const std::size_t taken = jis ? JisPairRunToShiftJis(p, o) : PlainRunBytes(p, o);
    p += taken;
    o += taken;
    if (taken >= 63) continue;  // the whole window was text
    if (end - p < 3 || p[0] != 0x1B || (p[1] != '(' && p[1] != '$') || p[2] != 'B') break;
    jis = p[1] == '$';
    p += 3;
  }
  out = o;
  return p;
}

#else

bool HaveWidePaths() { return false; }
const unsigned char* Utf8RunToUtf16(const unsigned char* p, const unsigned char*, char16_t*&) { return p; }
std::size_t Utf16BlockToCp932(const char16_t*, char*) { return 0; }
const unsigned char* Utf8RunToCp932(const unsigned char* p, const unsigned char*, char*&) { return p; }
const unsigned char* Iso2022JpRunToUtf16(const unsigned char* p, const unsigned char*, bool&, char16_t*&) {
  return p;
}
const unsigned char* Iso2022JpRunToCp932(const unsigned char* p, const unsigned char*, bool&, char*&) { return p; }

#endif

}  // namespace ravlet::codepage::detail
