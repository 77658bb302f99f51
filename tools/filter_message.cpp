#include "tools/filter_message.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "decode/rewrite_message.h"

namespace ravlet {

Filtered FilterMessage(std::string_view message, std::string& rewrite) {
  rewrite.clear();
  if (std::memchr(message.data(), '\0', message.size()) != nullptr) {
    return {Verdict::kFailed, "the message holds a NUL byte, which no mail text can; left unchanged"};
  }
  try {
    if (RewriteMessage(message, rewrite)) return {Verdict::kChanged, {}};
    return {Verdict::kUnchanged, {}};
  } catch (const std::invalid_argument& e) {
    // The rewrite is incomplete; drop it so nobody can store it by mistake.
    std::string().swap(rewrite);
    return {Verdict::kFailed, e.what()};
  } catch (const std::bad_alloc&) {
    std::string().swap(rewrite);
    return {Verdict::kFailed, "out of memory; left unchanged"};
  }
}

}  // namespace ravlet
