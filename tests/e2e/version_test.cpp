// The program as built: its version information and its manifest, read back from the .exe as
// Windows reads them, and the libraries it loads when files of their names lie beside it.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"
#include "tests/e2e/window_driver.h"

namespace e2e {
namespace {

TEST(ProgramVersion, CarriesTheProjectsVersionAndNames) {
    const std::string exe = ProgramUnderTest();
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    ASSERT_FALSE(data.empty()) << exe << " has no version information";
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD{MIREBASCO_VERSION_MAJOR} << 16 | MIREBASCO_VERSION_MINOR);
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD{MIREBASCO_VERSION_PATCH} << 16);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

    // The strings are found through the language and code page the file lists, as Explorer does.
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_GE(length, 2 * sizeof(WORD));
    const WORD* translation = static_cast<const WORD*>(value);
    char block[64];
    wsprintfA(block, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    auto text = [&](const char* name) -> std::string {
        void* found = nullptr;
        UINT size = 0;
        const std::string key = block + std::string(name);
        return VerQueryValueA(data.data(), key.c_str(), &found, &size) ? static_cast<const char*>(found)
                                                                       : "(none)";
    };
    EXPECT_EQ(text("ProductName"), "mirebasco");
    EXPECT_EQ(text("FileVersion"), MIREBASCO_VERSION);
    EXPECT_EQ(text("ProductVersion"), MIREBASCO_VERSION);
    EXPECT_EQ(text("OriginalFilename"), "mirebasco.exe");
    EXPECT_NE(text("FileDescription"), "(none)");
    EXPECT_EQ(text("LegalCopyright").rfind("Copyright ", 0), 0u) << text("LegalCopyright");
}

// The systems the manifest names as supported, by the ids Windows knows them by.
struct SupportedSystem {
    const char* name;
    const char* id;
};
constexpr SupportedSystem kSupportedSystems[] = {
    {"Vista", "{e2011457-1546-43c5-a5fe-008deee3d3f0}"},
    {"7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
    {"8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
    {"8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
    {"10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
};

// Released when it goes; CreateActCtx says "none" with INVALID_HANDLE_VALUE.
struct ReleaseContext {
    void operator()(HANDLE context) const {
        if (context != INVALID_HANDLE_VALUE) {
            ReleaseActCtx(context);
        }
    }
};
using ActivationContext = std::unique_ptr<void, ReleaseContext>;

std::vector<unsigned char> QueryContext(HANDLE context, ULONG infoClass) {
    std::vector<unsigned char> data(4096);
    SIZE_T size = 0;
    if (!QueryActCtxW(0, context, nullptr, infoClass, data.data(), data.size(), &size) ||
        size > data.size()) {
        return {};
    }
    data.resize(size);
    return data;
}

std::string GuidText(const GUID& id) {
    char text[64];
    snprintf(text, sizeof(text), "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
             static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
             id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}

// The ids of the supported systems in the context. Windows 10 added a field to each element (the
// highest version tested), as Wine 8 has it: a count padded to 8 bytes and 32-byte elements;
// older systems give a 4-byte count and 20-byte elements.
std::set<std::string> SupportedSystemIds(HANDLE context) {
    const std::vector<unsigned char> data =
        QueryContext(context, CompatibilityInformationInActivationContext);
    DWORD count = 0;
    if (data.size() < sizeof(count)) {
        return {"(no compatibility information)"};
    }
    memcpy(&count, data.data(), sizeof(count));
    size_t offset = 0;
    size_t stride = 0;
    if (data.size() == 8 + size_t{count} * 32) {
        offset = 8;
        stride = 32;
    } else if (data.size() == 4 + size_t{count} * 20) {
        offset = 4;
        stride = 20;
    } else {
        return {"(" + std::to_string(count) + " elements in " + std::to_string(data.size()) + " bytes)"};
    }
    std::set<std::string> ids;
    for (DWORD i = 0; i < count; ++i) {
        GUID id;
        DWORD type = 0;
        memcpy(&id, data.data() + offset + i * stride, sizeof(id));
        memcpy(&type, data.data() + offset + i * stride + sizeof(id), sizeof(type));
        if (type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) {
            ids.insert(GuidText(id));
        }
    }
    return ids;
}

// The manifest as the loader takes it, from the program's resource 1 (the one read at process
// start). As the invoker, the 32-bit program is not redirected into a per-user copy of a folder it
// may not write (a save into Program Files fails and the take is kept); one assembly only: no
// dependency on the common controls' version 6, so the window keeps the classic look; code page
// UTF-8, which Windows 10 from 1903 on and 11 give on any system language. The build made without
// that element (MIREBASCO_ACTIVE_CODE_PAGE=none) must differ from the program in nothing else.
TEST(ProgramManifest, RunsAsInvokerInUtf8OnVistaTo11WithoutTheNewCommonControls) {
    const std::string exe = ProgramUnderTest();
    ACTCTXA request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    const ActivationContext context(CreateActCtxA(&request));
    ASSERT_NE(context.get(), INVALID_HANDLE_VALUE)
        << exe << " has no manifest the loader takes (error " << GetLastError() << ")";

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
    ASSERT_TRUE(QueryActCtxW(0, context.get(), nullptr, RunlevelInformationInActivationContext, &runLevel,
                             sizeof(runLevel), nullptr));
    EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(runLevel.UiAccess, 0u);
    wchar_t expected[16] = L"UTF-8";
    GetEnvironmentVariableW(L"MIREBASCO_ACTIVE_CODE_PAGE", expected, std::size(expected));
    wchar_t codePage[16] = {};
    if (!QueryActCtxSettingsW(0, context.get(), L"http://schemas.microsoft.com/SMI/2019/WindowsSettings",
                              L"activeCodePage", codePage, std::size(codePage), nullptr)) {
        lstrcpynW(codePage, L"none", std::size(codePage));
    }
    EXPECT_STREQ(codePage, expected);

    const std::set<std::string> ids = SupportedSystemIds(context.get());
    for (const SupportedSystem& system : kSupportedSystems) {
        EXPECT_EQ(ids.count(system.id), 1u) << "Windows " << system.name << " is not named as supported";
    }
    EXPECT_EQ(ids.size(), std::size(kSupportedSystems)) << "systems named beyond those known";

    const std::vector<unsigned char> detail =
        QueryContext(context.get(), ActivationContextDetailedInformation);
    ACTIVATION_CONTEXT_DETAILED_INFORMATION info = {};
    ASSERT_GE(detail.size(), sizeof(info));
    memcpy(&info, detail.data(), sizeof(info));
    EXPECT_EQ(info.ulAssemblyCount, 1u) << "the manifest depends on another assembly";
}

// Files named like winmm and the waveform-audio driver it loads by name, lying beside a copy of
// the program and in its current folder: images without the libraries' functions, so that a take
// can only be recorded when the system's own libraries were loaded instead. Wine loads its own
// library whatever file it finds first, unless told to prefer the file; its per-program setting
// tells it so for this copy alone (its name is its own), and means nothing to Windows.
constexpr char kPlantedCopy[] = "mirebasco-planted.exe";
constexpr char kPlantedSettingKey[] = "Software\\Wine\\AppDefaults\\mirebasco-planted.exe";
constexpr const char* kPlantedLibraries[] = {"winmm", "mciwave"};

class E2ePlantedLibraries : public ProgramTest {
protected:
    void SetUp() override {
        const std::string exe = ProgramUnderTest();
        const std::string copy = folder_.File(kPlantedCopy);
        ASSERT_TRUE(CopyFileA(exe.c_str(), copy.c_str(), TRUE)) << exe << ": error " << GetLastError();
        HKEY overrides = nullptr;
        const std::string key = std::string(kPlantedSettingKey) + "\\DllOverrides";
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &overrides, nullptr),
                  ERROR_SUCCESS);
        settingMade_ = true;
        for (const char* library : kPlantedLibraries) {
            const std::string planted = folder_.File(std::string(library) + ".dll");
            EXPECT_TRUE(CopyFileA(exe.c_str(), planted.c_str(), TRUE)) << planted;
            constexpr char kNativeFirst[] = "native,builtin";
            EXPECT_EQ(RegSetValueExA(overrides, library, 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(kNativeFirst), sizeof(kNativeFirst)),
                      ERROR_SUCCESS);
        }
        RegCloseKey(overrides);
        ASSERT_FALSE(HasFailure());
        std::string error;
        ASSERT_TRUE(program_.Start(copy, folder_.Path(), &error, environment_)) << error;
        HWND window = WaitForMainWindow(ProcessId());
        ASSERT_NE(window, nullptr) << "the main window did not appear";
        window_ = MainWindow(window);
    }
    void TearDown() override {
        ProgramTest::TearDown();
        if (settingMade_) {
            RegDeleteTreeA(HKEY_CURRENT_USER, kPlantedSettingKey);
        }
    }

    bool settingMade_ = false;
};

TEST_F(E2ePlantedLibraries, TheSystemsOwnAreLoadedAndTheTakeIsRecorded) {
    const std::string target = folder_.File("take.wav");
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), target));
    ASSERT_TRUE(window_.ClickStart());
    ASSERT_TRUE(WaitForStatusWithoutBox(CountOfAtLeast(1), "a count of 1 s"));
    TakeTimes times;
    ASSERT_TRUE(StopTake(&times));
    EXPECT_TRUE(NoErrorBoxOpen());
    EXPECT_TRUE(IsTakeOf(target, kCdFormat));
}

}  // namespace
}  // namespace e2e
