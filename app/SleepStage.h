// Sleep stages in annotation texts, as scorers and public sleep databases write them, and the
// hypnogram they make. Qt-free: the window draws what this works out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

// In the order a hypnogram draws them from the top; Movement and Unscored are no depth of sleep.
enum class TSleepStage { Wake, REM, N1, N2, N3, Movement, Unscored };

// The stage Text names, or none. Case and surrounding blanks aside: "W", "R", "N1" to "N3",
// "Wake", "REM", each also after "Sleep stage "; the older scoring "Sleep stage 1" to
// "Sleep stage 4" (3 and 4 together are N3 today) and "N4"; "Sleep stage ?" (not scored) and
// "Movement time".
std::optional<TSleepStage> SleepStageOf(std::string_view Text);

// "W", "R", "N1", "N2", "N3", "MT", "?".
std::string SleepStageName(TSleepStage Stage);

// One stage annotation: onset and duration in seconds from the start (Duration 0 when none).
struct TStageMark {
  double Onset = 0;
  double Duration = 0;
  TSleepStage Stage = TSleepStage::Unscored;
};

struct TStageSpan {
  double Begin = 0;
  double End = 0;
  TSleepStage Stage = TSleepStage::Unscored;
  bool operator==(const TStageSpan&) const = default;
};

// The hypnogram of Marks (in time order) over a recording of Seconds: each stage lasts its
// duration, or up to the next stage when it has none, never past the next stage nor the end.
// Empty stretches are left out.
std::vector<TStageSpan> StageSpans(const std::vector<TStageMark>& Marks, double Seconds);

} // namespace velastrin
