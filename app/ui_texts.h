#pragma once

#include "text/program_text.h"

// Every text the window shows. The sources are UTF-8; a plain narrow literal is stored as
// Shift-JIS (code page 932), and a PROGRAM_TEXT as Shift-JIS and UTF-8, of which the controls get
// the one of the process's code page. Names of classes and the like are ASCII, the same in both.

// Window classes and the main window's title.
inline constexpr char kDialogClassName[] = "NORMALDLG";
inline constexpr char kMainClassName[] = "NORMAL0";
inline constexpr char kMainWindowTitle[] = "mirebasco";

// The window's font face: full-width "ＭＳ", a single-byte space, full-width "Ｐ", "ゴシック"
// (Shift-JIS 82 6C 82 72 20 82 6F 83 53 83 56 83 62 83 4E). Held in UTF-16: the font mapper reads a
// narrow face name in the system's code page, not in the one the program asks for, and on a
// system of another language would look for a face of garbled name.
inline constexpr wchar_t kUiFontFace[] = L"ＭＳ Ｐゴシック";

// Control texts.
inline constexpr ProgramText kRecordButtonText = PROGRAM_TEXT("録音開始");
inline constexpr ProgramText kStopButtonText = PROGRAM_TEXT("停止");
inline constexpr ProgramText kAutoStopCheckText = PROGRAM_TEXT("自動停止");
inline constexpr ProgramText kFormatLabelText = PROGRAM_TEXT("フォーマット");
// One character, the horizontal ellipsis U+2026 (Shift-JIS 81 63, UTF-8 E2 80 A6).
inline constexpr ProgramText kBrowseButtonText = PROGRAM_TEXT("…");
inline constexpr ProgramText kFileNameLabelText = PROGRAM_TEXT("ファイル名");
inline constexpr ProgramText kSecondsLabelText = PROGRAM_TEXT("秒");
inline constexpr ProgramText kEmptyText = PROGRAM_TEXT("");

// Status panel. The blank before the count is a single-byte space.
inline constexpr ProgramText kStatusStopped = PROGRAM_TEXT("停止");
inline constexpr ProgramText kStatusRecording = PROGRAM_TEXT("録音中");
inline constexpr ProgramText kStatusRecordingSeconds = PROGRAM_TEXT("録音中 %d秒");

// What the system shows, while a take runs, when the session is asked to end: "recording; the take
// is saved before the program ends". The system takes this text as UTF-16 only.
inline constexpr wchar_t kShutdownBlockReason[] = L"録音中です。録音を保存してから終了します。";

// The take's path when the file-name box is empty: the current folder, one backslash and
// "default.wav" (kDefaultFileName).
inline constexpr char kDefaultPathFormat[] = "%s\\%s";

// The save dialog's filter: description and pattern pairs, each NUL-terminated, and one more NUL
// after the last (the literal's own terminator, in either form).
inline constexpr ProgramText kSaveDialogFilter =
    PROGRAM_TEXT("wavファイル(*.wav)\0*.wav\0すべて(*.*)\0*.*\0");

// Shown in the "error" box when the current folder's path (288 to 299 bytes) is too long to hold
// "\default.wav" within the path the file-name box can give back; nothing is recorded then.
inline constexpr ProgramText kDefaultPathTooLongMessage = PROGRAM_TEXT(
    "エラー:現在のフォルダのパスが長すぎるため、既定のファイル名を作れません。"
    "ファイル名を指定してください。");

// Shown in the "error" box when the main window cannot be made; the program then ends.
inline constexpr ProgramText kMainWindowFailedMessage = PROGRAM_TEXT("エラー:ウィンドウを作成できません。");
