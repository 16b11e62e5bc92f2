// What the window shows of a recording's EDF+ annotations, worked out from the reader's result
// away from the window: the rows of the annotation table with the line above it, the events
// and the hypnogram along the time axis, and the stretches of records without a gap between
// them. Qt-free.
#pragma once

#include "app/SleepStage.h"
#include "edf/uEDFPlus.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

// The columns of the annotation table.
inline constexpr std::array<std::string_view, 3> AnnotationColumns{"Onset", "Duration (s)", "Text"};

// One line of the annotation table, as shown.
struct TAnnotationRow {
  std::string Onset; // clock time
  std::string Duration;
  std::string Text;
  bool operator==(const TAnnotationRow&) const = default;
};

// An annotation along the time axis: a tick, or a band when it lasts.
struct TAnnotationMark {
  double Onset = 0; // seconds from the start
  double Duration = 0;
  std::string Text;
};

// Records that follow each other without a gap, from FirstRecord up to EndRecord, the first of
// them starting Begin seconds after the start.
struct TRecordRun {
  int64_t FirstRecord = 0;
  int64_t EndRecord = 0;
  double Begin = 0;
  bool operator==(const TRecordRun&) const = default;
};

struct TRecordingAnnotations {
  // Of the annotation signal chosen, in time order.
  std::vector<TAnnotationRow> Rows;
  std::string Summary; // the line above the table
  std::string Damage;  // what is wrong with its lists, or empty
  // Of every annotation signal, in time order; the sleep stages go to the hypnogram instead.
  std::vector<TAnnotationMark> Events;
  std::vector<TStageSpan> Stages;
  // One run for a continuous recording; an EDF+D file has one more per gap.
  std::vector<TRecordRun> Runs;
  double RecordDuration = 0;
  double Seconds = 0; // from the start to the end of the last record
  // The records are not one run starting at 0: the plot needs breaks.
  bool Broken() const { return Runs.size() > 1 || (!Runs.empty() && Runs.front().Begin != 0); }
};

// The table's clock time of an onset: date and time of day, with the onset's fraction digits.
std::string AnnotationOnsetText(TDateTime Start, const TTALNumber& Onset);

// "12 annotations, EDF+C"; an EDF+D file adds its gaps (and overlaps).
std::string AnnotationSummary(const TEDFPlusRecording& Plus, std::size_t Count);

// The damaged lists among Faults, as `velastrin check` names them: how many, and where the
// first one is (signal, record, byte in the file). Empty without faults.
std::string AnnotationDamage(const std::vector<TEDFPlusFault>& Faults);

// The runs of Plus's records: one unless the file is EDF+D and its record onsets jump.
std::vector<TRecordRun> RecordRuns(const TEDFPlusRecording& Plus);

// Everything of Plus the window shows, with the table of annotation signal Signal (0-based;
// no rows when it is none).
TRecordingAnnotations DescribeAnnotations(const TEDFPlusRecording& Plus, int32_t Signal);

// Rows (all of them when Selected is empty) as tab-separated lines under a line of column
// names; tabs and line breaks inside a cell become blanks, so that each row stays one line.
std::string AnnotationRowsText(const std::vector<TAnnotationRow>& Rows,
                               const std::vector<std::size_t>& Selected);

} // namespace velastrin
