#include "app/SleepStage.h"

#include "support/uSysUtils.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velastrin {

namespace {

// What may follow "Sleep stage ", upper case; Bare words are stages on their own as well.
struct TStageWord {
  std::string_view Word;
  TSleepStage Stage;
  bool Bare; // also a stage without the prefix
};

constexpr std::array<TStageWord, 13> StageWords{{
    {"W", TSleepStage::Wake, true},
    {"WAKE", TSleepStage::Wake, true},
    {"R", TSleepStage::REM, true},
    {"REM", TSleepStage::REM, true},
    {"N1", TSleepStage::N1, true},
    {"N2", TSleepStage::N2, true},
    {"N3", TSleepStage::N3, true},
    {"N4", TSleepStage::N3, true},
    {"1", TSleepStage::N1, false},
    {"2", TSleepStage::N2, false},
    {"3", TSleepStage::N3, false},
    {"4", TSleepStage::N3, false},
    {"?", TSleepStage::Unscored, false},
}};

constexpr std::string_view StagePrefix = "SLEEP STAGE ";

} // namespace

std::optional<TSleepStage> SleepStageOf(std::string_view Text) {
  const std::string Upper = UpperCase(Trim(std::string(Text)));
  if (Upper == "MOVEMENT TIME")
    return TSleepStage::Movement;
  std::string_view Word = Upper;
  const bool Prefixed = Word.starts_with(StagePrefix);
  if (Prefixed)
    Word.remove_prefix(StagePrefix.size());
  for (const TStageWord& W : StageWords)
    if (W.Word == Word && (Prefixed || W.Bare))
      return W.Stage;
  return std::nullopt;
}

std::string SleepStageName(TSleepStage Stage) {
  switch (Stage) {
  case TSleepStage::Wake:
    return "W";
  case TSleepStage::REM:
    return "R";
  case TSleepStage::N1:
    return "N1";
  case TSleepStage::N2:
    return "N2";
  case TSleepStage::N3:
    return "N3";
  case TSleepStage::Movement:
    return "MT";
  case TSleepStage::Unscored:
    break;
  }
  return "?";
}

std::vector<TStageSpan> StageSpans(const std::vector<TStageMark>& Marks, double Seconds) {
  std::vector<TStageSpan> Spans;
  for (std::size_t i = 0; i < Marks.size(); ++i) {
    const TStageMark& M = Marks[i];
    double End = i + 1 < Marks.size() ? Marks[i + 1].Onset : Seconds;
    if (M.Duration > 0)
      End = std::min(End, M.Onset + M.Duration);
    const double Begin = std::max(M.Onset, 0.0);
    End = std::min(End, Seconds);
    if (End > Begin)
      Spans.push_back({Begin, End, M.Stage});
  }
  return Spans;
}

} // namespace velastrin
