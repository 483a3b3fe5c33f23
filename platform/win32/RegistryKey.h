#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace tw {

// An open registry key, closed with its owner.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey()
    {
        if (key) {
            RegCloseKey(key);
        }
    }
    RegistryKey(RegistryKey&& other) noexcept : key(std::exchange(other.key, nullptr)), result(other.result) {}
    RegistryKey& operator=(RegistryKey&&) = delete;
    RegistryKey(const RegistryKey&) = delete;

    static RegistryKey Open(HKEY parent, const std::wstring& path, REGSAM access)
    {
        RegistryKey opened;
        opened.result = RegOpenKeyExW(parent, path.c_str(), 0, access, &opened.key);
        return opened;
    }
    // Opens the key, making it and its parents as needed.
    static RegistryKey Create(HKEY parent, const std::wstring& path)
    {
        RegistryKey made;
        made.result = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                      nullptr, &made.key, nullptr);
        return made;
    }

    HKEY Get() const { return key; }
    explicit operator bool() const { return key != nullptr; }
    // Not opened because there is no such key (rather than for another reason).
    bool Missing() const { return result == ERROR_FILE_NOT_FOUND; }
    // Why it was not opened; ERROR_SUCCESS when it was.
    LONG Error() const { return result; }

    struct Read {
        LONG error = ERROR_SUCCESS; // for a reason other than a missing value
        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;
    };
    Read Value(const std::wstring& name) const
    {
        Read read;
        for (;;) {
            DWORD size = static_cast<DWORD>(read.bytes.size());
            const LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &read.type,
                                             read.bytes.empty() ? nullptr : read.bytes.data(), &size);
            if (rc == ERROR_FILE_NOT_FOUND) {
                return {ERROR_SUCCESS, REG_NONE, {}};
            }
            if (rc == ERROR_SUCCESS && size <= read.bytes.size()) {
                read.bytes.resize(size);
                return read;
            }
            if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) {
                return {rc, REG_NONE, {}};
            }
            read.bytes.resize(size + sizeof(wchar_t)); // it may have grown in between
        }
    }

private:
    HKEY key = nullptr;
    LONG result = ERROR_SUCCESS;
};

} // namespace tw
