// Runs one job per input on a number of threads and hands the outcomes back in input order,
// so that what is printed never depends on the number of jobs.
#pragma once

#include "cli/Command.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace velastrin::cli {

struct TJobOutcome {
  bool Failed = false;
  std::string Reason; // what() of the error that failed the job
  TFileResult Result;
};

using TJob = std::function<TFileResult(const TInput& Input, TJobContext& Context)>;
using TDeliver = std::function<void(std::size_t Index, const TJobOutcome& Outcome)>;

// Runs Job for every input on min(Jobs, inputs) std::jthreads, or on the calling thread when
// that is one and no progress line is drawn (a single file is never handed over). Deliver is
// called on the calling thread for input 0, 1, 2, ... each as soon as it and all before it are
// done. With ProgressLine set, a line "files done/total, MB/s" is redrawn there (a terminal)
// a few times a second and erased at the end.
std::vector<TJobOutcome> RunJobs(const std::vector<TInput>& Inputs, unsigned Jobs, const TJob& Job,
                                 const TDeliver& Deliver, std::ostream* ProgressLine = nullptr);

// "3/20 files, 412.5 MB/s"
std::string ProgressText(std::size_t Done, std::size_t Total, uint64_t Bytes, double Seconds);

} // namespace velastrin::cli
