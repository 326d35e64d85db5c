// Party mode's tick rates with real writes, next to an idle 1 ms timer.
// Ticks are counted on the timers' own timeout signals, beside the window's
// handlers, so the window behaves exactly as in the program.
//   party_rate SECONDS [SOUND_SERVER_PID]
#include <sys/resource.h>

#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "toolkit/application.h"
#include "toolkit/qt_access.h"
#include "window/form1.h"

namespace {

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// utime + stime of another process, from /proc.
double ProcessCpuSeconds(long pid) {
  if (pid <= 0) return 0;
  QFile stat(QString("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QString text = QString::fromLatin1(stat.readAll());
  const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return 0;
  return (fields[11].toDouble() + fields[12].toDouble()) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

long PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void RunFor(int ms) {
  QTimer stop;
  stop.setSingleShot(true);
  QObject::connect(&stop, &QTimer::timeout, [] { QCoreApplication::exit(0); });
  stop.start(ms);
  QApplication::exec();
}

}  // namespace

int main(int argc, char* argv[]) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  const long server_pid = argc > 2 ? std::atol(argv[2]) : 0;
  toolkit::Application app(argc, argv, "bLaRgO v1.01");
  Form1 form;
  form.Show();
  QApplication::setQuitOnLastWindowClosed(false);

  // An idle 1 ms precise timer, for the platform's own rate.
  long idle_ticks = 0;
  {
    QTimer idle;
    idle.setTimerType(Qt::PreciseTimer);
    idle.setInterval(1);
    QObject::connect(&idle, &QTimer::timeout, [&] { ++idle_ticks; });
    idle.start();
    RunFor(seconds * 1000);
  }

  long ramp_ticks = 0;
  long colour_ticks = 0;
  for (auto* timer : {&form.Timer1, &form.Timer2}) {
    QObject::connect(toolkit::TimerOf(*timer), &QTimer::timeout, [&] { ++ramp_ticks; });
  }
  QObject::connect(toolkit::TimerOf(form.Timer3), &QTimer::timeout, [&] { ++colour_ticks; });
  qobject_cast<QPushButton*>(toolkit::WidgetOf(form.Command6))->click();
  const double cpu_before = OwnCpuSeconds();
  const double server_before = ProcessCpuSeconds(server_pid);
  QElapsedTimer clock;
  clock.start();
  RunFor(seconds * 1000);
  const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const double cpu = OwnCpuSeconds() - cpu_before;
  const double server_cpu = ProcessCpuSeconds(server_pid) - server_before;
  qobject_cast<QPushButton*>(toolkit::WidgetOf(form.Command7))->click();

  std::printf("idle_ticks_per_s: %.0f\n", static_cast<double>(idle_ticks) / seconds);
  std::printf("party_ticks_per_s: %.0f\n", static_cast<double>(ramp_ticks) / elapsed);
  std::printf("colour_ticks_per_s: %.0f\n", static_cast<double>(colour_ticks) / elapsed);
  std::printf("party_cpu_pct: %.1f\n", 100 * cpu / elapsed);
  std::printf("server_cpu_pct: %.1f\n", 100 * server_cpu / elapsed);
  std::printf("rss_peak_kib: %ld\n", PeakRssKib());
  return 0;
}
