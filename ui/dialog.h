// What every dialog of the program shares: opening it from the Japanese or English resource, the guard of the modal
// dialogs, the one boundary that no exception crosses, and reading and writing controls by id.
#pragma once
#include <windows.h>

#include <array>
#include <string>

// Strings read from an edit box (and from a store) hold at most this many characters.
inline constexpr int kMaxTextLength = 2049;

// Set while the settings, regular-expression, multiply-by-N or About dialog runs; a second one is refused meanwhile.
extern bool modalDialogOpen;

// The modal dialogs whose windows the tray menu brings to the front, in that order.
enum class DialogSlot { Settings, About, MulByN, Regex, None };
// Their windows, null where closed.
std::array<HWND, 4> OpenModalDialogs();

// A dialog's own procedure: the message and the state given when it was opened. Returns what a dialog procedure
// returns. Exceptions may leave it; the boundary catches them.
using DialogHandler = INT_PTR (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, void* state);

// Runs a modal dialog from resource `japaneseId` or `englishId` by the UI language. A slot other than None holds
// modalDialogOpen and the slot's window while it runs, and the dialog is refused (result 0) when one already runs.
// An exception inside the handler is reported and ends the dialog with IDCANCEL.
INT_PTR RunModalDialog(int japaneseId, int englishId, HWND owner, DialogHandler handler, void* state,
                       DialogSlot slot = DialogSlot::None);
// The same for a template built in memory.
INT_PTR RunModalDialogFromTemplate(const DLGTEMPLATE* dialogTemplate, HWND owner, DialogHandler handler, void* state,
                                   DialogSlot slot = DialogSlot::None);
// Creates a modeless dialog (hidden unless its resource says otherwise); the message loop passes its messages
// through IsDialogMessage while it exists. `state` must live as long as the dialog.
HWND CreateModelessDialog(int resourceId, HWND owner, DialogHandler handler, void* state);
// For the message loop: true when `message` belonged to an open modeless dialog and was handled.
bool HandleModelessDialogMessage(MSG* message);

std::wstring ItemText(HWND dialog, int id); // at most kMaxTextLength characters
void SetItemText(HWND dialog, int id, const std::wstring& text);
bool IsItemChecked(HWND dialog, int id);
void CheckItem(HWND dialog, int id, bool checked);
void EnableItem(HWND dialog, int id, bool enabled);
// The selected entry of a combo box, or -1.
int ComboSelection(HWND dialog, int id);
void SelectComboEntry(HWND dialog, int id, int index);
// One tooltip of a dialog: the control and its text.
struct Tooltip {
    int controlId;
    const wchar_t* text;
};
// Installs the tooltips of `rows` (up to a row with id 0 or no text) on one tooltip window owned by the dialog;
// the window, or null when it could not be created.
HWND AddTooltips(HWND dialog, const Tooltip* rows);

// With "enlarge the dialogs" on (BIGDIALOG), scales the dialog and its font to fill the work area and places it
// (layout.h's placements); the boundary undoes the font when the dialog is destroyed. Call while handling
// WM_INITDIALOG, at the point the dialog's own layout wants it. False when nothing was scaled.
bool EnlargeIfAsked(HWND dialog, int placement);

// The program's icons on the dialog's caption and task-bar button.
void ShowProgramIcons(HWND dialog);
// A static control's bitmap, e.g. the guide pictures.
void SetItemBitmap(HWND dialog, int id, HBITMAP bitmap);
