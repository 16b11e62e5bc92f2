// The signal preview over a 24-hour, 20-signal recording with one-second records of 512 samples
// per signal (86400 records, 1.77 GB as the header states it):
//  - the envelope of one signal against a plain reference that preads the same signal's bytes
//    of every record and sums them, best of several interleaved runs in the same process;
//  - the preview widget computing that envelope while the user-interface thread runs a zero
//    timer: the longest gap between two ticks is the longest time the window could not answer.
//
// The header is written by our own EDF writer; the data area is a sparse file in which only
// the previewed signal's samples are written (88 MB on disk). Neither side reads the others.
// The file is in the page cache when timed: this measures the program, not the disk.
#include "app/SignalPreview.h"
#include "edf/uEDF.h"
#include "edf/uSignalEnvelope.h"
#include "support/udStr.h"
#include "testsupport/TestRecording.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace velastrin;

constexpr int SignalCount = 20;
constexpr int SamplesPerRecord = 512;
constexpr int64_t RecordCount = 86400;
constexpr int PreviewedSignal = 7; // 0-based
constexpr int64_t RecordSamples = int64_t{SignalCount} * SamplesPerRecord;
constexpr int Runs = 5;

int16_t SampleValue(int64_t Record, int i) {
  // A 10 Hz rhythm on a slow wave, clipped at Digimax for one minute every hour.
  if (Record % 3600 < 60)
    return 32767;
  const double T = static_cast<double>(Record) + i / 512.0;
  return static_cast<int16_t>(800 * std::sin(2 * 3.14159265358979 * 10 * T) +
                              300 * std::sin(2 * 3.14159265358979 * 0.01 * T));
}

int64_t MakeRecording(const std::string& Path) {
  const int64_t HeaderBytes = test::CreateSizedRecording(
      Path,
      {.Patient = "X-0001 M 01-JAN-1970 Bench_Subject",
       .Recording = "Startdate 07-DEC-2026 BENCH-24H NN Velastrin_bench",
       .Start = EncodeDate(2026, 12, 7) + EncodeTime(8, 0, 0, 0),
       .Signals = test::NumberedSignals(SignalCount,
                                        {.PhysMin = -3276.8L,
                                         .PhysMax = 3276.7L,
                                         .Prefilter = "HP:0.1Hz LP:100Hz",
                                         .Samples = SamplesPerRecord},
                                        "EEG ")},
      RecordCount);
  const int Handle = ::open(Path.c_str(), O_RDWR);
  std::vector<int16_t> Samples(SamplesPerRecord);
  for (int64_t r = 0; r < RecordCount; ++r) {
    for (int i = 0; i < SamplesPerRecord; ++i)
      Samples[static_cast<std::size_t>(i)] = SampleValue(r, i);
    const int64_t Position =
        HeaderBytes + (r * RecordSamples + int64_t{PreviewedSignal} * SamplesPerRecord) * 2;
    if (::pwrite(Handle, Samples.data(), Samples.size() * 2, Position) !=
        static_cast<ssize_t>(Samples.size() * 2))
      std::abort();
  }
  ::close(Handle);
  return HeaderBytes;
}

// The plain reader: one pread per record of the previewed signal's bytes, summed.
long Reference(const std::string& Path, int64_t HeaderBytes) {
  const int Handle = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  int16_t Samples[SamplesPerRecord];
  long Sum = 0;
  for (int64_t r = 0; r < RecordCount; ++r) {
    const int64_t Position =
        HeaderBytes + (r * RecordSamples + int64_t{PreviewedSignal} * SamplesPerRecord) * 2;
    if (::pread(Handle, Samples, sizeof Samples, Position) != static_cast<ssize_t>(sizeof Samples))
      std::abort();
    for (const int16_t S : Samples)
      Sum += S;
  }
  ::close(Handle);
  return Sum;
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
      ("velastrin-preview-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const std::string Input = (Dir / "day.edf").string();
  const int64_t HeaderBytes = MakeRecording(Input);

  double BestEnvelope = 1e9;
  double BestReference = 1e9;
  std::size_t Clipped = 0;
  long Sum = 0;
  for (int Run = 0; Run < Runs; ++Run) {
    BestReference = std::min(BestReference, Seconds([&] { Sum += Reference(Input, HeaderBytes); }));
    BestEnvelope =
        std::min(BestEnvelope, Seconds([&] {
                   const auto Envelope = ComputeSignalEnvelope(Input, PreviewedSignal,
                                                               TSignalPreview::EnvelopeColumns);
                   Clipped = static_cast<std::size_t>(
                       std::count_if(Envelope->Columns.begin(), Envelope->Columns.end(),
                                     [](const TEnvelopeColumn& C) { return C.Clipped(); }));
                 }));
  }
  std::printf("envelope of one 512 Hz signal, 24 h, 20 signals (%d columns, %zu clipped): "
              "best %.3f s (target <= 0.300 s)\n",
              TSignalPreview::EnvelopeColumns, Clipped, BestEnvelope);
  std::printf("plain pread reference over the same bytes: best %.3f s (checksum %ld)\n",
              BestReference, Sum);
  std::printf("time ratio envelope / reference: %.2f\n", BestEnvelope / BestReference);

  // The window's side: how long the user-interface thread is kept from its events. The
  // preview is started from inside the running event loop, a few times over.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  TSignalPreview Preview;
  Preview.resize(800, 300);
  Preview.show();
  QElapsedTimer Clock;
  qint64 LastTick = -1;
  qint64 LongestGap = 0;
  qint64 Started = 0;
  qint64 LongestCall = 0;
  double SlowestShown = 0;
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
    Preview.Clear();
    Started = Clock.nsecsElapsed();
    Preview.ShowSignal(Input, PreviewedSignal);
    LongestCall = std::max(LongestCall, Clock.nsecsElapsed() - Started);
  };
  QObject::connect(&Preview, &TSignalPreview::Finished, [&] {
    SlowestShown = std::max(SlowestShown, static_cast<double>(Clock.nsecsElapsed() - Started));
    if (++Round < Runs)
      QTimer::singleShot(0, StartRound);
    else
      Application.quit();
  });
  Clock.start();
  Ticker.start();
  QTimer::singleShot(0, StartRound);
  Application.exec();
  QImage Image(Preview.size(), QImage::Format_RGB32);
  const double Paint = Seconds([&] { Preview.render(&Image); });
  std::printf("preview widget, %d rounds: ShowSignal returns within %.1f ms, the envelope is "
              "drawn within %.3f s\n",
              Runs, static_cast<double>(LongestCall) / 1e6, SlowestShown / 1e9);
  std::printf("longest the user-interface thread was busy meanwhile: %.1f ms (target <= 50 ms); "
              "one paint of the plot: %.1f ms\n",
              static_cast<double>(LongestGap) / 1e6, Paint * 1e3);

  if (!std::getenv("VELASTRIN_BENCH_KEEP")) {
    std::error_code Ignored;
    std::filesystem::remove_all(Dir, Ignored);
  }
  return Preview.Envelope() ? 0 : 1;
}
