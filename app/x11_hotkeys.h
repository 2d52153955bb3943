// The hotkeys for the X11 companion on a Linux desktop, which grabs them for the whole X display (Wine's own hotkeys
// work only while one of its windows has the focus).
#pragma once

// Writes the hotkey settings (SK1_SHIFT=0 ... SK3_VKEY=82, as they are stored) to the companion's "hotkeys" file;
// nothing without a companion.
void ShareHotkeysWithX11Companion();
