#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

// What the recorder sends its device and says in its boxes, written out here rather than taken
// from the program, so that a slip in the program's commands or texts shows. Every test compares
// with these.

// The device commands of a take's start, of its stop, and of a whole take.
inline const std::vector<UINT> kStartCommands = {MCI_OPEN, MCI_SET, MCI_RECORD};
inline const std::vector<UINT> kStopCommands = {MCI_STOP, MCI_SAVE, MCI_CLOSE};
inline const std::vector<UINT> kTakeCommands = {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_SAVE, MCI_CLOSE};

// The caption of every error box, and the boxes' texts (Shift-JIS).
inline constexpr char kErrorCaption[] = "error";
inline constexpr char kOpenFailed[] = "エラー:MCI_OPEN";
inline constexpr char kSetFailed[] = "エラー:MCI_SET";
inline constexpr char kRecordFailed[] = "エラー:MCI_RECORD";
inline constexpr char kStopFailed[] = "エラー:MCI_STOP";
inline constexpr char kSaveFailed[] = "エラー:MCI_SAVE";
inline constexpr char kCloseFailed[] = "エラー:MCI_CLOSE";
inline constexpr char kTakeLost[] = "録音を保存できませんでした";
inline constexpr char kInputLost[] = "エラー:録音の入力が止まりました。録音をここで終えます。";
// Followed by the path where the take was kept.
inline constexpr char kTakeKeptAt[] = "録音は次のファイルに保存しました:\n";

// The path named by a box that tells where a take was kept (kTakeKeptAt and the path, which need
// not end in ".wav"); empty for any other text.
inline std::string KeptPathIn(const std::string& message) {
    const size_t prefix = sizeof(kTakeKeptAt) - 1;
    return message.size() > prefix && message.compare(0, prefix, kTakeKeptAt) == 0 ? message.substr(prefix)
                                                                                   : "";
}
