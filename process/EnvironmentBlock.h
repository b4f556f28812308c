#pragma once
// The environment block handed to a child: every entry followed by a NUL,
// the whole followed by one more NUL. Portable.

#include <string>
#include <vector>

// Raises Exception for an empty entry: it would end the block early and
// silently drop every entry after it. No entries give an empty string, which
// the caller passes as "no block" so that the child inherits our environment.
std::wstring StringsToMultiSz(const std::vector<std::wstring>& items);
