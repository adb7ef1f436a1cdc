#include "support/environment.h"

#include <cstdlib>

#include "platform/user_folders.h"
#include "platform/utf8.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace testing_support {
namespace {

void assign(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    const auto wide = [](const std::string& text) {
        const std::u16string utf16 = platform::utf8::toUtf16(text);
        return std::wstring(utf16.begin(), utf16.end());
    };
    SetEnvironmentVariableW(wide(name).c_str(), value ? wide(*value).c_str() : nullptr);
#else
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
#endif
}

}  // namespace

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) assign(it->first, it->second);
}

void ScopedEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
    saved_.emplace_back(name, platform::environmentVariable(name));
    assign(name, value);
}

}  // namespace testing_support
