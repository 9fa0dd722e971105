#include "os/linux/LinuxLibraries.h"

#include "LinuxTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace ostest;
using ::testing::HasSubstr;

TEST(LinuxLibraries, MissingLibrariesReportModuleNotFound) {
    os::LinuxLibraries libraries;
    EXPECT_EQ(libraries.LoadLibrary("/nonexistent/folder/libHook.so"), 0u);
    EXPECT_EQ(libraries.GetLastError(), os::ERROR_MOD_NOT_FOUND);
    EXPECT_THAT(libraries.SysErrorMessage(os::ERROR_MOD_NOT_FOUND), HasSubstr("libHook.so"));

    EXPECT_EQ(libraries.LoadLibrary("libvistrel-no-such-library.so"), 0u);
    EXPECT_EQ(libraries.GetLastError(), os::ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(libraries.LoadLibrary(""), 0u);
    EXPECT_EQ(libraries.GetLastError(), os::ERROR_MOD_NOT_FOUND);
}

TEST(LinuxLibraries, AFileThatIsNoLibraryHasAnotherCode) {
    TempDir dir;
    WriteText(dir / "libHook.so", "this is text, not a shared library\n");
    os::LinuxLibraries libraries;
    EXPECT_EQ(libraries.LoadLibrary(dir / "libHook.so"), 0u);
    const os::DWORD code = libraries.GetLastError();
    EXPECT_GT(code, 0u);
    EXPECT_NE(code, os::ERROR_MOD_NOT_FOUND);
    const std::string message = libraries.SysErrorMessage(code);
    EXPECT_THAT(message, HasSubstr(dir / "libHook.so"));
    // Texts of other codes do not borrow the loader's message.
    EXPECT_THAT(libraries.SysErrorMessage(os::ERROR_MOD_NOT_FOUND),
                ::testing::Not(HasSubstr("libHook.so")));
}

TEST(LinuxLibraries, LoadsFindsAndFrees) {
    os::LinuxLibraries libraries;
    const os::HMODULE module = libraries.LoadLibrary("libm.so.6");
    ASSERT_NE(module, 0u);
    EXPECT_EQ(libraries.GetLastError(), 0u);
    auto* cosine = reinterpret_cast<double (*)(double)>(libraries.GetProcAddress(module, "cos"));
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);

    EXPECT_EQ(libraries.GetProcAddress(module, "AttachReceiver"), nullptr);
    const os::DWORD code = libraries.GetLastError();
    EXPECT_GT(code, 0u);
    EXPECT_NE(code, os::ERROR_MOD_NOT_FOUND);
    EXPECT_THAT(libraries.SysErrorMessage(code), HasSubstr("AttachReceiver"));

    EXPECT_TRUE(libraries.FreeLibrary(module));
    EXPECT_FALSE(libraries.FreeLibrary(0));
}
