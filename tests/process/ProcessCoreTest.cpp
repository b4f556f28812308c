// The portable composition of a run: creation flags, start-up hints, the
// environment block and the walk over a process tree.

#include "process/EnvironmentBlock.h"
#include "process/JvCPSStartup.h"
#include "process/JvCPSTypes.h"
#include "process/ProcessTree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace {

TEST(CreationFlags, PriorityClassPlusEveryFlag)
{
    struct Case {
        TJvProcessPriority priority;
        TJvCPSFlags flags;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {ppNormal, {cfUnicode}, 0x20 | 0x400},
        {ppIdle, {}, 0x40},
        {ppHigh, {cfSuspended, cfNewConsole}, 0x80 | 0x4 | 0x10},
        {ppRealTime, {cfDetached}, 0x100 | 0x8},
        {ppBelowNormal, {cfNewProcGroup, cfSeparateWdm}, 0x4000 | 0x200 | 0x800},
        {ppAboveNormal, {cfSharedWdm, cfDefaultErrorMode}, 0x8000 | 0x1000 | 0x4000000},
        {ppNormal,
         {cfDefaultErrorMode, cfNewConsole, cfNewProcGroup, cfSeparateWdm, cfSharedWdm, cfSuspended, cfUnicode,
          cfDetached},
         0x20 | 0x4000000 | 0x10 | 0x200 | 0x800 | 0x1000 | 0x4 | 0x400 | 0x8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposeCreationFlags(c.priority, c.flags), c.expected) << "priority " << c.priority;
}

TEST(ConsoleOptionSet, IncludeExcludeAndCompare)
{
    TJvConsoleOptions options{coOwnerData};
    EXPECT_TRUE(options.Contains(coOwnerData));
    EXPECT_FALSE(options.Contains(coRedirect));
    options.Include(coRedirect).Exclude(coOwnerData);
    EXPECT_EQ(options, (TJvConsoleOptions{coRedirect}));
    EXPECT_EQ(options + TJvConsoleOptions{coSeparateError}, (TJvConsoleOptions{coSeparateError, coRedirect}));
    EXPECT_TRUE((options - TJvConsoleOptions{coRedirect}).Empty());
}

TEST(StartupRecord, FlagsAndFieldsFollowTheHints)
{
    struct Case {
        const char* name;
        TJvCPSStartupValues values;
        TJvCPSStartupRecord expected;
    };
    TJvCPSStartupValues hidden;
    hidden.DefaultWindowState = false;
    hidden.ShowWindow = swHide;

    TJvCPSStartupValues allOff = hidden;
    allOff.DefaultPosition = false;
    allOff.DefaultSize = false;
    allOff.Left = -5;
    allOff.Top = 7;
    allOff.Width = 640;
    allOff.Height = 480;

    TJvCPSStartupValues maximized;
    maximized.DefaultWindowState = false;
    maximized.ShowWindow = swMaximize;
    maximized.ForceOnFeedback = true;
    maximized.Desktop = L"winsta0\\default";

    TJvCPSStartupValues minimized;
    minimized.DefaultWindowState = false;
    minimized.ShowWindow = swMinimize;
    minimized.ForceOffFeedback = true;
    minimized.Title = L"Konsole";

    TJvCPSStartupValues stateIgnored;  // ShowWindow without DefaultWindowState false has no effect
    stateIgnored.ShowWindow = swHide;
    stateIgnored.Left = 100;           // nor a position while DefaultPosition holds

    const Case cases[] = {
        {"defaults", TJvCPSStartupValues{}, TJvCPSStartupRecord{}},
        {"hidden", hidden, {false, false, 0, 0, 0, 0, 0, 0x1}},
        {"all three hints off", allOff,
         {false, false, static_cast<std::uint32_t>(-5), 7, 640, 480, 0, 0x7}},
        {"maximized with desktop", maximized, {true, false, 0, 0, 0, 0, 3, 0x1 | 0x40}},
        {"minimized with title", minimized, {false, true, 0, 0, 0, 0, 2, 0x1 | 0x80}},
        {"normal", [] { TJvCPSStartupValues v; v.DefaultWindowState = false; return v; }(),
         {false, false, 0, 0, 0, 0, 1, 0x1}},
        {"state and position ignored while defaults hold", stateIgnored, TJvCPSStartupRecord{}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposeStartupRecord(c.values), c.expected) << c.name;
}

TEST(EnvironmentBlock, EntriesEachEndWithNulAndTheBlockWithOneMore)
{
    EXPECT_EQ(StringsToMultiSz({}), L"");
    EXPECT_EQ(StringsToMultiSz({L"A=1"}), std::wstring(L"A=1\0\0", 5));
    EXPECT_EQ(StringsToMultiSz({L"PATH=C:\\Tools (x86)", L"N\u00C4ME=\u00FC"}),
              std::wstring(L"PATH=C:\\Tools (x86)\0N\u00C4ME=\u00FC\0\0", 28));
}

TEST(EnvironmentBlock, EmptyEntryIsRefused)
{
    for (const std::vector<std::wstring>& items :
         {std::vector<std::wstring>{L""}, std::vector<std::wstring>{L"A=1", L"", L"B=2"}}) {
        try {
            StringsToMultiSz(items);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, L"String list passed to StringsToMultiSz cannot contain empty strings.");
        }
    }
}

TEST(ProcessTree, ParentsBeforeChildrenOneSnapshotPerEntry)
{
    const std::vector<TProcessEntry> system = {
        {4, 0}, {100, 4}, {200, 100}, {201, 100}, {300, 200}, {400, 4}, {301, 201}, {500, 999},
    };
    int snapshots = 0;
    const auto ids = CollectProcessTree(100, [&] {
        ++snapshots;
        return std::optional<std::vector<TProcessEntry>>(system);
    });
    EXPECT_THAT(ids, testing::ElementsAre(100, 200, 201, 300, 301));
    EXPECT_EQ(snapshots, 5);
}

TEST(ProcessTree, UnreadableSnapshotEndsWithWhatWasFound)
{
    int calls = 0;
    const auto ids = CollectProcessTree(10, [&]() -> std::optional<std::vector<TProcessEntry>> {
        if (++calls > 1)
            return std::nullopt;
        return std::vector<TProcessEntry>{{11, 10}, {12, 11}};
    });
    EXPECT_THAT(ids, testing::ElementsAre(10, 11));
}

TEST(ProcessTree, ReusedIdsFormingACycleDoNotLoop)
{
    const std::vector<TProcessEntry> system = {{10, 20}, {20, 10}, {30, 20}};
    const auto ids = CollectProcessTree(10, [&] { return std::optional<std::vector<TProcessEntry>>(system); });
    EXPECT_THAT(ids, testing::ElementsAre(10, 20, 30));
}

TEST(ThreadDebugName, ClassNameAloneOrAfterTheThreadName)
{
    EXPECT_EQ(ComposeThreadDebugName(L"", L"TJvWaitForProcessThread"), L"TJvWaitForProcessThread");
    EXPECT_EQ(ComposeThreadDebugName(L"cmd", L"TJvWaitForProcessThread"), L"cmd {TJvWaitForProcessThread}");
}

}  // namespace
