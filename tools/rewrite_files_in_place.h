// `mimedecode -i`: the in-place rewrite of many files on a few threads.
#ifndef RAVLET_TOOLS_REWRITE_FILES_IN_PLACE_H
#define RAVLET_TOOLS_REWRITE_FILES_IN_PLACE_H

#include <string>
#include <vector>

namespace ravlet {

// Rewrites every file of `names` in place (a name given twice once), going
// on past failures, and reports each failure on standard error in the order
// of `names` whatever thread handled it. With `showProgress`, a count of the
// files done is kept on one overwritten line of standard error. An interrupt
// (SIGINT, SIGTERM, SIGHUP) lets the files in hand finish or roll back, so
// that no temporary file is left, and then ends the process by that signal.
// Returns the exit status: 2 when any file could not be read or replaced,
// else 1 when any message could not be decoded, else 0.
int RewriteFilesInPlace(const std::vector<std::string>& names, bool showProgress);

}  // namespace ravlet

#endif
