#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A fresh, empty folder under the temporary folder, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Names of the entries directly inside the folder.
    std::vector<std::string> Entries() const;

private:
    std::string path_;
};

// Removes a folder and everything in it.
void RemoveTree(const std::string& path);

// Runs the program's real start-up with the current folder in a fresh temporary folder and the
// recorder on the scripted device, and shuts it down afterwards as the program does.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Closes the window as the caption's close button does and runs the loop until it ends.
    // Shutdown (the saving of a running take) is left to the caller.
    void CloseWindowAndRunLoop();

    TempFolder folder_;

private:
    std::string savedDirectory_;
};

// Driving and reading the window's controls the way the user and the system do.
HWND Control(int id);
void Click(int id);
void SendTick();
std::string ControlText(int id);
void PutText(int id, const std::string& text);
// True when the tick timer was running; it is stopped by asking.
bool TakeTickTimer();
