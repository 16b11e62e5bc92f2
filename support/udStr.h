// String, number and date-text routines for fixed-width fields. Positions are 1-based.
#pragma once

#include "support/udroot.h"

#include <cstdint>
#include <string>

namespace velastrin {

// ---- Integer and number checks and conversions ------------------------------------------
bool IsInteger(const std::string& S);
bool IsSmallInt(const std::string& S);
bool IsWord(const std::string& S);
bool IsFloat(const std::string& S);
bool IsFloat(const std::string& S, const TFormatSettings& Settings);
bool IsFloatSep(const std::string& S, char DecSep, char ThouSep);
bool IsFloatSep(const std::string& S, char DecSep, char ThouSep, const TFormatSettings& Settings);
long double StrToFloatSep(const std::string& S, char DecSep, char ThouSep);
long double StrToFloatSep(const std::string& S, char DecSep, char ThouSep,
                          const TFormatSettings& Settings);
bool DetectFloatSeparators(const std::string& S, char& DecSep, char& ThouSep, bool PreferLast);
std::string FloatToStrFSep(long double Value, TFloatFormat Format, int Precision, int Digits,
                           char DecSep, char ThouSep);
std::string FloatToStrMaxLen(long double Value, char DecSep, char ThouSep, int MaxLen);

// ---- Date and time texts ----------------------------------------------------------------
bool IsValidDateFmt(const std::string& S, const std::string& Fmt);
bool IsValidDateFmt(const std::string& S, const std::string& Fmt, const TFormatSettings& Settings);
bool IsValidTimeFmt(const std::string& S, const std::string& Fmt);
bool IsValidTimeFmt(const std::string& S, const std::string& Fmt, const TFormatSettings& Settings);
TDateTime StrToDateFmt(const std::string& S, const std::string& Fmt);
TDateTime StrToDateFmt(const std::string& S, const std::string& Fmt,
                       const TFormatSettings& Settings);

// ---- Fixed-width fields and words -------------------------------------------------------
std::string CharString(char Ch, int Count);
std::string Spaces(int Count);
std::string PadRight(const std::string& S, int Width);
bool IsLeftAligned(const std::string& S);
bool IsPrintable(const std::string& S);
bool IsDigit(char Ch);
void ExtractToken(std::string& S, const std::string& Delimiters, std::string& Token);
std::string QuoteStr(const std::string& S);
void ExtractQuoted(std::string& S, bool AddQuotes, std::string& Quoted);

// ---- Scanning at a position -------------------------------------------------------------
// CharSet lists the accepted characters; an empty CharSet accepts every character.
bool ScanCharSet(const std::string& S, int& Pos, const std::string& CharSet, std::string& Token,
                 int MinLen, int MaxLen);
bool ScanNumber(const std::string& S, int& Pos, uint16_t& Value, int MinLen, int MaxLen);
bool MatchText(const std::string& S, int& Pos, const std::string& Candidate, bool IgnoreCase);
bool MatchOneOf(const TDynStringArray& Candidates, const std::string& S, int& Index, int& Pos);
void ExtractDelimited(const std::string& S, char OpenCh, char CloseCh, std::string& Result,
                      bool KeepDelims, int& Pos);

// The project-file setting read from the programs INI file at start-up.
const std::string& PSGProjectFile();

// Registers udStr and reads its INI setting (idempotent).
void InitUnit_udStr();

} // namespace velastrin
