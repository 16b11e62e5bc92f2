// The annotation table and its information text.
#include "export/AnnotationTable.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <unicode/utf8.h>

namespace velastrin {

namespace {

// A damaged file would otherwise bury the summary under one warning per record.
constexpr std::size_t MaxFaultWarnings = 20;

// The text with each byte that is not part of a UTF-8 character replaced by U+FFFD, so that
// the table is UTF-8 throughout; the fault warnings name the annotation.
std::string ValidUTF8(const std::string& Text) {
  const auto* Bytes = reinterpret_cast<const uint8_t*>(Text.data());
  const auto Length = static_cast<int32_t>(Text.size());
  std::string Out;
  Out.reserve(Text.size());
  for (int32_t i = 0; i < Length;) {
    const int32_t Start = i;
    UChar32 Code = 0;
    U8_NEXT(Bytes, i, Length, Code);
    if (Code >= 0)
      Out.append(Text, static_cast<std::size_t>(Start), static_cast<std::size_t>(i - Start));
    else
      for (int32_t b = Start; b < i; ++b)
        Out += "\xEF\xBF\xBD";
  }
  return Out;
}

// Seconds since 30 December 1899 of a date-time serial, to the nearest second (the header
// gives whole seconds; the serial's binary fraction may fall just short of one).
int64_t SerialSeconds(TDateTime Value) {
  return std::llround(Value * 86400.0);
}

// 10^k - F for the k fraction digits F (not all zero), as k digits: what is left of the next
// whole second when a negative onset takes F away.
std::string FractionComplement(const std::string& Digits) {
  std::string Result = Digits;
  for (char& C : Result)
    C = static_cast<char>('9' - (C - '0'));
  for (auto It = Result.rbegin(); It != Result.rend(); ++It) { // add 1
    if (*It != '9') {
      ++*It;
      break;
    }
    *It = '0';
  }
  return Result;
}

std::string SecondsText(const TTALNumber& Number) {
  return !Number.Text.empty() && Number.Text[0] == '+' ? Number.Text.substr(1) : Number.Text;
}

std::string Quoted(const std::string& Name, const std::string& Value) {
  return "\"" + Name + Value + "\"";
}

} // namespace

std::string AnnotationClockTime(TDateTime Start, const TTALNumber& Onset) {
  std::string_view Text = Onset.Text;
  const bool Negative = !Text.empty() && Text[0] == '-';
  if (!Text.empty() && (Text[0] == '+' || Text[0] == '-'))
    Text.remove_prefix(1);
  const std::size_t Point = Text.find('.');
  const std::string_view Whole = Text.substr(0, Point);
  std::string Fraction(Point == std::string_view::npos ? std::string_view()
                                                       : Text.substr(Point + 1));
  // More than twelve digits of seconds lies beyond year 9999 anyway.
  if (Whole.empty() || Whole.size() > 12)
    return {};
  int64_t Seconds = 0;
  if (std::from_chars(Whole.data(), Whole.data() + Whole.size(), Seconds).ec != std::errc())
    return {};
  int64_t Total = SerialSeconds(Start);
  if (Negative) {
    Total -= Seconds;
    if (Fraction.find_first_not_of('0') != std::string::npos) {
      Total -= 1;
      Fraction = FractionComplement(Fraction);
    }
  } else {
    Total += Seconds;
  }

  using namespace std::chrono;
  const sys_seconds Epoch = sys_days{year{1899} / December / 30};
  const sys_seconds When = Epoch + seconds{Total};
  const sys_days Day = floor<days>(When);
  const year_month_day Date{Day};
  if (Date.year() < year{1} || Date.year() > year{9999})
    return {};
  const hh_mm_ss Time{When - Day};
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, "%04d-%02u-%02uT%02d:%02d:%02d", int(Date.year()),
                unsigned(Date.month()), unsigned(Date.day()), int(Time.hours().count()),
                int(Time.minutes().count()), int(Time.seconds().count()));
  std::string Result = Buffer;
  if (!Fraction.empty())
    Result += "." + Fraction;
  return Result;
}

std::string TableField(std::string_view Text, std::string_view Separator) {
  const bool Quote = (!Separator.empty() && Text.find(Separator) != std::string_view::npos) ||
                     Text.find_first_of("\"\r\n") != std::string_view::npos;
  if (!Quote)
    return std::string(Text);
  std::string Result = "\"";
  for (const char C : Text) {
    if (C == '"')
      Result += '"';
    Result += C;
  }
  return Result + "\"";
}

std::string AnnotationTableLine(const TEDFAnnotation& Annotation, TDateTime Start,
                                const TAnnotationTableFormat& Format) {
  const std::string& S = Format.Separator;
  std::string Line = TableField(SecondsText(Annotation.Onset), S);
  Line += S + TableField(AnnotationClockTime(Start, Annotation.Onset), S);
  Line += S + (Annotation.Duration ? TableField(Annotation.Duration->Text, S) : std::string());
  Line += S + TableField(Annotation.Text, S);
  return Line;
}

std::string AnnotationTable(const std::vector<TEDFAnnotation>& Annotations, TDateTime Start,
                            const TAnnotationTableFormat& Format) {
  std::string Table;
  for (const TEDFAnnotation& A : Annotations)
    Table += AnnotationTableLine(A, Start, Format) + Format.LineBreak;
  return Table;
}

std::string AnnotationTableInfo(const TEDFPlusRecording& Plus, const std::vector<int32_t>& Signals,
                                std::size_t AnnotationCount, const TAnnotationTableFormat& Format) {
  std::string Numbers;
  std::string Labels;
  for (const int32_t s : Signals) {
    Numbers += (Numbers.empty() ? "" : " ") + std::to_string(s + 1);
    if (s >= 0 && static_cast<std::size_t>(s) < Plus.Labels.size())
      Labels = Plus.Labels[static_cast<std::size_t>(s)]; // all annotation signals share it
  }
  const std::vector<std::string> Entries = {
      Quoted("FileName:", Plus.FileName),
      Quoted("Patient:", Plus.Patient),
      Quoted("Recording:", Plus.Recording),
      Quoted("StartTime:", AnnotationClockTime(Plus.StartDateTime, {"+0", 0})),
      Quoted("FileType:", EDFPlusKindName(Plus.Kind, Plus.Format)),
      Quoted("SignalNumber:", Numbers),
      Quoted("SignalLabel:", Labels),
      Quoted("Content:", "Annotation table: onset in seconds from StartTime, onset as clock "
                         "time, duration in seconds, text"),
      Quoted("Annotations:", std::to_string(AnnotationCount)),
  };
  std::string Info;
  for (std::size_t i = 0; i < Entries.size(); ++i)
    Info += (i ? Format.Separator : std::string()) + Entries[i];
  return Info;
}

std::vector<std::string> AnnotationFaultWarnings(const std::vector<TEDFPlusFault>& Faults,
                                                 const std::vector<int32_t>& Signals) {
  std::vector<std::string> Warnings;
  for (const TEDFPlusFault& Fault : Faults) {
    if (std::find(Signals.begin(), Signals.end(), Fault.Signal) == Signals.end())
      continue;
    if (Warnings.size() == MaxFaultWarnings) {
      Warnings.push_back("more damaged annotation lists not listed");
      break;
    }
    Warnings.push_back("signal " + std::to_string(Fault.Signal + 1) + ", record " +
                       std::to_string(Fault.Record + 1) + ", byte " +
                       std::to_string(Fault.FilePosition) + ": " + Fault.Message() +
                       (Fault.Kind == TTALFault::NotUTF8
                            ? "; each byte that is not UTF-8 is written as U+FFFD"
                            : ""));
  }
  return Warnings;
}

void WriteAnnotationTable(const TEDFPlusRecording& Plus, const std::vector<int32_t>& Signals,
                          const std::string& Separator, TTextFileWriter& Info,
                          TTextFileWriter& Data) {
  const TAnnotationTableFormat Format{Separator == "\r\n" ? "," : Separator, "\r\n"};
  std::vector<TEDFAnnotation> List = Plus.InTimeOrder(Signals);
  for (TEDFAnnotation& Annotation : List)
    Annotation.Text = ValidUTF8(Annotation.Text);
  Info.Write(AnnotationTableInfo(Plus, Signals, List.size(), Format));
  Data.Write(AnnotationTable(List, Plus.StartDateTime, Format));
}

std::vector<std::string> ExportAnnotationTable(const std::string& FileName,
                                               const std::vector<int32_t>& Signals,
                                               const std::string& Separator, TTextFileWriter& Info,
                                               TTextFileWriter& Data) {
  const TEDFPlusRecording Plus = ReadEDFPlus(FileName);
  if (!Plus.Readable)
    throw std::runtime_error("not a valid EDF file");
  WriteAnnotationTable(Plus, Signals, Separator, Info, Data);
  return AnnotationFaultWarnings(Plus.Faults, Signals);
}

} // namespace velastrin
