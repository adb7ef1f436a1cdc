#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "core/app/association.h"
#include "platform/registry.h"
#include "support/memory_registry.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
#endif

namespace {

using namespace core;

const std::string kExe = "C:\\Program Files\\Calderwynstrope\\calderwynstrope.exe";

void expectRegistered(platform::Registry& registry) {
    EXPECT_EQ(registry.readDefault("BRAXEN.File.REN").value_or("?"), "Calderwynstrope - Filter Definition File");
    EXPECT_EQ(registry.readDefault("BRAXEN.File.REN\\DefaultIcon").value_or("?"), kExe + ",1");
    EXPECT_EQ(registry.readDefault("BRAXEN.File.REN\\shell\\Open\\command").value_or("?"), "\"" + kExe + "\" %1");
    EXPECT_EQ(registry.readDefault("BRAXEN.File.REN\\shell").value_or("?"), "Open");
    EXPECT_EQ(registry.readDefault(".REN").value_or("?"), "BRAXEN.File.REN");
}

// The machine's classes, where another program may have put its own ".REN".
struct MachineClasses {
    std::function<bool(const std::string& key, const std::string& value)> write;
    std::function<std::optional<std::string>(const std::string& key)> read;
};

void checkAssociation(platform::Registry& registry, const MachineClasses& machine) {
    registry.deleteKey(".REN");
    registry.deleteKey("BRAXEN.File.REN");

    applyFileAssociation(registry, true, kExe);
    expectRegistered(registry);

    applyFileAssociation(registry, false, kExe);
    EXPECT_FALSE(registry.keyExists(".REN"));
    EXPECT_FALSE(registry.keyExists("BRAXEN.File.REN"));
    EXPECT_FALSE(registry.keyExists("BRAXEN.File.REN\\shell\\Open\\command"));

    applyFileAssociation(registry, true, kExe);  // off then on: all five afresh
    expectRegistered(registry);

    // Taken by another program for this user: left alone while on, and while off too; only
    // the class this program wrote goes.
    registry.writeDefault(".REN", "Other.Program");
    applyFileAssociation(registry, true, kExe);
    EXPECT_EQ(registry.readDefault(".REN").value_or("?"), "Other.Program");
    applyFileAssociation(registry, false, kExe);
    EXPECT_EQ(registry.readDefault(".REN").value_or("?"), "Other.Program");
    EXPECT_FALSE(registry.keyExists("BRAXEN.File.REN"));
    registry.deleteKey(".REN");

    // Taken machine-wide: nothing is written for the user, and the machine's key stays.
    ASSERT_TRUE(machine.write(".REN", "Machine.Program"));
    applyFileAssociation(registry, true, kExe);
    EXPECT_FALSE(registry.keyExists(".REN"));
    EXPECT_FALSE(registry.keyExists("BRAXEN.File.REN"));
    applyFileAssociation(registry, false, kExe);
    EXPECT_EQ(machine.read(".REN").value_or("?"), "Machine.Program");
}

TEST(Association, RegistersAndRemovesInMemory) {
    testing_support::MemoryRegistry registry;
    checkAssociation(registry, {[&](const std::string& key, const std::string& value) {
                                    registry.writeMachineDefault(key, value);
                                    return true;
                                },
                                [&](const std::string& key) { return registry.readMachineDefault(key); }});
    EXPECT_EQ(registry.notifications, 4);
}

#ifdef _WIN32
// The machine's ".REN" of the test's registry, taken away again at the end.
class MachineRen {
public:
    ~MachineRen() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey), RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey); }
    bool write(const std::string& value) {
        const std::wstring wide = platform::win32::widen(value);
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, REG_SZ, wide.c_str(),
                               static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    std::optional<std::string> read() const {
        wchar_t value[64] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return platform::win32::narrow(value);
    }

private:
    static constexpr const wchar_t* kKey = L"Software\\Classes\\.REN";
};

TEST(Association, RegistersAndRemovesInTheUsersClasses) {
    auto registry = platform::openUserClasses();
    ASSERT_NE(registry, nullptr);
    MachineRen machine;
    checkAssociation(*registry, {[&](const std::string& key, const std::string& value) {
                                     return key == ".REN" && machine.write(value);
                                 },
                                 [&](const std::string&) { return machine.read(); }});
}
#endif

TEST(Association, RegisterFileClassStopsAtTheFirstFailure) {
    struct FailingRegistry : testing_support::MemoryRegistry {
        int writesLeft;
        explicit FailingRegistry(int n) : writesLeft(n) {}
        bool writeDefault(const std::string& key, const std::string& value) override {
            return writesLeft-- > 0 && MemoryRegistry::writeDefault(key, value);
        }
    };
    const std::vector<ShellVerb> verbs = {{"Open", "%1", true}};
    for (int allowed = 0; allowed < 4; ++allowed) {
        FailingRegistry registry(allowed);
        EXPECT_FALSE(registerFileClass(registry, "C", "d", 1, kExe, verbs)) << allowed;
    }
    FailingRegistry enough(10);
    EXPECT_TRUE(registerFileClass(enough, "C", "d", 1, kExe, verbs));
    testing_support::MemoryRegistry noDefault;
    EXPECT_FALSE(registerFileClass(noDefault, "C", "d", -1, kExe, {{"Edit", "%1", false}}));
    EXPECT_FALSE(noDefault.keyExists("C\\DefaultIcon"));
    EXPECT_TRUE(registerFileClass(noDefault, "C", "d", -1, kExe, {}));
}

}  // namespace
