// Libraries through the Windows loader, with the test hook library built as a DLL.
#include "os/win32/Win32Libraries.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Win32Libraries, ALibraryLoadsGivesItsEntryPointsAndGoesAgain) {
    const std::string path = std::string(VISTREL_TEST_HOOK_DIR) + "/TestHook.dll";
    os::Win32Libraries libs;
    os::HMODULE module = libs.LoadLibrary(path);
    ASSERT_NE(module, 0u) << path;
    EXPECT_EQ(libs.GetLastError(), 0u);
    EXPECT_NE(libs.GetProcAddress(module, "AttachReceiver"), nullptr);
    EXPECT_EQ(libs.GetProcAddress(module, "NoSuchEntry"), nullptr);
    EXPECT_EQ(libs.GetLastError(), static_cast<os::DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(libs.FreeLibrary(module));
    EXPECT_EQ(::GetModuleHandleA("TestHook.dll"), nullptr);
}

TEST(Win32Libraries, AMissingLibraryReportsTheSystemsCodeAndText) {
    os::Win32Libraries libs;
    EXPECT_EQ(libs.LoadLibrary(std::string(VISTREL_TEST_HOOK_DIR) + "/Missing.dll"), 0u);
    EXPECT_EQ(libs.GetLastError(), static_cast<os::DWORD>(ERROR_MOD_NOT_FOUND));
    // The error box shows the text as a sentence of its own: no final period or line break.
    const std::string text = libs.SysErrorMessage(static_cast<os::DWORD>(ERROR_MOD_NOT_FOUND));
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_EQ(libs.SysErrorMessage(0xDEADu), "System error 57005");
}

} // namespace
