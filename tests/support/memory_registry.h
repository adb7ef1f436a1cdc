// A registry in memory, for the tests of code that writes associations: it behaves as the
// Windows registry does for the default values of keys.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace testing_support {

// Key names compare ignoring ASCII case, as in the Windows registry.
class MemoryRegistry : public platform::Registry {
public:
    bool keyExists(const std::string& key) override;
    // Also the keys given to writeMachineDefault.
    bool keyExistsMerged(const std::string& key) override;
    std::optional<std::string> readDefault(const std::string& key) override;
    bool writeDefault(const std::string& key, const std::string& value) override;
    bool deleteKey(const std::string& key) override;
    void notifyAssociationsChanged() override { ++notifications; }

    // A key of the machine's classes, which this registry shows but never writes or deletes.
    void writeMachineDefault(const std::string& key, const std::string& value);
    std::optional<std::string> readMachineDefault(const std::string& key) const;

    int notifications = 0;

private:
    // Folded key name -> default value (absent: the key exists without a value).
    std::map<std::string, std::optional<std::string>> keys_;
    std::map<std::string, std::optional<std::string>> machineKeys_;
};

}  // namespace testing_support
