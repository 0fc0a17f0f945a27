/* A minimal notification area for Xvfb: owns the _NET_SYSTEM_TRAY_S0 selection and docks
 * every icon that asks into a small window of its own, so that a program's tray icon exists
 * (and can be seen in a screenshot) on a bare X server. Runs until killed. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>

#define SYSTEM_TRAY_REQUEST_DOCK 0
#define ICON 24

int main(void) {
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "tray_owner: no display\n");
        return 1;
    }
    int screen = DefaultScreen(dpy);
    Window root = RootWindow(dpy, screen);
    int width = DisplayWidth(dpy, screen);
    Window tray = XCreateSimpleWindow(dpy, root, width - 8 * ICON, 0, 8 * ICON, ICON, 0, 0,
                                      0x404040);
    XMapRaised(dpy, tray);
    Atom selection = XInternAtom(dpy, "_NET_SYSTEM_TRAY_S0", False);
    Atom opcode = XInternAtom(dpy, "_NET_SYSTEM_TRAY_OPCODE", False);
    Atom manager = XInternAtom(dpy, "MANAGER", False);
    XSetSelectionOwner(dpy, selection, tray, CurrentTime);
    if (XGetSelectionOwner(dpy, selection) != tray) {
        fprintf(stderr, "tray_owner: cannot own the tray selection\n");
        return 1;
    }
    XClientMessageEvent ev = {0};
    ev.type = ClientMessage;
    ev.window = root;
    ev.message_type = manager;
    ev.format = 32;
    ev.data.l[0] = CurrentTime;
    ev.data.l[1] = (long)selection;
    ev.data.l[2] = (long)tray;
    XSendEvent(dpy, root, False, StructureNotifyMask, (XEvent*)&ev);
    XFlush(dpy);
    printf("tray ready\n");
    fflush(stdout);
    int docked = 0;
    for (;;) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == ClientMessage && e.xclient.message_type == opcode &&
            e.xclient.data.l[1] == SYSTEM_TRAY_REQUEST_DOCK) {
            Window icon = (Window)e.xclient.data.l[2];
            XReparentWindow(dpy, icon, tray, docked * ICON, 0);
            XResizeWindow(dpy, icon, ICON, ICON);
            XMapRaised(dpy, icon);
            XFlush(dpy);
            ++docked;
        }
    }
}
