// The one output file in the making (a temporary file beside its final name), kept where a signal handler can
// remove it: a render that is interrupted, or that a plug-in crash ends, leaves nothing behind.
#pragma once

#include <string>

namespace orke::host {

// `path` is being written from now on; a later call replaces it.
void WatchPendingFile(const std::string& path);
// It was renamed into place or removed by its writer.
void ForgetPendingFile();
// Removes the file being written, if there is one. Safe in a signal handler.
void RemovePendingFile();

} // namespace orke::host
