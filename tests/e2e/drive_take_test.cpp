// drive_take, the tool that records a take through a running window for scripts/run.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recorder/handle_guard.h"
#include "tests/e2e/program_test.h"

namespace e2e {
namespace {

// Runs a console program to its end and collects what it prints on stdout.
::testing::AssertionResult RunAndCollect(const std::string& exePath,
                                         const std::string& arguments,
                                         std::string* output,
                                         DWORD* exitCode) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return ::testing::AssertionFailure() << "cannot make a pipe";
    }
    const HandleGuard reading(readEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string commandLine = "\"" + exePath + "\" " + arguments;
    PROCESS_INFORMATION process{};
    {
        // This end is closed once the tool holds it, so that the pipe ends when the tool does.
        const HandleGuard writing(writeEnd);
        if (!CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process)) {
            return ::testing::AssertionFailure() << "cannot start " << exePath;
        }
    }
    const HandleGuard thread(process.hThread);
    const HandleGuard tool(process.hProcess);
    // Reading to the end of the pipe is waiting for the tool to finish; it bounds its own waits.
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        output->append(buffer, got);
    }
    const bool ended = WaitForSingleObject(process.hProcess, kPatientMs) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.hProcess, exitCode);
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
        return ::testing::AssertionFailure() << exePath << " did not end";
    }
    return ::testing::AssertionSuccess();
}

using E2eDriveTake = ProgramTest;

TEST_F(E2eDriveTake, RecordsTakesThroughTheWindowAndPrintsWhereEachWent) {
    const std::string tool = PathBesideThisProgram("drive_take.exe");
    for (const char* expected : {"default.wav", "default-0.wav"}) {
        std::string output;
        DWORD exitCode = 1;
        // Other programs' windows of the same class may be open beside this one.
        ASSERT_TRUE(RunAndCollect(tool, "1 " + std::to_string(ProcessId()), &output, &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(output, folder_.File(expected) + "\r\n");
        EXPECT_TRUE(IsTakeOf(folder_.File(expected), kCdFormat));
        EXPECT_EQ(window_.Status(), kStatusIdle);
    }
}

}  // namespace
}  // namespace e2e
