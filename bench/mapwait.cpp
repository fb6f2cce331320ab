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
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#define MAX_WINDOWS 4096

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static Atom client_list_atom, pid_atom;

/* The window's _NET_WM_PID, or -1. */
static long window_pid(Display* d, Window w) {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* data = NULL;
    long pid = -1;
    if (XGetWindowProperty(d, w, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &n, &after,
                           &data) == Success &&
        data && n == 1 && format == 32) {
        pid = (long)*(unsigned long*)data;
    }
    if (data)
        XFree(data);
    return pid;
}

static int ignore_errors(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0; /* a window may go away between listing and asking */
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: quillet-mapwait COUNT TIMEOUT_S PROGRAM [ARG...]\n");
        return 2;
    }
    const int count = atoi(argv[1]);
    const double timeout_ms = atof(argv[2]) * 1e3;
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "quillet-mapwait: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    client_list_atom = XInternAtom(d, "_NET_CLIENT_LIST", False);
    pid_atom = XInternAtom(d, "_NET_WM_PID", False);
    Window root = DefaultRootWindow(d);

    /* Windows already there (the tray host, an earlier program) are remembered as foreign. */
    static Window known[MAX_WINDOWS];
    static signed char state[MAX_WINDOWS]; /* 0 other, 1 ours and waiting, 2 ours and viewable */
    int nknown = 0;

    const double start = now_ms();
    pid_t pid = fork();
    if (pid < 0) {
        perror("fork");
        return 2;
    }
    if (pid == 0) {
        setsid();
        /* The program's output must not hold the caller's pipe open after this tool ends. */
        const int null_fd = open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
            dup2(null_fd, 0);
            dup2(null_fd, 1);
            dup2(null_fd, 2);
            if (null_fd > 2)
                close(null_fd);
        }
        execvp(argv[3], argv + 3);
        _exit(127);
    }

    int viewable = 0;
    double done = -1;
    while (now_ms() - start < timeout_ms) {
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid)
            break;
        Atom type;
        int format;
        unsigned long n = 0, after;
        unsigned char* data = NULL;
        if (XGetWindowProperty(d, root, client_list_atom, 0, MAX_WINDOWS, False, XA_WINDOW, &type,
                               &format, &n, &after, &data) == Success &&
            data) {
            Window* list = (Window*)data;
            for (unsigned long i = 0; i < n; ++i) {
                int k = 0;
                while (k < nknown && known[k] != list[i])
                    ++k;
                if (k == nknown) {
                    if (nknown == MAX_WINDOWS)
                        continue;
                    known[nknown] = list[i];
                    state[nknown] = window_pid(d, list[i]) == (long)pid ? 1 : 0;
                    ++nknown;
                }
                if (state[k] == 1) {
                    XWindowAttributes a;
                    if (XGetWindowAttributes(d, list[i], &a) && a.map_state == IsViewable) {
                        state[k] = 2;
                        ++viewable;
                    }
                }
            }
        }
        if (data)
            XFree(data);
        if (viewable >= count) {
            done = now_ms() - start;
            break;
        }
        struct timespec pause = {0, 2 * 1000 * 1000}; /* 2 ms between looks */
        nanosleep(&pause, NULL);
    }
    printf("%d %.1f\n", (int)pid, done);
    fflush(stdout);
    XCloseDisplay(d);
    return done < 0 ? 1 : 0;
}
