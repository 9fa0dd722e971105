// The single-instance mutex through the system.
#include "os/win32/Win32Process.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

namespace {

TEST(Win32Process, TheNamedMutexIsHeldUntilEveryHandleIsClosed) {
    const std::string name = "Vistrel 3 test " + std::to_string(::GetCurrentProcessId());
    os::Win32Process first;
    bool exists = true;
    os::HANDLE held = first.CreateMutex(name, exists);
    ASSERT_NE(held, 0u);
    EXPECT_FALSE(exists);

    // A second start sees it, also through another owner of handles.
    os::Win32Process second;
    os::HANDLE again = second.CreateMutex(name, exists);
    EXPECT_NE(again, 0u);
    EXPECT_TRUE(exists);
    EXPECT_EQ(second.GetLastError(), static_cast<os::DWORD>(ERROR_ALREADY_EXISTS));
    second.CloseHandle(again);

    // The first handle alone keeps it.
    os::Win32Process third;
    third.CreateMutex(name, exists);
    EXPECT_TRUE(exists);
    third.CloseHandle(1); // not one of its handles
    EXPECT_EQ(third.GetLastError(), static_cast<os::DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Win32Process, TheMutexGoesWithItsLastHandle) {
    const std::string name = "Vistrel 3 gone " + std::to_string(::GetCurrentProcessId());
    bool exists = true;
    {
        os::Win32Process program;
        ASSERT_NE(program.CreateMutex(name, exists), 0u);
    } // the program ends
    os::Win32Process next;
    ASSERT_NE(next.CreateMutex(name, exists), 0u);
    EXPECT_FALSE(exists);
}

} // namespace
