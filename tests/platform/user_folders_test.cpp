#include "platform/user_folders.h"

#include <gtest/gtest.h>

#include "support/environment.h"

namespace {

using testing_support::ScopedEnvironment;

TEST(UserFolders, EnvironmentVariables) {
    ScopedEnvironment environment;
    environment.set("CW_TEST_VARIABLE", "ça va 日本");
    EXPECT_EQ(platform::environmentVariable("CW_TEST_VARIABLE"), "ça va 日本");
    environment.set("CW_TEST_VARIABLE", std::nullopt);
    EXPECT_FALSE(platform::environmentVariable("CW_TEST_VARIABLE").has_value());
}

#ifdef _WIN32
TEST(UserFolders, RoamingApplicationData) {
    ScopedEnvironment environment;
    environment.set("APPDATA", "D:\\Roaming");
    auto folders = platform::userFolders("Calderwynstrope");
    EXPECT_EQ(folders.config, "D:\\Roaming\\Calderwynstrope\\");
    EXPECT_EQ(folders.data, folders.config);

    // Not an absolute path: the system's own folder instead.
    for (const char* value : {"", "Roaming"}) {
        environment.set("APPDATA", std::string(value));
        folders = platform::userFolders("Calderwynstrope");
        ASSERT_GT(folders.config.size(), 3u) << value;
        EXPECT_EQ(folders.config[1], ':') << folders.config;
        EXPECT_EQ(folders.config.substr(folders.config.size() - 17), "\\Calderwynstrope\\");
    }
}
#else
TEST(UserFolders, XdgFoldersAndTheirDefaults) {
    struct Case {
        std::optional<std::string> home, config, data;
        const char* wantConfig;
        const char* wantData;
    };
    const Case cases[] = {
        {"/h", "/c", "/d", "/c/calderwynstrope/", "/d/calderwynstrope/"},
        {"/h", std::nullopt, std::nullopt, "/h/.config/calderwynstrope/", "/h/.local/share/calderwynstrope/"},
        {"/h/", "", "relative", "/h/.config/calderwynstrope/", "/h/.local/share/calderwynstrope/"},
        {"/h", "/c/", std::nullopt, "/c/calderwynstrope/", "/h/.local/share/calderwynstrope/"},
    };
    for (const Case& c : cases) {
        ScopedEnvironment environment;
        environment.set("HOME", c.home);
        environment.set("XDG_CONFIG_HOME", c.config);
        environment.set("XDG_DATA_HOME", c.data);
        const auto folders = platform::userFolders("Calderwynstrope");
        EXPECT_EQ(folders.config, c.wantConfig);
        EXPECT_EQ(folders.data, c.wantData);
    }
    // Without HOME, the account's home folder.
    ScopedEnvironment environment;
    environment.set("HOME", std::nullopt);
    environment.set("XDG_CONFIG_HOME", std::nullopt);
    const auto folders = platform::userFolders("Calderwynstrope");
    ASSERT_FALSE(folders.config.empty());
    EXPECT_EQ(folders.config.front(), '/');
    EXPECT_EQ(folders.config.substr(folders.config.size() - 25), "/.config/calderwynstrope/");
}
#endif

}  // namespace
