#include "tools/wimbridge/BridgeArgs.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using wimbridge::HostCommand;
using wimbridge::IsWindowsPath;
using wimbridge::PathRestorer;
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

TEST(BridgeArgs, AFolderTheShellCannotChangeToRunsNothing)
{
    namespace fs = std::filesystem;
    const fs::path scratch = fs::temp_directory_path() / ("bridge-cd-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const std::string out = (scratch / "out").string();
    const std::string marker = (scratch / "ran").string();
    const auto argv = HostCommand(out, (scratch / "gone").string(), "/usr/bin/touch", {marker});
    std::vector<char*> raw;
    for (const std::string& a : argv)
        raw.push_back(const_cast<char*>(a.c_str()));
    raw.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, raw[0], nullptr, nullptr, raw.data(), environ), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), wimbridge::FailureStatus);
    EXPECT_FALSE(fs::exists(marker));
    std::ostringstream said;
    said << std::ifstream(out).rdbuf();
    EXPECT_EQ(said.str(), "wimlib-imagex (bridge): cannot change to the folder " + (scratch / "gone").string() + "\n");
    fs::remove_all(scratch);
}

TEST(BridgeArgs, OutputNamesThePathsAsTheWindowsSideGaveThem)
{
    // The output cut into pieces at every place: a path split between two
    // pieces, a longer path that begins with a shorter one, the start of a
    // path that turns out to be something else, and one at the very end.
    const std::string output = "Path:           /tmp/a b/\xc3\xa4.esd\n"
                               "\rVerifying file data of /tmp/out.wim.tmp: (50%) done\n"
                               "/tmp/out.wim written; /tmp/a c is not ours\n/tmp/a b/\xc3\xa4.esd";
    const std::string expected = "Path:           Z:\\a b\\\xc3\xa4.esd\n"
                                 "\rVerifying file data of C:\\WIM\\install.wim.tmp: (50%) done\n"
                                 "C:\\WIM\\install.wim written; /tmp/a c is not ours\nZ:\\a b\\\xc3\xa4.esd";
    for (std::size_t cut = 0; cut <= output.size(); ++cut) {
        PathRestorer paths;
        paths.Add("/tmp/out.wim", "C:\\WIM\\install.wim");
        paths.Add("/tmp/a b/\xc3\xa4.esd", "Z:\\a b\\\xc3\xa4.esd");
        paths.Add("/tmp/out.wim.tmp", "C:\\WIM\\install.wim.tmp");
        std::string got = paths.Feed(output.substr(0, cut));
        got += paths.Feed(output.substr(cut));
        got += paths.Finish();
        EXPECT_EQ(got, expected) << "cut at " << cut;
    }
    // Without a mapped path the output passes unchanged.
    PathRestorer none;
    EXPECT_EQ(none.Feed(output) + none.Finish(), output);
}

} // namespace
