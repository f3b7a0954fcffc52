#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/long_path_files.h"

// Drives another process's windows from outside, the way a user (or an accessibility tool) does:
// finding its windows, reading and writing control texts, clicking buttons, answering its message
// boxes and its save dialog. Everything crosses the process boundary through window messages.
namespace e2e {

// Long enough for a busy two-core machine running Wine; a wait returns as soon as its condition
// holds, so a generous limit costs nothing when things go well.
constexpr DWORD kPatientMs = 30000;
constexpr DWORD kPollMs = 50;

// Calls condition every pollMs until it returns true (then true) or timeoutMs has passed (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kPatientMs, DWORD pollMs = kPollMs);

// Variables (name, value) that a started program gets in place of this program's own, or besides
// them when this program has none of that name. In UTF-16: a user's folders may hold letters that
// this program's code page cannot spell.
using EnvironmentChanges = std::vector<std::pair<std::wstring, std::wstring>>;

// A program started for a test. When it is still running as the object goes (a test that failed
// half-way, with a message box open, say), it is terminated and waited for, so nothing outlives
// the test that started it.
class LaunchedProgram {
public:
    LaunchedProgram() = default;
    ~LaunchedProgram();
    LaunchedProgram(const LaunchedProgram&) = delete;
    LaunchedProgram& operator=(const LaunchedProgram&) = delete;

    // Starts exePath with no arguments in currentDirectory, with this program's environment and
    // the changes; false (and *error set) on failure.
    bool Start(const std::string& exePath,
               const std::wstring& currentDirectory,
               std::string* error,
               const EnvironmentChanges& changes = {});
    bool Start(const std::string& exePath,
               const std::string& currentDirectory,
               std::string* error,
               const EnvironmentChanges& changes = {}) {
        return Start(exePath, WideText(currentDirectory), error, changes);
    }
    DWORD ProcessId() const { return info_.dwProcessId; }
    bool IsRunning() const;
    // Waits for the process to end and reads its exit code; false when it is still running.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    void Terminate();

private:
    PROCESS_INFORMATION info_{};
};

// The full path of a file beside this test program's own executable, given relative to its
// folder ("..\..\app\mirebasco.exe").
std::string PathBesideThisProgram(const std::string& relativePath);

// The program under test: MIREBASCO_PROGRAM when set (a path relative to this test program's
// folder, for another build of it: the 32-bit one, say), else the one built beside the tests.
std::string ProgramUnderTest();

// The file name of a running process's executable ("mirebasco.exe"); empty when unknown.
std::string ProcessImageName(DWORD processId);

// The top-level windows of one process (of every process when processId is 0) with that class
// and, unless title is null, that exact title.
std::vector<HWND> FindTopLevelWindows(DWORD processId, const char* className, const char* title);
HWND FindTopLevelWindow(DWORD processId, const char* className, const char* title);
HWND WaitForTopLevelWindow(DWORD processId,
                           const char* className,
                           const char* title,
                           DWORD timeoutMs = kPatientMs);

// A window's text through WM_GETTEXT, as the program's own Shift-JIS whatever the program's code page
// (Shift-JIS or UTF-8) and this process's. A window that does not answer within a few seconds gives
// kNoAnswer, a text no control of the program ever shows, so a comparison fails visibly.
extern const char kNoAnswer[];
std::string ReadText(HWND window);
// The same in UTF-16, for a path with letters that Shift-JIS cannot spell.
std::wstring ReadWideText(HWND window);
// Replaces a window's text through WM_SETTEXT, which is how a paste reaches an edit: no
// character filter (such as ES_NUMBER) sees it.
bool WriteText(HWND window, const std::string& text);
bool WriteText(HWND window, const std::wstring& text);
// Types each byte as a WM_CHAR, as the keyboard would, at the caret of an edit. Returns once
// the edit has handled every character. The characters go to the edit directly, past the
// program's message loop.
bool TypeText(HWND edit, const std::string& text);
// Types text at the caret of an edit through the program's message loop: each character is posted
// as the key-down and key-up of its virtual key, and only the loop's TranslateMessage makes the
// WM_CHAR that the edit inserts. Only characters typed without Shift or another modifier (posted
// keys leave the program's keyboard state as it is). Returns once the caret has moved past the
// text; false for a character of another kind, or when the edit did not take the text in time.
bool PressKeys(HWND edit, const std::string& text);

// Posts a click. Use it whenever the button's handler may open a modal box or dialog: the
// poster must not wait for the handler, or it would wait for the box it has to answer.
bool PostClick(HWND button);
// Clicks and returns once the handler has finished; for handlers that open nothing modal.
bool SendClick(HWND button);
bool IsChecked(HWND button);

int ListCount(HWND combo);
int SelectedListIndex(HWND combo);
std::string ListItemText(HWND combo, int index);
// Selects an item as the user does: the selection changes, then the parent hears CBN_SELCHANGE.
bool SelectListItem(HWND combo, int index);

// Message boxes: top-level dialogs ("#32770") of the process with that caption; their message
// is the static control 0xFFFF.
std::vector<HWND> FindMessageBoxes(DWORD processId, const char* caption);
HWND WaitForMessageBox(DWORD processId, const char* caption, DWORD timeoutMs = kPatientMs);
std::string MessageBoxText(HWND box);
// Presses the box's OK button and waits until the box is gone.
bool DismissMessageBox(HWND box);

// The save dialog: a top-level dialog of the process that holds a file-name field.
HWND FindSaveDialog(DWORD processId);
HWND WaitForSaveDialog(DWORD processId, DWORD timeoutMs = kPatientMs);
// The edit in which the dialog shows and takes the file name.
HWND SaveDialogNameField(HWND dialog);
// Types name into the file-name field and presses Save; true once the dialog has closed.
bool AcceptSaveDialog(HWND dialog, const std::string& name);
// Presses Cancel; true once the dialog has closed.
bool CancelSaveDialog(HWND dialog);

// Milliseconds on a steady clock, for the bounds a test puts around what it observed.
double NowMs();

}  // namespace e2e
