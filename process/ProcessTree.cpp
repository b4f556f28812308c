#include "process/ProcessTree.h"

#include <algorithm>

std::vector<std::uint32_t> CollectProcessTree(const TProcessTreeRoot& root, std::uint32_t selfID,
                                              const TProcessSnapshot& snapshot,
                                              const TProcessCreationTime& creationTime)
{
    struct TListed {
        std::uint32_t ID;
        std::uint64_t Created;
    };
    std::vector<TListed> listed{{root.ProcessID, root.CreationTime}};
    const auto isListed = [&](std::uint32_t id) {
        return std::any_of(listed.begin(), listed.end(), [id](const TListed& l) { return l.ID == id; });
    };
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const std::optional<TProcessList> processes = snapshot();
        if (!processes)
            break;
        const TListed parent = listed[i];
        for (const TProcessEntry& entry : processes->Entries) {
            if (entry.ParentProcessID != parent.ID || entry.ProcessID == selfID || isListed(entry.ProcessID))
                continue;
            const std::optional<std::uint64_t> created = creationTime(entry.ProcessID);
            // Equal times count as "after": the system clock is coarser than
            // the time between starting a child and the child starting its own.
            if (created && *created >= parent.Created && *created <= processes->TakenAt)
                listed.push_back({entry.ProcessID, *created});
        }
    }
    std::vector<std::uint32_t> ids;
    ids.reserve(listed.size());
    for (const TListed& l : listed)
        ids.push_back(l.ID);
    return ids;
}
