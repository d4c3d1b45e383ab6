// Temporary names of this program's own pattern, the table the signal handler reads
// them from, and the removal of what a killed run left behind.
#pragma once

#include <string>
#include <string_view>

namespace tallowby::files::detail {

inline constexpr std::string_view kTemporaryPrefix = ".tallowby-tmp-";
inline constexpr std::size_t kTemporaryRandomLength = 10;

// ".tallowby-tmp-" and ten random letters or digits.
std::string NewTemporaryName();
// True for exactly that pattern.
bool IsTemporaryName(std::string_view name);

// Records a temporary name in `folder` (a descriptor that stays open while the name
// is registered) before it is created, so that SIGINT, SIGTERM and SIGHUP remove it.
// `isFolder`: a private folder, removed with the regular files in it. Returns the
// slot, or -1 when the table is full (the name then goes unregistered: the next run's
// sweep removes what a signal leaves).
int RegisterTemporary(int folder, std::string_view name, bool isFolder);
// The private folder's own descriptor, once it is open: the handler reads its
// entries through it.
void SetTemporaryContents(int slot, int contents);
// Forgets the slot (-1: nothing) after its name was removed or renamed away.
void UnregisterTemporary(int slot);

// Removes the regular files of the folder open as `folder` (never following links),
// then nothing else.
void RemoveRegularFilesIn(int folder);

// At the first call for a folder (by its identity) in this process: removes the
// names of the temporary pattern that a run of this user, started before this one
// and no longer holding them, left in it.
void SweepLeftoversOnce(int folder);

} // namespace tallowby::files::detail
