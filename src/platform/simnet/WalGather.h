#pragma once
// Internal to simnet: an SQLite VFS over the default one that gathers the writes a commit makes to
// the write-ahead log into one write. SQLite writes each log frame as two writes (its header, then
// its page); this layer keeps consecutive writes to a "-wal" file in memory and hands them to the
// file at once when the commit frame is complete, and before anything else looks at or syncs that
// file (a read, sync, truncate, size query, lock, file control or close). What a commit makes
// durable, and when, is unchanged: the commit's frames are in the file before SQLite publishes the
// commit, and only frames of a transaction not yet committed are ever held back.

namespace tavrel::simnet {

// The name of the VFS, registered on first use (never as the default); nullptr when it cannot be
// registered, which opens with the default VFS.
const char* walGatheringVfs();

}  // namespace tavrel::simnet
