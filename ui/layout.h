// Layout services shared by the dialogs: enlarging a dialog to fill its monitor's work area, and keeping controls
// attached to the edges of a resizable dialog. The arithmetic is kept in pure functions so it can be checked without
// a window; the window functions only read rectangles, call these and move the controls.
#pragma once
#include <windows.h>

#include "base/handles.h"

#include <optional>
#include <vector>

// ---- Scaling to the work area ----

// Where a scaled dialog's top-left corner goes in the work area.
enum DialogPlacement : int {
    PlaceTopLeft = 0,
    PlaceTopRight = 1,
    PlaceBottomLeft = 2,
    PlaceBottomRight = 3,
    PlaceCentre = 5,
};

// One per dialog type, reused at every opening: filled by ScaleDialogToWorkArea, cleared by RestoreDialogFont.
struct DialogScale {
    HWND dialog = nullptr;
    HFONT originalFont = nullptr; // the controls' font before scaling; borrowed, never deleted here
    FontHandle scaledFont;        // lives exactly as long as the scaled dialog
    double factor = 0;            // 0: the dialog is not scaled
};

// The largest factor at which a window still fits the work area in both directions (below 1 when it is larger).
// An empty window is left at 1.
double WorkAreaScaleFactor(SIZE window, SIZE workArea);
// Each of width and height times factor, truncated toward zero.
SIZE ScaleSize(SIZE size, double factor);
// Left, top, width and height each times factor, truncated toward zero.
RECT ScaleRect(const RECT& rect, double factor);
// The top-left corner for a dialog of the given outer size; none for a placement that does not move the dialog.
std::optional<POINT> PlacementOrigin(const RECT& workArea, SIZE size, int placement);
// The scaled font: height and width times factor (truncated), semi-bold when enlarged so it stays legible at a
// distance, normal otherwise.
LOGFONTW ScaledLogFont(LOGFONTW font, double factor);

// Enlarges (or shrinks) the dialog to fill the work area of its monitor as far as its aspect ratio allows, scales
// its direct children and gives them a proportionally larger font derived from the first child's, then moves it to
// the placement. Call it at the start of WM_INITDIALOG, before anything that depends on the dialog's size. False only
// when the dialog is not a window.
bool ScaleDialogToWorkArea(DialogScale& scale, HWND dialog, int placement);
// Gives the controls their original font back and deletes the scaled one; call it from WM_DESTROY.
void RestoreDialogFont(DialogScale& scale);

// ---- Anchored layout of a resizable dialog ----

enum class AnchorMode : BYTE {
    KeepRight = 1,              // keeps its distance from the right edge
    KeepBottom = 2,             // keeps its distance from the bottom edge
    KeepBottomRight = 3,        // keeps its distance from the bottom-right corner
    StretchWidth = 4,           // grows and shrinks with the width
    StretchBoth = 5,            // grows and shrinks with width and height
    KeepBottomStretchWidth = 6, // keeps its distance from the bottom edge and grows with the width
};

// A dialog's layout table is an array of rows ended by a row with control id 0.
struct AnchorRow {
    int controlId;
    AnchorMode mode;
};

// What a control keeps while the dialog is resized; the meaning of a, b, x and h depends on the mode.
struct AnchorEntry {
    HWND control = nullptr;
    AnchorMode mode = AnchorMode::KeepRight;
    int a = 0;
    int b = 0;
    int x = 0;
    int h = 0;
};

// The values to keep for a control at `control` (client coordinates) in a client area of size `client`.
AnchorEntry MeasureAnchor(AnchorMode mode, const RECT& control, SIZE client);
// The control's rectangle in a client area of size `client`, given its current rectangle.
RECT AnchoredRect(const AnchorEntry& entry, const RECT& current, SIZE client);

// One per dialog instance: Init in WM_INITDIALOG, Apply in WM_SIZE, ApplyMinMax in WM_GETMINMAXINFO.
struct DialogAnchors {
    static constexpr int NoLimit = -1;

    HWND dialog = nullptr;
    std::vector<AnchorEntry> entries; // only rows whose control exists
    // Tracking limits of the outer size in pixels. Init sets the minimum to the initial size and no maximum; the
    // dialog may change them afterwards.
    int minTrackWidth = NoLimit;
    int minTrackHeight = NoLimit;
    int maxTrackWidth = NoLimit;
    int maxTrackHeight = NoLimit;
    int initialWidth = 0; // the outer size when Init ran
    int initialHeight = 0;

    // Records each row's control as it is laid out now. False when the dialog is not a window or there is no table.
    bool Init(HWND dialogWindow, const AnchorRow* table);
    // Moves and sizes the controls for the dialog's current client size, never changing their z-order.
    void Apply() const;
    // Writes the limits that are set into the system's request.
    void ApplyMinMax(MINMAXINFO* info) const;
    // Forgets the dialog and its entries.
    void Free();
};
