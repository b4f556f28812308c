#pragma once
// Which processes descend from a given one, from snapshots of the system's
// process list. Portable: the snapshot comes from the caller.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct TProcessEntry {
    std::uint32_t ProcessID = 0;
    std::uint32_t ParentProcessID = 0;
};

// Returns the system's current process list, or nothing when it cannot be read.
using TProcessSnapshot = std::function<std::optional<std::vector<TProcessEntry>>()>;

// The root followed by its descendants, parents before their children. One
// snapshot is taken per listed process. A snapshot that cannot be read ends
// the walk with what was found so far; an ID already listed is not listed
// again, so reused IDs that form a cycle cannot make the walk endless.
std::vector<std::uint32_t> CollectProcessTree(std::uint32_t rootID, const TProcessSnapshot& snapshot);
