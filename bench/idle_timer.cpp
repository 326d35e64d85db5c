// The rate at which the platform delivers an idle 1 ms precise Qt timer: the
// ceiling for the program's own 1 ms timers on this display, and the CPU that
// merely ticking a shown window at that rate costs. With --flash, the window
// takes the given size and fills itself with the next of five colours once
// per frame of its screen, as party mode's background does: the least that a
// Qt window flashing at the screen's rate costs, nothing else drawn on it.
//   idle_timer [--flash WIDTHxHEIGHT] SECONDS
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/cpu_time.h"

namespace {

class FlashingWindow : public QWidget {
 public:
  void Next() {
    colour_ = (colour_ + 1) % kColours.size();
    update();
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.fillRect(rect(), kColours.at(colour_));
  }

 private:
  static constexpr std::array<QRgb, 5> kColours = {0xff0000, 0xffff00, 0x00ff00, 0x00ffff,
                                                   0x0000ff};
  std::size_t colour_ = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  int width = 0;
  int height = 0;
  int arg = 1;
  if (argc > 2 && std::strcmp(argv[1], "--flash") == 0) {
    if (std::sscanf(argv[2], "%dx%d", &width, &height) != 2 || width < 1 || height < 1) {
      std::fprintf(stderr, "usage: idle_timer [--flash WIDTHxHEIGHT] SECONDS\n");
      return 2;
    }
    arg = 3;
  }
  const bool flash = width > 0;
  const int seconds = argc > arg ? std::atoi(argv[arg]) : 5;
  // A shown window, as the program has, so the event loop does the same work.
  FlashingWindow window;
  window.setAttribute(Qt::WA_OpaquePaintEvent);
  window.resize(flash ? width : 100, flash ? height : 100);
  window.show();
  const double refresh_hz = QGuiApplication::primaryScreen()->refreshRate();
  const qint64 frame_ns = flash && refresh_hz >= 1 ? static_cast<qint64>(1e9 / refresh_hz) : 0;
  qint64 frame_due_ns = 0;
  long ticks = 0;
  long frames = 0;
  QElapsedTimer clock;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    // A frame on the first tick at or past its time, on the frame grid.
    if (frame_ns == 0 || clock.nsecsElapsed() < frame_due_ns) return;
    frame_due_ns += frame_ns;
    ++frames;
    window.Next();
  });
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
  const char* key = flash ? "flash" : "idle";
  std::printf("%s_ticks_per_s: %.0f\n", key, static_cast<double>(ticks) / cpu_span_s);
  std::printf("%s_cpu_pct: %.1f\n", key, cpu_s / cpu_span_s * 100);
  if (flash) std::printf("flash_frames_per_s: %.1f\n", static_cast<double>(frames) / cpu_span_s);
  // The frame rate the program paces its painting to.
  std::printf("screen_refresh_hz: %.1f\n", refresh_hz);
  return 0;
}
