#pragma once
// What images the source file holds, asked in the background whenever the
// source path changes: "wimlib-imagex info" on the path, run hidden with its
// output captured by a runner of its own (the viewer's CMD3 stays the
// viewer's alone). A newer path ends a query still running, and an answer
// about an older path is never taken.

#include "framework/win/Component.h"
#include "framework/win/Timer.h"
#include "imageinfo/ImageInfo.h"
#include "process/win/JvCreateProcess.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TImageListQuery : public TComponent {
public:
    explicit TImageListQuery(TComponent* owner);
    // A query still running is ended: nothing is left behind.
    ~TImageListQuery() override;

    // The tool to ask, chosen as the viewer chooses it, at each query.
    std::function<std::wstring()> Tool;
    // The path to hand the tool for a source path; empty: it cannot be asked.
    std::function<std::wstring(const std::wstring& path)> ToolArgument;
    // The list about the current path became known, or unknown again.
    std::function<void()> OnChange;

    // The path was chosen with "..." or dropped: asked at once.
    void PathChosen(const std::wstring& path);
    // The path was typed: asked once it has stayed the same for about half
    // a second and names an existing file.
    void PathTyped(const std::wstring& path);
    // Ends a query still running (the program closes).
    void Stop();

    // What is known about the file at path now. Unknown while it is being
    // asked, when another path was asked, and when the file was changed or
    // replaced since it was asked.
    TImageList ListFor(const std::wstring& path) const;

private:
    // Size and last write time: what tells that the file changed.
    struct TFileStamp {
        bool Valid = false;
        std::uint64_t Size = 0;
        std::uint64_t WriteTime = 0;
        bool operator==(const TFileStamp&) const = default;
    };
    static TFileStamp StampOf(const std::wstring& path);

    void PathChanged(const std::wstring& path);
    void Ask();
    void Collect(const std::wstring& text, bool startsOnNewLine);
    void Answered(std::uint32_t exitCode);

    TJvCreateProcess* FRunner;
    TTimer* FTypingPause;
    std::wstring FPath;    // the path as given last
    std::wstring FAsked;   // the path the running or last query was about
    TFileStamp FStamp;     // the file as it was when it was asked
    std::vector<std::wstring> FLines;
    TImageList FList;      // the answer about FAsked
};
