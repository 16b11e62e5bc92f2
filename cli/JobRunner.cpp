#include "cli/JobRunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

namespace velastrin::cli {

namespace {

constexpr std::chrono::milliseconds ProgressInterval{250};

} // namespace

std::string ProgressText(std::size_t Done, std::size_t Total, uint64_t Bytes, double Seconds) {
  const double Rate = Seconds > 0 ? static_cast<double>(Bytes) / Seconds / 1e6 : 0.0;
  char Line[96];
  std::snprintf(Line, sizeof Line, "%zu/%zu file%s, %.1f MB/s", Done, Total, Total == 1 ? "" : "s",
                Rate);
  return Line;
}

std::vector<TJobOutcome> RunJobs(const std::vector<TInput>& Inputs, unsigned Jobs, const TJob& Job,
                                 const TDeliver& Deliver, std::ostream* ProgressLine) {
  const std::size_t Total = Inputs.size();
  std::vector<TJobOutcome> Outcomes(Total);
  std::vector<char> Ready(Total, 0);
  std::mutex Lock;
  std::condition_variable Changed;
  std::atomic<std::size_t> Next{0};
  std::size_t DoneCount = 0;
  TJobContext Context;

  auto RunOne = [&](std::size_t i) {
    TJobOutcome Outcome;
    try {
      Outcome.Result = Job(Inputs[i], Context);
    } catch (const std::exception& Error) {
      Outcome.Failed = true;
      Outcome.Reason = Error.what();
    } catch (...) {
      Outcome.Failed = true;
      Outcome.Reason = "unknown error";
    }
    std::lock_guard Guard(Lock);
    Outcomes[i] = std::move(Outcome);
    Ready[i] = 1;
    ++DoneCount;
    Changed.notify_one();
  };
  auto Worker = [&] {
    for (std::size_t i; (i = Next.fetch_add(1)) < Total;)
      RunOne(i);
  };

  const auto Start = std::chrono::steady_clock::now();
  std::string Shown;
  auto DrawProgress = [&](std::size_t Done) {
    if (!ProgressLine)
      return;
    const double Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    const std::string Text = ProgressText(Done, Total, Context.Bytes(), Seconds);
    *ProgressLine << '\r' << Text << "\x1b[K" << std::flush;
    Shown = Text;
  };

  const unsigned Threads =
      static_cast<unsigned>(std::clamp<std::size_t>(Jobs, 1, std::max<std::size_t>(Total, 1)));
  if (Threads == 1 && !ProgressLine) {
    // One file at a time and no line to redraw meanwhile: no thread to hand the work to.
    for (std::size_t i = 0; i < Total; ++i) {
      RunOne(i);
      Deliver(i, Outcomes[i]);
    }
    return Outcomes;
  }
  {
    std::vector<std::jthread> Pool;
    for (unsigned t = 0; t < Threads && t < Total; ++t)
      Pool.emplace_back(Worker);

    std::size_t Delivered = 0;
    std::unique_lock Guard(Lock);
    while (Delivered < Total) {
      Changed.wait_for(Guard, ProgressInterval, [&] { return Ready[Delivered] != 0; });
      const std::size_t Done = DoneCount;
      while (Delivered < Total && Ready[Delivered]) {
        const std::size_t i = Delivered++;
        Guard.unlock();
        const TFileResult& Result = Outcomes[i].Result;
        if (ProgressLine && !Shown.empty() &&
            (!Result.Output.empty() || !Result.Warnings.empty())) {
          *ProgressLine << "\r\x1b[K" << std::flush; // what Deliver prints starts a clean line
          Shown.clear();
        }
        Deliver(i, Outcomes[i]);
        Guard.lock();
      }
      Guard.unlock();
      DrawProgress(Done);
      Guard.lock();
    }
  } // the threads are joined here
  if (ProgressLine && !Shown.empty())
    *ProgressLine << "\r\x1b[K" << std::flush;
  return Outcomes;
}

} // namespace velastrin::cli
