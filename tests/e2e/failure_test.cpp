// A take aimed where it cannot be written: reported, kept elsewhere, and the window usable after.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"

namespace e2e {
namespace {

// The first full path ("X:\...") in a message, up to the end of its last ".wav". Walks the text
// a character at a time, so a trail byte is never taken for a drive letter.
std::string PathIn(const std::string& message) {
    size_t start = std::string::npos;
    for (size_t i = 0; i + 2 < message.size(); ++i) {
        const auto byte = static_cast<unsigned char>(message[i]);
        if (IsDBCSLeadByte(byte) == 1) {
            ++i;
            continue;
        }
        if (((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') && message[i + 1] == ':' &&
            message[i + 2] == '\\') {
            start = i;
            break;
        }
    }
    if (start == std::string::npos) {
        return {};
    }
    std::string lower = message;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    const size_t end = lower.rfind(".wav");
    if (end == std::string::npos || end < start) {
        return {};
    }
    return message.substr(start, end + 4 - start);
}

// Removes a file the program kept outside the test's folder once the test is over.
class FileRemover {
public:
    ~FileRemover() {
        if (!path.empty() && IsFile(path)) {
            DeleteFileA(path.c_str());
        }
    }
    std::string path;
};

using E2eFailure = ProgramTest;

TEST_F(E2eFailure, TakeAimedAtAMissingFolderIsReportedAndKeptElsewhere) {
    const std::string missingFolder = folder_.File("missing");
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), missingFolder + "\\take.wav"));
    TakeTimes times;
    ASSERT_TRUE(StartTake(&times));
    ASSERT_TRUE(window_.WaitForCount(1));
    ASSERT_TRUE(window_.ClickStop());

    HWND first = WaitForMessageBox(ProcessId(), kErrorCaption);
    ASSERT_NE(first, nullptr) << "no error box after stop; the status reads \"" << window_.Status() << "\"";
    EXPECT_EQ(MessageBoxText(first), "エラー:MCI_SAVE");
    ASSERT_TRUE(DismissMessageBox(first));

    HWND second = WaitForMessageBox(ProcessId(), kErrorCaption);
    ASSERT_NE(second, nullptr) << "no second box saying where the take was kept";
    const std::string where = MessageBoxText(second);
    FileRemover kept;
    kept.path = PathIn(where);
    ASSERT_TRUE(DismissMessageBox(second));

    ASSERT_FALSE(kept.path.empty()) << "the second box names no .wav path: \"" << where << "\"";
    EXPECT_TRUE(IsTakeOf(kept.path, kCdFormat)) << "the box says \"" << where << "\"";
    EXPECT_TRUE(window_.WaitForIdleStatus());
    EXPECT_TRUE(NoErrorBoxOpen());
    EXPECT_FALSE(IsFile(missingFolder + "\\take.wav"));

    // Idle and usable: the next take to a folder that exists is saved without a word.
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), folder_.File("after.wav")));
    ASSERT_TRUE(RecordTake(1));
    EXPECT_TRUE(NoErrorBoxOpen());
    EXPECT_TRUE(IsTakeOf(folder_.File("after.wav"), kCdFormat));
}

}  // namespace
}  // namespace e2e
