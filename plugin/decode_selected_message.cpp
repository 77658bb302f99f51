#include <cstring>
#include <string>

#include "decode/rewrite_message.h"
#include "plugin/entry_points.h"
#include "plugin/host_api.h"

namespace ravlet {

bool ReselectPending = false;

namespace {

// Any failure of the rewrite, the decoder's invalid_argument as much as
// exhausted memory, means the message is left as it is: nothing may reach
// the host's process.
bool TryRewrite(const char* text, std::string& result) {
  try {
    return RewriteMessage(text, result);
  } catch (...) {
    return false;
  }
}

}  // namespace

void DecodeSelectedMessage() {
  if (ReselectPending) {
    ReselectPending = false;
    return;
  }

  char path[PathBufferSize] = {};
  if (HostFunction<GetNextMessagePathFunction>(GetNextMessagePathSlot)(-1, path, 1) < 0) return;
  // A path that fills the whole buffer has lost its end, and what is left may
  // name another message: treat it as no message rather than read past it.
  if (std::memchr(path, '\0', sizeof path) == nullptr) return;

  const char* text = HostFunction<GetMessageFunction>(GetMessageSlot)(path);
  if (text == nullptr) return;

  std::string result;
  const bool changed = TryRewrite(text, result);
  HostFunction<ReleaseKavoraBufferFunction>(ReleaseKavoraBufferSlot)();
  if (!changed) return;

  if (HostFunction<ReplaceMessageFunction>(ReplaceMessageSlot)(path, result.c_str(), 1) != 0) {
    // Set before the call: the selection may raise event 1002 at once.
    ReselectPending = true;
    HostFunction<SelectMessageFunction>(SelectMessageSlot)(path, 1);
  }
}

}  // namespace ravlet
