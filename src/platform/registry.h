// Default (unnamed) string values of registry keys, which is all the .REN association needs.
// Key names use backslashes and are relative to the user's file classes. Windows has the real
// registry; the tests have an in-memory one.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

class Registry {
public:
    virtual ~Registry() = default;
    // True when the key exists.
    virtual bool keyExists(const std::string& key) = 0;
    // True when the key exists in the classes the system shows this user, which merge the
    // user's own over the machine's: another program's machine-wide key counts too.
    virtual bool keyExistsMerged(const std::string& key) = 0;
    // The key's default value; nothing when the key is missing or has no default value.
    virtual std::optional<std::string> readDefault(const std::string& key) = 0;
    // Sets the key's default value, creating the key (and its parents) as needed.
    virtual bool writeDefault(const std::string& key, const std::string& value) = 0;
    // Deletes the key with everything below it; false when it could not be deleted.
    virtual bool deleteKey(const std::string& key) = 0;
    // Tells the desktop shell that file associations changed.
    virtual void notifyAssociationsChanged() {}
};

// The current user's file classes (HKEY_CURRENT_USER\Software\Classes) on Windows, which is what
// HKEY_CLASSES_ROOT shows for this user and needs no administrator rights. Nothing elsewhere.
std::unique_ptr<Registry> openUserClasses();

}  // namespace platform
