// Sample plug-in: replaces every space of a name with a text of the user's choice ("_" unless
// told otherwise). On Windows its dialog asks for that text; elsewhere it takes the default.
#include <cstring>
#include <string>

#include "calderwynstrope/plugin_api.h"

#ifdef _WIN32
#include <windows.h>

#include "calderwynstrope/plugin_text.h"
#include "space_replacer_resource.h"
#endif

namespace {

PluginDescriptor descriptor;

void copyText(char* buffer, int size, const std::string& text) {
    if (size <= 0) return;
    const std::size_t n = text.size() < static_cast<std::size_t>(size - 1) ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string describe(const std::string& with) {
    return "Replace spaces with \"" + with + "\"";
}

#ifdef _WIN32
struct DialogData {
    std::string text;
};

using calderwynstrope::narrow;
using calderwynstrope::widen;

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<DialogData*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            data = reinterpret_cast<DialogData*>(lParam);
            SendDlgItemMessageW(dialog, IDC_REPLACEMENT, EM_LIMITTEXT, 20, 0);
            SetDlgItemTextW(dialog, IDC_REPLACEMENT, widen(data->text).c_str());
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                wchar_t text[64] = {};
                GetDlgItemTextW(dialog, IDC_REPLACEMENT, text, 64);
                data->text = narrow(text);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}
#endif

int BRAXEN_CALL configure(int mode, int size, char* text1, char*, char*, int* option, char* description) {
    std::string with = (mode == 1 && text1[0] != '\0') ? std::string(text1) : std::string("_");
#ifdef _WIN32
    DialogData data{with};
    if (DialogBoxParamW(static_cast<HINSTANCE>(descriptor.module), MAKEINTRESOURCEW(IDD_SPACE_REPLACER),
                        static_cast<HWND>(descriptor.hostWindow), dialogProcedure,
                        reinterpret_cast<LPARAM>(&data)) != IDOK) {
        return 0;
    }
    with = data.text;
#endif
    copyText(text1, size, with);
    *option = 0;
    copyText(description, size, describe(with));
    return 1;
}

int BRAXEN_CALL replaceSpaces(int size, char* name, const char*, const char* text1, const char*, const char*, int) {
    std::string out;
    for (const char* c = name; *c; ++c) {
        if (*c == ' ') {
            out += text1;
        } else {
            out += *c;
        }
    }
    if (out.size() >= static_cast<std::size_t>(size)) return 0;  // would not fit: keep the name
    if (out == name) return 0;
    copyText(name, size, out);
    return 1;
}

}  // namespace

extern "C" BRAXEN_EXPORT PluginDescriptor* BRAXEN_CALL braxen_GetPlugin(void) {
    descriptor.menuText = "Replace spaces with...";
    descriptor.applyProc = replaceSpaces;
    descriptor.dialogProc = configure;
    return &descriptor;
}
