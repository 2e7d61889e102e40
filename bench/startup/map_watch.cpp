// map_watch TITLE PROGRAM [ARGS...]: starts PROGRAM and prints the milliseconds from just before its exec
// to the moment the X server maps a top-level window titled TITLE, and the CPU time the program's threads
// have used by then (which other work on a busy machine does not inflate), then ends the program. The
// same watcher times every program, so the figures compare.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::string WindowTitle(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t utf8) {
  const std::pair<xcb_atom_t, xcb_atom_t> tried[] = {{name, utf8}, {XCB_ATOM_WM_NAME, XCB_ATOM_STRING}};
  for (const auto& [property, type] : tried) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 256), nullptr), &std::free);
    if (reply && xcb_get_property_value_length(reply.get()) > 0)
      return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                         static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
  }
  return {};
}

// Nanoseconds on the CPU of all the process's threads (the first field of each thread's schedstat).
double CpuMilliseconds(pid_t pid) {
  double ns = 0;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream in(task.path() / "schedstat");
    double t = 0;
    if (in >> t) ns += t;
  }
  return ns / 1e6;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                            nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: map_watch TITLE PROGRAM [ARGS...]\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "map_watch: no X display\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
  const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
  xcb_flush(c);

  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execv(argv[2], argv + 2);
    _exit(127);
  }
  int result = 1;
  while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
    const bool mapped = (e->response_type & 0x7f) == XCB_MAP_NOTIFY;
    const xcb_window_t w = mapped ? reinterpret_cast<xcb_map_notify_event_t*>(e)->window : 0;
    std::free(e);
    if (mapped && WindowTitle(c, w, netName, utf8) == argv[1]) {
      const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
      std::printf("%.2f %.2f\n", ms.count(), CpuMilliseconds(child));
      result = 0;
      break;
    }
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  xcb_disconnect(c);
  return result;
}
