#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/memory_registry.h"

namespace {

// The same behaviour is asked of the in-memory registry and, on Windows, of the real one.
class RegistryTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            registry_ = platform::openUserClasses();
            ASSERT_NE(registry_, nullptr);
            // A key of our own, so the test never touches a real association.
            root_ = "CalderwynstropeTest.Key";
            registry_->deleteKey(root_);
        } else {
            registry_ = std::make_unique<testing_support::MemoryRegistry>();
            root_ = "Test";
        }
    }
    void TearDown() override {
        if (registry_) registry_->deleteKey(root_);
    }

    std::unique_ptr<platform::Registry> registry_;
    std::string root_;
};

TEST_P(RegistryTest, WritesReadsAndDeletesDefaultValues) {
    platform::Registry& r = *registry_;
    const std::string command = root_ + "\\shell\\Open\\command";
    EXPECT_FALSE(r.keyExists(root_));
    EXPECT_FALSE(r.readDefault(root_).has_value());

    ASSERT_TRUE(r.writeDefault(command, "\"C:\\Program Files\\cw.exe\" %1"));
    EXPECT_TRUE(r.keyExists(command));
    EXPECT_TRUE(r.keyExists(root_ + "\\shell")) << "parents are created";
    EXPECT_EQ(r.readDefault(command).value_or("?"), "\"C:\\Program Files\\cw.exe\" %1");

    ASSERT_TRUE(r.writeDefault(root_, "Filter Definition File – ünïcode"));
    EXPECT_EQ(r.readDefault(root_).value_or("?"), "Filter Definition File – ünïcode");
    std::string upper = root_;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(r.keyExists(upper)) << "key names ignore case";

    ASSERT_TRUE(r.writeDefault(root_ + " sibling", "s"));
    EXPECT_TRUE(r.deleteKey(root_));
    EXPECT_FALSE(r.keyExists(root_));
    EXPECT_FALSE(r.keyExists(command)) << "sub-keys go with their key";
    EXPECT_TRUE(r.keyExists(root_ + " sibling")) << "a key that only starts alike stays";
    EXPECT_TRUE(r.deleteKey(root_ + " sibling"));
    EXPECT_FALSE(r.deleteKey(root_)) << "nothing left to delete";
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(MemoryAndSystem, RegistryTest, ::testing::Values(false, true));
#else
// POSIX has no system registry; the in-memory one stands in for it everywhere.
INSTANTIATE_TEST_SUITE_P(Memory, RegistryTest, ::testing::Values(false));
#endif

TEST(MemoryRegistry, CountsShellNotifications) {
    testing_support::MemoryRegistry registry;
    registry.notifyAssociationsChanged();
    EXPECT_EQ(registry.notifications, 1);
}

}  // namespace
