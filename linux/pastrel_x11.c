/* Pastrel's X11 companion: does on the X side what Pastrel cannot do from inside Wine.
 *
 *   pastrel_x11 --pid PID --exe PASTREL_EXE --dir FOLDER [--no-keys]
 *
 * PID is the Pastrel.exe process (as Linux sees it); FOLDER is shared with Pastrel, which finds it in its environment
 * variable PASTREL_X11_DIR (tools/run.sh sets both up). The companion
 *   - grabs Pastrel's hotkeys on the root window, as FOLDER/hotkeys lists them (Pastrel rewrites that file whenever
 *     it registers its hotkeys), and runs `wine PASTREL_EXE /P` (/R, /U) when one is pressed (not with --no-keys);
 *   - writes the program names of each new owner of the CLIPBOARD selection to FOLDER/owner, for Pastrel to match
 *     against the programs it leaves alone;
 *   - gives the focus back to the window that had it before Pastrel's, when Pastrel touches FOLDER/focus;
 *   - when Pastrel ends while Wine (this WINEPREFIX) owns the CLIPBOARD, takes the text over and serves it until
 *     another client takes the selection, then exits; otherwise it exits with Pastrel.
 * Messages go to standard error (tools/run.sh sends them to its log file). */
#define _GNU_SOURCE
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

#define HOTKEY_COUNT 3
#define NAMES_SIZE 1024

/* The largest piece of a text sent in one property change, well below any X server's largest request. */
static const size_t kPieceBytes = 256 * 1024 - 1024;

/* The hotkeys in the order of their store keys SK1_, SK2_, SK3_, and the switch each sends. */
static const char* const kSwitches[HOTKEY_COUNT] = {"/P", "/R", "/U"};

struct hotkey {
    bool shift, ctrl, alt;
    int vkey; /* the Windows virtual-key code; 0 for none */
    KeyCode keycode;
    unsigned modifiers;
    bool grabbed, down;
};

static struct {
    Display* display;
    Window root, window;
    Atom clipboard, targets, timestamp, utf8, textPlainUtf8, incr, activeWindow, wmPid, property;
    pid_t pastrel;
    const char* exe;
    const char* folder;
    char prefix[PATH_MAX]; /* the realpath of WINEPREFIX */
    bool keys;
    struct hotkey hotkeys[HOTKEY_COUNT];
    unsigned numLockMask;
    Window lastOther; /* the last active window that was not Pastrel's */
    char* text;       /* the copy this companion serves, UTF-8, and as ISO-8859-1 */
    size_t textLength;
    char* latin1;
    size_t latin1Length;
    Time ownedSince;
    int xError;
} g;

static void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fputs("pastrel_x11: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
}

static int OnXError(Display* display, XErrorEvent* error) {
    (void)display;
    g.xError = error->error_code;
    return 0;
}

static char* FolderFile(const char* name) {
    static char path[PATH_MAX];
    snprintf(path, sizeof path, "%s/%s", g.folder, name);
    return path;
}

/* Writes FOLDER/name whole or not at all: Pastrel may read it at any moment. */
static void WriteFolderFile(const char* name, const char* content) {
    char temporary[PATH_MAX];
    snprintf(temporary, sizeof temporary, "%s/.%s.tmp", g.folder, name);
    FILE* file = fopen(temporary, "w");
    if (!file) return;
    fputs(content, file);
    if (fclose(file) == 0) rename(temporary, FolderFile(name));
    else unlink(temporary);
}

/* ---- Who owns a window: the client's process, its executable and WM_CLASS ---- */

static pid_t WindowPid(Window window) {
    XResClientIdSpec spec = {window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = NULL;
    pid_t pid = 0;
    if (XResQueryClientIds(g.display, 1, &spec, &count, &values) == Success) {
        for (long i = 0; i < count; ++i)
            if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID) pid = XResGetClientPid(&values[i]);
        XResClientIdsDestroy(count, values);
    }
    if (pid > 0) return pid;
    /* A client on another machine or an old server: what the window says of itself. */
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = NULL;
    if (XGetWindowProperty(g.display, window, g.wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data && items == 1 && format == 32)
        pid = (pid_t) * (unsigned long*)data;
    if (data) XFree(data);
    return pid;
}

/* Whether the process runs under Wine (its executable is Wine's loader) in this companion's WINEPREFIX. */
static bool IsOurWine(pid_t pid) {
    char path[64], buffer[65536];
    snprintf(path, sizeof path, "/proc/%d/exe", (int)pid);
    ssize_t linked = readlink(path, buffer, sizeof buffer - 1);
    if (linked <= 0) return false;
    buffer[linked] = 0;
    const char* loader = strrchr(buffer, '/');
    if (strncmp(loader ? loader + 1 : buffer, "wine", 4) != 0) return false;
    snprintf(path, sizeof path, "/proc/%d/environ", (int)pid);
    FILE* file = fopen(path, "r");
    if (!file) return false;
    size_t length = fread(buffer, 1, sizeof buffer - 1, file);
    fclose(file);
    buffer[length] = 0;
    for (size_t at = 0; at < length; at += strlen(buffer + at) + 1) {
        if (strncmp(buffer + at, "WINEPREFIX=", 11) != 0) continue;
        char resolved[PATH_MAX];
        return realpath(buffer + at + 11, resolved) && strcmp(resolved, g.prefix) == 0;
    }
    return false;
}

static void AppendName(char* names, const char* name) {
    if (!name || !*name) return;
    /* Each name once, compared as Pastrel compares them: without regard to case. */
    size_t length = strlen(name);
    for (const char* at = names; *at;) {
        const char* end = strchr(at, ';');
        size_t size = end ? (size_t)(end - at) : strlen(at);
        if (size == length && strncasecmp(at, name, length) == 0) return;
        at += size + (end ? 1 : 0);
    }
    size_t used = strlen(names);
    if (used + length + 2 > NAMES_SIZE) return;
    if (used) names[used++] = ';';
    memcpy(names + used, name, length + 1);
}

static void AppendClassOf(char* names, Window window) {
    XClassHint hint = {0};
    if (!XGetClassHint(g.display, window, &hint)) return;
    AppendName(names, hint.res_name);
    AppendName(names, hint.res_class);
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
}

/* A selection is owned through a hidden window as often as not: the WM_CLASS of the same client's top-level windows
 * (found by the client's resource base among the root's children and their children, under a reparenting window
 * manager) names the program too. */
static void AppendClassOfClient(char* names, Window owner) {
    int count = 0;
    XResClient* clients = NULL;
    if (XResQueryClients(g.display, &count, &clients) != Success) return;
    XID base = 0, mask = 0;
    for (int i = 0; i < count; ++i)
        if ((owner & ~clients[i].resource_mask) == clients[i].resource_base) {
            base = clients[i].resource_base;
            mask = clients[i].resource_mask;
        }
    XFree(clients);
    if (!mask) return;
    Window rootReturn, parent, *children = NULL;
    unsigned int childCount = 0;
    if (!XQueryTree(g.display, g.root, &rootReturn, &parent, &children, &childCount)) return;
    for (unsigned int i = 0; i < childCount; ++i) {
        if ((children[i] & ~mask) == base) {
            AppendClassOf(names, children[i]);
            continue;
        }
        Window* inner = NULL;
        unsigned int innerCount = 0;
        if (!XQueryTree(g.display, children[i], &rootReturn, &parent, &inner, &innerCount)) continue;
        for (unsigned int j = 0; j < innerCount; ++j)
            if ((inner[j] & ~mask) == base) AppendClassOf(names, inner[j]);
        if (inner) XFree(inner);
    }
    if (children) XFree(children);
}

/* The names an owner is known by, separated by ';': the executable's file name (soffice.bin), the process name and
 * the WM_CLASS name and class (libreoffice-writer). */
static void OwnerNames(Window owner, pid_t pid, char* names) {
    names[0] = 0;
    if (pid > 0) {
        char path[64], target[PATH_MAX];
        snprintf(path, sizeof path, "/proc/%d/exe", (int)pid);
        ssize_t length = readlink(path, target, sizeof target - 1);
        if (length > 0) {
            target[length] = 0;
            char* deleted = strstr(target, " (deleted)");
            if (deleted) *deleted = 0;
            const char* slash = strrchr(target, '/');
            AppendName(names, slash ? slash + 1 : target);
        }
        snprintf(path, sizeof path, "/proc/%d/comm", (int)pid);
        FILE* file = fopen(path, "r");
        if (file) {
            char comm[64] = "";
            if (fgets(comm, sizeof comm, file)) comm[strcspn(comm, "\n")] = 0;
            fclose(file);
            AppendName(names, comm);
        }
    }
    g.xError = 0;
    AppendClassOf(names, owner);
    AppendClassOfClient(names, owner);
}

/* ---- Reading and serving the clipboard's text ---- */

static Time ServerTime(void) {
    XEvent event;
    XChangeProperty(g.display, g.window, g.property, XA_STRING, 8, PropModeAppend, NULL, 0);
    XWindowEvent(g.display, g.window, PropertyChangeMask, &event);
    return event.xproperty.time;
}

/* The CLIPBOARD's text as UTF-8, asked of its owner; NULL when it does not answer within `seconds`. */
static char* ConvertClipboard(size_t* length, double seconds) {
    XDeleteProperty(g.display, g.window, g.property);
    XConvertSelection(g.display, g.clipboard, g.utf8, g.property, g.window, CurrentTime);
    XFlush(g.display);
    struct timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        XEvent event;
        if (XCheckTypedWindowEvent(g.display, g.window, SelectionNotify, &event)) {
            if (event.xselection.property == None) return NULL;
            Atom type;
            int format;
            unsigned long items, after;
            unsigned char* data = NULL;
            if (XGetWindowProperty(g.display, g.window, g.property, 0, LONG_MAX / 4, True, AnyPropertyType, &type,
                                   &format, &items, &after, &data) != Success)
                return NULL;
            char* text = NULL;
            if (data && type != g.incr && format == 8) {
                text = malloc(items + 1);
                if (text) {
                    memcpy(text, data, items);
                    text[items] = 0;
                    *length = items;
                }
            }
            if (data) XFree(data);
            return text;
        }
        clock_gettime(CLOCK_MONOTONIC, &now);
        if ((double)(now.tv_sec - start.tv_sec) + (double)(now.tv_nsec - start.tv_nsec) / 1e9 > seconds) return NULL;
        struct pollfd connection = {ConnectionNumber(g.display), POLLIN, 0};
        poll(&connection, 1, 20);
    }
}

/* ISO-8859-1 for STRING; what it cannot hold becomes '?'. */
static char* Latin1(const char* text, size_t length, size_t* outLength) {
    char* out = malloc(length + 1);
    size_t n = 0;
    if (!out) return NULL;
    for (size_t i = 0; i < length;) {
        unsigned char c = (unsigned char)text[i];
        if (c < 0x80) {
            out[n++] = (char)c;
            i += 1;
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < length) {
            out[n++] = (char)(((c & 0x1F) << 6) | ((unsigned char)text[i + 1] & 0x3F));
            i += 2;
        } else {
            out[n++] = '?';
            for (i += 1; i < length && ((unsigned char)text[i] & 0xC0) == 0x80; ++i) {
            }
        }
    }
    *outLength = n;
    return out;
}

/* A text larger than one request goes in pieces (the INCR protocol of ICCCM): the requestor deletes the property
 * after each piece, which asks for the next; an empty piece ends it. */
struct transfer {
    Window requestor;
    Atom property, type;
    const char* data;
    size_t length, sent;
};
static struct transfer transfers[8];
static unsigned transferCount; /* transfers started so far; the oldest slot goes to a new one */

static void Send(const XSelectionRequestEvent* request, Atom property, Atom type, const char* data, size_t length) {
    if (length <= kPieceBytes) {
        XChangeProperty(g.display, request->requestor, property, type, 8, PropModeReplace, (const unsigned char*)data,
                        (int)length);
        return;
    }
    struct transfer* slot = &transfers[transferCount++ % (sizeof transfers / sizeof transfers[0])];
    *slot = (struct transfer){request->requestor, property, type, data, length, 0};
    XSelectInput(g.display, request->requestor, PropertyChangeMask);
    long lowerBound = (long)length;
    XChangeProperty(g.display, request->requestor, property, g.incr, 32, PropModeReplace,
                    (const unsigned char*)&lowerBound, 1);
}

static void OnPropertyDeleted(const XPropertyEvent* event) {
    for (size_t i = 0; i < sizeof transfers / sizeof transfers[0]; ++i) {
        struct transfer* t = &transfers[i];
        if (!t->data || t->requestor != event->window || t->property != event->atom) continue;
        size_t piece = t->length - t->sent < kPieceBytes ? t->length - t->sent : kPieceBytes;
        XChangeProperty(g.display, t->requestor, t->property, t->type, 8, PropModeReplace,
                        (const unsigned char*)t->data + t->sent, (int)piece);
        t->sent += piece;
        if (piece == 0) {
            XSelectInput(g.display, t->requestor, NoEventMask);
            t->data = NULL;
        }
        XFlush(g.display);
    }
}

static void Answer(const XSelectionRequestEvent* request) {
    XSelectionEvent reply = {0};
    reply.type = SelectionNotify;
    reply.requestor = request->requestor;
    reply.selection = request->selection;
    reply.target = request->target;
    reply.time = request->time;
    reply.property = None;
    Atom property = request->property != None ? request->property : request->target;
    if (request->selection != g.clipboard || !g.text) {
    } else if (request->target == g.targets) {
        Atom list[] = {g.targets, g.timestamp, g.utf8, g.textPlainUtf8, XA_STRING};
        XChangeProperty(g.display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)list, (int)(sizeof list / sizeof list[0]));
        reply.property = property;
    } else if (request->target == g.timestamp) {
        long stamp = (long)g.ownedSince;
        XChangeProperty(g.display, request->requestor, property, XA_INTEGER, 32, PropModeReplace,
                        (const unsigned char*)&stamp, 1);
        reply.property = property;
    } else if (request->target == g.utf8 || request->target == g.textPlainUtf8) {
        Send(request, property, request->target, g.text, g.textLength);
        reply.property = property;
    } else if (request->target == XA_STRING && g.latin1) {
        Send(request, property, XA_STRING, g.latin1, g.latin1Length);
        reply.property = property;
    }
    XSendEvent(g.display, request->requestor, False, NoEventMask, (XEvent*)&reply);
    XFlush(g.display);
}

/* Pastrel has ended. When Wine of this prefix still owns the CLIPBOARD, its text is taken over before Wine, now
 * without a Windows program, lets it go; a selection that another X program owns is never taken. */
static bool KeepClipboard(void) {
    Window owner = XGetSelectionOwner(g.display, g.clipboard);
    if (owner == None || !IsOurWine(WindowPid(owner))) return false;
    size_t length = 0;
    char* text = ConvertClipboard(&length, 2.0);
    if (!text) {
        Say("the copy that Wine held could not be read; it is gone with Pastrel");
        return false;
    }
    /* Checked and taken in one step, so that a copy made meanwhile in an X program stays where it is. */
    XGrabServer(g.display);
    Window now = XGetSelectionOwner(g.display, g.clipboard);
    bool ours = now == owner || now == None;
    if (ours) {
        g.ownedSince = ServerTime();
        XSetSelectionOwner(g.display, g.clipboard, g.window, g.ownedSince);
    }
    XUngrabServer(g.display);
    XSync(g.display, False);
    if (!ours || XGetSelectionOwner(g.display, g.clipboard) != g.window) {
        free(text);
        return false;
    }
    g.text = text;
    g.textLength = length;
    g.latin1 = Latin1(text, length, &g.latin1Length);
    Say("Pastrel has ended; its last copy stays on the clipboard until something else is copied");
    return true;
}

/* ---- Hotkeys ---- */

static KeySym VirtualKeySym(int vkey) {
    if (vkey >= 'A' && vkey <= 'Z') return XK_a + (vkey - 'A');
    if (vkey >= '0' && vkey <= '9') return XK_0 + (vkey - '0');
    if (vkey >= 0x70 && vkey <= 0x87) return XK_F1 + (vkey - 0x70); /* VK_F1 to VK_F24 */
    return NoSymbol;
}

static void DescribeHotkey(const struct hotkey* key, char* text, size_t size) {
    KeySym sym = VirtualKeySym(key->vkey);
    const char* name = sym != NoSymbol ? XKeysymToString(sym) : "?";
    snprintf(text, size, "%s%s%s%s", key->shift ? "Shift+" : "", key->ctrl ? "Ctrl+" : "", key->alt ? "Alt+" : "",
             name);
    if (strlen(text) > 0 && text[strlen(text) - 1] >= 'a' && text[strlen(text) - 1] <= 'z' && sym >= XK_a &&
        sym <= XK_z)
        text[strlen(text) - 1] = (char)(text[strlen(text) - 1] - 'a' + 'A');
}

static void FindNumLock(void) {
    XModifierKeymap* map = XGetModifierMapping(g.display);
    KeyCode numLock = XKeysymToKeycode(g.display, XK_Num_Lock);
    g.numLockMask = 0;
    for (int modifier = 0; modifier < 8 && numLock; ++modifier)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[modifier * map->max_keypermod + k] == numLock) g.numLockMask = 1u << modifier;
    XFreeModifiermap(map);
}

/* The grab holds whatever state Caps Lock and Num Lock are in. */
static bool GrabVariants(const struct hotkey* key, bool grab) {
    unsigned variants[4] = {0, LockMask, g.numLockMask, LockMask | g.numLockMask};
    g.xError = 0;
    for (int i = 0; i < 4; ++i) {
        if (i >= 2 && !g.numLockMask) break;
        if (grab)
            XGrabKey(g.display, key->keycode, key->modifiers | variants[i], g.root, False, GrabModeAsync,
                     GrabModeAsync);
        else XUngrabKey(g.display, key->keycode, key->modifiers | variants[i], g.root);
    }
    XSync(g.display, False);
    return g.xError == 0;
}

static void UngrabHotkeys(void) {
    for (int i = 0; i < HOTKEY_COUNT; ++i) {
        if (g.hotkeys[i].grabbed) GrabVariants(&g.hotkeys[i], false);
        g.hotkeys[i].grabbed = false;
    }
}

/* Reads FOLDER/hotkeys (lines such as SK2_CTRL=1, as Pastrel stores them) and grabs what it names; a key that is
 * missing counts as none. Warns once for each combination another X client holds. */
static void LoadHotkeys(void) {
    struct hotkey wanted[HOTKEY_COUNT] = {0};
    FILE* file = fopen(FolderFile("hotkeys"), "r");
    if (file) {
        char line[128];
        int n, value;
        char field[16];
        while (fgets(line, sizeof line, file)) {
            if (sscanf(line, "SK%d_%15[A-Z]=%d", &n, field, &value) != 3 || n < 1 || n > HOTKEY_COUNT) continue;
            struct hotkey* key = &wanted[n - 1];
            if (strcmp(field, "SHIFT") == 0) key->shift = value != 0;
            else if (strcmp(field, "CTRL") == 0) key->ctrl = value != 0;
            else if (strcmp(field, "ALT") == 0) key->alt = value != 0;
            else if (strcmp(field, "VKEY") == 0) key->vkey = value & 0xFF;
        }
        fclose(file);
    }
    bool same = true;
    for (int i = 0; i < HOTKEY_COUNT; ++i)
        same = same && wanted[i].shift == g.hotkeys[i].shift && wanted[i].ctrl == g.hotkeys[i].ctrl &&
               wanted[i].alt == g.hotkeys[i].alt && wanted[i].vkey == g.hotkeys[i].vkey;
    if (same) return;
    UngrabHotkeys();
    for (int i = 0; i < HOTKEY_COUNT; ++i) {
        struct hotkey* key = &g.hotkeys[i];
        *key = wanted[i];
        KeySym sym = VirtualKeySym(key->vkey);
        if (sym == NoSymbol) continue;
        key->keycode = XKeysymToKeycode(g.display, sym);
        key->modifiers = (key->shift ? ShiftMask : 0) | (key->ctrl ? ControlMask : 0) | (key->alt ? Mod1Mask : 0);
        if (!key->keycode) continue;
        key->grabbed = GrabVariants(key, true);
        char name[64];
        DescribeHotkey(key, name, sizeof name);
        if (key->grabbed) {
            Say("%s sends %s to Pastrel", name, kSwitches[i]);
        } else {
            GrabVariants(key, false); /* whatever part of it did succeed */
            Say("%s is already taken by another X program: it works only while a Pastrel window has the focus. "
                "Choose another combination in Pastrel's hotkey dialog.",
                name);
        }
    }
}

static void SendSwitch(const char* sw) {
    char* argv[] = {"wine", (char*)g.exe, (char*)sw, NULL};
    pid_t child;
    if (posix_spawnp(&child, "wine", NULL, NULL, argv, environ) != 0) Say("cannot run wine: %s", strerror(errno));
}

static void OnKey(const XKeyEvent* event, bool press) {
    unsigned state = event->state & (ShiftMask | ControlMask | Mod1Mask);
    for (int i = 0; i < HOTKEY_COUNT; ++i) {
        struct hotkey* key = &g.hotkeys[i];
        if (!key->grabbed || key->keycode != event->keycode) continue;
        if (!press) {
            key->down = false;
        } else if (state == key->modifiers && !key->down) {
            key->down = true; /* a held key repeats; one press is one command */
            SendSwitch(kSwitches[i]);
        }
    }
}

/* ---- Focus ---- */

static Window ActiveWindow(void) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = NULL;
    Window active = None;
    if (XGetWindowProperty(g.display, g.root, g.activeWindow, 0, 1, False, AnyPropertyType, &type, &format, &items,
                           &after, &data) == Success &&
        data && items == 1 && format == 32)
        active = (Window) * (unsigned long*)data;
    if (data) XFree(data);
    return active;
}

static void OnActiveWindowChanged(void) {
    Window active = ActiveWindow();
    g.xError = 0;
    if (active != None && WindowPid(active) != g.pastrel && !g.xError) g.lastOther = active;
}

/* Pastrel's floating button was clicked and has done its work: the window that had the focus before gets it back,
 * through the window manager (as a pager asks) or, without one, directly. */
static void GiveFocusBack(void) {
    if (g.lastOther == None) return;
    g.xError = 0;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(g.display, g.lastOther, &attributes) || g.xError) return;
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = g.lastOther;
    event.xclient.message_type = g.activeWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; /* source: a pager, which window managers obey */
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(g.display, g.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(g.display, False);
}

/* ---- Owners of the CLIPBOARD ---- */

/* Reports who owns the new copy. The server is held meanwhile, so that the report is written before Wine, which
 * hears of the copy at the same moment, can ask the owner for it and hand it to Pastrel. */
static void OnClipboardOwner(Window owner) {
    char names[NAMES_SIZE] = "";
    XGrabServer(g.display);
    if (owner != None && owner != g.window) {
        pid_t pid = WindowPid(owner);
        if (!IsOurWine(pid)) OwnerNames(owner, pid, names);
    }
    strcat(names, "\n");
    WriteFolderFile("owner", names);
    XUngrabServer(g.display);
    XFlush(g.display);
}

static bool PastrelRunning(void) {
    char path[64], stat[512];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)g.pastrel);
    FILE* file = fopen(path, "r");
    if (!file) return false;
    size_t length = fread(stat, 1, sizeof stat - 1, file);
    fclose(file);
    stat[length] = 0;
    const char* end = strrchr(stat, ')');
    return end && end[1] == ' ' && end[2] != 'Z' && end[2] != 'X';
}

static void Usage(void) {
    fputs("usage: pastrel_x11 --pid PID --exe PASTREL_EXE --dir FOLDER [--no-keys]\n", stderr);
    exit(2);
}

int main(int argc, char** argv) {
    g.keys = true;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--pid") == 0 && i + 1 < argc) g.pastrel = (pid_t)atoi(argv[++i]);
        else if (strcmp(argv[i], "--exe") == 0 && i + 1 < argc) g.exe = argv[++i];
        else if (strcmp(argv[i], "--dir") == 0 && i + 1 < argc) g.folder = argv[++i];
        else if (strcmp(argv[i], "--no-keys") == 0) g.keys = false;
        else Usage();
    }
    if (g.pastrel <= 0 || !g.exe || !g.folder) Usage();
    const char* prefix = getenv("WINEPREFIX");
    char fallback[PATH_MAX];
    if (!prefix) {
        snprintf(fallback, sizeof fallback, "%s/.wine", getenv("HOME") ? getenv("HOME") : "");
        prefix = fallback;
    }
    if (!realpath(prefix, g.prefix)) snprintf(g.prefix, sizeof g.prefix, "%s", prefix);
    signal(SIGCHLD, SIG_IGN); /* the wine commands it starts are never waited for */

    g.display = XOpenDisplay(NULL);
    if (!g.display) {
        Say("cannot open the X display");
        return 1;
    }
    int fixesEvent, fixesError, resEvent, resError;
    if (!XFixesQueryExtension(g.display, &fixesEvent, &fixesError) ||
        !XResQueryExtension(g.display, &resEvent, &resError)) {
        Say("the X server lacks the XFIXES or X-Resource extension");
        return 1;
    }
    XSetErrorHandler(OnXError);
    g.root = DefaultRootWindow(g.display);
    g.window = XCreateSimpleWindow(g.display, g.root, -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(g.display, g.window, PropertyChangeMask);
    g.clipboard = XInternAtom(g.display, "CLIPBOARD", False);
    g.targets = XInternAtom(g.display, "TARGETS", False);
    g.timestamp = XInternAtom(g.display, "TIMESTAMP", False);
    g.utf8 = XInternAtom(g.display, "UTF8_STRING", False);
    g.textPlainUtf8 = XInternAtom(g.display, "text/plain;charset=utf-8", False);
    g.incr = XInternAtom(g.display, "INCR", False);
    g.activeWindow = XInternAtom(g.display, "_NET_ACTIVE_WINDOW", False);
    g.wmPid = XInternAtom(g.display, "_NET_WM_PID", False);
    g.property = XInternAtom(g.display, "PASTREL_X11", False);
    XFixesSelectSelectionInput(g.display, g.root, g.clipboard, XFixesSetSelectionOwnerNotifyMask);
    XSelectInput(g.display, g.root, PropertyChangeMask);
    XkbSetDetectableAutoRepeat(g.display, True, NULL);
    FindNumLock();
    OnActiveWindowChanged();

    int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, g.folder, IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB) < 0)
        Say("cannot watch %s: %s", g.folder, strerror(errno));
    int pastrelFd = (int)syscall(SYS_pidfd_open, g.pastrel, 0);
    if (g.keys) LoadHotkeys();
    OnClipboardOwner(XGetSelectionOwner(g.display, g.clipboard));

    bool serving = false;
    for (;;) {
        if (!serving && !PastrelRunning()) {
            UngrabHotkeys();
            unlink(FolderFile("owner"));
            if (!KeepClipboard()) break;
            serving = true;
        }
        while (XPending(g.display)) {
            XEvent event;
            XNextEvent(g.display, &event);
            if (event.type == fixesEvent + XFixesSelectionNotify) {
                const XFixesSelectionNotifyEvent* notify = (XFixesSelectionNotifyEvent*)&event;
                if (!serving) OnClipboardOwner(notify->owner);
            } else if (event.type == SelectionRequest) {
                Answer(&event.xselectionrequest);
            } else if (event.type == SelectionClear) {
                if (serving) goto done; /* another client copied: the kept copy has served its time */
            } else if (event.type == KeyPress || event.type == KeyRelease) {
                if (!serving) OnKey(&event.xkey, event.type == KeyPress);
            } else if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete) {
                OnPropertyDeleted(&event.xproperty);
            } else if (event.type == PropertyNotify && event.xproperty.window == g.root &&
                       event.xproperty.atom == g.activeWindow) {
                OnActiveWindowChanged();
            }
        }
        struct pollfd fds[3] = {{ConnectionNumber(g.display), POLLIN, 0}, {watch, POLLIN, 0}, {pastrelFd, POLLIN, 0}};
        /* Without a pidfd (kernels before 5.3) Pastrel's end is noticed by polling. */
        poll(fds, 3, pastrelFd >= 0 ? -1 : 200);
        if (watch >= 0 && (fds[1].revents & POLLIN)) {
            char buffer[4096] __attribute__((aligned(__alignof__(struct inotify_event))));
            bool hotkeys = false, focus = false;
            ssize_t length;
            while ((length = read(watch, buffer, sizeof buffer)) > 0)
                for (char* at = buffer; at < buffer + length;) {
                    const struct inotify_event* change = (const struct inotify_event*)at;
                    if (change->len && strcmp(change->name, "hotkeys") == 0) hotkeys = true;
                    if (change->len && strcmp(change->name, "focus") == 0) focus = true;
                    at += sizeof *change + change->len;
                }
            if (hotkeys && g.keys && !serving) LoadHotkeys();
            if (focus && !serving) GiveFocusBack();
        }
        if (pastrelFd >= 0 && (fds[2].revents & POLLIN)) {
            close(pastrelFd);
            pastrelFd = -1;
        }
    }
done:
    XCloseDisplay(g.display);
    return 0;
}
