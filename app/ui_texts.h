#pragma once

// Every text the window shows. The sources are UTF-8 and every narrow literal is stored as
// Shift-JIS (code page 932), the program's ANSI code page, so these are the bytes the controls get.

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
inline constexpr char kRecordButtonText[] = "録音開始";
inline constexpr char kStopButtonText[] = "停止";
inline constexpr char kAutoStopCheckText[] = "自動停止";
inline constexpr char kFormatLabelText[] = "フォーマット";
// One character, the horizontal ellipsis U+2026 (Shift-JIS 81 63).
inline constexpr char kBrowseButtonText[] = "…";
inline constexpr char kFileNameLabelText[] = "ファイル名";
inline constexpr char kSecondsLabelText[] = "秒";
inline constexpr char kEmptyText[] = "";

// Status panel. The blank before the count is a single-byte space.
inline constexpr char kStatusStopped[] = "停止";
inline constexpr char kStatusRecording[] = "録音中";
inline constexpr char kStatusRecordingSeconds[] = "録音中 %d秒";

// What the system shows, while a take runs, when the session is asked to end: "recording; the take
// is saved before the program ends". The system takes this text as UTF-16 only.
inline constexpr wchar_t kShutdownBlockReason[] = L"録音中です。録音を保存してから終了します。";

// The take's path when the file-name box is empty: the current folder, one backslash and
// "default.wav" (kDefaultFileName).
inline constexpr char kDefaultPathFormat[] = "%s\\%s";

// The save dialog's filter: description and pattern pairs, each NUL-terminated, and one more NUL
// after the last (the literal's own terminator).
inline constexpr char kSaveDialogFilter[] = "wavファイル(*.wav)\0*.wav\0すべて(*.*)\0*.*\0";

// Shown in the "error" box when the current folder's path (288 to 299 bytes) is too long to hold
// "\default.wav" within the path the file-name box can give back; nothing is recorded then.
inline constexpr char kDefaultPathTooLongMessage[] =
    "エラー:現在のフォルダのパスが長すぎるため、既定のファイル名を作れません。"
    "ファイル名を指定してください。";

// Shown in the "error" box when the main window cannot be made; the program then ends.
inline constexpr char kMainWindowFailedMessage[] = "エラー:ウィンドウを作成できません。";
