#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/control_table.h"
#include "app/globals.h"
#include "tests/app/app_test.h"
#include "tests/support/long_path_files.h"
#include "tests/support/presets.h"
#include "tests/support/scripted_device.h"

namespace {

// The face "ＭＳ Ｐゴシック" as Shift-JIS bytes, with its single-byte space.
const char kFaceBytes[] = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
};

// The window's controls as the user is meant to see them, in creation order.
const ExpectedControl kExpectedControls[] = {
    {1000, "BUTTON", "録音開始", 0x50000000, 0x00000, 5, 12, 70, 35},
    {1001, "BUTTON", "停止", 0x50000000, 0x00000, 93, 12, 88, 33},
    {1002, "EDIT", "", 0x50000080, 0x00200, 70, 95, 228, 21},
    {1003, "BUTTON", "自動停止", 0x50000003, 0x00000, 14, 130, 69, 15},
    {1004, "COMBOBOX", "", 0x50200003, 0x00000, 81, 58, 225, 113},
    {1005, "STATIC", "フォーマット", 0x50000000, 0x00000, 7, 61, 63, 16},
    {1006, "BUTTON", "\x81\x63", 0x50000000, 0x00000, 303, 95, 32, 19},
    {1007, "STATIC", "ファイル名", 0x50000000, 0x00000, 7, 100, 54, 16},
    {1008, "EDIT", "", 0x50002000, 0x00200, 14, 153, 83, 19},
    {1009, "STATIC", "秒", 0x50000000, 0x00000, 107, 157, 21, 12},
    {1010, "STATIC", "停止", 0x50000000, 0x20000, 147, 143, 179, 21},
};

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, TopLevelWindowHasTheTitleClassSizeAndStyle) {
    ASSERT_TRUE(IsWindow(g_mainWindow));
    char title[64] = {};
    GetWindowTextA(g_mainWindow, title, sizeof(title));
    EXPECT_STREQ("mirebasco", title);
    EXPECT_EQ("NORMAL0", ClassOf(g_mainWindow));
    EXPECT_EQ(nullptr, GetParent(g_mainWindow));

    RECT outer;
    GetWindowRect(g_mainWindow, &outer);
    EXPECT_EQ(380, outer.right - outer.left);
    EXPECT_EQ(214, outer.bottom - outer.top);

    // The system adds WS_CLIPSIBLINGS to every top-level window; the rest is ours. Without
    // WS_THICKFRAME the frame cannot be dragged to another size.
    const DWORD style = static_cast<DWORD>(GetWindowLongA(g_mainWindow, GWL_STYLE));
    EXPECT_EQ(0x10CB0000u, style & ~static_cast<DWORD>(WS_CLIPSIBLINGS));
    EXPECT_TRUE(IsWindowVisible(g_mainWindow));
}

TEST_F(MainWindowTest, BothClassesAreRegisteredAsDesigned) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const char* name : {"NORMALDLG", "NORMAL0"}) {
        SCOPED_TRACE(name);
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        ASSERT_TRUE(GetClassInfoExA(instance, name, &windowClass));
        EXPECT_EQ(static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS), windowClass.style);
        EXPECT_EQ(0, windowClass.cbClsExtra);
        EXPECT_EQ(0, windowClass.cbWndExtra);
        EXPECT_EQ(LoadIconA(nullptr, IDI_APPLICATION), windowClass.hIcon);
        EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), windowClass.hCursor);
        EXPECT_EQ(LoadIconA(nullptr, IDI_WINLOGO), windowClass.hIconSm);
        EXPECT_EQ(g_backgroundBrush, windowClass.hbrBackground);
        EXPECT_EQ(nullptr, windowClass.lpszMenuName);
    }

    // The brush has the button-face colour.
    LOGBRUSH brush = {};
    ASSERT_EQ(static_cast<int>(sizeof(brush)), GetObjectA(g_backgroundBrush, sizeof(brush), &brush));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), brush.lbColor);
}

// Every control has the one font, which is made as designed.
TEST_F(MainWindowTest, EveryControlUsesTheSharedFont) {
    ASSERT_NE(nullptr, g_uiFont);
    for (const ExpectedControl& expected : kExpectedControls) {
        SCOPED_TRACE(expected.id);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(Control(expected.id), WM_GETFONT, 0, 0));
        EXPECT_EQ(g_uiFont, font);
    }
    // Read in UTF-16 and compared as Shift-JIS, so that it also holds in a process of another code page.
    LOGFONTW logFont = {};
    ASSERT_EQ(static_cast<int>(sizeof(logFont)), GetObjectW(g_uiFont, sizeof(logFont), &logFont));
    EXPECT_EQ(-12, logFont.lfHeight);
    EXPECT_EQ(0, logFont.lfWidth);
    EXPECT_EQ(0, logFont.lfEscapement);
    EXPECT_EQ(0, logFont.lfOrientation);
    EXPECT_EQ(400, logFont.lfWeight);
    EXPECT_EQ(0, logFont.lfItalic);
    EXPECT_EQ(0, logFont.lfUnderline);
    EXPECT_EQ(0, logFont.lfStrikeOut);
    EXPECT_EQ(128, logFont.lfCharSet);
    EXPECT_EQ(3, logFont.lfOutPrecision);
    EXPECT_EQ(2, logFont.lfClipPrecision);
    EXPECT_EQ(1, logFont.lfQuality);
    EXPECT_EQ(0x20, logFont.lfPitchAndFamily);
    EXPECT_EQ(std::string(kFaceBytes), ShiftJisText(logFont.lfFaceName));
}

TEST_F(MainWindowTest, StartsIdleWithEmptyEditsAndTheCdPreset) {
    EXPECT_EQ("", ControlText(ID_FILENAME_EDIT));
    EXPECT_EQ("", ControlText(ID_SECONDS_EDIT));
    EXPECT_TRUE(IsWindowEnabled(Control(ID_SECONDS_EDIT)));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(Control(ID_AUTOSTOP_CHECK), BM_GETCHECK, 0, 0));
    EXPECT_EQ("停止", ControlText(ID_STATUS_PANEL));
    for (const ExpectedControl& expected : kExpectedControls) {
        EXPECT_TRUE(IsWindowEnabled(Control(expected.id))) << expected.id;
    }

    HWND list = Control(ID_FORMAT_COMBO);
    EXPECT_EQ(list, g_formatCombo->window);
    ASSERT_EQ(kPresetCount, SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < kPresetCount; ++index) {
        char item[64] = {};
        ASSERT_LT(SendMessageA(list, CB_GETLBTEXTLEN, index, 0), static_cast<LRESULT>(sizeof(item)));
        SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item));
        EXPECT_EQ(std::string(kPresets[index].text), item) << index;
    }
    EXPECT_EQ(kCdPreset, SendMessageA(list, CB_GETCURSEL, 0, 0));

    EXPECT_FALSE(TakeTickTimer());
    EXPECT_EQ(0, g_recorder->IsRecording());
    EXPECT_TRUE(g_script.sent.empty());
}

// What CreateWindowExA was given, as the computer-based-training hook sees it.
struct Creation {
    std::string className;
    std::string text;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    HWND parent;
    INT_PTR menu;
};

std::vector<Creation>* g_creations = nullptr;

LRESULT CALLBACK RecordCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_creations != nullptr) {
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        Creation entry = {};
        if (!IS_INTRESOURCE(create->lpszClass)) {
            entry.className = create->lpszClass;
        }
        entry.text = create->lpszName != nullptr ? create->lpszName : "(null)";
        entry.style = static_cast<DWORD>(create->style);
        entry.exStyle = create->dwExStyle;
        entry.x = create->x;
        entry.y = create->y;
        entry.width = create->cx;
        entry.height = create->cy;
        entry.parent = create->hwndParent;
        entry.menu = reinterpret_cast<INT_PTR>(create->hMenu);
        g_creations->push_back(entry);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Start-up makes the main window and then its eleven controls, in table order, each with exactly
// the arguments of its row.
TEST(CreationTest, WindowsAreMadeWithTheDesignedArguments) {
    std::vector<Creation> creations;
    g_creations = &creations;
    HHOOK hook = SetWindowsHookExA(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    const bool started = StartApplication();
    UnhookWindowsHookEx(hook);
    g_creations = nullptr;
    ASSERT_TRUE(started);
    UseScriptedRecorder();

    // The system makes windows of its own on the way (the combo box's list among them); only
    // the main window and its direct children count here.
    std::vector<Creation> ours;
    for (const Creation& entry : creations) {
        if ((entry.parent == nullptr && entry.className == "NORMAL0") || entry.parent == g_mainWindow) {
            ours.push_back(entry);
        }
    }
    ASSERT_EQ(12u, ours.size());
    const Creation& main = ours[0];
    EXPECT_EQ("NORMAL0", main.className);
    EXPECT_EQ("mirebasco", main.text);
    EXPECT_EQ(0x10CB0000u, main.style);
    // The system adds WS_EX_WINDOWEDGE to a captioned window, and places a CW_USEDEFAULT window,
    // before the hook sees it.
    EXPECT_EQ(0u, main.exStyle & ~static_cast<DWORD>(WS_EX_WINDOWEDGE));
    EXPECT_EQ(380, main.width);
    EXPECT_EQ(214, main.height);
    EXPECT_EQ(nullptr, main.parent);
    EXPECT_EQ(0, main.menu);

    for (size_t i = 0; i < std::size(kExpectedControls); ++i) {
        const ExpectedControl& expected = kExpectedControls[i];
        const Creation& made = ours[i + 1];
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(expected.id, made.menu);
        EXPECT_EQ(g_mainWindow, made.parent);
        EXPECT_EQ(expected.className, made.className);
        EXPECT_EQ(std::string(expected.text), made.text);
        EXPECT_EQ(expected.style, made.style);
        EXPECT_EQ(expected.exStyle, made.exStyle);
        EXPECT_EQ(expected.x, made.x);
        EXPECT_EQ(expected.y, made.y);
        EXPECT_EQ(expected.width, made.width);
        EXPECT_EQ(expected.height, made.height);
    }

    SendMessageA(g_mainWindow, WM_CLOSE, 0, 0);
    RunMessageLoop();
    ShutDownApplication();
    ForgetApplication();
}

LRESULT CALLBACK ForeignWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

struct ClassSearch {
    const char* className;
    bool found;
};

// An enumeration callback, named, so that it has the platform's calling convention
// on 32-bit Windows too, which a lambda's conversion does not give.
BOOL CALLBACK NoteWindowOfClass(HWND window, LPARAM data) {
    auto* wanted = reinterpret_cast<ClassSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    if (process == GetCurrentProcessId() && lstrcmpA(name, wanted->className) == 0) {
        wanted->found = true;
        return FALSE;
    }
    return TRUE;
}

// Other test programs run beside this one and have windows of the same class, so only this
// process's windows count.
bool HasWindowOfClass(const char* className) {
    ClassSearch search = {className, false};
    EnumWindows(NoteWindowOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// When the main window cannot be made, start-up says so and leaves no window behind, so the
// program does not wait in a loop that nothing can end.
TEST(StartUpFailureTest, AWindowNotMadeByTheMainProcedureIsNoMainWindow) {
    WNDCLASSEXA foreign = {};
    foreign.cbSize = sizeof(foreign);
    foreign.lpfnWndProc = ForeignWindowProc;
    foreign.hInstance = GetModuleHandleA(nullptr);
    foreign.lpszClassName = "NORMAL0";
    ASSERT_NE(0, RegisterClassExA(&foreign));

    g_mainWindow = nullptr;
    EXPECT_FALSE(StartApplication());
    EXPECT_EQ(nullptr, g_mainWindow);
    EXPECT_FALSE(HasWindowOfClass("NORMAL0"));

    UseScriptedRecorder();
    ReportStartFailure();
    ASSERT_EQ(1u, g_script.messages.size());
    EXPECT_EQ("エラー:ウィンドウを作成できません。", g_script.messages[0]);

    ShutDownApplication();
    EXPECT_TRUE(g_script.sent.empty());
    ForgetApplication();

    // Nothing of the failed start stands in the way of the next one.
    ASSERT_TRUE(StartApplication());
    EXPECT_TRUE(IsWindow(g_mainWindow));
    EXPECT_TRUE(HasWindowOfClass("NORMAL0"));
    SendMessageA(g_mainWindow, WM_CLOSE, 0, 0);
    RunMessageLoop();
    ShutDownApplication();
    ForgetApplication();
}

}  // namespace
