/* An X11 application that copies: it takes the CLIPBOARD selection and offers several targets at once, as browsers
 * and password managers do (xclip offers one target only).
 *
 *   x11_offer [-l SECONDS] [-r LOG] TARGET=VALUE...
 *
 * It returns once it owns the selection, printing the pid of a child that took it and serves the targets until another
 * client takes the selection, it is killed, or SECONDS (default 60) have passed. Values are sent as given, in one piece
 * (no INCR transfers: keep them small). With -r, the name of every requested target is appended to LOG as a line,
 * so that a test can tell when a reader has looked at the copy. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

#define MAX_OFFERS 16

struct offer {
    Atom target;
    const char* value;
};

static struct offer offers[MAX_OFFERS];
static int offerCount;
static Atom clipboard, targetsAtom, timestampAtom;
static Time ownedSince;
static FILE* requestLog;

/* Ownership needs a real timestamp (ICCCM); a zero-length property change on our own window yields one. */
static Time ServerTime(Display* display, Window window) {
    XEvent event;
    XSelectInput(display, window, PropertyChangeMask);
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, NULL, 0);
    XWindowEvent(display, window, PropertyChangeMask, &event);
    return event.xproperty.time;
}

static void Answer(Display* display, const XSelectionRequestEvent* request) {
    XSelectionEvent reply = {0};
    reply.type = SelectionNotify;
    reply.display = request->display;
    reply.requestor = request->requestor;
    reply.selection = request->selection;
    reply.target = request->target;
    reply.time = request->time;
    reply.property = None;
    if (requestLog) {
        char* name = XGetAtomName(display, request->target);
        fprintf(requestLog, "%s\n", name ? name : "?");
        fflush(requestLog);
        XFree(name);
    }
    /* Clients from before ICCCM 2 leave the property out and expect the target's name. */
    Atom property = request->property != None ? request->property : request->target;
    const long maxBytes = XMaxRequestSize(display) * 4 - 256;

    if (request->target == targetsAtom) {
        Atom list[MAX_OFFERS + 2] = {targetsAtom, timestampAtom};
        for (int i = 0; i < offerCount; ++i) list[i + 2] = offers[i].target;
        XChangeProperty(display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)list, offerCount + 2);
        reply.property = property;
    } else if (request->target == timestampAtom) {
        long stamp = (long)ownedSince;
        XChangeProperty(display, request->requestor, property, XA_INTEGER, 32, PropModeReplace,
                        (const unsigned char*)&stamp, 1);
        reply.property = property;
    } else {
        for (int i = 0; i < offerCount; ++i) {
            long length = (long)strlen(offers[i].value);
            if (offers[i].target != request->target || length > maxBytes) continue;
            XChangeProperty(display, request->requestor, property, offers[i].target, 8, PropModeReplace,
                            (const unsigned char*)offers[i].value, (int)length);
            reply.property = property;
            break;
        }
    }
    XSendEvent(display, request->requestor, False, NoEventMask, (XEvent*)&reply);
    XFlush(display);
}

/* Serves requests until the selection is taken from us or the deadline passes. */
static int Serve(Display* display, time_t deadline) {
    int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionClear && event.xselectionclear.selection == clipboard) return 0;
            if (event.type == SelectionRequest) Answer(display, &event.xselectionrequest);
        }
        time_t now = time(NULL);
        if (now >= deadline) return 0;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval wait = {deadline - now, 0};
        if (select(fd + 1, &readable, NULL, NULL, &wait) < 0 && errno != EINTR) return 1;
    }
}

int main(int argc, char** argv) {
    long lifetime = 60;
    int first = 1;
    for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
        if (strcmp(argv[first], "-l") == 0) lifetime = strtol(argv[first + 1], NULL, 10);
        else if (strcmp(argv[first], "-r") != 0) {
            fprintf(stderr, "x11_offer: unknown option %s\n", argv[first]);
            return 2;
        } else if (!(requestLog = fopen(argv[first + 1], "a"))) {
            perror("x11_offer: the request log");
            return 2;
        }
    }
    /* The child that serves the copy is also the one that connects and takes the selection, as in an application:
     * the X server then names the serving process as the owner's client. It tells the parent over a pipe when it
     * owns the selection. */
    int ready[2];
    if (pipe(ready) != 0) return 1;
    fflush(stdout);
    pid_t child = fork();
    if (child < 0) return 1;
    if (child > 0) {
        close(ready[1]);
        char owned = 0;
        if (read(ready[0], &owned, 1) != 1) return 1;
        printf("%d\n", (int)child);
        return 0;
    }
    close(ready[0]);
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "x11_offer: cannot open the display\n");
        return 2;
    }
    for (int i = first; i < argc && offerCount < MAX_OFFERS; ++i) {
        char* equals = strchr(argv[i], '=');
        if (!equals) {
            fprintf(stderr, "x11_offer: expected TARGET=VALUE, got %s\n", argv[i]);
            return 2;
        }
        *equals = '\0';
        offers[offerCount].target = XInternAtom(display, argv[i], False);
        offers[offerCount].value = equals + 1;
        ++offerCount;
    }
    clipboard = XInternAtom(display, "CLIPBOARD", False);
    targetsAtom = XInternAtom(display, "TARGETS", False);
    timestampAtom = XInternAtom(display, "TIMESTAMP", False);
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    ownedSince = ServerTime(display, window);
    XSetSelectionOwner(display, clipboard, window, ownedSince);
    if (XGetSelectionOwner(display, clipboard) != window) {
        fprintf(stderr, "x11_offer: could not take the CLIPBOARD selection\n");
        return 1;
    }
    /* The caller may read the pid through a pipe; its end must not stay open while we serve. */
    freopen("/dev/null", "w", stdout);
    if (write(ready[1], "1", 1) != 1) return 1;
    close(ready[1]);
    return Serve(display, time(NULL) + lifetime);
}
