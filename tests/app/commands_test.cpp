#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/control_table.h"
#include "app/globals.h"
#include "app/save_dialog.h"
#include "tests/app/app_test.h"
#include "tests/support/scripted_device.h"

namespace {

// Refuses every top-level window while it is installed, so that a save dialog fails at once
// instead of waiting for a user, and counts the attempts.
class DialogBlocker {
public:
    DialogBlocker() {
        attempts_ = 0;
        hook_ = SetWindowsHookExA(WH_CBT, Refuse, nullptr, GetCurrentThreadId());
    }
    ~DialogBlocker() { UnhookWindowsHookEx(hook_); }
    DialogBlocker(const DialogBlocker&) = delete;
    DialogBlocker& operator=(const DialogBlocker&) = delete;

    int Attempts() const { return attempts_; }

private:
    static LRESULT CALLBACK Refuse(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND &&
            reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs->hwndParent == nullptr) {
            ++attempts_;
            return 1;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline int attempts_ = 0;
    HHOOK hook_;
};

using RecordCommandTest = AppTest;

TEST_F(RecordCommandTest, EmptyBoxRecordsToDefaultWavInTheCurrentFolder) {
    Click(ID_RECORD_BUTTON);

    const std::string expected = folder_.Path() + "\\default.wav";
    EXPECT_EQ(expected, ControlText(ID_FILENAME_EDIT));
    EXPECT_STREQ(expected.c_str(), g_recorder->path);
    EXPECT_EQ(kStartCommands, g_script.Commands());
    EXPECT_EQ(1, g_recorder->IsRecording());
    EXPECT_EQ("録音中", ControlText(ID_STATUS_PANEL));
    EXPECT_TRUE(TakeTickTimer());

    Click(ID_STOP_BUTTON);
    EXPECT_EQ(kTakeCommands, g_script.Commands());
    EXPECT_EQ(expected, g_script.Sent(MCI_SAVE)[0].fileName);
    EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
    EXPECT_EQ(0, g_recorder->IsRecording());
    EXPECT_TRUE(g_script.messages.empty());
}

// A drive root already ends in a backslash; the composed path keeps both.
TEST_F(RecordCommandTest, DriveRootGivesTwoBackslashes) {
    char root[] = "C:\\";
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(folder), folder);
    root[0] = folder[0];
    ASSERT_TRUE(SetCurrentDirectoryA(root));

    Click(ID_RECORD_BUTTON);
    const std::string expected = std::string(root) + "\\default.wav";
    EXPECT_EQ(expected, ControlText(ID_FILENAME_EDIT));
    EXPECT_STREQ(expected.c_str(), g_recorder->path);
    Click(ID_STOP_BUTTON);
}

// The typed path goes to the recorder as it stands: blanks kept, a relative name relative, and
// no more than 299 bytes of it.
TEST_F(RecordCommandTest, TypedPathIsTakenAsItStands) {
    const std::string longName = std::string(350, 'a') + ".wav";
    const struct {
        std::string typed;
        std::string recorded;
    } rows[] = {
        {"take.wav", "take.wav"},
        {"  sub\\take.wav ", "  sub\\take.wav "},
        {" ", " "},
        {longName, longName.substr(0, 299)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed.substr(0, 20));
        PutText(ID_FILENAME_EDIT, row.typed);
        Click(ID_RECORD_BUTTON);
        EXPECT_EQ(row.recorded, std::string(g_recorder->path));
        EXPECT_EQ(row.typed, ControlText(ID_FILENAME_EDIT));
        Click(ID_STOP_BUTTON);
    }
}

TEST_F(RecordCommandTest, StartWhileRecordingChangesNothing) {
    PutText(ID_FILENAME_EDIT, "first.wav");
    Click(ID_RECORD_BUTTON);
    g_script.tick += 3000;
    SendTick();
    ASSERT_EQ("録音中 3秒", ControlText(ID_STATUS_PANEL));

    PutText(ID_FILENAME_EDIT, "");
    SendMessageA(Control(ID_FORMAT_COMBO), CB_SETCURSEL, 7, 0);
    Click(ID_RECORD_BUTTON);

    EXPECT_EQ(kStartCommands, g_script.Commands());
    EXPECT_EQ("録音中 3秒", ControlText(ID_STATUS_PANEL));
    EXPECT_EQ("", ControlText(ID_FILENAME_EDIT));
    EXPECT_STREQ("first.wav", g_recorder->path);
    EXPECT_EQ(44100u, g_recorder->format.sampleRate);
    EXPECT_EQ(16u, g_recorder->format.bitsPerSample);
}

// A start whose device commands failed still counts as running: the user stops it as any other.
TEST_F(RecordCommandTest, FailedStartStillShowsRecording) {
    g_script.results = {{MCI_OPEN, MCIERR_DEVICE_OPEN}, {MCI_SET, 1}, {MCI_RECORD, 1}};
    Click(ID_RECORD_BUTTON);
    EXPECT_EQ((std::vector<std::string>{kOpenFailed, kSetFailed, kRecordFailed}), g_script.messages);
    EXPECT_EQ("録音中", ControlText(ID_STATUS_PANEL));
    EXPECT_TRUE(TakeTickTimer());
}

using StopCommandTest = AppTest;

TEST_F(StopCommandTest, StopWhileIdleSendsNothingAndShowsStopped) {
    PutText(ID_STATUS_PANEL, "x");
    Click(ID_STOP_BUTTON);
    EXPECT_TRUE(g_script.sent.empty());
    EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
    EXPECT_FALSE(TakeTickTimer());
    EXPECT_TRUE(folder_.Entries().empty());
}

TEST_F(StopCommandTest, StopEndsTheTimer) {
    Click(ID_RECORD_BUTTON);
    Click(ID_STOP_BUTTON);
    EXPECT_FALSE(TakeTickTimer());
    EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
}

using CommandDispatchTest = AppTest;

// Only a click runs a handler; the edits' and the list's notifications, and any other code from
// the four controls, are ignored.
TEST_F(CommandDispatchTest, OnlyClicksOfTheFourControlsRunAHandler) {
    DialogBlocker blocker;
    const int ids[] = {ID_RECORD_BUTTON, ID_STOP_BUTTON, ID_AUTOSTOP_CHECK, ID_BROWSE_BUTTON};
    const WORD codes[] = {BN_DOUBLECLICKED, BN_SETFOCUS, EN_CHANGE, 1};
    SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_SETCHECK, BST_CHECKED, 0);
    PutText(ID_STATUS_PANEL, "x");
    for (int id : ids) {
        for (WORD code : codes) {
            SendMessageA(g_mainWindow, WM_COMMAND, MAKEWPARAM(id, code),
                         reinterpret_cast<LPARAM>(Control(id)));
        }
    }
    for (int id : {ID_FILENAME_EDIT, ID_FORMAT_COMBO, ID_SECONDS_EDIT, ID_STATUS_PANEL, 1011, 0}) {
        SendMessageA(g_mainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    EXPECT_TRUE(g_script.sent.empty());
    EXPECT_EQ("x", ControlText(ID_STATUS_PANEL));
    EXPECT_TRUE(IsWindowEnabled(Control(ID_SECONDS_EDIT)));
    EXPECT_EQ(0, blocker.Attempts());
    EXPECT_EQ("", ControlText(ID_FILENAME_EDIT));

    Click(ID_AUTOSTOP_CHECK);
    EXPECT_FALSE(IsWindowEnabled(Control(ID_SECONDS_EDIT)));
    Click(ID_BROWSE_BUTTON);
    EXPECT_GT(blocker.Attempts(), 0);
}

using AutoStopCheckTest = AppTest;

// The box toggles itself; the handler greys the seconds edit while it is checked.
TEST_F(AutoStopCheckTest, BoxGreysAndUngreysTheSecondsEdit) {
    HWND box = Control(ID_AUTOSTOP_CHECK);
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_CHECKED, SendMessageA(box, BM_GETCHECK, 0, 0));
    EXPECT_FALSE(IsWindowEnabled(Control(ID_SECONDS_EDIT)));
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(box, BM_GETCHECK, 0, 0));
    EXPECT_TRUE(IsWindowEnabled(Control(ID_SECONDS_EDIT)));
    EXPECT_TRUE(g_script.sent.empty());
    EXPECT_FALSE(TakeTickTimer());
}

using BrowseCommandTest = AppTest;

// A failed or cancelled dialog changes nothing and shows nothing.
TEST_F(BrowseCommandTest, FailedDialogLeavesTheBoxAsItWas) {
    PutText(ID_FILENAME_EDIT, "keep.wav");
    DialogBlocker blocker;
    Click(ID_BROWSE_BUTTON);
    EXPECT_GT(blocker.Attempts(), 0);
    EXPECT_EQ("keep.wav", ControlText(ID_FILENAME_EDIT));
    EXPECT_TRUE(g_script.messages.empty());
}

TEST(SaveDialogTest, RecordIsFilledAsDesigned) {
    char file[kPathBufferSize];
    memset(file, 'x', sizeof(file));
    OPENFILENAMEA record;
    memset(&record, 0x55, sizeof(record));
    PrepareSaveDialog(record, file);

    EXPECT_EQ(static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A), record.lStructSize);
    EXPECT_EQ(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(record.lpTemplateName), record.lStructSize);
    EXPECT_EQ(nullptr, record.hwndOwner);
    EXPECT_EQ(nullptr, record.hInstance);
    const char filter[] =
        "wav\x83\x74\x83\x40\x83\x43\x83\x8B(*.wav)\0*.wav\0\x82\xB7\x82\xD7\x82\xC4(*.*)\0*.*\0";
    ASSERT_NE(nullptr, record.lpstrFilter);
    EXPECT_EQ(0, memcmp(filter, record.lpstrFilter, sizeof(filter)));
    EXPECT_EQ(nullptr, record.lpstrCustomFilter);
    EXPECT_EQ(0u, record.nMaxCustFilter);
    EXPECT_EQ(0u, record.nFilterIndex);
    EXPECT_EQ(file, record.lpstrFile);
    EXPECT_EQ(300u, record.nMaxFile);
    EXPECT_EQ(nullptr, record.lpstrFileTitle);
    EXPECT_EQ(0u, record.nMaxFileTitle);
    EXPECT_EQ(nullptr, record.lpstrInitialDir);
    EXPECT_EQ(nullptr, record.lpstrTitle);
    EXPECT_EQ(0u, record.Flags);
    EXPECT_EQ(0, record.nFileOffset);
    EXPECT_EQ(0, record.nFileExtension);
    EXPECT_EQ(nullptr, record.lpstrDefExt);
    EXPECT_EQ(0, record.lCustData);
    EXPECT_EQ(nullptr, record.lpfnHook);
    EXPECT_EQ(nullptr, record.lpTemplateName);

    // "default.wav" in a zeroed buffer.
    EXPECT_STREQ("default.wav", file);
    for (size_t i = sizeof("default.wav"); i < sizeof(file); ++i) {
        ASSERT_EQ(0, file[i]) << i;
    }
}

}  // namespace
