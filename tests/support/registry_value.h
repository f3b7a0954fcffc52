#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

// Sets a text value under HKEY_CURRENT_USER while it lives, and puts back what was there (or
// nothing) when it goes, also when the test fails. Every program of the Wine prefix sees the
// value: a test that sets one runs alone, or wants the change for the programs it starts.
class RegistryValueOverride {
public:
    RegistryValueOverride(const std::string& key, const char* name, const char* value) : name_(name) {
        LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
        if (result != ERROR_SUCCESS) {
            key_ = nullptr;
            error_ = "cannot open HKCU\\" + key + ": error " + std::to_string(result);
            return;
        }
        DWORD size = 0;
        if (RegQueryValueExA(key_, name, nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
            old_.resize(size);
            if (RegQueryValueExA(key_, name, nullptr, &oldType_, old_.data(), &size) != ERROR_SUCCESS) {
                error_ = "cannot read HKCU\\" + key + "\\" + name;
                return;
            }
            hadValue_ = true;
        }
        result = RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                static_cast<DWORD>(strlen(value) + 1));
        if (result != ERROR_SUCCESS) {
            error_ = "cannot set HKCU\\" + key + "\\" + name + ": error " + std::to_string(result);
            return;
        }
        set_ = true;
    }
    ~RegistryValueOverride() {
        if (set_ && hadValue_) {
            RegSetValueExA(key_, name_, 0, oldType_, old_.data(), static_cast<DWORD>(old_.size()));
        } else if (set_) {
            RegDeleteValueA(key_, name_);
        }
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    RegistryValueOverride(const RegistryValueOverride&) = delete;
    RegistryValueOverride& operator=(const RegistryValueOverride&) = delete;

    // False when the value could not be set; the reason is in Error().
    bool IsSet() const { return set_; }
    const std::string& Error() const { return error_; }

private:
    HKEY key_ = nullptr;
    const char* name_;
    bool set_ = false;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<BYTE> old_;
    std::string error_;
};
