// The program's version information, read back from the built .exe as Windows reads it.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/window_driver.h"

namespace e2e {
namespace {

TEST(ProgramVersion, CarriesTheProjectsVersionAndNames) {
    const std::string exe = PathBesideThisProgram("..\\..\\app\\mirebasco.exe");
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

}  // namespace
}  // namespace e2e
