// SPDX-License-Identifier: MIT
/* quillet-floor-x N
 *
 * A reference for the start-up benchmark: the least any program can do to put N + 1 windows
 * on an X desktop. It maps one 632x500 window and N 170x120 windows (the sizes of Quillet's
 * main window and notes), each with a plain background colour and _NET_WM_PID, and leaves
 * their placement to the window manager, as Quillet does. No toolkit, no fonts, no drawing
 * by the client. Then it waits until it is ended.
 */
#include <xcb/xcb.h>

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const int notes = argc > 1 ? atoi(argv[1]) : 0;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "quillet-floor-x: cannot open the display\n");
        return 2;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const char pid_name[] = "_NET_WM_PID";
    xcb_intern_atom_reply_t* pid_atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof pid_name - 1, pid_name), nullptr);
    if (pid_atom == nullptr) {
        return 2;
    }
    const uint32_t pid = static_cast<uint32_t>(getpid());
    const char wm_class[] = "quillet-floor-x\0Quillet-floor-x";
    for (int i = 0; i <= notes; ++i) {
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t background = i == 0 ? 0xf0f0f0u : 0xffffccu;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, i == 0 ? 632 : 170,
                          i == 0 ? 500 : 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL, &background);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, pid_atom->atom, XCB_ATOM_CARDINAL, 32, 1,
                            &pid);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            sizeof wm_class, wm_class);
        xcb_map_window(c, w);
    }
    xcb_flush(c);
    free(pid_atom);
    pause();
    return 0;
}
