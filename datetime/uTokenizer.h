// Tokenizers: an abstract walker over a sequence of tokens, a string tokenizer with scanning
// helpers, and the tokenizer that splits date-time format strings into typed tokens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velastrin {

// The numbers are part of the interface: the date-time convertor treats 1..19 and 23..33 as
// supported, 27..29 as the AM/PM group and 30..32 as separators.
enum TDateTimeTokenKind : uint8_t {
  dtkNone = 0,        // no token
  dtkDateTime = 1,    // "c"
  dtkDay = 2,         // "d"
  dtkDay2 = 3,        // "dd"
  dtkDayShort = 4,    // "ddd"
  dtkDayLong = 5,     // "dddd"
  dtkShortDate = 6,   // "ddddd"
  dtkLongDate = 7,    // "dddddd"
  dtkMonth = 8,       // "m"
  dtkMonth2 = 9,      // "mm"
  dtkMonthShort = 10, // "mmm"
  dtkMonthLong = 11,  // "mmmm"
  dtkYear2 = 12,      // "yy"
  dtkYear4 = 13,      // "yyyy"
  dtkHour = 14,       // "h"
  dtkHour2 = 15,      // "hh"
  dtkMinute = 16,     // "n"
  dtkMinute2 = 17,    // "nn"
  dtkSecond = 18,     // "s"
  dtkSecond2 = 19,    // "ss"
  dtkSecond3 = 20,    // "sss"
  dtkSecond4 = 21,    // "ssss"
  dtkSecond5 = 22,    // "sssss"
  dtkMSec = 23,       // "z"
  dtkMSec3 = 24,      // "zzz"
  dtkShortTime = 25,  // "t"
  dtkLongTime = 26,   // "tt"
  dtkAmPm = 27,       // "am/pm"
  dtkAP = 28,         // "a/p"
  dtkAmPmLocale = 29, // "ampm"
  dtkDateSep = 30,    // "/"
  dtkTimeSep = 31,    // ":"
  dtkAnyChar = 32,    // "?"
  dtkLiteral = 33,    // quoted text, or any other single character
};

// Walks a sequence of tokens. First and Next answer whether a token was read.
class TCustomTokenizer {
public:
  TCustomTokenizer() = default;
  virtual ~TCustomTokenizer() = default;
  TCustomTokenizer(const TCustomTokenizer&) = delete;
  TCustomTokenizer& operator=(const TCustomTokenizer&) = delete;

  virtual bool First() = 0;
  virtual bool Prior() = 0;
  virtual bool Next() = 0;

  // 1-based index of the next character to read; 0 before any text was given.
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t Value) { FPosition = Value; }

protected:
  int32_t FPosition = 0;
};

// Reads tokens out of a text; the concrete grammar lives in ReadToken.
class TStringTokenizer : public TCustomTokenizer {
public:
  bool First() override;
  // Steps back to the token before the current one by reading again from the start of the
  // text; False when there is none (also when Position is below 2).
  bool Prior() override;
  bool Next() override;

  const std::string& Text() const { return FText; }
  // Takes a new text and goes back to its start; the current token stays until the next read.
  void SetText(const std::string& S);
  const std::string& Token() const { return FToken; }

  // The character Offset places after Position (Offset 0 is the one at Position itself);
  // the character code 0 outside the text.
  char PeekChar(int32_t Offset) const;
  // The number of equal characters from Position on (ASCII case folded when IgnoreCase);
  // 0 past the end.
  int32_t RunLength(bool IgnoreCase) const;
  // Index of the first candidate that the text at Position starts with; -1 when none does.
  int32_t MatchCandidates(const std::vector<std::string>& Candidates, bool IgnoreCase) const;

protected:
  // Reads one token at Pos (always Position itself) and moves Pos past it.
  virtual bool ReadToken(int32_t& Pos) = 0;
  void SetTokenText(const std::string& S) { FToken = S; }

private:
  std::string FText;
  std::string FToken;
  int32_t FTokenStart = 0; // where the current token began, for Prior
};

// Splits a date-time format string into typed tokens. Letter runs are counted ignoring
// ASCII case; a run its letter does not allow, or an "a" that starts none of the AM/PM
// forms, gives dtkNone and so ends every walk.
class TDateTimeFormatTokenizer : public TStringTokenizer {
public:
  TDateTimeTokenKind Kind() const { return FKind; }

  void SetToken(TDateTimeTokenKind Kind, const std::string& TokenText, bool Advance);
  // Kinds[n - 1] for a run of n equal letters at Position; dtkNone when n is 0 or more than
  // the kinds given (Position then stays).
  void TokenFromRun(bool IgnoreCase, const std::vector<TDateTimeTokenKind>& Kinds);
  // Kinds[i] for the first candidate i that matches at Position; the token keeps the case
  // written in the text.
  void TokenFromCandidates(const std::vector<std::string>& Candidates,
                           const std::vector<TDateTimeTokenKind>& Kinds, bool IgnoreCase);

protected:
  bool ReadToken(int32_t& Pos) override;

private:
  TDateTimeTokenKind FKind = dtkNone;
};

} // namespace velastrin
