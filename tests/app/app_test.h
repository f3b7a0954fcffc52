#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/commands_and_texts.h"
#include "tests/support/scripted_device.h"
#include "tests/support/temp_dir.h"

// Runs the program's real start-up with the current folder in a fresh temporary folder and the
// recorder on the scripted device, and shuts it down afterwards as the program does.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Closes the window as the caption's close button does and runs the loop until it ends.
    // Shutdown (the saving of a running take) is left to the caller.
    void CloseWindowAndRunLoop();

    TempDir folder_{"app"};

private:
    std::string savedDirectory_;
};

// What a test needs to start the program again in the same process (the program itself starts
// once): no main window remembered, and both classes unregistered.
void ForgetApplication();

// Driving and reading the window's controls the way the user and the system do.
HWND Control(int id);
void Click(int id);
void SendTick();
std::string ControlText(int id);
void PutText(int id, const std::string& text);
// True when the tick timer was running; it is stopped by asking.
bool TakeTickTimer();

// Points the global recorder's device, clock and error handler at g_script, starting afresh with
// a device of that profile.
void UseScriptedRecorder(DeviceProfile profile = DeviceProfile::kDocumented);

// Points this program's import of a user32 function at a test's own for the object's life: for
// what the program asks of the system that the system cannot be asked back.
class User32ImportPatch {
public:
    // Any function pointer converts to and from this one without a warning.
    using Function = void (*)();
    User32ImportPatch(const char* name, Function replacement);
    ~User32ImportPatch();
    User32ImportPatch(const User32ImportPatch&) = delete;
    User32ImportPatch& operator=(const User32ImportPatch&) = delete;
    bool IsSet() const { return slot_ != nullptr; }

private:
    Function* slot_ = nullptr;
    Function original_ = nullptr;
};
