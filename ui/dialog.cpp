#include "ui/dialog.h"

#include "base/program.h"
#include "base/text.h"
#include "settings/settings.h"
#include "ui/layout.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

bool modalDialogOpen = false;

namespace {

struct OpenDialogs {
    std::array<HWND, 4> modal{};
    std::vector<HWND> modeless;
};
OpenDialogs openDialogs;

struct DialogContext {
    DialogHandler handler;
    void* state;
    DialogSlot slot;
    bool modal;
    DialogScale scale; // filled by EnlargeIfAsked
};

// The one procedure the system calls for every dialog: it passes each message to the dialog's own handler, keeps
// the list of open dialogs, and lets no exception through into the system's code.
INT_PTR CALLBACK DialogBoundary(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!context) return FALSE;
    if (message == WM_INITDIALOG) {
        if (context->slot != DialogSlot::None) openDialogs.modal[static_cast<size_t>(context->slot)] = dialog;
        if (!context->modal) openDialogs.modeless.push_back(dialog);
    }
    INT_PTR result = FALSE;
    try {
        result = context->handler(dialog, message, wParam, lParam, context->state);
    } catch (...) {
        ShowExceptionBox(dialog);
        if (context->modal) EndDialog(dialog, IDCANCEL);
        else DestroyWindow(dialog);
        return TRUE;
    }
    if (message == WM_DESTROY && context->scale.factor != 0) RestoreDialogFont(context->scale);
    if (message == WM_NCDESTROY) {
        if (context->slot != DialogSlot::None) openDialogs.modal[static_cast<size_t>(context->slot)] = nullptr;
        auto& modeless = openDialogs.modeless;
        modeless.erase(std::remove(modeless.begin(), modeless.end(), dialog), modeless.end());
        if (!context->modal) delete context;
    }
    return result;
}

// Holds modalDialogOpen while a dialog of a slot runs, on every way out.
class ModalDialogScope {
public:
    explicit ModalDialogScope(bool active) : active_(active) {
        if (active_) modalDialogOpen = true;
    }
    ~ModalDialogScope() {
        if (active_) modalDialogOpen = false;
    }
    ModalDialogScope(const ModalDialogScope&) = delete;
    ModalDialogScope& operator=(const ModalDialogScope&) = delete;

private:
    bool active_;
};

} // namespace

std::array<HWND, 4> OpenModalDialogs() { return openDialogs.modal; }

INT_PTR RunModalDialog(int japaneseId, int englishId, HWND owner, DialogHandler handler, void* state, DialogSlot slot) {
    const bool guarded = slot != DialogSlot::None;
    if (guarded && modalDialogOpen) return 0;
    ModalDialogScope scope(guarded);
    DialogContext context{handler, state, slot, true};
    int id = g_language.uiJapanese ? japaneseId : englishId;
    return DialogBoxParamW(g_resources.instance, MAKEINTRESOURCEW(id), owner, DialogBoundary,
                           reinterpret_cast<LPARAM>(&context));
}

INT_PTR RunModalDialogFromTemplate(const DLGTEMPLATE* dialogTemplate, HWND owner, DialogHandler handler, void* state,
                                   DialogSlot slot) {
    const bool guarded = slot != DialogSlot::None;
    if (guarded && modalDialogOpen) return 0;
    ModalDialogScope scope(guarded);
    DialogContext context{handler, state, slot, true};
    return DialogBoxIndirectParamW(g_resources.instance, dialogTemplate, owner, DialogBoundary,
                                   reinterpret_cast<LPARAM>(&context));
}

namespace {

// Modal dialogs (the floating button's among them) run loops of their own; this hook gives the modeless dialogs
// their keyboard handling inside those loops too.
LRESULT CALLBACK ModalLoopFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && HandleModelessDialogMessage(reinterpret_cast<MSG*>(lParam))) return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

HWND CreateModelessDialog(int resourceId, HWND owner, DialogHandler handler, void* state) {
    static HHOOK filter = SetWindowsHookExW(WH_MSGFILTER, ModalLoopFilter, nullptr, GetCurrentThreadId());
    (void)filter; // lives as long as the thread
    auto* context = new DialogContext{handler, state, DialogSlot::None, false};
    HWND dialog = CreateDialogParamW(g_resources.instance, MAKEINTRESOURCEW(resourceId), owner, DialogBoundary,
                                     reinterpret_cast<LPARAM>(context));
    if (!dialog) delete context;
    return dialog;
}

bool HandleModelessDialogMessage(MSG* message) {
    for (HWND dialog : openDialogs.modeless)
        if (IsDialogMessageW(dialog, message)) return true;
    return false;
}

std::wstring ItemText(HWND dialog, int id) {
    std::wstring text(kMaxTextLength + 1, L'\0');
    text.resize(static_cast<size_t>(GetDlgItemTextW(dialog, id, text.data(), kMaxTextLength + 1)));
    return text;
}

void SetItemText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

bool IsItemChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void CheckItem(HWND dialog, int id, bool checked) { CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }

void EnableItem(HWND dialog, int id, bool enabled) { EnableWindow(GetDlgItem(dialog, id), enabled); }

int ComboSelection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

void SelectComboEntry(HWND dialog, int id, int index) { SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0); }

HWND AddTooltips(HWND dialog, const Tooltip* rows) {
    HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, dialog, nullptr, g_resources.instance, nullptr);
    if (!tips) return nullptr;
    for (const Tooltip* row = rows; row && row->controlId != 0 && row->text; ++row) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, row->controlId));
        tool.lpszText = const_cast<wchar_t*>(row->text);
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return tips;
}

void ShowProgramIcons(HWND dialog) {
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_resources.iconApp));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_resources.iconWatchOn));
}

void SetItemBitmap(HWND dialog, int id, HBITMAP bitmap) {
    SendDlgItemMessageW(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

bool EnlargeIfAsked(HWND dialog, int placement) {
    auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!context || !Settings.BIGDIALOG) return false;
    return ScaleDialogToWorkArea(context->scale, dialog, placement);
}
