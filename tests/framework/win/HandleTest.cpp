#include "framework/win/Handle.h"

#include <gtest/gtest.h>

namespace {

bool IsOpen(HANDLE h)
{
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

}  // namespace

TEST(UniqueHandle, ClosesOnDestructionResetAndMoveAssignment)
{
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(IsOpen(raw));
    {
        TKernelHandle owner(raw);
        EXPECT_TRUE(owner.valid());
    }
    EXPECT_FALSE(IsOpen(raw));

    TKernelHandle a(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    TKernelHandle b(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE first = a.get();
    const HANDLE second = b.get();
    a = std::move(b);
    EXPECT_FALSE(IsOpen(first));
    EXPECT_TRUE(IsOpen(second));
    EXPECT_EQ(a.get(), second);
    EXPECT_FALSE(b.valid());

    a.reset();
    EXPECT_FALSE(IsOpen(second));
}

TEST(UniqueHandle, ReleaseHandsOwnershipOverAndCloseKeepsLastError)
{
    TKernelHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = owner.release();
    EXPECT_FALSE(owner.valid());
    EXPECT_TRUE(IsOpen(raw));
    owner.reset(raw);

    SetLastError(ERROR_BROKEN_PIPE);
    owner.reset();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
}

TEST(UniqueHandle, FileHandleTreatsInvalidHandleValueAsEmpty)
{
    TFileHandle none;
    EXPECT_FALSE(none.valid());
    TFileHandle failed(CreateFileW(L"C:\\does\\not\\exist.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
    EXPECT_FALSE(failed.valid());
}
