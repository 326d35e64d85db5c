// The rate at which the platform delivers an idle 1 ms precise Qt timer: the
// ceiling for the program's own 1 ms timers on this display, and the CPU that
// merely ticking a shown window at that rate costs.
//   idle_timer SECONDS
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

#include "bench/cpu_time.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  // A shown window, as the program has, so the event loop does the same work.
  QWidget window;
  window.resize(100, 100);
  window.show();
  long ticks = 0;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  QElapsedTimer clock;
  // Start-up and shut-down are left out of the CPU figure, as they are of the
  // program's.
  double cpu_at_start = 0;
  double cpu_s = 0;
  double cpu_span_s = 0;
  QTimer::singleShot(seconds * 1000, [&] {
    cpu_s = bench::ProcessCpuSeconds() - cpu_at_start;
    cpu_span_s = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    QApplication::quit();
  });
  cpu_at_start = bench::ProcessCpuSeconds();
  clock.start();
  timer.start();
  QApplication::exec();
  std::printf("idle_ticks_per_s: %.0f\n",
              static_cast<double>(ticks) / (static_cast<double>(clock.nsecsElapsed()) / 1e9));
  std::printf("idle_cpu_pct: %.1f\n", cpu_s / cpu_span_s * 100);
  // The frame rate the program paces its painting to.
  std::printf("screen_refresh_hz: %.1f\n", QGuiApplication::primaryScreen()->refreshRate());
  return 0;
}
