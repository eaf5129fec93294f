// Starts X programs one after the other and measures from outside, without touching their
// command line or code:
//   start-up      from fork() to the MapNotify of the program's top-level window (read
//                 from the root window's substructure events, so no polling delay);
//   idle wake-ups context switches of all its threads over an idle interval after start-up,
//                 from /proc/PID/task/*/status: a sleeping thread that wakes up switches
//                 out again once, so each wake-up counts one switch;
//   peak RSS      ru_maxrss of the child from wait4(), after it was closed through the
//                 window manager's close request (WM_DELETE_WINDOW), as a player closes it.
// With --before-idle, a shell command runs after the settle time, with the window's id in
// WINDOW (e.g. xdotool keys that move the focus to where a player would wait), and the
// settle time passes once more before the idle interval.
// The programs take turns within each round, and the order flips from round to round, so
// every program sees the same machine state. The first program named is compared against
// the last: ratios are first/last of the medians.
//
//   window_bench [--runs N] [--idle-runs M] [--idle SECONDS] [--settle SECONDS]
//                [--before-idle COMMAND] NAME=PATH...
//
// Needs DISPLAY. Lines starting with "RESULT" are for scripts.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Program {
  std::string name;
  std::string path;
  std::vector<double> startupMs;
  std::vector<double> peakRssMiB;
  std::vector<double> idleWakeups;
  std::map<std::string, long> wakeupsByThread;  // summed over the idle runs
};

struct ThreadCount {
  std::string name;
  long switches = 0;
};

// Voluntary plus involuntary context switches of every thread of `pid`, by thread id.
std::map<int, ThreadCount> ContextSwitches(pid_t pid) {
  std::map<int, ThreadCount> result;
  const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(taskDir.c_str());
  if (dir == nullptr) return result;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int tid = std::atoi(entry->d_name);
    std::ifstream status(taskDir + "/" + entry->d_name + "/status");
    ThreadCount count;
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("Name:", 0) == 0) {
        count.name = line.substr(line.find_first_not_of(" \t", 5));
      } else if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
        count.switches += std::atol(line.c_str() + line.find(':') + 1);
      }
    }
    if (tid == pid) count.name += " (main)";
    result[tid] = count;
  }
  closedir(dir);
  return result;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

class Bench {
 public:
  Bench() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return;
    fcntl(ConnectionNumber(display_), F_SETFD, FD_CLOEXEC);
    root_ = DefaultRootWindow(display_);
    XSelectInput(display_, root_, SubstructureNotifyMask);
    wmPid_ = XInternAtom(display_, "_NET_WM_PID", False);
    wmProtocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
    wmDelete_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSync(display_, False);
  }
  ~Bench() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  bool ok() const { return display_ != nullptr; }

  // One start, idle interval (if idleSeconds > 0) and close of `program`. False on failure.
  bool Run(Program& program, double settleSeconds, double idleSeconds, const std::string& beforeIdle) {
    DrainEvents();
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
      execl(program.path.c_str(), program.path.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::optional<Window> window = WaitForMap(pid, Clock::now() + std::chrono::seconds(30));
    if (!window) {
      std::fprintf(stderr, "%s: no window appeared\n", program.name.c_str());
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return false;
    }
    const double startupMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

    std::this_thread::sleep_for(std::chrono::duration<double>(settleSeconds));
    DrainEvents();
    std::optional<double> wakeups;
    if (idleSeconds > 0) {
      if (!beforeIdle.empty()) {
        const std::string command = "WINDOW=" + std::to_string(*window) + " " + beforeIdle;
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "%s: --before-idle failed\n", program.name.c_str());
        std::this_thread::sleep_for(std::chrono::duration<double>(settleSeconds));
        DrainEvents();
      }
      const auto before = ContextSwitches(pid);
      std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
      const auto after = ContextSwitches(pid);
      long total = 0;
      for (const auto& [tid, count] : after) {
        const auto earlier = before.find(tid);
        const long delta = count.switches - (earlier != before.end() ? earlier->second.switches : 0);
        program.wakeupsByThread[count.name] += delta;
        total += delta;
      }
      wakeups = static_cast<double>(total);
    }

    SendClose(*window);
    rusage usage{};
    int status = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    pid_t reaped = 0;
    while ((reaped = wait4(pid, &status, WNOHANG, &usage)) == 0 && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (reaped != pid) {
      std::fprintf(stderr, "%s: did not close within 10 s\n", program.name.c_str());
      kill(pid, SIGKILL);
      wait4(pid, &status, 0, &usage);
      return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "%s: ended with status %d\n", program.name.c_str(), status);
      return false;
    }

    program.startupMs.push_back(startupMs);
    program.peakRssMiB.push_back(static_cast<double>(usage.ru_maxrss) / 1024.0);
    if (wakeups) program.idleWakeups.push_back(*wakeups);
    std::printf("  %-12s start-up %7.1f ms   peak RSS %6.1f MiB", program.name.c_str(), startupMs,
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    if (wakeups) std::printf("   idle wake-ups %5.0f in %.0f s", *wakeups, idleSeconds);
    std::printf("\n");
    std::fflush(stdout);
    return true;
  }

 private:
  void DrainEvents() {
    XEvent event;
    while (XPending(display_) > 0) XNextEvent(display_, &event);
  }

  std::optional<pid_t> WindowPid(Window window) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long rest = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, wmPid_, 0, 1, False, XA_CARDINAL, &type, &format, &items, &rest, &data) !=
            Success ||
        data == nullptr) {
      return std::nullopt;
    }
    std::optional<pid_t> pid;
    if (type == XA_CARDINAL && format == 32 && items == 1)
      pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
    XFree(data);
    return pid;
  }

  // Waits for a top-level window of `pid` to be mapped. A window without _NET_WM_PID is
  // taken as the child's too: nothing else is started on this display meanwhile.
  std::optional<Window> WaitForMap(pid_t pid, Clock::time_point deadline) {
    while (Clock::now() < deadline) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != MapNotify || event.xmap.event != root_ || event.xmap.override_redirect) continue;
        const std::optional<pid_t> owner = WindowPid(event.xmap.window);
        if (!owner || *owner == pid) return event.xmap.window;
      }
      if (waitpid(pid, nullptr, WNOHANG) == pid) return std::nullopt;
      pollfd fd{ConnectionNumber(display_), POLLIN, 0};
      poll(&fd, 1, 50);
    }
    return std::nullopt;
  }

  void SendClose(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = wmProtocols_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(wmDelete_);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
  }

  Display* display_ = nullptr;
  Window root_ = 0;
  Atom wmPid_ = 0;
  Atom wmProtocols_ = 0;
  Atom wmDelete_ = 0;
};

void Usage() {
  std::fprintf(stderr,
               "usage: window_bench [--runs N] [--idle-runs M] [--idle SECONDS] [--settle SECONDS]\n"
               "                    [--before-idle COMMAND] NAME=PATH...\n");
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 10;
  int idleRuns = 3;
  double idleSeconds = 10;
  double settleSeconds = 1;
  std::string beforeIdle;
  std::vector<Program> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--runs" && hasValue) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--idle-runs" && hasValue) {
      idleRuns = std::max(0, std::atoi(argv[++i]));
    } else if (arg == "--idle" && hasValue) {
      idleSeconds = std::atof(argv[++i]);
    } else if (arg == "--settle" && hasValue) {
      settleSeconds = std::atof(argv[++i]);
    } else if (arg == "--before-idle" && hasValue) {
      beforeIdle = argv[++i];
    } else if (arg.find('=') != std::string::npos && arg[0] != '-') {
      programs.push_back({arg.substr(0, arg.find('=')), arg.substr(arg.find('=') + 1), {}, {}, {}, {}});
    } else {
      Usage();
      return 2;
    }
  }
  if (programs.empty()) {
    Usage();
    return 2;
  }
  Bench bench;
  if (!bench.ok()) {
    std::fprintf(stderr, "window_bench: cannot open display %s\n",
                 std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(unset)");
    return 1;
  }

  std::printf("%d rounds, idle interval %.0f s in the first %d, %.1f s settle time after the window maps\n", runs,
              idleSeconds, std::min(idleRuns, runs), settleSeconds);
  if (!beforeIdle.empty()) std::printf("before the idle interval: %s\n", beforeIdle.c_str());
  bool failed = false;
  for (int round = 0; round < runs; ++round) {
    std::printf("round %d\n", round + 1);
    std::vector<Program*> order;
    for (Program& program : programs) order.push_back(&program);
    if (round % 2 == 1) std::reverse(order.begin(), order.end());
    for (Program* program : order) {
      if (!bench.Run(*program, settleSeconds, round < idleRuns ? idleSeconds : 0, beforeIdle)) failed = true;
    }
  }

  std::printf("\nmedians\n");
  for (const Program& program : programs) {
    std::printf("  %-12s start-up %7.1f ms   peak RSS %6.1f MiB   idle wake-ups %5.0f in %.0f s\n",
                program.name.c_str(), Median(program.startupMs), Median(program.peakRssMiB),
                Median(program.idleWakeups), idleSeconds);
    std::printf("RESULT %s startup_ms %.1f\n", program.name.c_str(), Median(program.startupMs));
    std::printf("RESULT %s peak_rss_mib %.1f\n", program.name.c_str(), Median(program.peakRssMiB));
    if (!program.idleWakeups.empty()) {
      std::printf("RESULT %s idle_wakeups %.0f\n", program.name.c_str(), Median(program.idleWakeups));
    }
  }
  if (idleRuns > 0) {
    std::printf("\nidle wake-ups by thread, mean over %d runs of %.0f s\n", std::min(idleRuns, runs), idleSeconds);
    for (const Program& program : programs) {
      std::ostringstream line;
      for (const auto& [thread, count] : program.wakeupsByThread) {
        line << "  " << thread << ": " << static_cast<double>(count) / static_cast<double>(program.idleWakeups.size());
      }
      std::printf("  %-12s%s\n", program.name.c_str(), line.str().c_str());
    }
  }
  if (programs.size() >= 2) {
    const Program& first = programs.front();
    const Program& last = programs.back();
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("\nratios %s / %s: start-up %.2f, peak RSS %.2f", first.name.c_str(), last.name.c_str(),
                ratio(Median(first.startupMs), Median(last.startupMs)),
                ratio(Median(first.peakRssMiB), Median(last.peakRssMiB)));
    if (!first.idleWakeups.empty() && Median(last.idleWakeups) > 0) {
      std::printf(", idle wake-ups %.2f", ratio(Median(first.idleWakeups), Median(last.idleWakeups)));
    }
    std::printf("\n");
    std::printf("RESULT ratio startup %.2f\n", ratio(Median(first.startupMs), Median(last.startupMs)));
    std::printf("RESULT ratio peak_rss %.2f\n", ratio(Median(first.peakRssMiB), Median(last.peakRssMiB)));
    if (!first.idleWakeups.empty() && Median(last.idleWakeups) > 0) {
      std::printf("RESULT ratio idle_wakeups %.2f\n", ratio(Median(first.idleWakeups), Median(last.idleWakeups)));
    }
  }
  return failed ? 1 : 0;
}
