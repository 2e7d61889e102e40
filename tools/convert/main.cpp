// pictoforge-convert [options] INPUT... -o OUTPUT
//
// Converts every input on its own thread pool, reports failures one line each in the order of the inputs,
// and shows a progress line on a terminal once a run takes longer than a second. No window system is
// needed: pictures are read through the image plugins of Qt's GUI library under a core application.
//
// Ctrl-C or a termination request stops the run between writes: no write is left half done (so no
// temporary file stays), the folders written to are synced, and the program then ends by the signal, as
// the shell expects of an interrupted command (status 130 or 143).
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "convert.h"
#include "diagnostics.h"
#include "file_names.h"

using namespace pf::convert;

namespace {

int UsageError(const QString& line) {
  std::fprintf(MessageStream(), "pictoforge-convert: %s\nTry 'pictoforge-convert --help'.\n",
               qPrintable(line));
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The image plugins' own messages ("JPEG datastream contains no image", libpng's errors) would break
  // the one line a failed file gets; they become that line's reason instead.
  InstallDiagnosticsCapture();
  FILE* const out = MessageStream();
  // Handled by the thread below only; every thread started from here on inherits the blocked set.
  // A signal the caller ignores (SIGINT for a job the shell started in the background, under nohup) stays
  // ignored: blocked, it would otherwise be kept for the thread instead of discarded.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (const int signal : {SIGINT, SIGTERM}) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
      sigaddset(&stopSignals, signal);
  }
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  QCoreApplication app(argc, argv);
  // Names are bytes: taken from argv as they are, not through the locale's decoding.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(FromLocalBytes(QByteArray(argv[i])));
  const std::variant<Options, QString> parsed = ParseArguments(arguments);
  if (const auto* error = std::get_if<QString>(&parsed)) return UsageError(*error);
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("pictoforge-convert %s\n", PF_VERSION);
    return 0;
  }
  const std::variant<std::vector<Job>, QString> planned = PlanJobs(options);
  if (const auto* error = std::get_if<QString>(&planned)) return UsageError(*error);
  const std::vector<Job>& jobs = std::get<std::vector<Job>>(planned);

  const std::size_t count = jobs.size();
  std::vector<Outcome> outcomes(count);
  std::vector<char> done(count, 0);
  // Two inputs of the same name would write one output twice: the later one fails instead.
  std::map<QString, std::size_t> firstFor;
  for (std::size_t i = 0; i < count; ++i) {
    const auto [at, fresh] = firstFor.try_emplace(QFileInfo(jobs[i].output).absoluteFilePath(), i);
    if (!fresh) {
      outcomes[i] = {false, QStringLiteral("%1 is also the output of %2")
                                .arg(Shown(jobs[i].output), Shown(jobs[at->second].input))};
      done[i] = 1;
    }
  }

  Batch batch;
  std::mutex lock;
  std::condition_variable changed;
  std::atomic<int> stopSignal{0};
  std::thread([&] {
    int signal = 0;
    if (sigwait(&stopSignals, &signal) != 0) return;
    stopSignal = signal;
    changed.notify_all();
  }).detach();

  std::atomic<std::size_t> next{0};
  std::size_t finished = static_cast<std::size_t>(std::count(done.begin(), done.end(), 1));
  const auto work = [&] {
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= count || stopSignal != 0) return;
      if (done[i]) continue;
      Outcome outcome = ConvertFile(options, jobs[i], &batch);
      {
        const std::lock_guard<std::mutex> hold(lock);
        outcomes[i] = std::move(outcome);
        done[i] = 1;
        ++finished;
      }
      changed.notify_all();
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads =
      std::min<std::size_t>(count, options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : cores);
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < threads; ++t) pool.emplace_back(work);

  // Messages leave in input order, each as soon as every file before it is done.
  const bool terminal = !options.quiet && isatty(fileno(out)) != 0;
  const auto start = std::chrono::steady_clock::now();
  bool progressShown = false;
  std::size_t reported = 0;
  int failed = 0;
  std::unique_lock<std::mutex> hold(lock);
  while (reported < count && stopSignal == 0) {
    changed.wait_for(hold, std::chrono::milliseconds(100));
    if (progressShown && reported < count && done[reported]) std::fputs("\r\033[K", out);
    while (reported < count && done[reported] && stopSignal == 0) {
      const Outcome& o = outcomes[reported];
      if (!o.ok) ++failed;
      if (!o.message.isEmpty() && !(o.ok && options.quiet)) {
        std::fprintf(out, "%s: %s%s\n", qPrintable(Shown(jobs[reported].input)), o.ok ? "note: " : "",
                     qPrintable(o.message));
      }
      ++reported;
    }
    const bool slow = std::chrono::steady_clock::now() - start > std::chrono::seconds(1);
    if (terminal && slow && reported < count && stopSignal == 0) {
      std::fprintf(out, "\r\033[K%zu of %zu done", finished, count);
      progressShown = true;
    }
  }
  hold.unlock();
  if (progressShown) std::fputs("\r\033[K", out);
  if (const int signal = stopSignal) {
    // Writes under way finish; none begins. What was written is then made to last, and the signal ends
    // the program the way it would have without a handler.
    batch.stop();
    batch.syncFolders();
    std::fflush(stdout);
    std::fflush(out);
    ::signal(signal, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
    ::raise(signal);
    _exit(128 + signal);
  }
  for (std::thread& t : pool) t.join();
  if (!batch.syncFolders()) {
    std::fprintf(out, "pictoforge-convert: the output folder could not be synced to disk\n");
    return 1;
  }
  return failed > 0 ? 1 : 0;
}
