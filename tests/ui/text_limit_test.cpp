// Fields whose text is stored in a 128-byte slot take at most 127 bytes of UTF-8 (the Padding
// fields 20), however the user enters the text: typed, pasted or inserted.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/win32/wide.h"
#include "resource.h"
#include "ui/controls/text_limit.h"
#include "ui/filterui/filter_dialogs.h"
#include "ui/in_process.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;

const std::wstring kNote = L"\U0001F3B5";  // four bytes, two UTF-16 units

std::wstring repeat(const std::wstring& text, int times) {
    std::wstring out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

std::wstring fieldText(HWND edit) {
    wchar_t text[512] = {};
    SendMessageW(edit, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

// Key by key, each one handled before the next.
void type(HWND edit, const std::wstring& text) {
    for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}

void putOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

TEST(TextLimit, CountsAndCutsUtf8AtCharacterBoundaries) {
    const struct {
        std::wstring text;
        std::size_t bytes;
    } lengths[] = {{L"abc", 3}, {L"é", 2}, {L"日本", 6}, {kNote, 4}, {L"\xD800", 3}, {L"", 0}};
    for (const auto& c : lengths) EXPECT_EQ(ui::utf8Length(c.text), c.bytes) << platform::win32::narrow(c.text);

    const std::wstring mixed = L"a日" + kNote + L"é";  // 1 + 3 + 4 + 2 bytes
    const struct {
        std::size_t maxBytes;
        std::wstring kept;
    } cuts[] = {{0, L""}, {3, L"a"}, {4, L"a日"}, {7, L"a日"}, {8, L"a日" + kNote}, {10, mixed}, {99, mixed}};
    for (const auto& c : cuts) EXPECT_EQ(std::wstring(ui::fitUtf8(mixed, c.maxBytes)), c.kept) << c.maxBytes;
}

struct Field {
    const char* title;
    int id;
    int limit;
    std::function<std::unique_ptr<ui::UI_dialog>()> make;
};

// Every way a text reaches the field stops at the limit, at a character boundary.
TEST(TextLimit, EveryStoredTextFieldHoldsItsBytes) {
    const Field fields[] = {
        {"Append Filter", IDC_FRONT_TEXT, 127, [] { return std::make_unique<ui::AppendDialog>(nullptr, nullptr); }},
        {"Append Filter", IDC_END_TEXT, 127, [] { return std::make_unique<ui::AppendDialog>(nullptr, nullptr); }},
        {"Find and Replace Filter", IDC_FIND, 127,
         [] { return std::make_unique<ui::FindReplaceDialog>(nullptr, nullptr); }},
        {"Find and Replace Filter", IDC_REPLACE_WITH, 127,
         [] { return std::make_unique<ui::FindReplaceDialog>(nullptr, nullptr); }},
        {"Tags Filter", IDC_ID3_FORMAT, 127, [] { return std::make_unique<ui::ID3Dialog>(nullptr, nullptr); }},
        {"Tags Filter", IDC_ID3_INTO, 127, [] { return std::make_unique<ui::ID3Dialog>(nullptr, nullptr); }},
        {"Character Stripper", IDC_STRIP_TEXT, 127,
         [] { return std::make_unique<ui::StripperDialog>(nullptr, nullptr); }},
        {"Filename Flip", IDC_FLIP_TEXT, 127, [] { return std::make_unique<ui::FlipDialog>(nullptr, nullptr); }},
        {"Number Replace", IDC_FIND_FORM, 127,
         [] { return std::make_unique<ui::NumberReplaceDialog>(nullptr, nullptr); }},
        {"Number Replace", IDC_REPLACE_FORM, 127,
         [] { return std::make_unique<ui::NumberReplaceDialog>(nullptr, nullptr); }},
        {"Padding Filter", IDC_PAD_LEFT, 20, [] { return std::make_unique<ui::PaddingDialog>(nullptr, nullptr); }},
    };
    for (const Field& field : fields) {
        SCOPED_TRACE(std::string(field.title) + " " + std::to_string(field.id));
        const auto dialog = field.make();
        const std::size_t limit = static_cast<std::size_t>(field.limit);
        runInProcess(*dialog, field.title, [&](HWND window) {
            for (int box : {IDC_USE_FRONT, IDC_USE_END, IDC_CUSTOM, IDC_ID3_FOLDERS}) {
                if (control(window, box)) setChecked(window, box, true);  // the field in use
            }
            HWND edit = control(window, field.id);
            COMBOBOXINFO combo{};
            combo.cbSize = sizeof(combo);
            if (GetComboBoxInfo(edit, &combo)) edit = combo.hwndItem;
            SetWindowTextW(edit, L"");

            // Typed: sixty Japanese characters (180 bytes) stop at whole characters.
            type(edit, repeat(L"日", 60));
            const std::wstring japanese = repeat(L"日", field.limit / 3);
            EXPECT_EQ(fieldText(edit), japanese);
            type(edit, L"abc");  // single bytes fill what is left
            EXPECT_EQ(fieldText(edit), japanese + std::wstring(L"abc").substr(0, limit - 3 * japanese.size()));

            // A character of two UTF-16 units is refused whole, its second half too.
            SetWindowTextW(edit, L"");
            type(edit, repeat(kNote, 40) + L"xyz");
            const std::wstring notes = repeat(kNote, field.limit / 4);
            EXPECT_EQ(fieldText(edit), notes + std::wstring(L"xyz").substr(0, limit - 4 * (notes.size() / 2)));

            // Pasted over the whole text, and inserted by a message: cut to fit.
            putOnClipboard(repeat(L"é", 100));
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SendMessageW(edit, WM_PASTE, 0, 0);
            EXPECT_EQ(fieldText(edit), repeat(L"é", field.limit / 2));
            SendMessageW(edit, EM_SETSEL, 0, 1);  // one é replaced: 日 fits in three bytes, not in two
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"日日"));
            const int rest = field.limit / 2 - 1;
            EXPECT_EQ(fieldText(edit), repeat(L"日", (field.limit - 2 * rest) / 3) + repeat(L"é", rest));

            // Set from code, as an old file's longer text would be: shown whole, and typing adds
            // nothing to it.
            SetWindowTextW(edit, repeat(L"日", 60).c_str());
            type(edit, L"a");
            EXPECT_EQ(fieldText(edit), repeat(L"日", 60));
        });
    }
}

TEST(TextLimit, TheFilterGetsWhatTheFieldShows) {
    ui::AppendDialog dialog(nullptr, nullptr);
    runInProcess(dialog, "Append Filter", [&](HWND window) {
        setChecked(window, IDC_USE_FRONT, true);
        type(control(window, IDC_FRONT_TEXT), repeat(L"日", 60));
        click(window, IDOK);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(window); }));
    });
    ASSERT_TRUE(dialog.rule.has_value());
    EXPECT_EQ(dialog.rule->appendFront(), platform::win32::narrow(repeat(L"日", 42)));
}

}  // namespace
