#pragma once
// The entry editor: every field of the entry under the directory's bar as a
// form over its own picture, stepping to the previous or next entry with
// PGUP / PGDN (which moves the directory's bar).

namespace lx {

class TPhoneDirectory;

// Edits entries starting at the one under the bar. True when the user saved
// at least once (the book was written, or its writing was attempted and
// reported). An edit the user declines to save is undone in memory.
bool EditPhoneEntry(TPhoneDirectory& Dir);

}  // namespace lx
