// SPDX-License-Identifier: MIT
/* quillet-mapwait COUNT TIMEOUT_S PROGRAM [ARG...]
 *
 * Starts PROGRAM in a session of its own and waits until COUNT of its top-level windows are
 * managed by the window manager and viewable: windows listed in the root window's
 * _NET_CLIENT_LIST whose _NET_WM_PID is the program's process and whose map state is
 * IsViewable. Tray icons (embedded by the tray host) are not counted.
 *
 * Prints "<pid> <milliseconds from just before exec to the COUNT-th window>" and exits 0,
 * leaving the program running (the caller ends it). On timeout or when the program ends
 * first it prints "<pid> -1" and exits 1.
 *
 * The clock starts in the parent right before fork: the time includes exec, dynamic
 * linking, the program's start-up and the window manager's work to map the windows.
 *
 * The tool only looks when the X server reports a change: a new client list on the root
 * window, a top-level (frame) window mapped, or one of the program's windows mapped. Each
 * look sends its requests in one batch and waits for the replies together, so the tool adds
 * next to nothing to the load of the server it measures (polling every window every few
 * milliseconds would compete with the program on a small machine).
 */
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unordered_map>
#include <vector>

namespace {

double now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    free(r);
    return a;
}

enum class State { Waiting, Viewable };

struct Watch {
    xcb_connection_t* c;
    xcb_window_t root;
    xcb_atom_t client_list, pid_atom;
    long pid;
    std::unordered_map<xcb_window_t, State> ours;  // the program's clients seen so far
    int viewable = 0;

    std::vector<xcb_window_t> client_list_now() {
        std::vector<xcb_window_t> list;
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, client_list, XCB_ATOM_WINDOW, 0, 1u << 16), nullptr);
        if (r && r->format == 32) {
            const auto* w = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
            list.assign(w, w + xcb_get_property_value_length(r) / 4);
        }
        free(r);
        return list;
    }

    // Whose is each client not yet known as the program's? Asked again at every look, not
    // remembered: the X server hands out the window numbers of a client that has gone to the
    // next one, so an earlier program's window still listed may come back as the program's.
    // A window of the program's is watched for its own map from then on (the request order
    // makes sure no map after the answer goes unseen).
    void learn(const std::vector<xcb_window_t>& list) {
        std::vector<std::pair<xcb_window_t, xcb_get_property_cookie_t>> asked;
        for (xcb_window_t w : list) {
            if (ours.count(w) == 0) {
                asked.emplace_back(w, xcb_get_property(c, 0, w, pid_atom, XCB_ATOM_CARDINAL, 0, 1));
            }
        }
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        for (auto& [w, cookie] : asked) {
            xcb_get_property_reply_t* r = xcb_get_property_reply(c, cookie, nullptr);
            if (r && r->format == 32 && xcb_get_property_value_length(r) == 4 &&
                static_cast<long>(*static_cast<const uint32_t*>(xcb_get_property_value(r))) ==
                    pid) {
                ours[w] = State::Waiting;
                xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
            }
            free(r);
        }
    }

    void check_waiting() {
        std::vector<std::pair<xcb_window_t, xcb_get_window_attributes_cookie_t>> asked;
        for (auto& [w, state] : ours) {
            if (state == State::Waiting) {
                asked.emplace_back(w, xcb_get_window_attributes(c, w));
            }
        }
        for (auto& [w, cookie] : asked) {
            xcb_get_window_attributes_reply_t* r =
                xcb_get_window_attributes_reply(c, cookie, nullptr);
            if (r && r->map_state == XCB_MAP_STATE_VIEWABLE) {
                ours[w] = State::Viewable;
                ++viewable;
            }
            free(r);
        }
    }

    void look() {
        learn(client_list_now());
        check_waiting();
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: quillet-mapwait COUNT TIMEOUT_S PROGRAM [ARG...]\n");
        return 2;
    }
    const int count = atoi(argv[1]);
    const double timeout_ms = atof(argv[2]) * 1e3;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "quillet-mapwait: cannot open the display\n");
        return 2;
    }
    Watch watch{c,
                xcb_setup_roots_iterator(xcb_get_setup(c)).data->root,
                atom(c, "_NET_CLIENT_LIST"),
                atom(c, "_NET_WM_PID"),
                0,
                {},
                0};
    const uint32_t root_mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, watch.root, XCB_CW_EVENT_MASK, &root_mask);

    const double start = now_ms();
    const pid_t pid = fork();
    if (pid < 0) {
        perror("fork");
        return 2;
    }
    if (pid == 0) {
        setsid();
        // The program's output must not hold the caller's pipe open after this tool ends.
        const int null_fd = open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
            dup2(null_fd, 0);
            dup2(null_fd, 1);
            dup2(null_fd, 2);
            if (null_fd > 2) {
                close(null_fd);
            }
        }
        execvp(argv[3], argv + 3);
        _exit(127);
    }
    watch.pid = pid;

    double done = -1;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (now_ms() - start < timeout_ms && !xcb_connection_has_error(c)) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            break;
        }
        bool changed = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            changed = true;
            free(e);
        }
        if (changed) {
            watch.look();
            if (watch.viewable >= count) {
                done = now_ms() - start;
                break;
            }
            continue;  // replies may have brought more events along
        }
        xcb_flush(c);
        poll(&fd, 1, 100);  // wakes for events; the timeout only notices the program's end
    }
    printf("%d %.1f\n", static_cast<int>(pid), done);
    fflush(stdout);
    xcb_disconnect(c);
    return done < 0 ? 1 : 0;
}
