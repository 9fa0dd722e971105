#include "platform/HxSysHookCommon.h"
#include "platform/HxSysHookLoader.h"

#include "FakePlatform.h"
#include "HookTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace hooktest;
using namespace platform;
using ::testing::ElementsAre;

namespace {

class HookLoader : public ::testing::Test {
protected:
    void TearDown() override {
        while (HookLibraryLoaded())
            ReleaseHookLibrary();
    }
    fake::FakePlatform p;
};

} // namespace

TEST_F(HookLoader, ANameWithAnotherExtensionIsRetriedOnceWithThisSystemsExtension) {
    EXPECT_EQ(LoadHookLibrary(HookDir() + "/TestHook" + OtherExt()), HXERR_NONE);
    EXPECT_THAT(p.Libs_.LoadAttempts,
                ElementsAre(HookDir() + "/TestHook" + OtherExt(), CompleteHook()));
    EXPECT_TRUE(HookLibraryLoaded());
    ReleaseHookLibrary();

    // No extension at all: one is added. A dot in a folder name is not an extension.
    std::string inDottedFolder = CopyHook(p, CompleteHook(), "libs.d/TestHook" + Ext());
    std::string withoutExtension = inDottedFolder.substr(0, inDottedFolder.size() - Ext().size());
    p.Libs_.LoadAttempts.clear();
    EXPECT_EQ(LoadHookLibrary(withoutExtension), HXERR_NONE);
    if (Ext() == ".dll") // Windows' own loader adds ".dll" to a name without extension
        EXPECT_THAT(p.Libs_.LoadAttempts, ElementsAre(withoutExtension));
    else
        EXPECT_THAT(p.Libs_.LoadAttempts, ElementsAre(withoutExtension, inDottedFolder));
    EXPECT_TRUE(IsLoaded(inDottedFolder));
    ReleaseHookLibrary();

    // Retried once only: both names missing gives the system's code.
    p.Libs_.LoadAttempts.clear();
    int code = LoadHookLibrary(HookDir() + "/Missing" + OtherExt());
    EXPECT_EQ(code, static_cast<int>(os::ERROR_MOD_NOT_FOUND));
    EXPECT_THAT(p.Libs_.LoadAttempts,
                ElementsAre(HookDir() + "/Missing" + OtherExt(), HookDir() + "/Missing" + Ext()));
    EXPECT_FALSE(HookLibraryLoaded());
    EXPECT_EQ(HookLibraryRefCount(), 0);
}

TEST_F(HookLoader, ANameWithThisSystemsExtensionInAnyCaseIsNotRetried) {
    std::string upper = Ext(), mixed = Ext();
    for (std::size_t i = 1; i < upper.size(); ++i)
        upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
    mixed[1] = upper[1];
    for (const std::string& ext : {Ext(), upper, mixed}) {
        std::string name = HookDir() + "/Missing" + ext;
        p.Libs_.LoadAttempts.clear();
        EXPECT_EQ(LoadHookLibrary(name), static_cast<int>(os::ERROR_MOD_NOT_FOUND));
        EXPECT_THAT(p.Libs_.LoadAttempts, ElementsAre(name)) << name;
    }
    EXPECT_FALSE(HookLibraryLoaded());
}

TEST_F(HookLoader, ABareNameIsFoundBesideTheProgram) {
    if (Ext() == ".dll")
        GTEST_SKIP() << "Windows' own loader looks in the program's folder first";
    // The main window names "Hook.dll"; the program folder holds this system's library.
    std::string besideProgram = CopyHook(p, CompleteHook(), "Program/Hook" + Ext());
    EXPECT_EQ(LoadHookLibrary("Hook.dll"), HXERR_NONE);
    EXPECT_THAT(p.Libs_.LoadAttempts, ElementsAre("Hook.dll", besideProgram));
}

TEST_F(HookLoader, LaterLoadsOnlyCountAndTheLastReleaseUnloads) {
    ASSERT_EQ(LoadHookLibrary(CompleteHook()), HXERR_NONE);
    // Once loaded, the name is not looked at: this one does not even exist.
    EXPECT_EQ(LoadHookLibrary(HookDir() + "/Missing" + Ext()), HXERR_NONE);
    EXPECT_EQ(p.Libs_.LoadAttempts.size(), 1u);
    EXPECT_EQ(HookLibraryRefCount(), 2);
    EXPECT_NE(HookAttachReceiver(), nullptr);

    ReleaseHookLibrary();
    EXPECT_TRUE(IsLoaded(CompleteHook()));
    ReleaseHookLibrary();
    EXPECT_FALSE(HookLibraryLoaded());
    EXPECT_FALSE(IsLoaded(CompleteHook()));
    EXPECT_EQ(HookAttachReceiver(), nullptr);
    ReleaseHookLibrary(); // nothing loaded: nothing happens
    EXPECT_EQ(p.Libs_.LoadedCount(), 0);
}

TEST_F(HookLoader, ALibraryWithoutAllEntryPointsIsUnloadedAgain) {
    EXPECT_EQ(LoadHookLibrary(HookWithoutLastError()), HXERR_MISSING_EXPORTS);
    EXPECT_FALSE(HookLibraryLoaded());
    EXPECT_EQ(HookLibraryRefCount(), 0);
    EXPECT_EQ(p.Libs_.LoadedCount(), 0);
    EXPECT_FALSE(IsLoaded(HookWithoutLastError()));
}

TEST_F(HookLoader, ErrorTexts) {
    EXPECT_EQ(HxSysHookErrorText(0), "No error.");
    EXPECT_EQ(HxSysHookErrorText(-1), "DLL doesn't export all required functions.");
    EXPECT_EQ(HxSysHookErrorText(-2), "Receiver already registered.");
    EXPECT_EQ(HxSysHookErrorText(-3), "Receiver not registered.");
    EXPECT_EQ(HxSysHookErrorText(-4), "Too many receivers.");
    EXPECT_EQ(HxSysHookErrorText(-5), "System hook already installed.");
    EXPECT_EQ(HxSysHookErrorText(-6), "Unknown error -6");
    EXPECT_EQ(HxSysHookErrorText(-1000), "Unknown error -1000");
    EXPECT_EQ(HxSysHookErrorText(126), p.Libs_.SysErrorMessage(126));
}

TEST_F(HookLoader, WarnsAtProgramEndOnlyWhileTheLibraryIsLoaded) {
    CheckHookLibraryUnloaded();
    EXPECT_TRUE(p.Shell_.MessageBoxes.empty());

    ASSERT_EQ(LoadHookLibrary(CompleteHook()), HXERR_NONE);
    CheckHookLibraryUnloaded();
    ASSERT_EQ(p.Shell_.MessageBoxes.size(), 1u);
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Text, "HxSysHook DLL was not unloaded!");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Caption, "HxSysHookLoader");
    EXPECT_EQ(p.Shell_.MessageBoxes[0].Flags, os::MB_ICONWARNING);
}
