// The current user's file classes. HKEY_CLASSES_ROOT merges these over the machine's classes,
// so writing here associates files for this user without administrator rights.
#include <windows.h>
// windows.h first: the other system headers build on it.
#include <shlobj.h>

#include "platform/registry.h"
#include "platform/win32/win32_util.h"

namespace platform {
namespace {

class UserClassesRegistry : public Registry {
public:
    UserClassesRegistry() {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                            nullptr) != ERROR_SUCCESS) {
            root_ = nullptr;
        }
    }
    ~UserClassesRegistry() override {
        if (root_) RegCloseKey(root_);
    }

    bool keyExists(const std::string& key) override {
        if (!root_) return false;
        HKEY h;
        if (RegOpenKeyExW(root_, win32::widen(key).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(h);
        return true;
    }

    std::optional<std::string> readDefault(const std::string& key) override {
        if (!root_) return std::nullopt;
        const std::wstring wide = win32::widen(key);
        DWORD type = 0, size = 0;
        if (RegGetValueW(root_, wide.c_str(), nullptr, RRF_RT_REG_SZ, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegGetValueW(root_, wide.c_str(), nullptr, RRF_RT_REG_SZ, &type, value.data(), &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.resize(wcslen(value.c_str()));
        return win32::narrow(value);
    }

    bool writeDefault(const std::string& key, const std::string& value) override {
        if (!root_) return false;
        const std::wstring wide = win32::widen(value);
        return RegSetKeyValueW(root_, win32::widen(key).c_str(), nullptr, REG_SZ, wide.c_str(),
                               static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    bool deleteKey(const std::string& key) override {
        if (!root_ || key.empty()) return false;
        const std::wstring wide = win32::widen(key);
        // Delete the sub-keys first: RegDeleteKey alone refuses a key that has any.
        const LONG tree = RegDeleteTreeW(root_, wide.c_str());
        if (tree != ERROR_SUCCESS) return false;
        const LONG self = RegDeleteKeyW(root_, wide.c_str());
        return self == ERROR_SUCCESS || self == ERROR_FILE_NOT_FOUND;
    }

    void notifyAssociationsChanged() override { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

private:
    HKEY root_ = nullptr;
};

}  // namespace

std::unique_ptr<Registry> openUserClasses() {
    return std::make_unique<UserClassesRegistry>();
}

}  // namespace platform
