#pragma once
// The theme hook: what the framework's windows and controls ask of a visual
// style, and the styles known by name. The theme engine implements styles;
// the framework knows only this interface. Portable.

#include "framework/Colors.h"
#include "framework/StyleColors.h"

#include <memory>
#include <string>
#include <vector>

// A style gives its own colours for the system colours it replaces (the
// custom style colours that painting consults while the style is active).
class TVisualStyle : public ICustomStyleColors {
public:
    virtual const std::wstring& Name() const = 0;
    // The text colour of controls that stand on a window's own colour.
    virtual TColor WindowTextColor() const = 0;
};

class TThemeRegistry {
public:
    // Adds a style. A style whose name is already known is not added, so
    // that a style in use is never replaced; returns whether it was added.
    bool Register(std::unique_ptr<TVisualStyle> style);
    // The style of that name (compared without regard to case), or nullptr.
    TVisualStyle* Find(const std::wstring& name) const;
    std::vector<std::wstring> Names() const;

private:
    std::vector<std::unique_ptr<TVisualStyle>> FStyles;
};

// The styles built into the program.
TThemeRegistry& ThemeRegistry();

// The message shown when a style of that name does not exist.
std::wstring ThemeNotFoundMessage(const std::wstring& name);
