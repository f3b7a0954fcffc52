// The browse button's save dialog, answered as a user would.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"

namespace e2e {
namespace {

using E2eSaveDialog = ProgramTest;

TEST_F(E2eSaveDialog, OkPutsTheChosenFullPathIntoTheNameBox) {
    ASSERT_TRUE(PostClick(window_.Control(kBrowseButtonId)));
    HWND dialog = WaitForSaveDialog(ProcessId());
    ASSERT_NE(dialog, nullptr) << "no save dialog appeared";
    EXPECT_EQ(ReadText(SaveDialogNameField(dialog)), "default.wav");
    // The dialog has no owner: the main window stays usable behind it.
    EXPECT_TRUE(IsWindowEnabled(window_.Handle()));

    const std::string chosen = folder_.File("chosen.wav");
    ASSERT_TRUE(AcceptSaveDialog(dialog, chosen));
    EXPECT_TRUE(WaitUntil([&] { return window_.FileName() == chosen; }))
        << "the name box reads \"" << window_.FileName() << "\"";
    EXPECT_EQ(window_.Status(), kStatusIdle);
    EXPECT_TRUE(folder_.Entries().empty());
}

TEST_F(E2eSaveDialog, CancelLeavesTheNameBoxAsItWas) {
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), "keep.wav"));
    ASSERT_TRUE(PostClick(window_.Control(kBrowseButtonId)));
    HWND dialog = WaitForSaveDialog(ProcessId());
    ASSERT_NE(dialog, nullptr) << "no save dialog appeared";
    // The dialog always offers the default name, whatever the box holds.
    EXPECT_EQ(ReadText(SaveDialogNameField(dialog)), "default.wav");
    ASSERT_TRUE(CancelSaveDialog(dialog));
    EXPECT_EQ(window_.FileName(), "keep.wav");
    EXPECT_TRUE(folder_.Entries().empty());
}

}  // namespace
}  // namespace e2e
