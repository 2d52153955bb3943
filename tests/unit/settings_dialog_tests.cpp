// The settings dialog's "Add the last program" button, with the real dialog from its real resources run in this
// process and worked by control id from a second thread, the program of the last copy noted as the watch notes it.
#include "base/program.h"
#include "base/text.h"
#include "clipboard/owner.h"
#include "settings/settings.h"
#include "ui/dialogs.h"
#include "ui/settings_ids.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

HWND WaitForSettingsDialog() {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        HWND dialog = FindWindowW(L"#32770", L"Settings - Pastrel");
        DWORD process = 0;
        if (dialog) GetWindowThreadProcessId(dialog, &process);
        if (dialog && process == GetCurrentProcessId() && IsWindowVisible(dialog)) return dialog;
        Sleep(10);
    }
    return nullptr;
}

std::wstring ListText(HWND dialog) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, IDC_SET_EXCLUDE, text, 512);
    return text;
}

TEST(SettingsDialogRun, AddTheLastProgramAppendsItOnceAndOkStoresTheList) {
    g_resources.instance = GetModuleHandleW(nullptr); // the test program carries the dialog's resources itself
    g_language.uiJapanese = false;
    Settings = SettingsRecord{};
    Settings.ExcludePrograms = L"EXCEL.EXE";
    NoteForeignCopyOwner(L"");
    std::vector<std::wstring> shown;
    std::thread driver([&] {
        HWND dialog = WaitForSettingsDialog();
        if (!dialog) return;
        auto press = [&](int id) { SendMessageW(dialog, WM_COMMAND, id, 0); };
        press(IDC_SET_EXCLUDE_ADD); // no copy from another program yet: nothing to add
        shown.push_back(ListText(dialog));
        NoteForeignCopyOwner(L"winword.exe");
        press(IDC_SET_EXCLUDE_ADD);
        shown.push_back(ListText(dialog));
        press(IDC_SET_EXCLUDE_ADD);         // listed already
        NoteForeignCopyOwner(L"excel.exe"); // listed already, in other letters
        press(IDC_SET_EXCLUDE_ADD);
        shown.push_back(ListText(dialog));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    INT_PTR result = RunSettingsDialog();
    driver.join();
    g_language.uiJapanese = true;
    NoteForeignCopyOwner(L"");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], L"EXCEL.EXE");
    EXPECT_EQ(shown[1], L"EXCEL.EXE;winword.exe");
    EXPECT_EQ(shown[2], L"EXCEL.EXE;winword.exe");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Settings.ExcludePrograms, L"EXCEL.EXE;winword.exe");
}

} // namespace
