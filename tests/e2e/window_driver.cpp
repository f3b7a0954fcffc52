#include "tests/e2e/window_driver.h"

#include <dlgs.h>

#include "recorder/handle_guard.h"
#include "tests/support/long_path_files.h"

namespace e2e {

namespace {

// How long one message may take to be answered before the window counts as not answering.
constexpr UINT kMessageTimeoutMs = 10000;
// A program that has stopped taking messages (hung, or stuck in a crash) is not waited for at
// every look; the waits around the looks still give it their whole time to recover.
constexpr UINT kMessageFlags = SMTO_NORMAL | SMTO_ABORTIFHUNG;

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, kMessageFlags, kMessageTimeoutMs,
                               result ? result : &ignored) != 0;
}

// Texts cross in UTF-16 and are turned into the program's Shift-JIS here: a narrow text message would
// be converted in this process's code page, which need not be the program's (UTF-8 where its
// manifest is honoured, the system's where not).
bool SendWideWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    return SendMessageTimeoutW(window, message, wParam, lParam, kMessageFlags, kMessageTimeoutMs, result) !=
           0;
}

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectMatchingWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId != 0 && owner != search->processId) {
        return TRUE;
    }
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (lstrcmpA(className, search->className) != 0) {
        return TRUE;
    }
    if (search->title) {
        // A top-level window of another process: the system answers from its own copy of the
        // caption, without a message to the window.
        char title[256] = {};
        GetWindowTextA(window, title, sizeof(title));
        if (lstrcmpA(title, search->title) != 0) {
            return TRUE;
        }
    }
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleOnly(std::vector<HWND> windows) {
    std::vector<HWND> visible;
    for (HWND window : windows) {
        if (IsWindowVisible(window)) {
            visible.push_back(window);
        }
    }
    return visible;
}

bool IsClass(HWND window, const char* expected) {
    char className[64] = {};
    return window && GetClassNameA(window, className, sizeof(className)) &&
           lstrcmpiA(className, expected) == 0;
}

struct DescendantSearch {
    const char* className;
    int id;  // -1: any
    HWND found;
};

BOOL CALLBACK FindMatchingDescendant(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DescendantSearch*>(context);
    if (IsClass(window, search->className) && (search->id < 0 || GetDlgCtrlID(window) == search->id)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first window below parent (at any depth) of that class and, unless -1, that identifier.
// A dialog may hold other controls that share a button's identifier (a toolbar, say).
HWND FindDescendant(HWND parent, const char* className, int id) {
    DescendantSearch search{className, id, nullptr};
    EnumChildWindows(parent, FindMatchingDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND DialogButton(HWND dialog, int id) {
    return FindDescendant(dialog, "Button", id);
}

// The part of an environment entry ("NAME=value") before its '='. The entries that keep the
// current folder of each drive ("=C:=C:\rec") have a name that begins with the '='.
std::wstring EntryName(const std::wstring& entry) {
    const size_t equals = entry.find(L'=', 1);
    return entry.substr(0, equals == std::wstring::npos ? entry.size() : equals);
}

// This program's environment block with the changes made: NUL-terminated "NAME=value" entries and
// one more NUL at the end. Names are compared without regard to case, as the system does.
std::wstring ChangedEnvironmentBlock(const EnvironmentChanges& changes) {
    std::wstring block;
    wchar_t* own = GetEnvironmentStringsW();
    for (const wchar_t* entry = own; entry && *entry; entry += lstrlenW(entry) + 1) {
        const std::wstring name = EntryName(entry);
        bool replaced = false;
        for (const auto& change : changes) {
            replaced = replaced || lstrcmpiW(change.first.c_str(), name.c_str()) == 0;
        }
        if (!replaced) {
            block.append(entry).push_back(L'\0');
        }
    }
    if (own) {
        FreeEnvironmentStringsW(own);
    }
    for (const auto& change : changes) {
        block.append(change.first).append(L"=").append(change.second).push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

// The text of a window in UTF-16; false when the window does not answer.
bool ReadWindowText(HWND window, std::wstring* text) {
    DWORD_PTR length = 0;
    if (!window || !SendWideWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length)) {
        return false;
    }
    // Room for a text that grows before it is read (a status that begins to count).
    text->assign(length + 16, L'\0');
    DWORD_PTR copied = 0;
    if (!SendWideWithTimeout(window, WM_GETTEXT, text->size(), reinterpret_cast<LPARAM>(text->data()),
                             &copied)) {
        return false;
    }
    text->resize(copied < text->size() ? copied : text->size() - 1);
    return true;
}

}  // namespace

const char kNoAnswer[] = "(no answer from the window)";

double NowMs() {
    // <chrono> does not compile with a Shift-JIS execution character set; the performance
    // counter is the same steady clock underneath.
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (NowMs() >= deadline) {
            return false;
        }
        Sleep(pollMs);
    }
}

LaunchedProgram::~LaunchedProgram() {
    Terminate();
    const HandleGuard thread(info_.hThread);
    const HandleGuard process(info_.hProcess);
}

bool LaunchedProgram::Start(const std::string& exePath,
                            const std::wstring& currentDirectory,
                            std::string* error,
                            const EnvironmentChanges& changes) {
    if (info_.hProcess) {
        *error = "a program was already started";
        return false;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const std::wstring exe = WideText(exePath);
    std::wstring commandLine = L"\"" + exe + L"\"";
    // Without changes the program inherits this environment as it is.
    std::wstring environment = changes.empty() ? std::wstring() : ChangedEnvironmentBlock(changes);
    // Wine fails a start with ERROR_INTERNAL_ERROR when the new process ended before its start-up
    // was done, before any code of the program ran: seen once in about ten runs with two test
    // programs starting processes at the same time. Such a start is tried again; any other
    // failure, or the same one three times, fails the test.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                           CREATE_UNICODE_ENVIRONMENT, environment.empty() ? nullptr : environment.data(),
                           currentDirectory.c_str(), &startup, &info_)) {
            return true;
        }
        const DWORD failure = GetLastError();
        info_ = {};
        if (failure != ERROR_INTERNAL_ERROR || attempt == 3) {
            *error = "CreateProcessW(" + exePath + ") failed with error " + std::to_string(failure);
            return false;
        }
        Sleep(100);
    }
}

bool LaunchedProgram::IsRunning() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool LaunchedProgram::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(info_.hProcess, exitCode) != 0;
}

void LaunchedProgram::Terminate() {
    if (IsRunning()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kPatientMs);
    }
}

std::string ProgramUnderTest() {
    char chosen[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA("MIREBASCO_PROGRAM", chosen, sizeof(chosen));
    if (length > 0 && length < sizeof(chosen)) {
        return PathBesideThisProgram(chosen);
    }
    return PathBesideThisProgram("..\\..\\app\\mirebasco.exe");
}

std::string PathBesideThisProgram(const std::string& relativePath) {
    char self[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    if (length == 0 || length >= sizeof(self)) {
        return {};
    }
    std::string joined(self, length);
    joined.erase(joined.find_last_of('\\') + 1);
    joined += relativePath;
    char full[MAX_PATH + 1] = {};
    length = GetFullPathNameA(joined.c_str(), sizeof(full), full, nullptr);
    if (length == 0 || length >= sizeof(full)) {
        return {};
    }
    return std::string(full, length);
}

std::string ProcessImageName(DWORD processId) {
    const HandleGuard process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    char name[MAX_PATH + 1] = {};
    DWORD length = sizeof(name);
    if (!process.IsOpen() || !QueryFullProcessImageNameA(process.Get(), 0, name, &length)) {
        return {};
    }
    std::string path(name, length);
    return path.substr(path.find_last_of("\\/") + 1);
}

std::vector<HWND> FindTopLevelWindows(DWORD processId, const char* className, const char* title) {
    WindowSearch search{processId, className, title, {}};
    EnumWindows(CollectMatchingWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopLevelWindow(DWORD processId, const char* className, const char* title) {
    std::vector<HWND> found = FindTopLevelWindows(processId, className, title);
    return found.empty() ? nullptr : found.front();
}

HWND WaitForTopLevelWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopLevelWindow(processId, className, title)) != nullptr; },
              timeoutMs);
    return found;
}

std::string ReadText(HWND window) {
    std::wstring text;
    return ReadWindowText(window, &text) ? ShiftJisText(text) : kNoAnswer;
}

std::wstring ReadWideText(HWND window) {
    std::wstring text;
    return ReadWindowText(window, &text) ? text : WideText(kNoAnswer);
}

bool WriteText(HWND window, const std::string& text) {
    return WriteText(window, WideText(text));
}

bool WriteText(HWND window, const std::wstring& wide) {
    DWORD_PTR result = 0;
    return window &&
           SendWideWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), &result) &&
           result != 0;
}

bool TypeText(HWND edit, const std::string& text) {
    // Sent rather than posted, so that each character has been handled when this returns. The
    // edit treats a sent WM_CHAR exactly as one that came through the message loop.
    for (unsigned char byte : text) {
        if (!edit || !SendWithTimeout(edit, WM_CHAR, byte, 1, nullptr)) {
            return false;
        }
    }
    return true;
}

bool PressKeys(HWND edit, const std::string& text) {
    DWORD_PTR selection = 0;
    if (!edit || !SendWithTimeout(edit, EM_GETSEL, 0, 0, &selection)) {
        return false;
    }
    for (unsigned char byte : text) {
        const SHORT key = VkKeyScanA(static_cast<CHAR>(byte));
        if (key == -1 || HIBYTE(key) != 0) {
            return false;
        }
        const WPARAM virtualKey = LOBYTE(key);
        // A repeat count of 1 and the scan code; a key-up also says the key was down before.
        const LPARAM down = 1 | static_cast<LPARAM>(MapVirtualKeyA(LOBYTE(key), MAPVK_VK_TO_VSC)) << 16;
        const LPARAM up = down | static_cast<LPARAM>(0xC0000000u);
        if (!PostMessageA(edit, WM_KEYDOWN, virtualKey, down) ||
            !PostMessageA(edit, WM_KEYUP, virtualKey, up)) {
            return false;
        }
    }
    // Typing replaces a selection, so the caret ends past the text, counted from where it began.
    const DWORD_PTR caret = LOWORD(selection) + text.size();
    return WaitUntil([&] {
        DWORD_PTR now = 0;
        return SendWithTimeout(edit, EM_GETSEL, 0, 0, &now) && LOWORD(now) == caret && HIWORD(now) == caret;
    });
}

bool PostClick(HWND button) {
    return button && PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool SendClick(HWND button) {
    return button && SendWithTimeout(button, BM_CLICK, 0, 0, nullptr);
}

bool IsChecked(HWND button) {
    DWORD_PTR state = 0;
    return SendWithTimeout(button, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

int ListCount(HWND combo) {
    DWORD_PTR count = 0;
    if (!SendWithTimeout(combo, CB_GETCOUNT, 0, 0, &count)) {
        return CB_ERR;
    }
    return static_cast<int>(static_cast<LRESULT>(count));
}

int SelectedListIndex(HWND combo) {
    DWORD_PTR index = 0;
    if (!SendWithTimeout(combo, CB_GETCURSEL, 0, 0, &index)) {
        return CB_ERR;
    }
    return static_cast<int>(static_cast<LRESULT>(index));
}

std::string ListItemText(HWND combo, int index) {
    DWORD_PTR length = 0;
    if (!SendWideWithTimeout(combo, CB_GETLBTEXTLEN, index, 0, &length) ||
        static_cast<LRESULT>(length) == CB_ERR) {
        return kNoAnswer;
    }
    std::wstring wide(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendWideWithTimeout(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide.data()), &copied) ||
        static_cast<LRESULT>(copied) == CB_ERR || copied > length) {
        return kNoAnswer;
    }
    wide.resize(copied);
    return ShiftJisText(wide);
}

bool SelectListItem(HWND combo, int index) {
    DWORD_PTR result = 0;
    if (!SendWithTimeout(combo, CB_SETCURSEL, index, 0, &result) || static_cast<LRESULT>(result) != index) {
        return false;
    }
    WPARAM command = MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE);
    return SendWithTimeout(GetParent(combo), WM_COMMAND, command, reinterpret_cast<LPARAM>(combo), nullptr);
}

std::vector<HWND> FindMessageBoxes(DWORD processId, const char* caption) {
    // A box counts once it is shown: before that its text may not be filled in yet.
    return VisibleOnly(FindTopLevelWindows(processId, "#32770", caption));
}

HWND WaitForMessageBox(DWORD processId, const char* caption, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> boxes = FindMessageBoxes(processId, caption);
            box = boxes.empty() ? nullptr : boxes.front();
            return box != nullptr;
        },
        timeoutMs);
    return box;
}

std::string MessageBoxText(HWND box) {
    // The message of a standard message box is the static control with the identifier 0xFFFF.
    return ReadText(GetDlgItem(box, 0xFFFF));
}

bool DismissMessageBox(HWND box) {
    HWND ok = DialogButton(box, IDOK);
    if (!(ok ? PostClick(ok) : PostMessageA(box, WM_COMMAND, IDOK, 0))) {
        return false;
    }
    return WaitUntil([&] { return !IsWindow(box); });
}

HWND SaveDialogNameField(HWND dialog) {
    // Explorer-style dialogs keep the name in an edit (edt1) or in the edit inside a combo box
    // (cmb13), which may itself sit inside an extended combo box.
    HWND field = GetDlgItem(dialog, edt1);
    if (IsClass(field, "Edit")) {
        return field;
    }
    HWND combo = GetDlgItem(dialog, cmb13);
    return combo ? FindDescendant(combo, "Edit", -1) : nullptr;
}

HWND FindSaveDialog(DWORD processId) {
    for (HWND dialog : VisibleOnly(FindTopLevelWindows(processId, "#32770", nullptr))) {
        if (SaveDialogNameField(dialog) && DialogButton(dialog, IDOK) && DialogButton(dialog, IDCANCEL)) {
            return dialog;
        }
    }
    return nullptr;
}

HWND WaitForSaveDialog(DWORD processId, DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindSaveDialog(processId)) != nullptr; }, timeoutMs);
    return dialog;
}

bool AcceptSaveDialog(HWND dialog, const std::string& name) {
    if (!WriteText(SaveDialogNameField(dialog), name) || !PostClick(DialogButton(dialog, IDOK))) {
        return false;
    }
    return WaitUntil([&] { return !IsWindow(dialog); });
}

bool CancelSaveDialog(HWND dialog) {
    if (!PostClick(DialogButton(dialog, IDCANCEL))) {
        return false;
    }
    return WaitUntil([&] { return !IsWindow(dialog); });
}

}  // namespace e2e
