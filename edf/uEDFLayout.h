// The EDF byte layout: field tables for the general header and the signal header block, the
// record positions and the two-digit-year rule. Readers and writers both walk these tables.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace velastrin {

// What a header field holds; one reading rule per kind (edf/uEDFFieldKind.h).
enum class TEDFFieldKind {
  FreeText,           // printable ASCII, left-aligned
  IdentificationText, // free text with the EDF+ sub-fields
  Date,               // "dd.mm.yy"
  Time,               // "hh.nn.ss"
  Integer,            // whole number of at least Minimum
  Decimal,            // number, Minimum exclusive when AboveMinimum
  DigitalLimit,       // whole number in Minimum..Maximum
  Version,            // exactly Expected
  Reserved            // free text kept for later use of the format
};

struct TEDFFieldDef {
  std::string_view Name;
  int Width = 0;
  // General header: byte offset. Signal header: block start, to be multiplied by NrSignals.
  int Start = 0;
  TEDFFieldKind Kind = TEDFFieldKind::FreeText;
  long double Minimum = -std::numeric_limits<long double>::infinity();
  long double Maximum = std::numeric_limits<long double>::infinity();
  bool AboveMinimum = false; // the value must exceed Minimum rather than reach it
  bool StrictAligned = true; // strict reading refuses leading blanks
  bool StrictPlain = false;  // strict reading wants "." and no thousands separator
  // Version: the one text the field may hold. Reserved: the starts, "|" between them, of
  // which strict reading wants one; empty for free text.
  std::string_view Expected;
  std::string_view Foreign; // Reserved: starts, "|" between them, that belong to another format

  // Row modifiers, so that each table row reads as one sentence.
  constexpr TEDFFieldDef From(long double Value) const {
    TEDFFieldDef D = *this;
    D.Minimum = Value;
    return D;
  }
  constexpr TEDFFieldDef Above(long double Value) const {
    TEDFFieldDef D = From(Value);
    D.AboveMinimum = true;
    return D;
  }
  constexpr TEDFFieldDef Within(long double Low, long double High) const {
    TEDFFieldDef D = From(Low);
    D.Maximum = High;
    return D;
  }
  constexpr TEDFFieldDef LeadingBlanksAllowed() const {
    TEDFFieldDef D = *this;
    D.StrictAligned = false;
    return D;
  }
  constexpr TEDFFieldDef PlainSeparators() const {
    TEDFFieldDef D = *this;
    D.StrictPlain = true;
    return D;
  }
  constexpr TEDFFieldDef Exactly(std::string_view Text) const {
    TEDFFieldDef D = *this;
    D.Expected = Text;
    return D;
  }
  constexpr TEDFFieldDef StartingWithOneOf(std::string_view Starts) const {
    return Exactly(Starts);
  }
  constexpr TEDFFieldDef NotStartingWith(std::string_view Starts) const {
    TEDFFieldDef D = *this;
    D.Foreign = Starts;
    return D;
  }
};

constexpr TEDFFieldDef FieldRow(std::string_view Name, int Width, int Start, TEDFFieldKind Kind) {
  TEDFFieldDef D{};
  D.Name = Name;
  D.Width = Width;
  D.Start = Start;
  D.Kind = Kind;
  return D;
}

// EDF stores 2-byte samples; BDF (version byte 255 and "BIOSEMI") stores 3-byte samples and
// wider digital limits, and is otherwise laid out as EDF.
enum class TEDFFormat { EDF, BDF };

constexpr int SampleBytes(TEDFFormat Format) {
  return Format == TEDFFormat::BDF ? 3 : 2;
}

// The format a version field announces: its first byte 255 marks BDF.
constexpr TEDFFormat FormatOfVersion(std::string_view Raw) {
  return !Raw.empty() && static_cast<unsigned char>(Raw[0]) == 0xFF ? TEDFFormat::BDF
                                                                    : TEDFFormat::EDF;
}

inline constexpr int EDFFieldCount = 10;
inline constexpr int EDFGeneralHeaderSize = 256;
inline constexpr int EDFSignalHeaderSize = 256;

// Field indexes of the general header.
enum class TGeneralField : int {
  Version = 0,
  Patient,
  Recording,
  StartDate,
  StartTime,
  HeaderBytes,
  Reserved,
  NrDataRecords,
  SampleRecDuration,
  NrSignals
};

// Field indexes of a signal header.
enum class TSignalField : int {
  SignalLabel = 0,
  Transducertype,
  Physidim,
  Physimin,
  Physimax,
  Digimin,
  Digimax,
  Prefilter,
  NrSamples,
  Reserved
};

inline constexpr std::array<TEDFFieldDef, EDFFieldCount> GeneralHeaderFields{{
    FieldRow("Version", 8, 0, TEDFFieldKind::Version).Exactly("0"),
    FieldRow("Patient", 80, 8, TEDFFieldKind::IdentificationText),
    FieldRow("Recording", 80, 88, TEDFFieldKind::IdentificationText),
    FieldRow("StartDate", 8, 168, TEDFFieldKind::Date),
    FieldRow("StartTime", 8, 176, TEDFFieldKind::Time),
    FieldRow("HeaderBytes", 8, 184, TEDFFieldKind::Integer).From(0).LeadingBlanksAllowed(),
    FieldRow("Reserved", 44, 192, TEDFFieldKind::Reserved).NotStartingWith("24BIT|BDF+"),
    FieldRow("NrDataRecords", 8, 236, TEDFFieldKind::Integer).From(-1),
    FieldRow("SampleRecDuration", 8, 244, TEDFFieldKind::Decimal).Above(0),
    FieldRow("NrSignals", 4, 252, TEDFFieldKind::Integer).From(0),
}};

inline constexpr std::array<TEDFFieldDef, EDFFieldCount> SignalHeaderFields{{
    FieldRow("SignalLabel", 16, 0, TEDFFieldKind::FreeText),
    FieldRow("Transducertype", 80, 16, TEDFFieldKind::FreeText),
    FieldRow("Physidim", 8, 96, TEDFFieldKind::FreeText),
    FieldRow("Physimin", 8, 104, TEDFFieldKind::Decimal).PlainSeparators().LeadingBlanksAllowed(),
    FieldRow("Physimax", 8, 112, TEDFFieldKind::Decimal).PlainSeparators(),
    FieldRow("Digimin", 8, 120, TEDFFieldKind::DigitalLimit).Within(-32768, 32767),
    FieldRow("Digimax", 8, 128, TEDFFieldKind::DigitalLimit).Within(-32768, 32767),
    FieldRow("Prefilter", 80, 136, TEDFFieldKind::FreeText),
    FieldRow("NrSamples", 8, 216, TEDFFieldKind::Integer).From(1),
    FieldRow("Reserved", 32, 224, TEDFFieldKind::Reserved),
}};

// BDF: the same layout; its own version text, reserved starts and 24-bit digital limits.
inline constexpr std::array<TEDFFieldDef, EDFFieldCount> BDFGeneralHeaderFields{{
    FieldRow("Version", 8, 0, TEDFFieldKind::Version)
        .Exactly("\xFF"
                 "BIOSEMI"),
    FieldRow("Patient", 80, 8, TEDFFieldKind::IdentificationText),
    FieldRow("Recording", 80, 88, TEDFFieldKind::IdentificationText),
    FieldRow("StartDate", 8, 168, TEDFFieldKind::Date),
    FieldRow("StartTime", 8, 176, TEDFFieldKind::Time),
    FieldRow("HeaderBytes", 8, 184, TEDFFieldKind::Integer).From(0).LeadingBlanksAllowed(),
    FieldRow("Reserved", 44, 192, TEDFFieldKind::Reserved)
        .StartingWithOneOf("24BIT|BDF+C|BDF+D")
        .NotStartingWith("EDF+"),
    FieldRow("NrDataRecords", 8, 236, TEDFFieldKind::Integer).From(-1),
    FieldRow("SampleRecDuration", 8, 244, TEDFFieldKind::Decimal).Above(0),
    FieldRow("NrSignals", 4, 252, TEDFFieldKind::Integer).From(0),
}};

inline constexpr std::array<TEDFFieldDef, EDFFieldCount> BDFSignalHeaderFields{{
    FieldRow("SignalLabel", 16, 0, TEDFFieldKind::FreeText),
    FieldRow("Transducertype", 80, 16, TEDFFieldKind::FreeText),
    FieldRow("Physidim", 8, 96, TEDFFieldKind::FreeText),
    FieldRow("Physimin", 8, 104, TEDFFieldKind::Decimal).PlainSeparators().LeadingBlanksAllowed(),
    FieldRow("Physimax", 8, 112, TEDFFieldKind::Decimal).PlainSeparators(),
    FieldRow("Digimin", 8, 120, TEDFFieldKind::DigitalLimit).Within(-8388608, 8388607),
    FieldRow("Digimax", 8, 128, TEDFFieldKind::DigitalLimit).Within(-8388608, 8388607),
    FieldRow("Prefilter", 80, 136, TEDFFieldKind::FreeText),
    FieldRow("NrSamples", 8, 216, TEDFFieldKind::Integer).From(1),
    FieldRow("Reserved", 32, 224, TEDFFieldKind::Reserved),
}};

constexpr const std::array<TEDFFieldDef, EDFFieldCount>& GeneralFields(TEDFFormat Format) {
  return Format == TEDFFormat::BDF ? BDFGeneralHeaderFields : GeneralHeaderFields;
}
constexpr const std::array<TEDFFieldDef, EDFFieldCount>& SignalFields(TEDFFormat Format) {
  return Format == TEDFFormat::BDF ? BDFSignalHeaderFields : SignalHeaderFields;
}

// The Name column of a field table.
constexpr std::array<std::string_view, EDFFieldCount>
FieldNames(const std::array<TEDFFieldDef, EDFFieldCount>& Fields) {
  std::array<std::string_view, EDFFieldCount> Names{};
  for (int i = 0; i < EDFFieldCount; ++i)
    Names[i] = Fields[i].Name;
  return Names;
}
inline constexpr auto GeneralHeaderFieldNames = FieldNames(GeneralHeaderFields);
inline constexpr auto SignalHeaderFieldNames = FieldNames(SignalHeaderFields);

constexpr int GeneralFieldWidth(TGeneralField Field) {
  return GeneralHeaderFields[static_cast<int>(Field)].Width;
}
constexpr int GeneralFieldOffset(TGeneralField Field) {
  return GeneralHeaderFields[static_cast<int>(Field)].Start;
}
constexpr int SignalFieldWidth(TSignalField Field) {
  return SignalHeaderFields[static_cast<int>(Field)].Width;
}

// Size of the whole header of a file with NrSignals signals: 256 * (ns + 1).
constexpr int64_t EDFHeaderSize(int64_t NrSignals) {
  return EDFGeneralHeaderSize + EDFSignalHeaderSize * NrSignals;
}

// Byte offset of field Field of signal Signal (0-based) in a file with NrSignals signals.
constexpr int64_t SignalFieldOffset(TSignalField Field, int64_t NrSignals, int64_t Signal) {
  const TEDFFieldDef& Def = SignalHeaderFields[static_cast<int>(Field)];
  return EDFGeneralHeaderSize + NrSignals * Def.Start + Signal * Def.Width;
}

// Byte offset of data record Index; 64-bit so that files beyond 2 GiB stay addressable.
constexpr int64_t RecordPosition(int64_t HeaderBytes, int64_t Index, int64_t RecordSamples,
                                 TEDFFormat Format = TEDFFormat::EDF) {
  return HeaderBytes + Index * RecordSamples * SampleBytes(Format);
}

// "yy" of a start date: 85..99 are 1985..1999, 00..84 are 2000..2084.
constexpr int EDFYearFromTwoDigits(int YY) {
  return YY >= 85 ? 1900 + YY : 2000 + YY;
}

// The texts of one header as read from the file, each of fixed capacity equal to its field's
// width; a longer text stored into one is cut to that capacity.
class TEDFRawHeader {
public:
  explicit TEDFRawHeader(const std::array<TEDFFieldDef, EDFFieldCount>& Fields)
      : FFields(&Fields) {}
  const std::string& Text(int Index) const { return FTexts.at(Index); }
  const std::string& operator[](int Index) const { return FTexts.at(Index); }
  void SetText(int Index, std::string_view Text) {
    FTexts.at(Index) = std::string(Text.substr(0, Width(Index)));
  }
  int Width(int Index) const { return (*FFields).at(Index).Width; }
  void Clear() { FTexts = {}; }
  bool operator==(const TEDFRawHeader& Other) const { return FTexts == Other.FTexts; }

private:
  const std::array<TEDFFieldDef, EDFFieldCount>* FFields;
  std::array<std::string, EDFFieldCount> FTexts;
};

class TEDFRawGeneralHeader : public TEDFRawHeader {
public:
  TEDFRawGeneralHeader() : TEDFRawHeader(GeneralHeaderFields) {}
};

class TEDFRawSignalHeader : public TEDFRawHeader {
public:
  TEDFRawSignalHeader() : TEDFRawHeader(SignalHeaderFields) {}
};

} // namespace velastrin
