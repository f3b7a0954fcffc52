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
    RegistryValueOverride(const std::string& key, const char* name, const char* value)
        : RegistryValueOverride(key, name, Wide(value)) {}
    // Read and written in UTF-16, so that a value (a user's folder, say) may hold letters that this
    // program's code page cannot spell, and the old value comes back exactly.
    RegistryValueOverride(const std::string& key, const char* name, const std::wstring& value)
        : name_(Wide(name)) {
        LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key.c_str()).c_str(), 0, nullptr, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
        if (result != ERROR_SUCCESS) {
            key_ = nullptr;
            error_ = "cannot open HKCU\\" + key + ": error " + std::to_string(result);
            return;
        }
        DWORD size = 0;
        if (RegQueryValueExW(key_, name_.c_str(), nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
            old_.resize(size);
            if (RegQueryValueExW(key_, name_.c_str(), nullptr, &oldType_, old_.data(), &size) !=
                ERROR_SUCCESS) {
                error_ = "cannot read HKCU\\" + key + "\\" + name;
                return;
            }
            hadValue_ = true;
        }
        result = RegSetValueExW(key_, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        if (result != ERROR_SUCCESS) {
            error_ = "cannot set HKCU\\" + key + "\\" + name + ": error " + std::to_string(result);
            return;
        }
        set_ = true;
    }
    ~RegistryValueOverride() {
        if (set_ && hadValue_) {
            RegSetValueExW(key_, name_.c_str(), 0, oldType_, old_.data(), static_cast<DWORD>(old_.size()));
        } else if (set_) {
            RegDeleteValueW(key_, name_.c_str());
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
    // Key and value names, and values given narrow, are ASCII.
    static std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }

    HKEY key_ = nullptr;
    std::wstring name_;
    bool set_ = false;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::vector<BYTE> old_;
    std::string error_;
};
