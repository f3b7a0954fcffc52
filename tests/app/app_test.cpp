#include "tests/app/app_test.h"

#include "app/application.h"
#include "app/control_table.h"
#include "app/globals.h"
#include "tests/support/scripted_device.h"
#include "tests/support/scripted_recorder.h"

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
    if (g_recorder.IsMade()) {
        EXPECT_EQ(g_recorder->RefusedSteps(), 0u) << "a step the stage table refuses";
    }
    ShutDownApplication();
    ForgetApplication();
    RemoveScriptedSavesOutside(folder_.Path());
    SetCurrentDirectoryA(savedDirectory_.c_str());
}

void ForgetApplication() {
    g_mainWindow = nullptr;
    UnregisterClassA("NORMAL0", GetModuleHandleA(nullptr));
    UnregisterClassA("NORMALDLG", GetModuleHandleA(nullptr));
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

void UseScriptedRecorder(DeviceProfile profile) {
    g_script = Script();
    g_script.profile = profile;
    WireToScript(*g_recorder);
}

namespace {

void WriteImport(User32ImportPatch::Function* slot, User32ImportPatch::Function value) {
    DWORD previous = 0;
    VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &previous);
    *slot = value;
    VirtualProtect(slot, sizeof(*slot), previous, &previous);
}

}  // namespace

// The program's calls go through the import address table of this executable, whose entry for the
// function holds the address that GetProcAddress answers.
User32ImportPatch::User32ImportPatch(const char* name, Function replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    const auto function = reinterpret_cast<Function>(GetProcAddress(GetModuleHandleA("user32.dll"), name));
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); library->Name != 0;
         ++library) {
        for (auto* entry = reinterpret_cast<Function*>(base + library->FirstThunk); *entry != nullptr;
             ++entry) {
            if (function != nullptr && *entry == function) {
                slot_ = entry;
                original_ = *entry;
                WriteImport(slot_, replacement);
                return;
            }
        }
    }
}

User32ImportPatch::~User32ImportPatch() {
    if (slot_ != nullptr) {
        WriteImport(slot_, original_);
    }
}
