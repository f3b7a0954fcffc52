// Takes recorded through the window's own buttons, checked in the files they leave.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"
#include "tests/support/presets.h"
#include "tests/support/registry_value.h"

namespace e2e {
namespace {

using E2eWindow = ProgramTest;
using E2eTake = ProgramTest;

TEST_F(E2eWindow, FreshStartIsIdleWithTheCdPresetSelected) {
    EXPECT_EQ(window_.Status(), kStatusIdle);
    EXPECT_EQ(window_.FileName(), "");
    EXPECT_EQ(window_.Seconds(), "");
    EXPECT_FALSE(IsChecked(window_.Control(kAutoStopCheckId)));
    EXPECT_TRUE(IsWindowEnabled(window_.Control(kSecondsEditId)));
    HWND list = window_.Control(kFormatListId);
    EXPECT_EQ(ListCount(list), kPresetCount);
    EXPECT_EQ(SelectedListIndex(list), kCdPreset);
    EXPECT_EQ(ListItemText(list, kCdPreset), kPresets[kCdPreset].text);
    EXPECT_TRUE(folder_.Entries().empty());
}

TEST_F(E2eTake, EmptyNameBoxTakesTheDefaultPathAndRecordsTheToneInCdFormat) {
    TakeTimes times;
    ASSERT_TRUE(RecordTake(2, &times));

    const std::string expectedPath = folder_.File("default.wav");
    EXPECT_EQ(window_.FileName(), expectedPath);
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"default.wav"});
    WavFile wav;
    ASSERT_TRUE(IsTakeOf(expectedPath, kCdFormat, &wav));
    EXPECT_TRUE(LastsAsLongAsTake(wav, times));
}

TEST_F(E2eTake, SameNameAgainGoesToTheLowestFreeHyphenNumber) {
    const std::string name = folder_.File("take.wav");
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), name));
    for (int take = 0; take < 3; ++take) {
        ASSERT_TRUE(RecordTake(1)) << "take " << take;
        // The box keeps the name the user gave; only the file gets a free variant of it.
        EXPECT_EQ(window_.FileName(), name);
    }
    EXPECT_EQ(folder_.Entries(), (std::vector<std::string>{"take-0.wav", "take-1.wav", "take.wav"}));
    for (const char* file : {"take.wav", "take-0.wav", "take-1.wav"}) {
        EXPECT_TRUE(IsTakeOf(folder_.File(file), kCdFormat)) << file;
    }
}

// Typed with the keys, so the name reaches the box only through the program's message loop.
TEST_F(E2eTake, RelativeNameTypedAgainGetsAFreeNameInTheCurrentFolder) {
    ASSERT_TRUE(PressKeys(window_.Control(kFileNameEditId), "take.wav"))
        << "the box reads \"" << window_.FileName() << "\"";
    ASSERT_EQ(window_.FileName(), "take.wav");
    ASSERT_TRUE(RecordTake(1));
    ASSERT_TRUE(RecordTake(1));
    EXPECT_EQ(window_.FileName(), "take.wav");
    EXPECT_EQ(folder_.Entries(), (std::vector<std::string>{"take-0.wav", "take.wav"}));
    EXPECT_TRUE(IsTakeOf(folder_.File("take.wav"), kCdFormat));
    EXPECT_TRUE(IsTakeOf(folder_.File("take-0.wav"), kCdFormat));
}

TEST_F(E2eTake, StartWhileRecordingChangesNothing) {
    TakeTimes times;
    ASSERT_TRUE(StartTake(&times));
    ASSERT_TRUE(window_.WaitForCount(1));
    const std::string defaultPath = folder_.File("default.wav");
    ASSERT_EQ(window_.FileName(), defaultPath);
    // A second start that ran would read this name, restart the status and open a second device.
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), "second.wav"));
    ASSERT_TRUE(SendClick(window_.Control(kStartButtonId)));

    int count = -1;
    EXPECT_TRUE(ParseStatusCount(window_.Status(), &count) && count >= 1)
        << "the status reads \"" << window_.Status() << "\"";
    EXPECT_TRUE(window_.WaitForCount(2)) << "the status stopped counting";
    EXPECT_TRUE(NoErrorBoxOpen());
    ASSERT_TRUE(StopTake(&times));

    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"default.wav"});
    WavFile wav;
    ASSERT_TRUE(IsTakeOf(defaultPath, kCdFormat, &wav));
    // One take from the first start to the stop, not one restarted half-way.
    EXPECT_TRUE(LastsAsLongAsTake(wav, times));
}

TEST_F(E2eTake, StopWhileIdleWritesNothing) {
    ASSERT_TRUE(SendClick(window_.Control(kStopButtonId)));
    EXPECT_EQ(window_.Status(), kStatusIdle);
    EXPECT_EQ(window_.FileName(), "");
    EXPECT_TRUE(NoErrorBoxOpen());
    EXPECT_TRUE(folder_.Entries().empty());
}

// Started in a current folder of 310 bytes, beyond what the start reads of it: the folder reads as
// empty and the take goes to "\default.wav", at the root of the current drive.
class E2eLongCurrentFolder : public ProgramTest {
protected:
    E2eLongCurrentFolder() { currentFolder_ = WideText(MakeFolderOfLength(folder_.Path(), 310, "\x82\xA0")); }
};

// The names of the files at the drive root that a default take can have.
std::vector<std::string> DefaultTakesAt(const std::string& root) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + "default*.wav").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return names;
}

TEST_F(E2eLongCurrentFolder, DefaultPathGoesToTheDriveRoot) {
    ASSERT_EQ(ShiftJisText(currentFolder_).size(), 310u);
    const std::string root = folder_.Path().substr(0, 3);
    const std::vector<std::string> before = DefaultTakesAt(root);
    ASSERT_TRUE(RecordTake(1));
    EXPECT_EQ(window_.FileName(), "\\default.wav");

    std::vector<std::string> added;
    for (const std::string& name : DefaultTakesAt(root)) {
        if (std::find(before.begin(), before.end(), name) == before.end()) {
            added.push_back(root + name);
        }
    }
    ASSERT_EQ(added.size(), 1u) << "one new take at " << root;
    EXPECT_TRUE(IsTakeOf(added[0], kCdFormat));
    DeleteFileA(added[0].c_str());
}

TEST_F(E2eTake, EachPresetRecordsItsOwnFormatAndTheEightBitOneIsOneBytePerSample) {
    HWND list = window_.Control(kFormatListId);
    for (int index = 0; index < kPresetCount; ++index) {
        const Preset& preset = kPresets[index];
        SCOPED_TRACE(preset.text);
        ASSERT_EQ(ListItemText(list, index), preset.text);
        ASSERT_TRUE(SelectListItem(list, index));
        const std::string name = folder_.File("preset-" + std::to_string(index) + ".wav");
        ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), name));
        ASSERT_TRUE(RecordTake(1));
        WavFile wav;
        EXPECT_TRUE(IsTakeOf(name, preset.format, &wav));
        EXPECT_EQ(wav.format.blockAlign, preset.blockAlign);
        EXPECT_EQ(wav.format.bytesPerSecond, preset.bytesPerSecond);
    }
    EXPECT_EQ(folder_.Entries().size(), static_cast<size_t>(kPresetCount));
}

// Driven from a process of another code page (a ctest entry of its own, in a locale that is not
// Japanese): only a program that asks for code page 932 itself shows its texts and splits a
// Japanese name right (表 is 95 5C, a backslash byte in any other code page).
using E2eOtherCodePage = ProgramTest;

TEST_F(E2eOtherCodePage, TextsReadInJapaneseAndAJapaneseNameTakenGetsItsFreeVariant) {
    ASSERT_NE(GetACP(), 932u) << "this suite must run in a process of another code page";
    // The texts of the controls 1000 to 1010, the list showing the CD preset.
    const char* const kTexts[] = {"録音開始",     "停止", "",           "自動停止", kPresets[kCdPreset].text,
                                  "フォーマット", "…",    "ファイル名", "",         "秒",
                                  "停止"};
    for (int id = kStartButtonId; id <= kStatusPanelId; ++id) {
        EXPECT_EQ(ReadText(window_.Control(id)), kTexts[id - kStartButtonId]) << "control " << id;
    }
    const std::string folder = folder_.File("録音");
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(WriteBytes(folder + "\\表.wav", {}));
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), folder + "\\表.wav"));
    ASSERT_TRUE(RecordTake(1));
    EXPECT_EQ(window_.FileName(), folder + "\\表.wav");
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const std::string& path, const WIN32_FIND_DATAW&) {
        names.push_back(path.substr(folder.size() + 1));
    });
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"表-0.wav", "表.wav"}));
    EXPECT_TRUE(IsTakeOf(folder + "\\表-0.wav", kCdFormat));
}

// A user whose name code page 932 cannot spell, with the working folder, Music, Documents and the
// temporary folder all under that name (the shell's folders set for the prefix, so each row's
// ctest entry runs alone). Each row names the code page of the process it runs in, its entry's
// locale: the program's own must not follow it.
struct User {
    const char* label;
    const wchar_t* name;
    UINT testCodePage;
};
constexpr User kUsers[] = {{"Jurgen", L"Jürgen", 1252}, {"Kim", L"김민준", 1252}, {"Yoshida", L"𠮷田", 932}};
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class E2eUserFolders : public ProgramTest, public ::testing::WithParamInterface<User> {
protected:
    E2eUserFolders() {
        currentFolder_ = UserFolder(L"work");
        environment_ = {{L"TEMP", UserFolder(L"Temp")}, {L"TMP", UserFolder(L"Temp")}};
    }
    void SetUp() override {
        ASSERT_EQ(GetACP(), GetParam().testCodePage) << "this row runs in another ctest entry's locale";
        ASSERT_TRUE(music_.IsSet()) << music_.Error();
        ASSERT_TRUE(documents_.IsSet()) << documents_.Error();
        ASSERT_TRUE(CreateDirectoryW(UserFolder(L"").c_str(), nullptr));
        for (const wchar_t* folder : {L"work", L"Temp", L"Music", L"Documents"}) {
            ASSERT_TRUE(CreateDirectoryW(UserFolder(folder).c_str(), nullptr));
        }
        ProgramTest::SetUp();
    }
    std::wstring UserFolder(const wchar_t* folder) const {
        return WideText(folder_.Path()) + L"\\" + GetParam().name + L"\\" + folder;
    }

    RegistryValueOverride music_{kShellFolders, "My Music", UserFolder(L"Music")};
    RegistryValueOverride documents_{kShellFolders, "Personal", UserFolder(L"Documents")};
};

TEST_P(E2eUserFolders, ADefaultAndANamedTakeLandAtTheirNamesWithoutABox) {
    const std::wstring work = UserFolder(L"work");
    ASSERT_TRUE(RecordTake(1));
    EXPECT_EQ(ReadWideText(window_.Control(kFileNameEditId)), work + L"\\default.wav");
    const std::wstring named = work + L"\\" + GetParam().name + L".wav";
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), named));
    ASSERT_TRUE(RecordTake(1));
    EXPECT_EQ(window_.Status(), kStatusIdle);

    std::vector<std::wstring> takes;
    ForEachEntry(work, [&](const std::wstring& path, const WIN32_FIND_DATAW&) { takes.push_back(path); });
    std::vector<std::wstring> expected = {named, work + L"\\default.wav"};
    std::sort(takes.begin(), takes.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(takes, expected);
    for (const std::wstring& take : takes) {
        std::vector<uint8_t> bytes;
        WavFile wav;
        std::string error;
        ASSERT_TRUE(ReadBytes(take, &bytes) && ParseWav(bytes, &wav, &error)) << error;
        EXPECT_TRUE(IsTakeOf(wav, ShiftJisText(take), kCdFormat));
    }
}

INSTANTIATE_TEST_SUITE_P(Users,
                         E2eUserFolders,
                         ::testing::ValuesIn(kUsers),
                         [](const ::testing::TestParamInfo<User>& row) {
                             return std::string(row.param.label);
                         });

}  // namespace
}  // namespace e2e
