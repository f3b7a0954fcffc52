#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/control_table.h"
#include "app/globals.h"
#include "tests/app/app_test.h"
#include "tests/support/long_path_files.h"
#include "tests/support/scripted_device.h"

namespace {

// "あ": two bytes of path for one character of the file system's limit.
const char kWideCharacter[] = "\x82\xA0";

std::string CurrentFolder() {
    char folder[1024] = {};
    GetCurrentDirectoryA(sizeof(folder), folder);
    return folder;
}

using DefaultPathTest = AppTest;

// "\default.wav" is 12 bytes: a folder of 287 bytes gives a path of 299, the most the box gives
// back, and the take goes there. One byte more and the start is refused with a message.
TEST_F(DefaultPathTest, LongestFittingFolderStillRecordsThere) {
    const std::string folder = MakeFolderOfLength(folder_.Path(), 287, kWideCharacter);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    ASSERT_EQ(folder, CurrentFolder());

    Click(ID_RECORD_BUTTON);
    const std::string expected = folder + "\\default.wav";
    ASSERT_EQ(299u, expected.size());
    EXPECT_EQ(expected, ControlText(ID_FILENAME_EDIT));
    EXPECT_STREQ(expected.c_str(), g_recorder->path);
    EXPECT_EQ("録音中", ControlText(ID_STATUS_PANEL));

    Click(ID_STOP_BUTTON);
    ASSERT_EQ(1u, g_script.Count(MCI_SAVE));
    EXPECT_EQ(expected, g_script.Sent(MCI_SAVE)[0].fileName);
    EXPECT_TRUE(g_script.messages.empty());
}

TEST_F(DefaultPathTest, FolderTooLongForTheDefaultPathRefusesTheStart) {
    // 288 bytes gives a 300-byte path; 292 and more would not even fit the recorder's buffer.
    for (size_t length : {288u, 292u, 299u}) {
        SCOPED_TRACE(length);
        const std::string folder = MakeFolderOfLength(folder_.Path(), length, kWideCharacter);
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        ASSERT_EQ(length, CurrentFolder().size());

        g_script = Script();
        // A click while the message is up is ignored, as the start it would begin is the same one.
        g_script.onMessage = [](const std::string&) { Click(ID_RECORD_BUTTON); };
        Click(ID_RECORD_BUTTON);

        ASSERT_EQ(1u, g_script.messages.size());
        EXPECT_EQ(
            "エラー:現在のフォルダのパスが長すぎるため、既定のファイル名を作れません。"
            "ファイル名を指定してください。",
            g_script.messages[0]);
        EXPECT_TRUE(g_script.sent.empty());
        EXPECT_EQ("", ControlText(ID_FILENAME_EDIT));
        EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
        EXPECT_EQ(0, g_recorder->IsRecording());
        EXPECT_FALSE(TakeTickTimer());
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
        RemoveTree(folder.substr(0, folder.find('\\', folder_.Path().size() + 1)));
    }
}

// From 300 bytes on the folder does not fit the read: it reads as empty, and the take goes to
// "\default.wav" at the root of the current drive.
TEST_F(DefaultPathTest, FolderBeyondTheReadRecordsAtTheDriveRoot) {
    for (size_t length : {300u, 330u}) {
        SCOPED_TRACE(length);
        const std::string folder = MakeFolderOfLength(folder_.Path(), length, kWideCharacter);
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        UseScriptedRecorder();

        Click(ID_RECORD_BUTTON);
        EXPECT_EQ("\\default.wav", ControlText(ID_FILENAME_EDIT));
        EXPECT_EQ(1, g_recorder->IsRecording());
        Click(ID_STOP_BUTTON);
        ASSERT_EQ(1u, g_script.Count(MCI_SAVE));
        EXPECT_TRUE(g_script.messages.empty());
        // The scripted save wrote a file at the drive root; it is not left there.
        EXPECT_TRUE(DeleteFileA(g_script.Sent(MCI_SAVE)[0].fileName.c_str()));
        PutText(ID_FILENAME_EDIT, "");
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
        RemoveTree(folder.substr(0, folder.find('\\', folder_.Path().size() + 1)));
    }
}

// A name typed into the box does not depend on the current folder at all.
TEST_F(DefaultPathTest, TypedNameRecordsInAFolderTooLongForTheDefault) {
    const std::string folder = MakeFolderOfLength(folder_.Path(), 330, kWideCharacter);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    PutText(ID_FILENAME_EDIT, "take.wav");
    Click(ID_RECORD_BUTTON);
    EXPECT_EQ(1, g_recorder->IsRecording());
    EXPECT_TRUE(g_script.messages.empty());
    Click(ID_STOP_BUTTON);
}

}  // namespace
