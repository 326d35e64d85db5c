// The rate at which the platform delivers an idle 1 ms precise Qt timer: the
// ceiling for the program's own 1 ms timers on this display.
//   idle_timer SECONDS
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

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
  QTimer::singleShot(seconds * 1000, [&] { QApplication::quit(); });
  clock.start();
  timer.start();
  QApplication::exec();
  std::printf("idle_ticks_per_s: %.0f\n",
              static_cast<double>(ticks) / (static_cast<double>(clock.nsecsElapsed()) / 1e9));
  // The frame rate the program paces its painting to.
  std::printf("screen_refresh_hz: %.1f\n", QGuiApplication::primaryScreen()->refreshRate());
  return 0;
}
