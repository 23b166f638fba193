// Starts a program and reports, on one line, the milliseconds from its start
// until its first top-level window is mapped on the X display, and its peak
// resident memory in KiB, measured shortly after the map:
//
//   quillo_mapwatch <program> [args...]   ->   "<ms> <peak KiB>"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quillo_mapwatch <program> [args...]\n");
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int k = 0; k < screenNumber; ++k) {
        xcb_screen_next(&it);
    }
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, it.data->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    double ms = -1;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (ms < 0) {
        if (poll(&pfd, 1, 20000) <= 0) {
            break;
        }
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
            if ((ev->response_type & ~0x80) == XCB_MAP_NOTIFY &&
                !reinterpret_cast<xcb_map_notify_event_t*>(ev)->override_redirect && ms < 0) {
                ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                               start)
                         .count();
            }
            std::free(ev);
        }
    }
    // Let the first paint settle, then take the peak.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, SIGKILL);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    xcb_disconnect(c);
    std::printf("%.1f %ld\n", ms, ru.ru_maxrss);
    return ms < 0 ? 1 : 0;
}
