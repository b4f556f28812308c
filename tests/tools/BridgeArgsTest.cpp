#include "tools/wimbridge/BridgeArgs.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace {

using wimbridge::HostCommand;
using wimbridge::IsWindowsPath;
using wimbridge::PathValueOffset;

TEST(BridgeArgs, RecognisesWindowsPaths)
{
    struct Case {
        const wchar_t* Arg;
        bool Path;
    };
    const Case cases[] = {
        {L"C:\\Nimbrel\\WIM\\install.wim", true},
        {L"z:/tmp/a b.esd", true},
        {L"D:\\", true},
        {L"\\\\server\\share\\x.wim", true},
        {L"//server/share", true},
        {L"\\\\?\\C:\\x.wim", true},
        {L"C:", false},         // drive-relative: no root to map
        {L"C:x.wim", false},
        {L"1:\\x", false},
        {L"\\\\", false},
        {L"\\\\\\x", false},
        {L"\\x.wim", false},
        {L"x.wim", false},
        {L"export", false},
        {L"--compress=LZX", false},
        {L"", false},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(IsWindowsPath(cases[i].Arg), cases[i].Path) << "case " << i;
}

TEST(BridgeArgs, FindsPathValuesOfLongOptions)
{
    const auto npos = std::wstring_view::npos;
    EXPECT_EQ(PathValueOffset(L"--ref=C:\\parts\\x*.swm"), 6u);
    EXPECT_EQ(PathValueOffset(L"--config=\\\\srv\\c.ini"), 9u);
    EXPECT_EQ(PathValueOffset(L"--compress=LZX"), npos);
    EXPECT_EQ(PathValueOffset(L"--ref=relative.swm"), npos);
    EXPECT_EQ(PathValueOffset(L"-r=C:\\x"), npos);
    EXPECT_EQ(PathValueOffset(L"--=C:\\x"), npos);
    EXPECT_EQ(PathValueOffset(L"C:\\a=b"), npos);
}

TEST(BridgeArgs, HostCommandRunsTheProgramThroughTheShell)
{
    const std::vector<std::string> args{"export", "/tmp/a b/src.esd", "1", "--compress=LZX"};
    const auto argv = HostCommand("/tmp/out file", "/tmp/dir", "/usr/bin/wimlib-imagex", args);
    ASSERT_EQ(argv.size(), 7u + args.size());
    EXPECT_EQ(argv[0], "/bin/sh");
    EXPECT_EQ(argv[1], "-c");
    // The script takes its data only from positional parameters, never
    // from its own text, so no argument is ever parsed by the shell.
    EXPECT_EQ(argv[2].find("/tmp"), std::string::npos);
    EXPECT_NE(argv[2].find("\"$@\""), std::string::npos);
    EXPECT_EQ(argv[4], "/tmp/out file");
    EXPECT_EQ(argv[5], "/tmp/dir");
    EXPECT_EQ(argv[6], "/usr/bin/wimlib-imagex");
    EXPECT_EQ(std::vector<std::string>(argv.begin() + 7, argv.end()), args);
}

} // namespace
