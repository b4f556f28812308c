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

// A system of processes for the tree walk: ID, parent ID, creation time
// (none: it cannot be opened, for instance because it has ended).
struct TFakeProcess {
    std::uint32_t ID;
    std::uint32_t Parent;
    std::optional<std::uint64_t> Created;
};

struct TFakeSystem {
    std::vector<TFakeProcess> Processes;
    std::uint64_t Now = 1000;
    int Snapshots = 0;

    std::vector<std::uint32_t> Walk(std::uint32_t root, std::uint32_t self = 0)
    {
        std::uint64_t rootCreated = 0;
        for (const TFakeProcess& p : Processes)
            if (p.ID == root && p.Created)
                rootCreated = *p.Created;
        return CollectProcessTree(
            {root, rootCreated}, self,
            [this]() -> std::optional<TProcessList> {
                ++Snapshots;
                TProcessList list{Now, {}};
                for (const TFakeProcess& p : Processes)
                    list.Entries.push_back({p.ID, p.Parent});
                return list;
            },
            [this](std::uint32_t id) -> std::optional<std::uint64_t> {
                for (const TFakeProcess& p : Processes)
                    if (p.ID == id)
                        return p.Created;
                return std::nullopt;
            });
    }
};

TEST(ProcessTree, ParentsBeforeChildrenOneSnapshotPerEntry)
{
    TFakeSystem system{{{4, 0, 1}, {100, 4, 10}, {200, 100, 20}, {201, 100, 21}, {300, 200, 30}, {400, 4, 40},
                        {301, 201, 31}, {500, 999, 50}}};
    EXPECT_THAT(system.Walk(100), testing::ElementsAre(100, 200, 201, 300, 301));
    EXPECT_EQ(system.Snapshots, 5);
}

TEST(ProcessTree, OnlyProcessesThatCanBeOurDescendantsAreTaken)
{
    struct Case {
        const char* name;
        std::vector<TFakeProcess> processes;
        std::uint32_t self;
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        // 20's real parent ended and its ID went to our child 10: 20 and all
        // below it are strangers (Explorer is the classic case).
        {"created before the parent it names", {{10, 1, 100}, {20, 10, 50}, {21, 20, 60}, {30, 10, 110}}, 0,
         {10, 30}},
        // The system clock is coarse: a child started at once shows its parent's time.
        {"created at the same time as its parent", {{10, 1, 100}, {20, 10, 100}}, 0, {10, 20}},
        // Listed with our child's ID as parent, but the ID passed to a new
        // process between the snapshot and the look at it.
        {"created after the snapshot", {{10, 1, 100}, {20, 10, 1001}}, 0, {10}},
        {"this program itself, whatever its times", {{10, 1, 100}, {77, 10, 200}, {78, 77, 300}}, 77, {10}},
        // Ended or not to be opened: left out, the walk goes on with the rest.
        {"cannot be opened", {{10, 1, 100}, {20, 10, std::nullopt}, {21, 20, 300}, {30, 10, 120}}, 0, {10, 30}},
        // Each names the other as parent: at most one can be right.
        {"two processes naming each other", {{10, 20, 100}, {20, 10, 50}, {30, 20, 60}}, 0, {10}},
    };
    for (const Case& c : cases) {
        TFakeSystem system{c.processes};
        EXPECT_EQ(system.Walk(10, c.self), c.expected) << c.name;
    }
}

TEST(ProcessTree, UnreadableSnapshotEndsWithWhatWasFound)
{
    int calls = 0;
    const auto ids = CollectProcessTree(
        {10, 1}, 0,
        [&]() -> std::optional<TProcessList> {
            if (++calls > 1)
                return std::nullopt;
            return TProcessList{100, {{11, 10}, {12, 11}}};
        },
        [](std::uint32_t id) { return std::optional<std::uint64_t>(id); });
    EXPECT_THAT(ids, testing::ElementsAre(10, 11));
}

TEST(ThreadDebugName, ClassNameAloneOrAfterTheThreadName)
{
    EXPECT_EQ(ComposeThreadDebugName(L"", L"TJvWaitForProcessThread"), L"TJvWaitForProcessThread");
    EXPECT_EQ(ComposeThreadDebugName(L"cmd", L"TJvWaitForProcessThread"), L"cmd {TJvWaitForProcessThread}");
}

}  // namespace
