#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/control_table.h"
#include "app/globals.h"
#include "app/ui_texts.h"
#include "tests/app/app_test.h"
#include "tests/support/scripted_device.h"

namespace {

// The window that holds the session's end, and why; Wine does not implement the hold.
HWND g_holdingWindow = nullptr;
std::wstring g_holdReason;

BOOL WINAPI HoldSessionEnd(HWND window, LPCWSTR reason) {
    g_holdingWindow = window;
    g_holdReason = reason;
    return TRUE;
}

BOOL WINAPI ReleaseSessionEnd(HWND) {
    g_holdingWindow = nullptr;
    return TRUE;
}

std::vector<UINT> CommandsAfterStart() {
    std::vector<UINT> commands = g_script.Commands();
    return std::vector<UINT>(commands.begin() + std::min<size_t>(3, commands.size()), commands.end());
}

using ShutdownTest = AppTest;

TEST_F(ShutdownTest, ClosingWhileIdleSendsNothingAndWritesNothing) {
    HFONT font = g_uiFont;
    HBRUSH brush = g_backgroundBrush;
    CloseWindowAndRunLoop();
    EXPECT_FALSE(IsWindow(g_mainWindow));
    // The window let go of the font and the brush as it went.
    EXPECT_EQ(0u, GetObjectType(font));
    EXPECT_EQ(0u, GetObjectType(brush));

    ShutDownApplication();
    EXPECT_TRUE(g_script.sent.empty());
    EXPECT_TRUE(g_script.messages.empty());
    EXPECT_TRUE(folder_.Entries().empty());
}

// The window goes first, without a question; the take is saved after the loop has ended.
TEST_F(ShutdownTest, ClosingDuringATakeSavesItAfterTheWindowIsGone) {
    Click(ID_RECORD_BUTTON);
    const std::string path = ControlText(ID_FILENAME_EDIT);

    CloseWindowAndRunLoop();
    EXPECT_FALSE(IsWindow(g_mainWindow));
    EXPECT_TRUE(CommandsAfterStart().empty());

    ShutDownApplication();
    EXPECT_EQ(kStopCommands, CommandsAfterStart());
    ASSERT_EQ(1u, g_script.Count(MCI_SAVE));
    EXPECT_EQ(path, g_script.Sent(MCI_SAVE)[0].fileName);
    EXPECT_TRUE(g_script.messages.empty());
}

// The session's end ends the process without WM_DESTROY, so the take is saved right away. While
// the take runs, the session's end is held with the reason the system shows the user.
TEST_F(ShutdownTest, EndOfSessionDuringATakeSavesIt) {
    const User32ImportPatch hold("ShutdownBlockReasonCreate",
                                 reinterpret_cast<User32ImportPatch::Function>(HoldSessionEnd));
    const User32ImportPatch release("ShutdownBlockReasonDestroy",
                                    reinterpret_cast<User32ImportPatch::Function>(ReleaseSessionEnd));
    ASSERT_TRUE(hold.IsSet() && release.IsSet());
    Click(ID_RECORD_BUTTON);
    EXPECT_EQ(g_mainWindow, g_holdingWindow);
    EXPECT_EQ(std::wstring(kShutdownBlockReason), g_holdReason);
    EXPECT_NE(0, SendMessageA(g_mainWindow, WM_QUERYENDSESSION, 0, 0));
    EXPECT_TRUE(CommandsAfterStart().empty());

    EXPECT_EQ(0, SendMessageA(g_mainWindow, WM_ENDSESSION, TRUE, 0));
    EXPECT_EQ(kStopCommands, CommandsAfterStart());
    EXPECT_EQ(ControlText(ID_FILENAME_EDIT), g_script.Sent(MCI_SAVE)[0].fileName);
    EXPECT_EQ(0, g_recorder->IsRecording());
    EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
    EXPECT_FALSE(TakeTickTimer());
    EXPECT_EQ(nullptr, g_holdingWindow);

    // Nothing is left to save when the program ends after all.
    CloseWindowAndRunLoop();
    ShutDownApplication();
    EXPECT_EQ(1u, g_script.Count(MCI_SAVE));
}

// The session ends while a box of the start or the stop is open: the take is finished at once,
// without another box, and the sequence that showed the box sends nothing more when it returns.
// A start's boxes come once its three commands are sent, so a device that records is saved.
struct SessionEndCase {
    const char* box;  // the beginning of the box's text
    bool duringStop;
    UINT failing;  // the command that fails, if any
    DWORD_PTR mode;
    bool missingFolder;
    std::vector<UINT> commands;
};

const SessionEndCase kSessionEndCases[] = {
    {kOpenFailed, false, MCI_OPEN, MCI_MODE_RECORD, false, {MCI_OPEN, MCI_SET, MCI_RECORD}},
    {kSetFailed, false, MCI_SET, MCI_MODE_RECORD, false, kTakeCommands},
    {kRecordFailed, false, MCI_RECORD, MCI_MODE_RECORD, false, kTakeCommands},
    {kRecordFailed, false, 0, MCI_MODE_STOP, false, kTakeCommands},
    {kStopFailed, true, MCI_STOP, MCI_MODE_RECORD, false, kTakeCommands},
    {kSaveFailed, true, 0, MCI_MODE_RECORD, true, kTakeCommands},
    {kSaveFailed,
     true,
     MCI_SAVE,
     MCI_MODE_RECORD,
     false,
     {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_SAVE, MCI_SAVE, MCI_CLOSE}},
    {kTakeKeptAt, true, 0, MCI_MODE_RECORD, true, kTakeCommands},
    {kCloseFailed, true, MCI_CLOSE, MCI_MODE_RECORD, false, kTakeCommands},
};

TEST_F(ShutdownTest, EndOfSessionDuringABoxFinishesTheTakeOnce) {
    for (const SessionEndCase& c : kSessionEndCases) {
        for (const DeviceProfile profile : {DeviceProfile::kDocumented, DeviceProfile::kWine}) {
            SCOPED_TRACE(std::string(c.box) + (c.failing ? " failing" : "") +
                         (c.missingFolder ? " missing" : "") +
                         (profile == DeviceProfile::kWine ? " (Wine)" : ""));
            UseScriptedRecorder(profile);
            const std::string target =
                c.missingFolder ? folder_.File("missing\\take.wav") : folder_.File("take.wav");
            PutText(ID_FILENAME_EDIT, target);
            if (c.duringStop) {
                Click(ID_RECORD_BUTTON);
            }
            g_script.results[c.failing] = 1;
            g_script.mode = c.mode;
            const std::string box = c.box;
            g_script.onMessage = [box](const std::string& message) {
                if (message.rfind(box, 0) == 0) {
                    EXPECT_NE(0, SendMessageA(g_mainWindow, WM_QUERYENDSESSION, 0, 0));
                    SendMessageA(g_mainWindow, WM_ENDSESSION, TRUE, 0);
                    EXPECT_EQ(0, g_recorder->IsRecording());
                }
            };
            Click(c.duringStop ? ID_STOP_BUTTON : ID_RECORD_BUTTON);

            EXPECT_EQ(c.commands, g_script.Commands());
            ASSERT_FALSE(g_script.messages.empty());
            EXPECT_EQ(0u, g_script.messages.back().rfind(box, 0)) << "a box after the session's end";
            EXPECT_EQ(0, g_recorder->IsRecording());
            EXPECT_FALSE(g_recorder->InSequence());
            EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
            EXPECT_FALSE(TakeTickTimer());
            EXPECT_EQ(g_script.hungCommands, 0u);
        }
    }
}

TEST_F(ShutdownTest, CancelledEndOfSessionKeepsRecording) {
    Click(ID_RECORD_BUTTON);
    SendMessageA(g_mainWindow, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(CommandsAfterStart().empty());
    EXPECT_EQ(1, g_recorder->IsRecording());
    EXPECT_EQ("録音中", ControlText(ID_STATUS_PANEL));
}

TEST_F(ShutdownTest, EndOfSessionWhileIdleSendsNothing) {
    SendMessageA(g_mainWindow, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(g_script.sent.empty());
    EXPECT_TRUE(IsWindow(g_mainWindow));
}

}  // namespace
