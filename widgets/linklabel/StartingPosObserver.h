#pragma once
// Told the position of an area node once the layout has placed the node's
// first element.

#include "widgets/linklabel/Tree.h"

namespace linklabel {

class IStartingPosObserver {
public:
    virtual ~IStartingPosObserver() = default;
    virtual void StartingPosKnown(int X, int Y, TAreaNode& Node) = 0;
};

}  // namespace linklabel
