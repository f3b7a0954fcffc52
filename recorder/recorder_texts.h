#pragma once

#include "recorder/failure_report.h"
#include "text/program_text.h"

// Texts the recorder shows through its error handler, each in Shift-JIS and UTF-8; the handler
// gets the one of the process's code page.
constexpr ProgramText kOpenFailed = PROGRAM_TEXT("エラー:MCI_OPEN");
constexpr ProgramText kSetFailed = PROGRAM_TEXT("エラー:MCI_SET");
constexpr ProgramText kRecordFailed = PROGRAM_TEXT("エラー:MCI_RECORD");
constexpr ProgramText kStopFailed = PROGRAM_TEXT("エラー:MCI_STOP");
constexpr ProgramText kSaveFailed = PROGRAM_TEXT("エラー:MCI_SAVE");
constexpr ProgramText kCloseFailed = PROGRAM_TEXT("エラー:MCI_CLOSE");

// After "エラー:MCI_SAVE", when the take could be kept elsewhere: "the take was saved to:" and
// the path on the next line. Its UTF-8 form is the longer: 53 bytes.
constexpr ProgramText kTakeKeptAtFormat = PROGRAM_TEXT("録音は次のファイルに保存しました:\n%s");
static_assert(kTakeKeptAtFormat.LongerSize() <= PendingReports::kKeptAtFormatRoom);
// When nowhere could take it whole: "the take could not be saved".
constexpr ProgramText kTakeLost = PROGRAM_TEXT("録音を保存できませんでした");

// When the input dies during a take (the sound server went away, a headset was pulled): "the
// recording input stopped; the take ends here".
constexpr ProgramText kInputLost = PROGRAM_TEXT("エラー:録音の入力が止まりました。録音をここで終えます。");

// Caption of every error box.
constexpr char kErrorCaption[] = "error";
