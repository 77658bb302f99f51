#include "decode/large_buffer.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ravlet {

void ReserveLarge(std::string& s, std::size_t n) {
  s.reserve(n);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::size_t kLarge = std::size_t{4} << 20;
  constexpr std::uintptr_t kPage = 4096;
  if (n < kLarge) return;
  const auto start = reinterpret_cast<std::uintptr_t>(s.data());
  const std::uintptr_t begin = (start + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t end = (start + s.capacity()) & ~(kPage - 1);
  // Advice only: where it is refused nothing changes but the speed.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace ravlet
