// The current user's file classes. HKEY_CLASSES_ROOT merges these over the machine's classes,
// so writing here associates files for this user without administrator rights.
#include <windows.h>
// windows.h first: the other system headers build on it.
#include <shlobj.h>

#include "platform/registry.h"
#include "platform/win32/win32_util.h"

namespace platform {
namespace {

// An open registry key, closed when it goes out of scope.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { reset(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens a sub-key of parent for reading; false when it cannot be opened.
    bool open(HKEY parent, const std::wstring& name) {
        return took(RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, put()));
    }
    // Opens a sub-key of parent with every right, creating it when missing.
    bool create(HKEY parent, const std::wstring& name) {
        return took(RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, put(), nullptr));
    }

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    // The slot an opening call writes to, emptied first.
    HKEY* put() {
        reset();
        return &key_;
    }
    // Whether an opening call succeeded; after a failure the slot holds nothing to close,
    // whatever the call left in it.
    bool took(LONG status) {
        if (status == ERROR_SUCCESS) return true;
        key_ = nullptr;
        return false;
    }
    void reset() noexcept {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

    HKEY key_ = nullptr;
};

class UserClassesRegistry : public Registry {
public:
    UserClassesRegistry() { root_.create(HKEY_CURRENT_USER, L"Software\\Classes"); }

    bool keyExists(const std::string& key) override {
        if (!root_) return false;
        RegistryKey opened;
        return opened.open(root_.get(), win32::widen(key));
    }

    bool keyExistsMerged(const std::string& key) override {
        if (keyExists(key)) return true;
        // HKEY_CLASSES_ROOT merges both on Windows; Wine shows only the machine's classes there,
        // which the user's were looked at for already.
        RegistryKey opened;
        return opened.open(HKEY_CLASSES_ROOT, win32::widen(key));
    }

    std::optional<std::string> readDefault(const std::string& key) override {
        if (!root_) return std::nullopt;
        const std::wstring wide = win32::widen(key);
        DWORD type = 0, size = 0;
        if (RegGetValueW(root_.get(), wide.c_str(), nullptr, RRF_RT_REG_SZ, &type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegGetValueW(root_.get(), wide.c_str(), nullptr, RRF_RT_REG_SZ, &type, value.data(), &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        value.resize(wcslen(value.c_str()));
        return win32::narrow(value);
    }

    bool writeDefault(const std::string& key, const std::string& value) override {
        if (!root_) return false;
        const std::wstring wide = win32::widen(value);
        return RegSetKeyValueW(root_.get(), win32::widen(key).c_str(), nullptr, REG_SZ, wide.c_str(),
                               static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    bool deleteKey(const std::string& key) override {
        if (!root_ || key.empty()) return false;
        const std::wstring wide = win32::widen(key);
        // Delete the sub-keys first: RegDeleteKey alone refuses a key that has any.
        const LONG tree = RegDeleteTreeW(root_.get(), wide.c_str());
        if (tree != ERROR_SUCCESS) return false;
        const LONG self = RegDeleteKeyW(root_.get(), wide.c_str());
        return self == ERROR_SUCCESS || self == ERROR_FILE_NOT_FOUND;
    }

    void notifyAssociationsChanged() override { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

private:
    RegistryKey root_;
};

}  // namespace

std::unique_ptr<Registry> openUserClasses() {
    return std::make_unique<UserClassesRegistry>();
}

}  // namespace platform
