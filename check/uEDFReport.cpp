// Report formats of the check and repair engines.
#include "check/uEDFReport.h"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>

namespace velastrin {

namespace {

// Keys in the documented order, file and verdict first.
using json = nlohmann::ordered_json;

std::string NumberText(long double Value) {
  char Text[40];
  const auto Result = std::to_chars(Text, Text + sizeof Text, static_cast<double>(Value));
  return std::string(Text, Result.ptr);
}

template <typename T> json OrNull(const std::optional<T>& Value) {
  return Value ? json(*Value) : json(nullptr);
}

json OrNull(const std::optional<long double>& Value) {
  return Value ? json(static_cast<double>(*Value)) : json(nullptr);
}

json TextOrNull(const std::string& Text) {
  return Text.empty() ? json(nullptr) : json(Text);
}

json FileBytes(const std::string& Name) {
  const std::optional<std::string> Hex = NameBytesHex(Name);
  return Hex ? json(*Hex) : json(nullptr);
}

std::string Dump(const json& Object) {
  return Object.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Quoted(const std::string& Raw) {
  return "\"" + EscapeBytes(Raw) + "\"";
}

std::string FieldName(const std::string& Field, int32_t Signal) {
  return Signal > 0 ? Field + " (signal " + std::to_string(Signal) + ")" : Field;
}

std::string Headline(const TEDFFindings& F) {
  std::string Line = F.File + ": " + std::string(VerdictName(F.Verdict));
  if (!F.Error.empty())
    return Line + ": " + F.Error;
  std::string Details = std::string(KindName(F.Kind));
  if (F.NrSignals)
    Details += ", " + CountText(*F.NrSignals, "signal");
  if (F.Records && F.RecordDuration)
    Details +=
        ", " + CountText(*F.Records, "record") + " of " + NumberText(*F.RecordDuration) + " s";
  if (F.Start)
    Details += ", start " + IsoDateTime(*F.Start);
  for (std::size_t i = 0; i < F.Signals.size(); ++i)
    if (F.Signals[i].Annotations)
      Details += ", annotations in signal " + std::to_string(i + 1);
  if (F.Plus)
    Details += ", " + CountText(F.Plus->Annotations, "annotation");
  Line += " (" + Details + ")";
  // A reason a check line gives already is not repeated.
  if (!F.Reason.empty() &&
      std::none_of(F.Checks.begin(), F.Checks.end(),
                   [&F](const TEDFFileCheck& C) { return C.Problem == F.Reason; }))
    Line += ": " + F.Reason;
  return Line;
}

// A damaged file could list one line per record; the JSON keeps them all.
constexpr std::size_t MaxPlusLines = 20;

std::string PlusText(const TEDFFindings& F) {
  std::string Text;
  std::size_t Lines = 0;
  auto Add = [&](const std::string& Line, std::size_t Total) {
    if (Lines < MaxPlusLines)
      Text += "  " + Line + "\n";
    else if (Lines == MaxPlusLines)
      Text += "  ... " + std::to_string(Total - MaxPlusLines) + " more\n";
    ++Lines;
  };
  // In EDF+D the gaps are facts of the recording; in EDF+C they are errors, named among the
  // checks, and each is listed here as well.
  for (const TEDFRecordDeviation& D : F.Plus->RecordOnsets) {
    const long double Difference = D.Difference();
    Add(std::string(Difference > 0 ? "gap" : "overlap") + ": record " +
            std::to_string(D.Record + 1) + " starts at " + D.Actual.Text + " s, " +
            NumberText(Difference > 0 ? Difference : -Difference) +
            (Difference > 0 ? " s after" : " s before") + " the end of record " +
            std::to_string(D.Record) + " (" + NumberText(D.Expected) + " s)",
        F.Plus->RecordOnsets.size());
  }
  Lines = 0;
  for (const TEDFPlusConformance& C : F.Plus->Conformance)
    Add("EDF+ " + FieldName(C.Field, C.Signal) + ": " + C.Problem, F.Plus->Conformance.size());
  Lines = 0;
  for (const TEDFPlusFault& Fault : F.Plus->ListFaults)
    Add("annotation list: signal " + std::to_string(Fault.Signal + 1) + ", record " +
            std::to_string(Fault.Record + 1) + ", byte " + std::to_string(Fault.FilePosition) +
            ": " + Fault.Message(),
        F.Plus->ListFaults.size());
  return Text;
}

json PlusJson(const TEDFFindings& F) {
  if (!F.Plus)
    return nullptr;
  json Onsets = json::array();
  for (const TEDFRecordDeviation& D : F.Plus->RecordOnsets) {
    json Item = json::object();
    Item["record"] = D.Record + 1;
    Item["onset"] = D.Actual.Text;
    Item["expected"] = static_cast<double>(D.Expected);
    Item["difference"] = static_cast<double>(D.Difference());
    Onsets.push_back(std::move(Item));
  }
  json Faults = json::array();
  for (const TEDFPlusFault& Fault : F.Plus->ListFaults) {
    json Item = json::object();
    Item["signal"] = Fault.Signal + 1;
    Item["record"] = Fault.Record + 1;
    Item["offset"] = Fault.FilePosition;
    Item["problem"] = Fault.Message();
    Faults.push_back(std::move(Item));
  }
  json Conformance = json::array();
  for (const TEDFPlusConformance& C : F.Plus->Conformance) {
    json Item = json::object();
    Item["field"] = C.Field;
    Item["signal"] = C.Signal > 0 ? json(C.Signal) : json(nullptr);
    Item["problem"] = C.Problem;
    Item["repairable"] = C.Mendable;
    Conformance.push_back(std::move(Item));
  }
  json Object = json::object();
  Object["annotations"] = F.Plus->Annotations;
  Object["findings"] = std::move(Conformance);
  Object["record_onsets"] = std::move(Onsets);
  Object["annotation_faults"] = std::move(Faults);
  return Object;
}

} // namespace

std::string FindingsText(const TEDFFindings& F) {
  std::string Text = Headline(F) + "\n";
  for (const TEDFFinding& Finding : F.Findings) {
    Text += "  offset " + std::to_string(Finding.Offset) + " width " +
            std::to_string(Finding.Width) + "  " + FieldName(Finding.Field, Finding.Signal) + ": " +
            Quoted(Finding.Raw) + " " + Finding.Problem + "; ";
    Text += Finding.Lenient ? "lenient reading takes \"" + Finding.Value + "\""
                            : std::string("lenient reading refuses it too");
    if (!Finding.Counts)
      Text += " (does not count for validity)";
    Text += "\n";
  }
  for (const TEDFFileCheck& Check : F.Checks)
    Text += "  " + Check.Check + ": " + Check.Problem + "\n";
  if (F.Plus)
    Text += PlusText(F);
  return Text;
}

std::string FindingsJson(const TEDFFindings& F) {
  json Findings = json::array();
  for (const TEDFFinding& Finding : F.Findings) {
    // Built key by key: initializer lists copy every value, which shows with 9999 signals.
    json Item = json::object();
    Item["field"] = Finding.Field;
    Item["signal"] = Finding.Signal > 0 ? json(Finding.Signal) : json(nullptr);
    Item["offset"] = Finding.Offset;
    Item["width"] = Finding.Width;
    Item["raw"] = EscapeBytes(Finding.Raw);
    Item["problem"] = Finding.Problem;
    Item["lenient"] = Finding.Lenient;
    Item["value"] = Finding.Lenient ? json(Finding.Value) : json(nullptr);
    Item["counts"] = Finding.Counts;
    Findings.push_back(std::move(Item));
  }
  json Checks = json::array();
  for (const TEDFFileCheck& Check : F.Checks)
    Checks.push_back({{"check", Check.Check}, {"problem", Check.Problem}});
  json Signals = json::array();
  for (std::size_t i = 0; i < F.Signals.size(); ++i) {
    const TEDFSignalValues& S = F.Signals[i];
    Signals.push_back({{"signal", i + 1},
                       {"label", S.Label},
                       {"transducer", S.Transducer},
                       {"unit", S.Unit},
                       {"prefilter", S.Prefilter},
                       {"samples_per_record", S.NrSamples},
                       {"rate", OrNull(S.Rate)},
                       {"digital_min", S.Digimin},
                       {"digital_max", S.Digimax},
                       {"physical_min", OrNull(S.Physimin)},
                       {"physical_max", OrNull(S.Physimax)},
                       {"gain", OrNull(S.Gain)},
                       {"annotations", S.Annotations}});
  }
  const json Object = {
      {"file", F.File},
      {"file_bytes", FileBytes(F.File)},
      {"verdict", VerdictName(F.Verdict)},
      {"kind", KindName(F.Kind)},
      {"format", F.Kind == TEDFKind::Unknown ? json(nullptr) : json(KindName(F.Kind))},
      {"error", TextOrNull(F.Error)},
      {"reason", TextOrNull(F.Reason)},
      {"size", F.FileSize >= 0 ? json(F.FileSize) : json(nullptr)},
      {"version", OrNull(F.Version)},
      {"start", F.Start ? json(IsoDateTime(*F.Start)) : json(nullptr)},
      {"records", OrNull(F.Records)},
      {"records_stated", OrNull(F.RecordsStated)},
      {"record_duration", OrNull(F.RecordDuration)},
      {"signal_count", OrNull(F.NrSignals)},
      {"findings", Findings},
      {"checks", Checks},
      {"signals", Signals},
      {"edf_plus", PlusJson(F)},
  };
  return Dump(Object);
}

std::string RepairText(const TEDFRepair& R) {
  std::string Text = R.Findings.File + ": " + std::string(RepairOutcomeName(R.Outcome));
  if (R.Outcome == TEDFRepairOutcome::Repaired)
    Text += " -> " + R.Output + " (" + CountText(R.Records, "record") + ")";
  else if (!R.Reason.empty())
    Text += ": " + R.Reason;
  Text += "\n";
  for (const TEDFChange& Change : R.Changes)
    Text += "  " + FieldName(Change.Field, Change.Signal) + ": " + Quoted(Change.OldRaw) + " -> " +
            Quoted(Change.NewRaw) + "\n";
  for (const std::string& Problem : R.NotRepaired)
    Text += "  not repaired: " + Problem + "\n";
  if (R.Outcome == TEDFRepairOutcome::Repaired && R.DroppedBytes > 0)
    Text += "  dropped " + CountText(R.DroppedBytes, "byte") +
            (R.DroppedPartial ? " of a partial last record\n"
                              : " left over after the last whole record\n");
  return Text;
}

std::string RepairJson(const TEDFRepair& R) {
  json Changes = json::array();
  for (const TEDFChange& Change : R.Changes)
    Changes.push_back({{"field", Change.Field},
                       {"signal", Change.Signal > 0 ? json(Change.Signal) : json(nullptr)},
                       {"old", EscapeBytes(Change.OldRaw)},
                       {"new", EscapeBytes(Change.NewRaw)}});
  const bool Repaired = R.Outcome == TEDFRepairOutcome::Repaired;
  const json Object = {
      {"file", R.Findings.File},
      {"file_bytes", FileBytes(R.Findings.File)},
      {"verdict", VerdictName(R.Findings.Verdict)},
      {"outcome", RepairOutcomeName(R.Outcome)},
      {"output", TextOrNull(R.Output)},
      {"reason", TextOrNull(R.Reason)},
      {"records", Repaired ? json(R.Records) : json(nullptr)},
      {"dropped_bytes", Repaired ? json(R.DroppedBytes) : json(nullptr)},
      {"changes", Changes},
      {"not_repaired", R.NotRepaired},
  };
  return Dump(Object);
}

std::string JSONSchemaText() {
  return R"(One JSON object per file and line (JSON Lines). Keys of check --json:
  file             the path as given or found (a byte that is not UTF-8 becomes U+FFFD)
  file_bytes       null, or when the path is not valid UTF-8, its bytes as hex digits
                   ("6ee92e656466" for n\xE9.edf): the name to open
  verdict          "valid" (strict reading accepts the file), "lenient" (only lenient
                   reading does) or "unreadable" (neither does, or it cannot be opened)
  kind             "EDF", "EDF+C", "EDF+D", "BDF", "BDF+C", "BDF+D" or "unknown"
  format           the same as kind, or null when the file is too short to tell
  error            why the file could not be opened (the system's reason), or null
  reason           why an unreadable file is refused, in the words export refuses it with,
                   or null
  size             file size in bytes, or null
  version          the version field, or null
  start            start date and time "yyyy-mm-ddThh:nn:ss", or null
  records          whole data records present (from the file size), or null
  records_stated   the record count written in the header, or null
  record_duration  seconds per data record, or null
  signal_count     signals declared in the header, or null
  findings         one object per header field that strict reading refuses:
    field          field name (Version, Patient, ..., SignalLabel, Physimin, ...)
    signal         signal number from 1, or null for a general-header field
    offset, width  byte offset of the field in the file and its width
    raw            the bytes as stored; bytes outside printable ASCII as \xHH, "\" as \\
    problem        what is wrong, in words
    lenient        true when lenient reading accepts the field
    value          the value lenient reading took, or null
    counts         false for physical limits lenient reading takes, which do not decide
                   validity; true for one that no reading takes
  checks           file-level checks that failed: {"check": name, "problem": words};
                   names: file_size, header_size, signals, record_count, partial_record,
                   trailing_bytes, record_size, record_duration, record_onsets,
                   annotation_lists, edf_plus; any of them but a record count of -1
                   makes the verdict at least "lenient"
  signals          per signal: signal, label, transducer, unit, prefilter,
                   samples_per_record, rate (per second), digital_min, digital_max,
                   physical_min, physical_max, gain (null when unknown), annotations
                   (true for an "EDF Annotations" or "BDF Annotations" signal)
  edf_plus         for EDF+C and EDF+D files whose records can be read, else null:
    annotations    number of annotations (the records' time-keeping entries not counted)
    findings       what EDF+ requires and the file misses: {"field", "signal" (from 1, or
                   null), "problem", "repairable" (repair mends it)}
    record_onsets  records that do not start one record duration after the record before
                   (gaps and overlaps in EDF+D, the overlaps also named by the check
                   record_onsets; errors in EDF+C, also named by it): {"record" from 1, "onset" as written, "expected" and
                   "difference" in seconds, positive for a gap}
    annotation_faults  damaged annotation lists: {"signal", "record" from 1, "offset" (byte
                   in the file), "problem"}
Keys of repair --json: file, file_bytes, verdict, outcome ("repaired", "valid", "unreadable",
"not repairable", "refused", "failed"), output (path or null), reason (or null), records
and dropped_bytes (when repaired), changes: [{"field", "signal", "old", "new"}] (only the
fields at fault change; the others keep their bytes), not_repaired: problems the copy keeps,
in words (EDF+ requirements that need a guess, faults inside the data records).
)";
}

std::optional<std::string> NameBytesHex(const std::string& Name) {
  try {
    (void)json(Name).dump();
    return std::nullopt;
  } catch (const json::type_error&) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string Digits;
    for (const unsigned char Byte : Name)
      Digits += {Hex[Byte >> 4], Hex[Byte & 15]};
    return Digits;
  }
}

} // namespace velastrin
