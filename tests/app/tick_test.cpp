#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/control_table.h"
#include "app/globals.h"
#include "tests/app/app_test.h"
#include "tests/support/scripted_device.h"

namespace {

constexpr DWORD kStartTick = 1000000;

class TickTest : public AppTest {
protected:
    void StartTake() {
        g_script.tick = kStartTick;
        Click(ID_RECORD_BUTTON);
        ASSERT_EQ(1, g_recorder->IsRecording());
    }

    // One tick with the take elapsedMs old.
    void TickAt(DWORD elapsedMs) {
        g_script.tick = kStartTick + elapsedMs;
        SendTick();
    }

    void ArmAutoStop(const std::string& limit) {
        PutText(ID_SECONDS_EDIT, limit);
        SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_CLICK, 0, 0);
        ASSERT_FALSE(IsWindowEnabled(Control(ID_SECONDS_EDIT)));
    }

    // The take has ended (a long take's hand-over to its next file stops a device but not the take).
    bool Stopped() const { return g_script.Count(MCI_STOP) != 0 && g_recorder->IsRecording() == 0; }
};

TEST_F(TickTest, StatusCountsWholeSecondsOfTheTake) {
    StartTake();
    EXPECT_EQ("録音中", ControlText(ID_STATUS_PANEL));
    const struct {
        DWORD elapsedMs;
        const char* status;
    } rows[] = {
        {500, "録音中 0秒"},  {999, "録音中 0秒"},  {1000, "録音中 1秒"},
        {2600, "録音中 2秒"}, {3000, "録音中 3秒"}, {3599999, "録音中 3599秒"},
    };
    for (const auto& row : rows) {
        TickAt(row.elapsedMs);
        EXPECT_EQ(row.status, ControlText(ID_STATUS_PANEL)) << row.elapsedMs;
    }
    EXPECT_FALSE(Stopped());
}

// The timer identifier does not matter: every WM_TIMER of the window is a tick.
TEST_F(TickTest, AnyTimerIdentifierIsATick) {
    StartTake();
    g_script.tick = kStartTick + 4000;
    SendMessageA(g_mainWindow, WM_TIMER, 77, 0);
    EXPECT_EQ("録音中 4秒", ControlText(ID_STATUS_PANEL));
}

struct AutoStopRow {
    const char* limit;
    // The first whole second at which the take stops; 0 for never.
    DWORD stopsAtSecond;
};

// The limit is truncated toward zero to 64 bits and its low 32 bits kept; the take stops once
// the elapsed seconds are strictly above it, and never for a limit of 0.
const AutoStopRow kAutoStopRows[] = {
    {"2", 3},
    {"2.9", 3},
    {"1", 2},
    {"4294967297", 2},   // 2^32 + 1 keeps 1
    {"4294967296", 0},   // 2^32 keeps 0: no automatic stop
    {"-1", 0},           // 4294967295, beyond any take
    {"-4294967294", 3},  // -2^32 + 2 keeps 2: the sign is not dropped, nor the value clamped
    {"", 0},
    {"0", 0},
    {"0.9", 0},
    {"abc", 0},
    {"8589934593", 2},  // 2^33 + 1 keeps 1
};

TEST_F(TickTest, AutoStopEndsTheTakeStrictlyAfterTheLimit) {
    for (const AutoStopRow& row : kAutoStopRows) {
        SCOPED_TRACE(row.limit);
        g_script = Script();
        UseScriptedRecorder();
        StartTake();
        ArmAutoStop(row.limit);

        const DWORD lastSecond = row.stopsAtSecond != 0 ? row.stopsAtSecond : 10;
        for (DWORD second = 0; second < lastSecond; ++second) {
            TickAt(second * 1000 + 500);
            ASSERT_FALSE(Stopped()) << second;
            EXPECT_EQ("録音中 " + std::to_string(second) + "秒", ControlText(ID_STATUS_PANEL));
        }
        if (row.stopsAtSecond != 0) {
            TickAt(row.stopsAtSecond * 1000);
            EXPECT_TRUE(Stopped());
            EXPECT_EQ(0, g_recorder->IsRecording());
            // The stopping tick does not count.
            EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
            EXPECT_FALSE(TakeTickTimer());
        } else {
            // About 46 days, near the most the tick counter can tell.
            TickAt(4000000000u);
            EXPECT_FALSE(Stopped());
            EXPECT_EQ("録音中 4000000秒", ControlText(ID_STATUS_PANEL));
            Click(ID_STOP_BUTTON);
        }
        // Disarm for the next row.
        SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_CLICK, 0, 0);
    }
}

// A take too long for one file goes on in the next: the status and the automatic stop count the
// whole take, not the file.
TEST_F(TickTest, ALongTakeCountsAndStopsOnTheWholeTake) {
    g_recorder->handOverBytes = 44 + 176400;  // a second of CD sound
    StartTake();
    ArmAutoStop("5");
    for (DWORD ms = 500; ms <= 6000; ms += 500) {
        TickAt(ms);
        if (ms < 6000) {
            EXPECT_EQ("録音中 " + std::to_string(ms / 1000) + "秒", ControlText(ID_STATUS_PANEL));
        }
    }
    EXPECT_TRUE(Stopped());
    EXPECT_EQ(g_script.Count(MCI_OPEN), 6u) << "one file a second";
}

// The box is read on every tick: unchecked, no limit applies; checked during a take, it applies
// from the next tick on.
TEST_F(TickTest, AutoStopFollowsTheBoxTickByTick) {
    StartTake();
    PutText(ID_SECONDS_EDIT, "1");
    TickAt(5000);
    EXPECT_EQ("録音中 5秒", ControlText(ID_STATUS_PANEL));
    EXPECT_FALSE(Stopped());

    SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_CLICK, 0, 0);
    SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_CLICK, 0, 0);
    TickAt(5500);
    EXPECT_FALSE(Stopped());

    SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_CLICK, 0, 0);
    TickAt(6000);
    EXPECT_TRUE(Stopped());
    EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
}

}  // namespace
