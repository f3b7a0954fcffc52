#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/control_table.h"
#include "app/globals.h"
#include "tests/app/app_test.h"
#include "tests/support/scripted_device.h"

namespace {

// An error box keeps dispatching the window's messages: the scripted handler plays the user and
// the timer while the "box" is open, with clicks and ticks that begin nested start and stop
// sequences. None of them may open a second device, save twice or leave the window out of step.
using ReentryTest = AppTest;

void ClickEverything(bool alsoTick) {
    SendMessageA(Control(ID_FORMAT_COMBO), CB_SETCURSEL, 7, 0);
    Click(ID_RECORD_BUTTON);
    Click(ID_STOP_BUTTON);
    if (alsoTick) {
        g_script.tick += 10000;
        SendTick();
    }
    Click(ID_RECORD_BUTTON);
}

// No tick here: while a start's box is open nothing records yet, so a tick has no take to count
// or stop, and no fault of the window could show through one.
TEST_F(ReentryTest, ClicksDuringAStartErrorAreHarmless) {
    g_script.results[MCI_OPEN] = MCIERR_DEVICE_OPEN;
    g_script.onMessage = [](const std::string&) { ClickEverything(false); };

    Click(ID_RECORD_BUTTON);

    EXPECT_EQ(kStartCommands, g_script.Commands());
    EXPECT_EQ(std::vector<std::string>{kOpenFailed}, g_script.messages);
    // The nested start did not change the format of the take being started.
    EXPECT_EQ(44100u, g_recorder->format.sampleRate);
    EXPECT_EQ(16u, g_recorder->format.bitsPerSample);
    EXPECT_EQ(2u, g_recorder->format.channels);
    EXPECT_EQ(1, g_recorder->IsRecording());
    EXPECT_EQ("録音中", ControlText(ID_STATUS_PANEL));
    EXPECT_TRUE(TakeTickTimer());
}

TEST_F(ReentryTest, ClicksAndTicksDuringAStopErrorAreHarmless) {
    Click(ID_RECORD_BUTTON);
    // The automatic stop is due: a tick during the box would begin a second stop.
    PutText(ID_SECONDS_EDIT, "1");
    SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_CLICK, 0, 0);
    g_script.results[MCI_STOP] = MCIERR_NONAPPLICABLE_FUNCTION;
    g_script.onMessage = [](const std::string&) { ClickEverything(true); };

    g_script.tick += 5000;
    SendTick();

    EXPECT_EQ(kTakeCommands, g_script.Commands());
    EXPECT_EQ(std::vector<std::string>{kStopFailed}, g_script.messages);
    EXPECT_EQ(0, g_recorder->IsRecording());
    EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
    EXPECT_FALSE(TakeTickTimer());
}

// The window follows the recorder once the outer sequence is over, whatever ran inside it.
TEST_F(ReentryTest, EveryErrorOfATakeWithNestedClicksEndsIdle) {
    for (UINT failing : {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_CLOSE}) {
        SCOPED_TRACE(failing);
        g_script = Script();
        UseScriptedRecorder();
        g_script.results[failing] = 1;
        g_script.onMessage = [](const std::string&) { ClickEverything(true); };

        Click(ID_RECORD_BUTTON);
        EXPECT_EQ("録音中", ControlText(ID_STATUS_PANEL));
        Click(ID_STOP_BUTTON);

        EXPECT_EQ(kTakeCommands, g_script.Commands());
        EXPECT_EQ(1u, g_script.messages.size());
        EXPECT_EQ(0, g_recorder->IsRecording());
        EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
        EXPECT_FALSE(TakeTickTimer());
        SendMessageA(Control(ID_FORMAT_COMBO), CB_SETCURSEL, 1, 0);
    }
}

}  // namespace
