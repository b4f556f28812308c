#include "app/win/ImageListQuery.h"

#include "app/MainTexts.h"
#include "app/win/FileSystem.h"

namespace {

// How long a typed path must stay the same before it counts.
constexpr UINT kTypingPauseMs = 500;

}  // namespace

TImageListQuery::TImageListQuery(TComponent* owner)
    : TComponent(owner), FRunner(new TJvCreateProcess(this)), FTypingPause(new TTimer(this))
{
    Name = L"ImageListQuery";
    // As the viewer runs the tool: its console hidden, its output captured.
    FRunner->Name = L"ImageListRunner";
    TJvCPSStartupInfo& startup = FRunner->StartupInfo();
    startup.DefaultPosition = false;
    startup.DefaultSize = false;
    startup.DefaultWindowState = false;
    startup.ShowWindow = swHide;
    FRunner->SetConsoleOptions(TJvConsoleOptions{coOwnerData, coRedirect});
    FRunner->OnRead = [this](TJvCreateProcess*, const std::wstring& text, bool startsOnNewLine) {
        Collect(text, startsOnNewLine);
    };
    FRunner->OnTerminate = [this](TJvCreateProcess*, std::uint32_t exitCode) { Answered(exitCode); };

    FTypingPause->SetEnabled(false);
    FTypingPause->SetInterval(kTypingPauseMs);
    FTypingPause->OnTimer = [this] { Ask(); };
}

TImageListQuery::~TImageListQuery()
{
    Stop();
}

void TImageListQuery::PathChosen(const std::wstring& path)
{
    FPath = path;
    Ask();
}

void TImageListQuery::PathTyped(const std::wstring& path)
{
    if (path == FPath)
        return;
    FPath = path;
    // Each change starts the pause again.
    FTypingPause->SetEnabled(false);
    FTypingPause->SetEnabled(true);
    if (OnChange)
        OnChange();
}

void TImageListQuery::Stop()
{
    FTypingPause->SetEnabled(false);
    if (FRunner->State() != psWaiting)
        return;
    try {
        FRunner->Terminate();
    } catch (const Exception&) {
        // It ended by itself meanwhile.
    }
    FRunner->StopWaiting();
    FLines.clear();
}

TImageList TImageListQuery::ListFor(const std::wstring& path) const
{
    if (path.empty() || path != FAsked || FRunner->State() == psWaiting || StampOf(path) != FStamp)
        return {};
    return FList;
}

TImageListQuery::TFileStamp TImageListQuery::StampOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    TFileStamp stamp;
    if (path.empty() || !GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return stamp;
    stamp.Valid = true;
    stamp.Size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.WriteTime =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

void TImageListQuery::Ask()
{
    FTypingPause->SetEnabled(false);
    const TFileStamp stamp = StampOf(FPath);
    if (!stamp.Valid)
        return;  // no file (yet): nothing to ask
    // The same file unchanged, asked already (and answered, or still asked).
    const bool asking = FRunner->State() == psWaiting;
    if (FPath == FAsked && stamp == FStamp && (asking || FList.State != TImageListState::Unknown))
        return;

    Stop();  // a newer path wins
    FAsked = FPath;
    FStamp = stamp;
    FList = {};
    const std::wstring tool = Tool ? Tool() : std::wstring();
    const std::wstring argument = ToolArgument ? ToolArgument(FAsked) : FAsked;
    if (!tool.empty() && !argument.empty()) {
        FRunner->SetCommandLine(ComposeInfoCommandLine(argument));
        FRunner->SetApplicationName(tool);
        FRunner->SetCurrentDirectory(L"");
        FRunner->SetWaitForTerminate(true);
        try {
            FRunner->Run();
        } catch (const Exception&) {
            // No tool, or it cannot start: nothing is known, as without a query.
        }
    }
    if (OnChange)
        OnChange();
}

void TImageListQuery::Collect(const std::wstring& text, bool startsOnNewLine)
{
    // A report that does not start a new line is the line reported last, grown.
    if (startsOnNewLine || FLines.empty())
        FLines.push_back(text);
    else
        FLines.back() = text;
}

void TImageListQuery::Answered(std::uint32_t exitCode)
{
    FList = ParseImageInfo(FLines, exitCode);
    FLines.clear();
    if (OnChange)
        OnChange();
}
