// Reserving room for whole messages.
#ifndef RAVLET_DECODE_LARGE_BUFFER_H
#define RAVLET_DECODE_LARGE_BUFFER_H

#include <cstddef>
#include <string>

namespace ravlet {

// s.reserve(n) for an empty `s`. For a large n it also asks the system, where
// it can be asked, to back the room with large pages: on some virtual
// machines the first touch of each small page costs more than the rewrite of
// its bytes, which made the cost per byte of a 64 MB message ten times that
// of a 16 MB one.
void ReserveLarge(std::string& s, std::size_t n);

}  // namespace ravlet

#endif
