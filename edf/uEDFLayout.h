// The EDF byte layout: field tables for the general header and the signal header block, the
// record positions and the two-digit-year rule. Readers and writers both walk these tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velastrin {

struct TEDFFieldDef {
  std::string_view Name;
  int Width;
  // General header: byte offset. Signal header: block start, to be multiplied by NrSignals.
  int Start;
};

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
    {"Version", 8, 0},
    {"Patient", 80, 8},
    {"Recording", 80, 88},
    {"StartDate", 8, 168},
    {"StartTime", 8, 176},
    {"HeaderBytes", 8, 184},
    {"Reserved", 44, 192},
    {"NrDataRecords", 8, 236},
    {"SampleRecDuration", 8, 244},
    {"NrSignals", 4, 252},
}};

inline constexpr std::array<TEDFFieldDef, EDFFieldCount> SignalHeaderFields{{
    {"SignalLabel", 16, 0},
    {"Transducertype", 80, 16},
    {"Physidim", 8, 96},
    {"Physimin", 8, 104},
    {"Physimax", 8, 112},
    {"Digimin", 8, 120},
    {"Digimax", 8, 128},
    {"Prefilter", 80, 136},
    {"NrSamples", 8, 216},
    {"Reserved", 32, 224},
}};

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
constexpr int64_t RecordPosition(int64_t HeaderBytes, int64_t Index, int64_t RecordSamples) {
  return HeaderBytes + Index * RecordSamples * 2;
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
