#include "process/ProcessTree.h"

#include <algorithm>

std::vector<std::uint32_t> CollectProcessTree(std::uint32_t rootID, const TProcessSnapshot& snapshot)
{
    std::vector<std::uint32_t> ids{rootID};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::optional<std::vector<TProcessEntry>> processes = snapshot();
        if (!processes)
            break;
        const std::uint32_t parent = ids[i];
        for (const TProcessEntry& entry : *processes) {
            if (entry.ParentProcessID == parent && std::find(ids.begin(), ids.end(), entry.ProcessID) == ids.end())
                ids.push_back(entry.ProcessID);
        }
    }
    return ids;
}
