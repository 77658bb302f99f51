// What Ravlet would store for one message: its rewrite, itself, or itself
// with a reason why it could not be rewritten.
#ifndef RAVLET_TOOLS_FILTER_MESSAGE_H
#define RAVLET_TOOLS_FILTER_MESSAGE_H

#include <string>
#include <string_view>

namespace ravlet {

enum class Verdict {
  kUnchanged,  // nothing to do: the message is stored as it is
  kChanged,    // `rewrite` holds the text to store
  kFailed,     // left unchanged; `error` says why
};

struct Filtered {
  Verdict verdict;
  std::string error;
};

// Rewrites `message` into `rewrite` as the plug-in would. A message holding a
// NUL byte is refused: no host text can hold one, and the rewriter would stop
// at it and drop the rest.
Filtered FilterMessage(std::string_view message, std::string& rewrite);

}  // namespace ravlet

#endif
