#include "tests/app/app_test.h"

#include <atomic>

#include "app/application.h"
#include "app/control_table.h"
#include "app/globals.h"
#include "tests/app/scripted_device.h"

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(base), base);
    path_ = std::string(base) + "mirebasco-app-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::vector<std::string> TempFolder::Entries() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

void AppTest::SetUp() {
    char saved[MAX_PATH * 2 + 1] = {};
    GetCurrentDirectoryA(sizeof(saved), saved);
    savedDirectory_ = saved;
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
    ASSERT_TRUE(StartApplication());
    UseScriptedRecorder();
}

void AppTest::TearDown() {
    if (g_mainWindow != nullptr && IsWindow(g_mainWindow)) {
        CloseWindowAndRunLoop();
    }
    ShutDownApplication();
    SetCurrentDirectoryA(savedDirectory_.c_str());
}

void AppTest::CloseWindowAndRunLoop() {
    SendMessageA(g_mainWindow, WM_CLOSE, 0, 0);
    // The loop would wait for ever if the window had not asked it to end.
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    RunMessageLoop();
}

HWND Control(int id) {
    return GetDlgItem(g_mainWindow, id);
}

void Click(int id) {
    SendMessageA(g_mainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

void SendTick() {
    SendMessageA(g_mainWindow, WM_TIMER, ID_TICK_TIMER, 0);
}

std::string ControlText(int id) {
    char text[1024] = {};
    GetWindowTextA(Control(id), text, sizeof(text));
    return text;
}

void PutText(int id, const std::string& text) {
    SetWindowTextA(Control(id), text.c_str());
}

bool TakeTickTimer() {
    return KillTimer(g_mainWindow, ID_TICK_TIMER) != 0;
}
