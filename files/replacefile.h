// Writing a file whole, so that a kill or a power cut leaves the old file or the new one: saved
// games, the settings, pictures. Why the last write failed is kept for the caller to show.
#pragma once
#include <cstdint>

// Permissions of a file that a save creates (the umask applies); a file replaced keeps its own.
constexpr int FILE_MODE_SHARED = 0666;  // saved games
constexpr int FILE_MODE_PRIVATE = 0600; // the settings file: the user's session
// Writes size bytes to the file path finally names, as a shell's write would: links are followed,
// but not one another user planted in a sticky, world-writable folder (the system's
// protected_symlinks rule); a file the user may not write is refused, and so are a folder,
// device or pipe. The new file is made in that file's folder without a name (O_TMPFILE; where
// the file system has none, under a name carrying the process id), written and synced, then
// linked in when the name is new, else named and renamed over the old one, and the folder is
// synced. A save killed at any point leaves the old file or the new one and no other: a helper
// process removes a temporary name whose saver died. A replaced file keeps its mode (and owner
// where allowed); a new one gets newMode less the umask. Paths of up to PATH_MAX - 1 bytes.
// Returns 1 done, 0 failed with LastSaveError set: the old file is untouched, unless only the
// folder's sync failed (the new file is then in place).
int ReplaceFile(const char* path, const uint8_t* data, int size, int newMode);
// Why the last save failed, "cannot write PATH: REASON" with the system's text for the reason;
// "" after a save that succeeded. The shell shows it in a message box; a command line prints it.
const char* LastSaveError();
// Sets LastSaveError for path and error (an errno value, 0 for "not a regular file", -1 for a
// link another user planted in a shared folder, which is not followed); returns 0.
int ReportSaveError(const char* path, int error);
