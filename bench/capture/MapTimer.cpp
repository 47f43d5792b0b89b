// Times, from the start of a command, until the X server maps or unmaps a window of a given size:
// how long a program takes to put its window on the screen, measured the same way whatever the
// program is. Prints the milliseconds, or "timeout".
//
//   bench_map_timer --map-at-least WxH   -- command [args...]   a window at least that large
//   bench_map_timer --unmap-at-least WxH -- command [args...]   such a window goes
//   bench_map_timer --map-smaller WxH    -- command [args...]   a window smaller than that
#include "x11/XcbReply.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>
#include <xcb/xcb.h>

extern char **environ;

using lumeno::holdReply;

namespace {

using Clock = std::chrono::steady_clock;

enum class Wanted
{
    mapLarge,
    unmapLarge,
    mapSmall
};

struct Size
{
    int width = 0;
    int height = 0;
};

bool atLeast(xcb_connection_t *c, xcb_window_t window, Size size)
{
    auto geometry = holdReply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    return geometry && geometry->width >= size.width && geometry->height >= size.height;
}

// The windows on the root that are that large now: an unmap can only be told by what was mapped.
std::vector<xcb_window_t> largeWindowsNow(xcb_connection_t *c, xcb_window_t root, Size size)
{
    std::vector<xcb_window_t> large;
    if (auto tree = holdReply(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr))) {
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
            if (atLeast(c, children[i], size))
                large.push_back(children[i]);
    }
    return large;
}

// Starts the command with its output going nowhere: a trigger that outlives this program (a
// client waiting for its capture) must not hold the reader of this program's output.
bool spawnQuietly(char **command, pid_t &child)
{
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    for (int stream : {0, 1, 2})
        posix_spawn_file_actions_addopen(&quiet, stream, "/dev/null", stream ? O_WRONLY : O_RDONLY,
                                         0);
    const int spawned = posix_spawnp(&child, command[0], &quiet, nullptr, command, environ);
    posix_spawn_file_actions_destroy(&quiet);
    return spawned == 0;
}

// Milliseconds from start until the wanted event, or -1 after 20 s.
double waitForWindow(xcb_connection_t *c, Wanted wanted, Size size, std::vector<xcb_window_t> large,
                     Clock::time_point start)
{
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    const Clock::time_point deadline = start + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        auto event = holdReply(xcb_poll_for_event(c));
        if (!event) {
            poll(&fd, 1, 50);
            continue;
        }
        const auto now = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const uint8_t type = event->response_type & ~0x80;
        if (type == XCB_MAP_NOTIFY) {
            const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event.get());
            const bool isLarge = atLeast(c, map->window, size);
            if ((wanted == Wanted::mapLarge && isLarge) || (wanted == Wanted::mapSmall && !isLarge))
                return now;
            if (isLarge)
                large.push_back(map->window);
        } else if (type == XCB_UNMAP_NOTIFY && wanted == Wanted::unmapLarge) {
            const auto *unmap = reinterpret_cast<xcb_unmap_notify_event_t *>(event.get());
            for (xcb_window_t w : large)
                if (w == unmap->window)
                    return now;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
        std::fprintf(stderr,
                     "usage: %s --map-at-least|--unmap-at-least|--map-smaller WxH -- "
                     "command [args...]\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const Wanted wanted = mode == "--map-at-least"     ? Wanted::mapLarge
                          : mode == "--unmap-at-least" ? Wanted::unmapLarge
                                                       : Wanted::mapSmall;
    Size size;
    if (std::sscanf(argv[2], "%dx%d", &size.width, &size.height) != 2)
        return 2;

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 2;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::vector<xcb_window_t> large = largeWindowsNow(c, root, size);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    holdReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    const Clock::time_point start = Clock::now();
    pid_t child = 0;
    if (!spawnQuietly(argv + 4, child))
        return 2;
    const double elapsed = waitForWindow(c, wanted, size, std::move(large), start);
    // A trigger that keeps running (a client waiting for its capture) is left to run.
    int status = 0;
    waitpid(child, &status, WNOHANG);
    xcb_disconnect(c);
    if (elapsed < 0) {
        std::puts("timeout");
        return 1;
    }
    std::printf("%.1f\n", elapsed);
    return 0;
}
