#pragma once

// Texts the recorder shows through its error handler, stored as Shift-JIS.
constexpr char kOpenFailed[] = "エラー:MCI_OPEN";
constexpr char kSetFailed[] = "エラー:MCI_SET";
constexpr char kRecordFailed[] = "エラー:MCI_RECORD";
constexpr char kStopFailed[] = "エラー:MCI_STOP";
constexpr char kSaveFailed[] = "エラー:MCI_SAVE";
constexpr char kCloseFailed[] = "エラー:MCI_CLOSE";

// After "エラー:MCI_SAVE", when the take could be kept elsewhere: "the take was saved to:" and
// the path on the next line.
constexpr char kTakeKeptAtFormat[] = "録音は次のファイルに保存しました:\n%s";
// When nowhere could take it whole: "the take could not be saved".
constexpr char kTakeLost[] = "録音を保存できませんでした";

// When the input dies during a take (the sound server went away, a headset was pulled): "the
// recording input stopped; the take ends here".
constexpr char kInputLost[] = "エラー:録音の入力が止まりました。録音をここで終えます。";

// Caption of every error box.
constexpr char kErrorCaption[] = "error";
