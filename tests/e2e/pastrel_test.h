// The fixture the end-to-end tests share.
#pragma once
#include "e2e_support.h"

#include <gtest/gtest.h>

// Each end-to-end test starts from an empty clipboard and a settings key that only turns the opening dialog off.
class PastrelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearStoredSettings();
        StoreSetting(L"NoOpeningDlg", 1);
        app.Copy({});
    }
    void TearDown() override { ClearStoredSettings(); }
    // The clipboard's text, empty when there is none.
    static std::wstring Clipboard() {
        std::wstring text;
        ClipboardText(text);
        return text;
    }
    // Copies formatted text and tells whether it is still there, untouched, after `ms`.
    bool FormattedCopyStays(DWORD ms = 400) {
        app.CopyFormattedText(L"formatted");
        PumpFor(ms);
        return ClipboardHasFormat(HtmlFormat()) && GetClipboardOwner() == app.Window();
    }
    ForeignApp app;
};
