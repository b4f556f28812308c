#pragma once
// What a screen reader in its own process learns of a window through MSAA:
// the driver asks AccessibleObjectFromWindow from its own process, as one
// would, and can press a child's default action or navigate from a child.

#include "tools/driver/Json.h"

#include <windows.h>

#include <optional>
#include <string>

struct AccessibleRequest {
    // Navigation: a direction ("next", "previous", "first", "last") from a
    // child (0: the object itself).
    std::optional<std::wstring> Direction;
    long From = 0;
    // The child whose default action is done.
    std::optional<long> DoDefault;
};

// {hwnd, child_count, children: [{id, role, name, state, location
// {left, top, width, height}, default_action}], focus, navigation, default_action}
JsonValue AccessibleClient(HWND window, const AccessibleRequest& request);
