#include "ui/layout.h"

#include <algorithm>

namespace {

int Scale(int length, double factor) { return static_cast<int>(length * factor); }
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

// The child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child, HWND parent) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MoveWindowTo(HWND window, const RECT& r, UINT flags) {
    SetWindowPos(window, nullptr, r.left, r.top, Width(r), Height(r), flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

template <class F> void ForEachDescendant(HWND parent, F f) {
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            (*reinterpret_cast<F*>(param))(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&f));
}

void ScaleChild(DialogScale& scale, HWND child) {
    MoveWindowTo(child, ScaleRect(RectInParent(child, scale.dialog), scale.factor), 0);
    if (!scale.scaledFont) {
        scale.originalFont = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        // A control without a font of its own draws with the system font, which is where its size comes from.
        HGDIOBJ source = scale.originalFont ? static_cast<HGDIOBJ>(scale.originalFont) : GetStockObject(SYSTEM_FONT);
        LOGFONTW font{};
        if (GetObjectW(source, sizeof(font), &font) == sizeof(font)) {
            LOGFONTW scaled = ScaledLogFont(font, scale.factor);
            scale.scaledFont.reset(CreateFontIndirectW(&scaled));
        }
    }
    if (scale.scaledFont) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(scale.scaledFont.get()), FALSE);
}

// Whether a mode moves its control and whether it resizes it. The part a mode keeps is left to the system rather than
// set again, since a size set on a combo box also sets how far its list drops down.
bool AnchorMoves(AnchorMode mode) { return mode != AnchorMode::StretchWidth && mode != AnchorMode::StretchBoth; }
bool AnchorResizes(AnchorMode mode) {
    return mode == AnchorMode::StretchWidth || mode == AnchorMode::StretchBoth ||
           mode == AnchorMode::KeepBottomStretchWidth;
}

} // namespace

double WorkAreaScaleFactor(SIZE window, SIZE workArea) {
    if (window.cx <= 0 || window.cy <= 0) return 1.0;
    return std::min(static_cast<double>(workArea.cx) / window.cx, static_cast<double>(workArea.cy) / window.cy);
}

SIZE ScaleSize(SIZE size, double factor) { return {Scale(size.cx, factor), Scale(size.cy, factor)}; }

RECT ScaleRect(const RECT& rect, double factor) {
    int left = Scale(rect.left, factor);
    int top = Scale(rect.top, factor);
    return {left, top, left + Scale(Width(rect), factor), top + Scale(Height(rect), factor)};
}

std::optional<POINT> PlacementOrigin(const RECT& workArea, SIZE size, int placement) {
    switch (placement) {
    case PlaceTopLeft: return POINT{workArea.left, workArea.top};
    case PlaceTopRight: return POINT{workArea.right - size.cx, workArea.top};
    case PlaceBottomLeft: return POINT{workArea.left, workArea.bottom - size.cy};
    case PlaceBottomRight: return POINT{workArea.right - size.cx, workArea.bottom - size.cy};
    case PlaceCentre:
        return POINT{workArea.left + Width(workArea) / 2 - size.cx / 2,
                     workArea.top + Height(workArea) / 2 - size.cy / 2};
    default: return std::nullopt;
    }
}

LOGFONTW ScaledLogFont(LOGFONTW font, double factor) {
    font.lfHeight = Scale(font.lfHeight, factor);
    font.lfWidth = Scale(font.lfWidth, factor);
    font.lfWeight = factor > 1.0 ? FW_SEMIBOLD : FW_NORMAL;
    return font;
}

bool ScaleDialogToWorkArea(DialogScale& scale, HWND dialog, int placement) {
    if (!IsWindow(dialog)) return false;
    // A record still holding an earlier dialog gives that one's font back first, so the font is neither leaked nor
    // reused at that dialog's size.
    if (scale.dialog) RestoreDialogFont(scale);
    scale.dialog = dialog;

    RECT window{};
    GetWindowRect(dialog, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromPoint(POINT{window.left, window.top}, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;

    scale.factor = WorkAreaScaleFactor({Width(window), Height(window)}, {Width(work), Height(work)});
    SIZE size = ScaleSize({Width(window), Height(window)}, scale.factor);
    SetWindowPos(dialog, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Only direct children: a control's own parts (the edit field of a combo box) follow their control.
    ForEachDescendant(dialog, [&](HWND child) {
        if (GetParent(child) == dialog) ScaleChild(scale, child);
    });

    if (auto origin = PlacementOrigin(work, size, placement))
        SetWindowPos(dialog, nullptr, origin->x, origin->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void RestoreDialogFont(DialogScale& scale) {
    if (!scale.dialog) return;
    if (scale.scaledFont) {
        ForEachDescendant(scale.dialog, [&](HWND child) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(scale.originalFont), FALSE);
        });
        scale.scaledFont.reset();
    }
    scale.factor = 0;
    scale.dialog = nullptr;
    scale.originalFont = nullptr;
}

AnchorEntry MeasureAnchor(AnchorMode mode, const RECT& control, SIZE client) {
    AnchorEntry e;
    e.mode = mode;
    const int toRight = client.cx - control.left;
    const int toBottom = client.cy - control.top;
    const int widthLeft = client.cx - Width(control); // the part of the client width the control does not cover
    switch (mode) {
    case AnchorMode::KeepRight: e.a = toRight, e.b = control.top; break;
    case AnchorMode::KeepBottom: e.a = control.left, e.b = toBottom; break;
    case AnchorMode::KeepBottomRight: e.a = toRight, e.b = toBottom; break;
    case AnchorMode::StretchWidth: e.a = widthLeft, e.b = Height(control); break;
    case AnchorMode::StretchBoth: e.a = widthLeft, e.b = client.cy - Height(control); break;
    case AnchorMode::KeepBottomStretchWidth:
        e.a = widthLeft, e.b = toBottom, e.x = control.left, e.h = Height(control);
        break;
    }
    return e;
}

RECT AnchoredRect(const AnchorEntry& e, const RECT& current, SIZE client) {
    auto at = [&](int left, int top) { return RECT{left, top, left + Width(current), top + Height(current)}; };
    auto sized = [&](int width, int height) {
        return RECT{current.left, current.top, current.left + width, current.top + height};
    };
    switch (e.mode) {
    case AnchorMode::KeepRight: return at(client.cx - e.a, e.b);
    case AnchorMode::KeepBottom: return at(e.a, client.cy - e.b);
    case AnchorMode::KeepBottomRight: return at(client.cx - e.a, client.cy - e.b);
    case AnchorMode::StretchWidth: return sized(client.cx - e.a, e.b);
    case AnchorMode::StretchBoth: return sized(client.cx - e.a, client.cy - e.b);
    case AnchorMode::KeepBottomStretchWidth: {
        int top = client.cy - e.b;
        return RECT{e.x, top, e.x + client.cx - e.a, top + e.h};
    }
    }
    return current;
}

bool DialogAnchors::Init(HWND dialogWindow, const AnchorRow* table) {
    Free();
    if (!IsWindow(dialogWindow) || !table) return false;
    dialog = dialogWindow;

    RECT window{};
    GetWindowRect(dialog, &window);
    initialWidth = minTrackWidth = Width(window);
    initialHeight = minTrackHeight = Height(window);
    maxTrackWidth = maxTrackHeight = NoLimit;

    SIZE client = ClientSize(dialog);
    for (const AnchorRow* row = table; row->controlId != 0; ++row) {
        HWND control = GetDlgItem(dialog, row->controlId);
        if (!control || row->mode < AnchorMode::KeepRight || row->mode > AnchorMode::KeepBottomStretchWidth) continue;
        AnchorEntry entry = MeasureAnchor(row->mode, RectInParent(control, dialog), client);
        entry.control = control;
        entries.push_back(entry);
    }
    return true;
}

// The controls move without the system copying their old pixels to the new places, and the dialog is then repainted
// whole: a control moved over the place another one left would otherwise keep parts of the old picture.
void DialogAnchors::Apply() const {
    if (!dialog) return;
    SIZE client = ClientSize(dialog);
    for (const AnchorEntry& entry : entries) {
        UINT keep = (AnchorMoves(entry.mode) ? 0 : SWP_NOMOVE) | (AnchorResizes(entry.mode) ? 0 : SWP_NOSIZE);
        MoveWindowTo(entry.control, AnchoredRect(entry, RectInParent(entry.control, dialog), client),
                     keep | SWP_NOCOPYBITS);
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void DialogAnchors::ApplyMinMax(MINMAXINFO* info) const {
    if (!info) return;
    if (minTrackWidth != NoLimit) info->ptMinTrackSize.x = minTrackWidth;
    if (minTrackHeight != NoLimit) info->ptMinTrackSize.y = minTrackHeight;
    if (maxTrackWidth != NoLimit) info->ptMaxTrackSize.x = maxTrackWidth;
    if (maxTrackHeight != NoLimit) info->ptMaxTrackSize.y = maxTrackHeight;
}

void DialogAnchors::Free() {
    dialog = nullptr;
    entries.clear();
    entries.shrink_to_fit();
    minTrackWidth = minTrackHeight = maxTrackWidth = maxTrackHeight = NoLimit;
    initialWidth = initialHeight = 0;
}
