// Plug-ins that test the contract; built several times with a different TEST_PLUGIN_KIND each.
//   1 "declines": writes into the name buffer but returns 0.
//   2 "host":     keeps the host window from its descriptor and writes what it finds there.
//   3 "upper":    a well-behaved plug-in: upper-cases ASCII letters and reports what it got.
//   4 no export at all: must be skipped.
#include <cstdio>
#include <cstring>

#include "calderwynstrope/plugin_api.h"

#if TEST_PLUGIN_KIND != 4
namespace {

PluginDescriptor descriptor;

int BRAXEN_CALL configure(int mode, int size, char* text1, char* text2, char* text3, int* option, char* description) {
    std::snprintf(text1, size, "t1-%d", mode);
    std::snprintf(text2, size, "t2");
    std::snprintf(text3, size, "t3");
    *option = 42;
    std::snprintf(description, size, "Test plug-in %d", TEST_PLUGIN_KIND);
    return mode == 0 ? 1 : 0;  // accepts a new filter, declines an edit
}

int BRAXEN_CALL apply(int size, char* name, const char* folder, const char* text1, const char* text2, const char* text3,
                      int option) {
#if TEST_PLUGIN_KIND == 1
    (void)folder, (void)text1, (void)text2, (void)text3, (void)option;
    std::snprintf(name, size, "GARBAGE");
    return 0;
#elif TEST_PLUGIN_KIND == 2
    (void)folder, (void)text1, (void)text2, (void)text3, (void)option;
    std::snprintf(name, size, "host=%p", descriptor.hostWindow);
    return 1;
#else
    char upper[512];
    std::size_t i = 0;
    for (; name[i] && i < sizeof upper - 1; ++i) {
        upper[i] = (name[i] >= 'a' && name[i] <= 'z') ? static_cast<char>(name[i] - 32) : name[i];
    }
    upper[i] = '\0';
    std::snprintf(name, size, "%s|%d|%s|%s|%s|%d|%s", upper, size, text1, text2, text3, option, folder);
    return 1;
#endif
}

}  // namespace

extern "C" BRAXEN_EXPORT PluginDescriptor* BRAXEN_CALL braxen_GetPlugin(void) {
    descriptor.menuText = TEST_PLUGIN_MENU;
    descriptor.applyProc = apply;
    descriptor.dialogProc = configure;
    return &descriptor;
}
#else
extern "C" BRAXEN_EXPORT int BRAXEN_CALL something_else(void) {
    return 0;
}
#endif
