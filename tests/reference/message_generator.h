// Deterministic generator of test messages that mix well-formed and malformed
// encoded words, folds, bare CR and LF and missing line ends.
#ifndef RAVLET_TESTS_REFERENCE_MESSAGE_GENERATOR_H
#define RAVLET_TESTS_REFERENCE_MESSAGE_GENERATOR_H

#include <cstdint>
#include <string>

namespace reference {

// The same seed gives the same message on every platform and compiler.
std::string GenerateMessage(std::uint64_t seed);

}  // namespace reference

#endif
