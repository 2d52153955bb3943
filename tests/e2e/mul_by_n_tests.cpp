// The multiply-by-N dialog, driven by control id as a user would: refused and accepted multipliers, the store, and
// the CSV stage using what was stored.
#include "pastrel_test.h"

#include "ui/mul_by_n_ids.h"

#include <gtest/gtest.h>

namespace {

class MulByN : public PastrelTest {
protected:
    // Opens the dialog from the tray menu (CSV/TSV, Multiply by N).
    HWND Open(PastrelProcess& pastrel) {
        EXPECT_TRUE(pastrel.OpenTrayMenu());
        pastrel.MenuKeys({'C', 'M'});
        HWND dialog = nullptr;
        WaitUntil([&] { return (dialog = FindWindowW(L"#32770", L"Multiply by N")) != nullptr; });
        return dialog;
    }
    // Presses OK with `text` in the field; the error box's text when one appeared (it is closed again).
    std::wstring TryOk(HWND dialog, const std::wstring& text) {
        SetDlgItemTextW(dialog, IDC_MULTIPLIER, text.c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        HWND box = nullptr;
        WaitUntil(
            [&] {
                box = FindWindowExW(nullptr, nullptr, L"#32770", L"Multiply by N");
                while (box && GetWindow(box, GW_OWNER) != dialog)
                    box = FindWindowExW(nullptr, box, L"#32770", L"Multiply by N");
                return box != nullptr || !IsWindow(dialog);
            },
            3000);
        if (!box) return {};
        std::wstring message = MessageBoxText(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(box); });
        return message;
    }
    static std::wstring StoredMultiplier() {
        wchar_t value[128] = {};
        DWORD size = sizeof(value);
        RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"MUL_BY_N", RRF_RT_REG_SZ, nullptr, value, &size);
        return value;
    }
};

TEST_F(MulByN, RefusesWhatIsNoNumberAndStoresWhatIs) {
    PastrelProcess pastrel;
    HWND dialog = Open(pastrel);
    ASSERT_TRUE(dialog);
    wchar_t shown[16] = {};
    GetDlgItemTextW(dialog, IDC_MULTIPLIER, shown, 16);
    EXPECT_STREQ(shown, L"1");
    for (const wchar_t* refused : {L"1,5", L"-3", L" 2", L""}) {
        SCOPED_TRACE(ToUtf8(refused));
        EXPECT_EQ(TryOk(dialog, refused), L"Please enter a numerical value.");
        EXPECT_TRUE(IsWindow(dialog));
    }
    EXPECT_EQ(StoredMultiplier(), L"");
    EXPECT_EQ(TryOk(dialog, L"1.5"), L"");
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(WaitUntil([&] { return StoredMultiplier() == L"1.5"; }));

    ASSERT_TRUE(app.CopyFormattedText(L"2,4"));
    ASSERT_TRUE(WaitForRewrite(pastrel.Window()));
    std::wstring table;
    ASSERT_TRUE(ClipboardText(table));
    EXPECT_EQ(table, L"3,6");

    dialog = Open(pastrel);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(TryOk(dialog, L"2" + std::wstring(79, L'0')), L"");
    EXPECT_TRUE(WaitUntil([&] { return StoredMultiplier() == L"2" + std::wstring(78, L'0'); }));
}

} // namespace
