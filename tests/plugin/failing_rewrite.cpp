// Stands in for the decoder in ravlet_failing_rewrite.dll: it starts an
// output, then fails the way the message's "X-Test: throw ..." line asks for,
// as exhausted memory or a fault outside the decoder would. Without such a
// line it reports the change "rewritten".
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "decode/rewrite_message.h"

namespace ravlet {

bool RewriteMessage(std::string_view text, std::string& output) {
  output = "partial";
  if (text.find("throw bad_alloc") != std::string_view::npos) throw std::bad_alloc();
  if (text.find("throw runtime_error") != std::string_view::npos) throw std::runtime_error("failed");
  if (text.find("throw int") != std::string_view::npos) throw 7;
  output = "rewritten";
  return true;
}

}  // namespace ravlet
