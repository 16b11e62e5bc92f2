// The window with 10,000 annotations (not a test): a recording of 10,000 one-second records,
// each with one annotation (a sleep stage every 30 s, events between them), shown alternately
// as the plot of its EEG signal with the hypnogram and the events, and as the table of its
// annotation signal. While the preview reads and draws them the user-interface thread runs a
// zero timer: the longest gap between two ticks is the longest time the window could not
// answer. The reference is the bare annotation reader on the calling thread, in the same run.
#include "app/AnnotationList.h"
#include "app/SignalPreview.h"
#include "edf/uEDFPlus.h"
#include "testsupport/TestEDF.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace velastrin;

constexpr int64_t Records = 10000;
constexpr int Samples = 100;
constexpr int AnnotationSamples = 30;
constexpr int Rounds = 6;

void MakeRecording(const std::string& Path) {
  test::TTestEDF Edf;
  Edf.Reserved = "EDF+C";
  test::TTestSignal Annotations = test::AnnotationTestSignal();
  Annotations.NrSamples = std::to_string(AnnotationSamples);
  test::TTestSignal Eeg;
  Eeg.NrSamples = std::to_string(Samples);
  Edf.Signals = {Eeg, Annotations};
  Edf.Records = Records;
  std::string Bytes = Edf.Header();
  static const char* const Stages[] = {"Sleep stage W", "Sleep stage N1", "Sleep stage N2",
                                       "Sleep stage N3", "Sleep stage R"};
  for (int64_t r = 0; r < Records; ++r) {
    for (int k = 0; k < Samples; ++k) {
      const auto Value = static_cast<int16_t>(((r * Samples + k) * 37) % 2000 - 1000);
      Bytes += static_cast<char>(Value & 0xFF);
      Bytes += static_cast<char>((Value >> 8) & 0xFF);
    }
    const std::string Onset = "+" + std::to_string(r);
    std::string List = Onset + "\x14\x14" + std::string(1, '\0') + Onset;
    if (r % 30 == 0)
      List += std::string("\x15") + "30\x14" + Stages[(r / 30) % 5];
    else
      List += (r % 7 == 0 ? std::string("\x15") + "2" : std::string()) + "\x14" + "Event " +
              std::to_string(r);
    List += std::string("\x14") + '\0';
    List.resize(2 * AnnotationSamples, '\0');
    Bytes += List;
  }
  std::ofstream(Path, std::ios::binary)
      .write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

template <typename F> double Seconds(F&& Work) {
  const auto Start = std::chrono::steady_clock::now();
  Work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

} // namespace

int main(int argc, char** argv) {
  const char* Base = std::getenv("VELASTRIN_BENCH_DIR");
  const std::filesystem::path Dir =
      std::filesystem::path(Base ? Base : std::filesystem::temp_directory_path().string()) /
      ("velastrin-annotation-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const std::string Input = (Dir / "events.edf").string();
  MakeRecording(Input);

  std::size_t Count = 0;
  double BestRead = 1e9;
  for (int Run = 0; Run < 5; ++Run)
    BestRead = std::min(BestRead, Seconds([&] { Count = ReadEDFPlus(Input).Annotations.size(); }));

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  TSignalPreview Preview;
  Preview.resize(900, 420);
  Preview.show();
  QElapsedTimer Clock;
  qint64 LastTick = -1;
  qint64 LongestGap = 0;
  qint64 Started = 0;
  qint64 LongestCall = 0;
  qint64 SlowestShown = 0;
  int Round = 0;
  QTimer Ticker;
  Ticker.setInterval(0);
  QObject::connect(&Ticker, &QTimer::timeout, [&] {
    const qint64 Now = Clock.nsecsElapsed();
    if (LastTick >= 0)
      LongestGap = std::max(LongestGap, Now - LastTick);
    LastTick = Now;
  });
  auto StartRound = [&] {
    Started = Clock.nsecsElapsed();
    Preview.ShowSignal(Input, Round % 2); // the EEG, then the annotation signal
    LongestCall = std::max(LongestCall, Clock.nsecsElapsed() - Started);
  };
  auto Ended = [&] {
    if (Preview.Busy() || Preview.AnnotationsBusy())
      return;
    Preview.repaint(); // drawn with every mark before the next round
    SlowestShown = std::max(SlowestShown, Clock.nsecsElapsed() - Started);
    if (++Round < Rounds)
      QTimer::singleShot(0, StartRound);
    else
      Application.quit();
  };
  QObject::connect(&Preview, &TSignalPreview::Finished, Ended);
  QObject::connect(&Preview, &TSignalPreview::AnnotationsFinished, Ended);
  Clock.start();
  Ticker.start();
  QTimer::singleShot(0, StartRound);
  Application.exec();

  QImage Image(Preview.size(), QImage::Format_RGB32);
  Preview.ShowSignal(Input, 0);
  while (Preview.Busy() || Preview.AnnotationsBusy())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  const double PlotPaint = Seconds([&] { Preview.render(&Image); });
  const std::size_t Events = Preview.Annotations() ? Preview.Annotations()->Events.size() : 0;

  std::printf("%zu annotations in %lld records (%zu events, the rest sleep stages)\n", Count,
              static_cast<long long>(Records), Events);
  std::printf("bare annotation reader on the calling thread: best %.1f ms\n", BestRead * 1e3);
  std::printf("preview, %d rounds (plot and table in turn): ShowSignal returns within %.1f ms; "
              "shown within %.1f ms, %.2f times the bare read\n",
              Rounds, static_cast<double>(LongestCall) / 1e6,
              static_cast<double>(SlowestShown) / 1e6,
              static_cast<double>(SlowestShown) / 1e9 / BestRead);
  std::printf("longest the user-interface thread was busy meanwhile: %.1f ms (target <= 50 ms); "
              "one paint of the plot with its marks: %.1f ms\n",
              static_cast<double>(LongestGap) / 1e6, PlotPaint * 1e3);

  if (!std::getenv("VELASTRIN_BENCH_KEEP")) {
    std::error_code Ignored;
    std::filesystem::remove_all(Dir, Ignored);
  }
  return Events > 0 ? 0 : 1;
}
