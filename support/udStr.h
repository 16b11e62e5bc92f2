// String, number and date-text routines for fixed-width fields. Positions are 1-based.
#pragma once

#include "support/udroot.h"

#include <cstdint>
#include <string>

namespace velastrin {

// ---- Integer and number checks and conversions ------------------------------------------
// None of the checks raises. A separator given as 0 means "none". The forms without settings
// use FormatSettings().

// Whether S, blanks and control characters around it ignored, is an integer in the platform's
// syntax (decimal, or hexadecimal after $, x or 0x) within -2^31..2^31-1.
bool IsInteger(const std::string& S);
// The same within -32768..32767.
bool IsSmallInt(const std::string& S);
// The same within 0..65535.
bool IsWord(const std::string& S);
// Whether S, blanks around it ignored, is a finite decimal number: sign, digits, the decimal
// mark of Settings and digits, exponent; no thousands separators. A number that is not an
// integer must use that mark ("1.5" is no number under a comma mark).
bool IsFloat(const std::string& S);
bool IsFloat(const std::string& S, const TFormatSettings& Settings);
// Whether S is a number with DecSep as its decimal mark and ThouSep between groups of three
// digits before it (never after). The text left after the separators are taken out must pass
// IsFloat under Settings.
bool IsFloatSep(const std::string& S, char DecSep, char ThouSep);
bool IsFloatSep(const std::string& S, char DecSep, char ThouSep, const TFormatSettings& Settings);
// The value of a text IsFloatSep accepts; EConvertError "Invalid Float Format" otherwise.
long double StrToFloatSep(const std::string& S, char DecSep, char ThouSep);
long double StrToFloatSep(const std::string& S, char DecSep, char ThouSep,
                          const TFormatSettings& Settings);
// Guesses the separators still 0 from the shape of S: the decimal mark is the last character
// that is no digit, letter or sign, when it occurs once and does not look like a thousands
// separator (PreferLast: whenever it is found); the thousands separator is a character that
// returns every fourth place from the first group. Answers whether both are known now.
// EConvertError "Invalid Float Format" when S does not start with a sign or digit while the
// thousands separator is open, or a decimal mark breaks the groups.
bool DetectFloatSeparators(const std::string& S, char& DecSep, char& ThouSep, bool PreferLast);
// FloatToStrF with these separators (a DecSep of 0 writes "."), whatever the process settings.
std::string FloatToStrFSep(long double Value, TFloatFormat Format, int Precision, int Digits,
                           char DecSep, char ThouSep);
// The general format at the highest precision (at most 18) whose text has at most MaxLen
// characters; EConvertError "String exceeds max string length" when none fits.
std::string FloatToStrMaxLen(long double Value, char DecSep, char ThouSep, int MaxLen);

// ---- Date and time texts ----------------------------------------------------------------
// Whether S is exactly a date written in Fmt: it reads as a date (day, month and year
// numbers; names cannot be read) and writing that date under Fmt gives S back, ASCII case
// ignored. "/" in Fmt is the settings' date separator; "?" stands for whichever separator S
// has at that place. A blank S is no date. Never raises.
bool IsValidDateFmt(const std::string& S, const std::string& Fmt);
bool IsValidDateFmt(const std::string& S, const std::string& Fmt, const TFormatSettings& Settings);
// The same for a time: h, n (or m after h), s, z and the AM/PM tokens; ":" is the settings'
// time separator; a "." before z is the decimal point whatever the settings' mark is.
bool IsValidTimeFmt(const std::string& S, const std::string& Fmt);
bool IsValidTimeFmt(const std::string& S, const std::string& Fmt, const TFormatSettings& Settings);
// The date of a text IsValidDateFmt accepts; EConvertError "<S> is not a valid date" otherwise.
TDateTime StrToDateFmt(const std::string& S, const std::string& Fmt);
TDateTime StrToDateFmt(const std::string& S, const std::string& Fmt,
                       const TFormatSettings& Settings);

// ---- Fixed-width fields and words -------------------------------------------------------
// Count copies of Ch; empty for a Count of 0 or less.
std::string CharString(char Ch, int Count);
std::string Spaces(int Count);
// S cut or padded with blanks to exactly Width characters (empty for Width <= 0).
std::string PadRight(const std::string& S, int Width);
// Whether S has no blanks or control characters in front of its text; a blank S counts as
// left-aligned.
bool IsLeftAligned(const std::string& S);
// Whether every byte of S is printable ASCII (32..126); an empty S is.
bool IsPrintable(const std::string& S);
// Whether Ch is an ASCII digit.
bool IsDigit(char Ch);
// Token := the text of S before the first of Delimiters, trimmed; S := what follows that
// delimiter. Without a delimiter Token is all of S, trimmed, and S becomes empty.
void ExtractToken(std::string& S, const std::string& Delimiters, std::string& Token);
// S between double quotes, nothing escaped.
std::string QuoteStr(const std::string& S);
// Quoted := the text between the first two double quotes of S (to its end when unclosed),
// quoted again when AddQuotes; S loses everything up to the closing quote and the character
// after it (all of S when unclosed). Without a quote in S, Quoted is empty and S stays.
void ExtractQuoted(std::string& S, bool AddQuotes, std::string& Quoted);

// ---- Scanning at a position -------------------------------------------------------------
// Each routine moves Pos past what it read and leaves Pos as it was when it answers false.

// Takes the whole run of CharSet characters at Pos into Token; false when the run is empty or
// its length is outside MinLen..MaxLen (a negative bound is open). CharSet lists the accepted
// characters; an empty CharSet accepts every character.
bool ScanCharSet(const std::string& S, int& Pos, const std::string& CharSet, std::string& Token,
                 int MinLen, int MaxLen);
// A run of "+" and digits as ScanCharSet takes it, whose value is 0..65535.
bool ScanNumber(const std::string& S, int& Pos, uint16_t& Value, int MinLen, int MaxLen);
// Whether Candidate stands at Pos; IgnoreCase folds ASCII, and Unicode case for UTF-8 text.
// An empty Candidate matches without moving Pos.
bool MatchText(const std::string& S, int& Pos, const std::string& Candidate, bool IgnoreCase);
// The first of Candidates that stands at Pos, case ignored: Index is its index, or -1.
bool MatchOneOf(const TDynStringArray& Candidates, const std::string& S, int& Index, int& Pos);
// From Pos on: Result := the text after the next OpenCh up to CloseCh (to the end of S when
// unclosed), with both characters around it when KeepDelims; Pos moves past CloseCh (past the
// end when unclosed). Without an OpenCh, Result is empty and Pos stays.
void ExtractDelimited(const std::string& S, char OpenCh, char CloseCh, std::string& Result,
                      bool KeepDelims, int& Pos);

// The project-file setting read from the programs INI file at start-up.
const std::string& PSGProjectFile();

// Registers udStr and reads its INI setting (idempotent).
void InitUnit_udStr();

} // namespace velastrin
