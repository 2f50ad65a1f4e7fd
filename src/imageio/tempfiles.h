// Temporary files of results under way. Their names say which run made them — the process id,
// the process's start time and the boot it ran in:
//     .tavuzip-<pid>-<start time>-<boot id>-XXXXXX.part
// so that a later run can tell the leftovers of a run that was killed (or of a machine that went
// down) from the files of a run that is still going on, and remove only the former.
#pragma once

#include <string>

namespace tavu {

// The name prefix for this process's temporary files (".tavuzip-<pid>-<start>-<boot>-").
const std::string& TempPrefix();

// Remembers a temporary file under way / forgets it (renamed into place or removed).
void RegisterTemp(const std::string& path);
void ForgetTemp(const std::string& path);
// Removes the temporary file and forgets it.
void DropTemp(const std::string& path);

// Removes every temporary file under way. Safe inside a signal handler (unlink() only). From
// then on TempsEnding() is true: a temporary file made meanwhile by another thread is removed by
// its maker (register first, then ask).
void RemoveTempsInProgress();
bool TempsEnding();

// Removes the temporary files in `folder` left by runs that are no longer alive; never those of
// a live run. Files of an older naming (no run named) go only when older than a day. Returns how
// many were removed.
int RemoveStaleTemps(const std::string& folder);

// Whether the run that made a temporary file of this name is alive; true when the name cannot be
// read as one of ours (such a file is left alone).
bool TempOwnerAlive(const std::string& fileName);

}  // namespace tavu
