#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/control_table.h"
#include "app/globals.h"
#include "app/selected_format.h"
#include "tests/app/app_test.h"
#include "tests/support/presets.h"
#include "tests/support/scripted_device.h"

namespace {

using SelectedFormatTest = AppTest;

void Select(int index) {
    SendMessageA(Control(ID_FORMAT_COMBO), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int AddItem(const std::string& text) {
    return static_cast<int>(
        SendMessageA(Control(ID_FORMAT_COMBO), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

// Every field is written, whatever the record held before.
RecordingFormat ReadWithGarbage() {
    RecordingFormat format = {.sampleRate = 0xEEEE, .channels = 0xEEEE, .bitsPerSample = 0xEEEE};
    ReadSelectedFormat(format);
    return format;
}

TEST_F(SelectedFormatTest, EveryPresetGivesItsRateBitsAndChannels) {
    for (int index = 0; index < kPresetCount; ++index) {
        SCOPED_TRACE(kPresets[index].text);
        Select(index);
        RecordingFormat format = ReadWithGarbage();
        EXPECT_EQ(kPresets[index].format.sampleRate, format.sampleRate);
        EXPECT_EQ(kPresets[index].format.bitsPerSample, format.bitsPerSample);
        EXPECT_EQ(kPresets[index].format.channels, format.channels);
    }
}

// 48000 is above the signed 16-bit range; it must reach the device as 48000, not negative.
TEST_F(SelectedFormatTest, RateOf48000ReachesTheDeviceUnsigned) {
    Select(0);
    Click(ID_RECORD_BUTTON);
    EXPECT_EQ(48000u, g_recorder->format.sampleRate);
    ASSERT_EQ(1u, g_script.Count(MCI_SET));
    const MCI_WAVE_SET_PARMS wave = g_script.Sent(MCI_SET)[0].wave;
    EXPECT_EQ(48000u, wave.nSamplesPerSec);
    EXPECT_EQ(16u, wave.wBitsPerSample);
    EXPECT_EQ(2u, wave.nChannels);
}

// The list is read only at a start: a change during a take waits for the next one.
TEST_F(SelectedFormatTest, SelectionChangedDuringATakeAppliesToTheNext) {
    Click(ID_RECORD_BUTTON);
    Select(7);
    Click(ID_STOP_BUTTON);
    Click(ID_RECORD_BUTTON);
    const std::vector<SentCommand> sets = g_script.Sent(MCI_SET);
    ASSERT_EQ(2u, sets.size());
    EXPECT_EQ(44100u, sets[0].wave.nSamplesPerSec);
    const MCI_WAVE_SET_PARMS wave = sets[1].wave;
    EXPECT_EQ(11025u, wave.nSamplesPerSec);
    EXPECT_EQ(8u, wave.wBitsPerSample);
    EXPECT_EQ(1u, wave.nChannels);
}

// Texts the list never offers: each number is truncated toward zero and keeps its low 16 bits.
TEST_F(SelectedFormatTest, OtherThreeFieldTextsAreTruncatedToSixteenBits) {
    struct Row {
        const char* text;
        unsigned rate, bits, channels;
    } const rows[] = {
        {"96000Hz, 24Bit, 6ch", 96000 & 0xFFFF, 24, 6},
        {"1.9, 8.7, -1", 1, 8, 0xFFFF},
        {"&HFFFF,&O20,2", 0xFFFF, 16, 2},
        {",,", 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Select(AddItem(row.text));
        RecordingFormat format = ReadWithGarbage();
        EXPECT_EQ(row.rate, format.sampleRate);
        EXPECT_EQ(row.bits, format.bitsPerSample);
        EXPECT_EQ(row.channels, format.channels);
    }
}

// No selection, an item too long for the text buffer (304 bytes with its terminator, so an item of
// 304 bytes is one too many), or fewer than two commas: the CD preset.
TEST_F(SelectedFormatTest, UnusableSelectionReadsAsTheCdPreset) {
    const std::string longItem = std::string(400, '9') + ", 8, 1";
    const std::string justTooLong = "8000, 8, 1" + std::string(294, ' ');
    const char* const cases[] = {"8000Hz",         "8000Hz, 8Bit",     "", "no numbers at all",
                                 longItem.c_str(), justTooLong.c_str()};
    for (const char* text : cases) {
        SCOPED_TRACE(std::string(text).substr(0, 20));
        Select(AddItem(text));
        RecordingFormat format = ReadWithGarbage();
        EXPECT_EQ(44100u, format.sampleRate);
        EXPECT_EQ(16u, format.bitsPerSample);
        EXPECT_EQ(2u, format.channels);
    }

    Select(-1);
    ASSERT_EQ(CB_ERR, g_formatCombo->GetCurSel());
    RecordingFormat format = ReadWithGarbage();
    EXPECT_EQ(44100u, format.sampleRate);
    EXPECT_EQ(16u, format.bitsPerSample);
    EXPECT_EQ(2u, format.channels);
}

// Counts the CB_GETLBTEXT messages sent to the format list on this thread while it is installed.
class TextRequestCounter {
public:
    TextRequestCounter() {
        count_ = 0;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Count, nullptr, GetCurrentThreadId());
    }
    ~TextRequestCounter() { UnhookWindowsHookEx(hook_); }
    TextRequestCounter(const TextRequestCounter&) = delete;
    TextRequestCounter& operator=(const TextRequestCounter&) = delete;

    bool Installed() const { return hook_ != nullptr; }
    int Requests() const { return count_; }

private:
    static LRESULT CALLBACK Count(int code, WPARAM wParam, LPARAM lParam) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->message == CB_GETLBTEXT && sent->hwnd == Control(ID_FORMAT_COMBO)) {
            ++count_;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline int count_ = 0;
    HHOOK hook_;
};

using ComboBoxRefTest = AppTest;

// The length comes first; with no buffer the item is not asked for at all.
TEST_F(ComboBoxRefTest, GetLBTextReportsTheLengthAndCopiesOnlyIntoABuffer) {
    TextRequestCounter requests;
    ASSERT_TRUE(requests.Installed());
    EXPECT_EQ(19, g_formatCombo->GetLBText(2, nullptr));
    EXPECT_EQ(0, requests.Requests());
    char text[64];
    memset(text, 'x', sizeof(text));
    EXPECT_EQ(19, g_formatCombo->GetLBText(2, text));
    EXPECT_STREQ("44100Hz, 16Bit, 1ch", text);
    EXPECT_EQ(1, requests.Requests());
    EXPECT_EQ(CB_ERR, g_formatCombo->GetLBText(8, nullptr));
    EXPECT_EQ(1, requests.Requests());
    EXPECT_EQ(1, g_formatCombo->GetCurSel());
}

}  // namespace
