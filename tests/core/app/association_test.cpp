#include <gtest/gtest.h>

#include "core/app/association.h"
#include "platform/registry.h"
#include "support/memory_registry.h"

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

void checkAssociation(platform::Registry& registry) {
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

    // Taken by another program: left alone while on...
    registry.deleteKey("BRAXEN.File.REN");
    registry.writeDefault(".REN", "Other.Program");
    applyFileAssociation(registry, true, kExe);
    EXPECT_EQ(registry.readDefault(".REN").value_or("?"), "Other.Program");
    EXPECT_FALSE(registry.keyExists("BRAXEN.File.REN"));
    // ...and removed when the setting is off, as the program only asks whether ".REN" exists.
    applyFileAssociation(registry, false, kExe);
    EXPECT_FALSE(registry.keyExists(".REN"));
}

TEST(Association, RegistersAndRemovesInMemory) {
    testing_support::MemoryRegistry registry;
    checkAssociation(registry);
    EXPECT_EQ(registry.notifications, 4);
}

#ifdef _WIN32
TEST(Association, RegistersAndRemovesInTheUsersClasses) {
    auto registry = platform::openUserClasses();
    ASSERT_NE(registry, nullptr);
    checkAssociation(*registry);
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
