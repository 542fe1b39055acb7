// What the launcher asks of the system for its sounds and its program starts, seen through the counted
// calls (counted_calls.h): the sound library loaded once, by its full path in the system folder and
// with its own imports looked for beside it; the request handed to the shell when a start needs
// elevation.
#include "launcher/actions.h"
#include "launcher/launcher_state.h"
#include "launcher/sounds.h"
#include "tests/wine/counted_calls.h"
#include "tests/wine/wine_test_support.h"

#include <gtest/gtest.h>

#include <string>

TEST(Sounds, TheSoundLibraryIsLoadedOnceFromTheSystemFolderForEverySound)
{
    HWND window = CreateSplash(32);
    ASSERT_NE(window, nullptr);
    // As at start-up, whether or not the welcome timer has fired yet: no sound played so far.
    launcherState.soundLookedUp = 0;
    launcherState.playSound = nullptr;
    WelcomeSound();
    for (int button : {0, 1, 2, 0}) {
        MoveOntoButton(window, button); // each an entry, with its hover sound
    }
    char library[MAX_PATH];
    GetSystemDirectoryA(library, MAX_PATH);
    lstrcatA(library, "\\WINMM.DLL");
    EXPECT_EQ(countedCalls.libraryLoads, 1);
    EXPECT_EQ(lstrcmpiA(countedCalls.loadedLibrary, library), 0) << countedCalls.loadedLibrary;
    EXPECT_EQ(countedCalls.loadFlags, static_cast<DWORD>(LOAD_WITH_ALTERED_SEARCH_PATH));
    EXPECT_NE(launcherState.playSound, nullptr);
    DestroySplash(window);
}

// Under User Account Control WinExec fails with 740 for a program that asks for elevation; the shell
// then gets the same command, split into program and parameters. The launcher ends right after the call,
// so the start must be complete when it returns (an asynchronous one can be lost), and the shell shows
// no message box of its own.
TEST(Starts, AStartThatNeedsElevationIsHandedToTheShellToBeDoneBeforeItReturns)
{
    HWND window = CreateSplash(32, Self(), Installed);
    ASSERT_NE(window, nullptr);
    const char command[] = "\"C:\\Program Files\\Vendor\\UNINST.EXE\" /remove /quiet";
    lstrcpyA(launcherState.uninstallCommand, command);
    forcedResults.failStarts = true;
    forcedResults.startError = 740;
    forcedResults.recordShellStarts = true;

    ClickButton(window, SetupOrRemove);

    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(countedCalls.programStarts, 1);
    EXPECT_STREQ(countedCalls.startedCommand, command);
    ASSERT_EQ(countedCalls.shellStarts, 1);
    const SHELLEXECUTEINFOA& request = countedCalls.shellRequest;
    EXPECT_EQ(request.cbSize, sizeof request);
    EXPECT_EQ(request.fMask, static_cast<ULONG>(SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC));
    EXPECT_EQ(request.hwnd, window);
    EXPECT_EQ(request.lpVerb, nullptr);
    EXPECT_STREQ(countedCalls.shellFile, "C:\\Program Files\\Vendor\\UNINST.EXE");
    EXPECT_STREQ(countedCalls.shellParameters, "/remove /quiet");
    EXPECT_EQ(request.nShow, SW_SHOW);
    forcedResults = ForcedResults();
    DestroySplash(window);
}

// What a click starts when the system cannot or need not start it as asked. The program starts are
// failed with the given error (740: elevation required, handed to the shell's stand-in), so that nothing
// runs.
TEST(Starts, WhatAClickStartsWhenTheStartCannotGoAhead)
{
    const struct {
        const char* name;
        InstallState installed;
        const char* uninstallCommand;
        bool moduleUnknown; // neither the ANSI nor the wide-character path of the launcher is known
        DWORD startError;
        int programStarts;
        int shellStarts;
    } cases[] = {
        // Nothing beside an unknown folder is started, not even by a bare name.
        {"setup with the launcher's path unknown", NotInstalled, "", true, 5, 0, 0},
        // A program that is nowhere: the shell is not asked to start an empty program instead.
        {"elevation for a program that does not exist", Installed, "C:\\Nowhere\\UNINST.EXE /x", false, 740, 1, 0},
        {"elevation for a quoted program", Installed, "\"C:\\Nowhere\\UNINST.EXE\" /x", false, 740, 1, 1},
    };
    for (const auto& c : cases) {
        HWND window = CreateSplash(32, Self(), c.installed);
        ASSERT_NE(window, nullptr) << c.name;
        lstrcpyA(launcherState.uninstallCommand, c.uninstallCommand);
        const HINSTANCE instance = launcherState.instance;
        char modulePath[ModulePathSize];
        lstrcpyA(modulePath, launcherState.modulePath);
        if (c.moduleUnknown) {
            launcherState.modulePath[0] = '\0';
            launcherState.instance = reinterpret_cast<HINSTANCE>(1); // names no module
        }
        forcedResults.failStarts = true;
        forcedResults.startError = c.startError;
        forcedResults.recordShellStarts = true;

        ClickButton(window, SetupOrRemove);

        EXPECT_EQ(countedCalls.programStarts, c.programStarts) << c.name << ": " << countedCalls.startedCommand;
        EXPECT_EQ(countedCalls.shellStarts, c.shellStarts) << c.name << ": " << countedCalls.shellFile;
        launcherState.instance = instance;
        lstrcpyA(launcherState.modulePath, modulePath);
        forcedResults = ForcedResults();
        DestroySplash(window);
    }
}

// The file looks before a start never bring up the system's "no disk" box; the program started gets
// the error mode the launcher had, for it inherits it.
TEST(Starts, FilesAreLookedForWithoutTheSystemsBoxesAndTheOldErrorModeIsBackForTheStart)
{
    const UINT oldMode = SetErrorMode(0);
    char path[MAX_PATH];
    GetEnvironmentVariableA("PATH", path, sizeof path);
    CreateDirectoryA("C:\\probed", nullptr);
    CloseHandle(CreateFileA("C:\\probed\\PROBED.EXE", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    SetEnvironmentVariableA("PATH", "A:\\;C:\\nowhere;C:\\probed");
    HWND window = CreateSplash(32, Self(), Installed);
    ASSERT_NE(window, nullptr);
    // Found nowhere but in PATH's last folder, after looks in every other; then started through the shell.
    lstrcpyA(launcherState.uninstallCommand, "probed /p");
    forcedResults.failStarts = true;
    forcedResults.startError = 740;
    forcedResults.recordShellStarts = true;

    ClickButton(window, SetupOrRemove);

    EXPECT_EQ(countedCalls.programStarts, 1);
    EXPECT_EQ(countedCalls.shellStarts, 1);
    EXPECT_STREQ(countedCalls.startedCommand, "\"C:\\probed\\probed.EXE\" /p");
    EXPECT_GT(countedCalls.fileLooks, 5);
    EXPECT_EQ(countedCalls.fileLooksWithBoxes, 0);
    EXPECT_EQ(countedCalls.errorModeAtStart, 0u);
    forcedResults = ForcedResults();
    DestroySplash(window);
    SetEnvironmentVariableA("PATH", path);
    DeleteFileA("C:\\probed\\PROBED.EXE");
    RemoveDirectoryA("C:\\probed");
    SetErrorMode(oldMode);
}
