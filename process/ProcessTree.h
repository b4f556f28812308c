#pragma once
// Which processes descend from a given one, from snapshots of the system's
// process list. Portable: the snapshot and the facts about each process come
// from the caller.
//
// Process IDs are reused. A process whose parent has ended keeps naming that
// parent's ID, and when the ID goes to a new process the old child looks like
// the new one's child. So a process counts as a child of a listed one only
// when it was created no earlier than that parent (and, as it stood in a
// snapshot, no later than that snapshot was taken: otherwise its ID went to a
// new process after the snapshot).

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct TProcessEntry {
    std::uint32_t ProcessID = 0;
    std::uint32_t ParentProcessID = 0;
};

// The system's process list and the time it was taken (in the units of the
// creation times below, read before the list).
struct TProcessList {
    std::uint64_t TakenAt = 0;
    std::vector<TProcessEntry> Entries;
};

// Returns the system's current process list, or nothing when it cannot be read.
using TProcessSnapshot = std::function<std::optional<TProcessList>()>;
// The creation time of a process, or nothing when it cannot be learnt (it has
// ended, or it may not be opened). The caller may keep what it opened for the
// ending that follows.
using TProcessCreationTime = std::function<std::optional<std::uint64_t>(std::uint32_t processID)>;

struct TProcessTreeRoot {
    std::uint32_t ProcessID = 0;
    std::uint64_t CreationTime = 0;
};

// The root followed by its descendants, parents before their children. One
// snapshot is taken per listed process. A snapshot that cannot be read ends
// the walk with what was found so far; an ID already listed is not listed
// again. selfID (this program) is never listed, nor is a process whose
// creation time cannot be learnt, nor one created before the parent it names.
std::vector<std::uint32_t> CollectProcessTree(const TProcessTreeRoot& root, std::uint32_t selfID,
                                              const TProcessSnapshot& snapshot,
                                              const TProcessCreationTime& creationTime);
