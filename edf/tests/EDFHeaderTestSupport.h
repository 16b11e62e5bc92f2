// Helpers shared by the header record tests: raw headers built from field texts, and date
// serials computed independently of the library under test.
#pragma once

#include "edf/uEDFHeader.h"
#include "edf/uEDFLayout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace velastrin::test {

// Days since 30 December 1899, from the standard library's civil calendar.
inline double DateSerial(int Y, unsigned M, unsigned D) {
  using namespace std::chrono;
  return static_cast<double>(
      (sys_days{year{Y} / month{M} / day{D}} - sys_days{year{1899} / December / 30}).count());
}

inline double TimeSerial(int H, int M, int S) {
  return (H * 3600.0 + M * 60.0 + S) / 86400.0;
}

// Text without trailing blanks.
inline std::string Trim(std::string S) {
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ')
    S.pop_back();
  return S;
}

// Text padded with blanks to Width, as a file would hold it.
inline std::string Field(const std::string& Text, int Width) {
  std::string S = Text.substr(0, static_cast<std::size_t>(Width));
  S.resize(static_cast<std::size_t>(Width), ' ');
  return S;
}

using TGeneralTexts = std::initializer_list<std::pair<TGeneralField, std::string>>;
using TSignalTexts = std::initializer_list<std::pair<TSignalField, std::string>>;

// A conforming general header of 2 signals, 10 records of 1 s, starting 01.01.00 12.00.00.
inline TEDFRawGeneralHeader ValidGeneralRaw(TGeneralTexts Changes = {}) {
  const std::string Texts[EDFFieldCount] = {
      "0", "X X X X", "Startdate X X X X", "01.01.00", "12.00.00", "768", "", "10", "1", "2"};
  TEDFRawGeneralHeader Raw;
  for (int i = 0; i < EDFFieldCount; ++i)
    Raw.SetText(i, Field(Texts[i], Raw.Width(i)));
  for (const auto& [Which, Text] : Changes)
    Raw.SetText(static_cast<int>(Which), Field(Text, Raw.Width(static_cast<int>(Which))));
  return Raw;
}

// A conforming signal header: -2048..2047 mapped onto -500..500 uV, 100 samples per record.
inline TEDFRawSignalHeader ValidSignalRaw(TSignalTexts Changes = {}) {
  const std::string Texts[EDFFieldCount] = {
      "EEG Fpz-Cz", "AgAgCl electrode", "uV",  "-500", "500", "-2048",
      "2047",       "HP:0.1Hz LP:75Hz", "100", ""};
  TEDFRawSignalHeader Raw;
  for (int i = 0; i < EDFFieldCount; ++i)
    Raw.SetText(i, Field(Texts[i], Raw.Width(i)));
  for (const auto& [Which, Text] : Changes)
    Raw.SetText(static_cast<int>(Which), Field(Text, Raw.Width(static_cast<int>(Which))));
  return Raw;
}

// Texts no header field should ever make the loader raise on.
inline const std::vector<std::string>& GarbageTexts() {
  static const std::vector<std::string> Texts = {std::string(8, '\0'),
                                                 std::string("\x01\x02\x03\x7f\t\r\n", 7),
                                                 "\xff\xfe\xe9\xa0\x80\x81",
                                                 "        ",
                                                 "99999999999999999999999999999999",
                                                 "-9999999",
                                                 "1e999999",
                                                 "-1e99999",
                                                 "$7FFFFFF",
                                                 "0x7FFFFF",
                                                 "..,,..,,",
                                                 "-",
                                                 "+",
                                                 "1.2.3.4",
                                                 "31.09.87",
                                                 "X X 31.SEP.1987 Y",
                                                 "Startdate 32.JAN.2000 X X X",
                                                 "nan",
                                                 "inf"};
  return Texts;
}

// The fields whose validity flag is false, for comparing whole flag sets at once.
inline std::set<TGeneralField> InvalidFields(const TCustomEDFFileInfo& Info) {
  std::set<TGeneralField> Result;
  for (int i = 0; i < EDFFieldCount; ++i)
    if (!Info.FieldValid(i))
      Result.insert(static_cast<TGeneralField>(i));
  return Result;
}

inline std::set<TSignalField> InvalidFields(const TCustomEDFSignalInfo& Info) {
  std::set<TSignalField> Result;
  for (int i = 0; i < EDFFieldCount; ++i)
    if (!Info.GetFieldValid(i))
      Result.insert(static_cast<TSignalField>(i));
  return Result;
}

inline std::string_view FieldName(TGeneralField Field) {
  return GeneralHeaderFieldNames[static_cast<int>(Field)];
}
inline std::string_view FieldName(TSignalField Field) {
  return SignalHeaderFieldNames[static_cast<int>(Field)];
}

// Field names, so that a failing comparison says which flags differ.
template <typename TField> std::string NamesOf(const std::set<TField>& Fields) {
  std::string S;
  for (TField F : Fields)
    S += std::string(FieldName(F)) + " ";
  return S.empty() ? "none" : S;
}
inline std::string Names(const std::set<TGeneralField>& Fields) {
  return NamesOf(Fields);
}
inline std::string Names(const std::set<TSignalField>& Fields) {
  return NamesOf(Fields);
}

// A free text setter of a header record, with the getter of what it stores.
template <typename TInfo>
using TTextSetter = std::tuple<const char*, void (TInfo::*)(const std::string&),
                               const std::string& (TInfo::*)() const>;

// Each setter, given the stored text plus trailing blanks on a freshly loaded record (Load),
// keeps Modified down and stores the text unchanged; given another text it raises Modified.
template <typename TInfo, typename TLoad>
void ExpectSettersJudgeTrimmedText(TLoad Load, const std::vector<TTextSetter<TInfo>>& Setters) {
  for (const auto& [Name, Set, Get] : Setters) {
    SCOPED_TRACE(Name);
    auto Info = Load();
    const std::string Text = ((*Info).*Get)();
    ((*Info).*Set)(Text + "   ");
    EXPECT_FALSE(Info->Modified());
    EXPECT_EQ(((*Info).*Get)(), Text);
    ((*Info).*Set)(Text + "x");
    EXPECT_TRUE(Info->Modified());
  }
}

} // namespace velastrin::test
