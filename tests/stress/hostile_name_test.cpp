// Hostile names typed into the name box: whatever the name, the program does not crash, writes
// over nothing that was there, and either saves the take under a free name where it was meant to
// go or reports it and keeps it in the keep folder.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/stress/folder_snapshot.h"
#include "tests/stress/hostile_names.h"
#include "tests/support/kept_take.h"
#include "tests/support/long_path_files.h"
#include "tests/stress/stress_test.h"

namespace e2e {
namespace {

class StressHostileName : public StressTest, public ::testing::WithParamInterface<HostileNameCase> {
protected:
    // A whole take to the typed name; *keptPath is set when the program reported the save and
    // kept the take elsewhere, and left empty when it saved the take quietly.
    ::testing::AssertionResult TakeTo(const std::string& typed, std::string* keptPath) {
        keptPath->clear();
        if (!WriteText(window_.Control(kFileNameEditId), typed)) {
            return ::testing::AssertionFailure() << "cannot type the name";
        }
        if (!window_.ClickStart()) {
            return ::testing::AssertionFailure() << "cannot click start";
        }
        ::testing::AssertionResult counted = WaitForStatusWithoutBox(CountOfAtLeast(1), "a count of 1 s");
        if (!counted || !window_.ClickStop()) {
            return counted ? ::testing::AssertionFailure() << "cannot click stop" : counted;
        }
        bool boxOpen = false;
        window_.WaitForStatus([&](const std::string& status) {
            boxOpen = !FindMessageBoxes(ProcessId(), kErrorCaption).empty();
            return boxOpen || IsIdleStatus(status);
        });
        if (boxOpen) {
            std::string message;
            ::testing::AssertionResult answered = AnswerErrorBox(&message);
            if (!answered || message != kSaveFailed) {
                return answered ? ::testing::AssertionFailure() << "the box says \"" << message << "\""
                                : answered;
            }
            ::testing::AssertionResult kept = AnswerTakeKeptBox(keptPath);
            if (!kept) {
                return kept;
            }
        }
        return WaitForStatusWithoutBox(IsIdleStatus, "\"停止\" after stop");
    }
};

TEST_P(StressHostileName, NothingIsOverwrittenAndTheTakeIsSavedFreeOrReportedAndKept) {
    const HostileName name = GetParam().prepare(folder_.Path());
    std::string keepFolder;
    ASSERT_TRUE(KeepFolder(&keepFolder));
    const FolderSnapshot before = TakeSnapshot(folder_.Path());
    const FolderSnapshot tempBefore = TakeSnapshot(programTemp_.Path());
    const FolderSnapshot keptBefore = TakeSnapshot(keepFolder);
    KeptTakeRemover kept;
    const std::string& keptPath = kept.path;
    ASSERT_TRUE(TakeTo(name.typed, &kept.path)) << "typed \"" << name.typed << "\"";
    const FolderSnapshot after = TakeSnapshot(folder_.Path());
    const FolderSnapshot tempAfter = TakeSnapshot(programTemp_.Path());
    const FolderSnapshot keptAfter = TakeSnapshot(keepFolder);

    EXPECT_EQ(ChangedFiles(before, after), std::vector<std::string>{});
    // The device's working file became the saved or the kept take.
    EXPECT_EQ(ChangedFiles(tempBefore, tempAfter), std::vector<std::string>{});
    EXPECT_EQ(NewFiles(tempBefore, tempAfter), std::vector<std::string>{});
    // Other test programs keep takes in the same folder and remove them again: what was there
    // before and is there still must be as it was.
    FolderSnapshot keptStill = keptBefore;
    std::erase_if(keptStill.files, [&](const auto& file) { return keptAfter.files.count(file.first) == 0; });
    EXPECT_EQ(ChangedFiles(keptStill, keptAfter), std::vector<std::string>{});
    const std::vector<std::string> saved = NewFiles(before, after);
    if (keptPath.empty()) {
        printf("%s: saved as \"%s\"\n", GetParam().label, saved.empty() ? "" : saved.front().c_str());
        EXPECT_NE(name.outcome, Outcome::kReported) << "the take was saved without a word";
        ASSERT_EQ(saved.size(), 1u) << "one take, one new file";
        EXPECT_EQ(FolderOf(saved.front()), name.intendedFolder);
        EXPECT_TRUE(IsNameOrVariant(saved.front(), name.typed)) << saved.front();
        if (!name.freeName.empty()) {
            EXPECT_EQ(saved.front(), name.freeName);
        }
        EXPECT_TRUE(IsTakeOf(saved.front(), kCdFormat));
    } else {
        printf("%s: reported and kept as \"%s\"\n", GetParam().label, keptPath.c_str());
        EXPECT_NE(name.outcome, Outcome::kSaved) << "the take was kept as " << keptPath;
        EXPECT_EQ(saved, std::vector<std::string>{});
        EXPECT_EQ(keptBefore.files.count(keptPath), 0u) << "kept under a name that was taken";
        EXPECT_EQ(FolderOf(keptPath) + "\\", keepFolder);
        // Another program may have kept a take of that name meanwhile: a variant will do then.
        if (!name.freeName.empty()) {
            EXPECT_TRUE(IsNameOrVariant(FileNamePart(keptPath), FileNamePart(name.freeName))) << keptPath;
        }
        EXPECT_TRUE(IsTakeOf(keptPath, kCdFormat));
    }
}

INSTANTIATE_TEST_SUITE_P(Names,
                         StressHostileName,
                         ::testing::ValuesIn(kHostileNames, kHostileNames + kHostileNameCount),
                         [](const ::testing::TestParamInfo<HostileNameCase>& row) {
                             return row.param.label;
                         });

}  // namespace
}  // namespace e2e
