#include "datetime/uTokenizer.h"

#include "support/udStr.h"

namespace velastrin {

namespace {

char FoldUpper(char Ch) {
  return (Ch >= 'a' && Ch <= 'z') ? static_cast<char>(Ch - 'a' + 'A') : Ch;
}

} // namespace

// ---- TStringTokenizer -----------------------------------------------------------------

bool TStringTokenizer::First() {
  FPosition = 1;
  FTokenStart = FPosition;
  return ReadToken(FPosition);
}

bool TStringTokenizer::Next() {
  FTokenStart = FPosition;
  return ReadToken(FPosition);
}

bool TStringTokenizer::Prior() {
  if (FPosition < 2)
    return false;
  const int32_t Current = FTokenStart;
  // Tokens only make sense read from the start, so walk forward to the last token that
  // begins before the current one.
  int32_t Found = 0;
  FPosition = 1;
  while (FPosition < Current) {
    const int32_t Start = FPosition;
    if (!ReadToken(FPosition))
      break;
    Found = Start;
  }
  FTokenStart = Found > 0 ? Found : Current;
  FPosition = FTokenStart;
  const bool Read = ReadToken(FPosition); // leaves the chosen token current
  return Found > 0 && Read;
}

void TStringTokenizer::SetText(const std::string& S) {
  FText = S;
  FPosition = 1;
  FTokenStart = 1;
}

char TStringTokenizer::PeekChar(int32_t Offset) const {
  const int64_t Index = static_cast<int64_t>(FPosition) + Offset;
  if (Index < 1 || Index > static_cast<int64_t>(FText.size()))
    return '\0';
  return FText[static_cast<std::size_t>(Index - 1)];
}

int32_t TStringTokenizer::RunLength(bool IgnoreCase) const {
  if (FPosition < 1 || FPosition > static_cast<int32_t>(FText.size()))
    return 0;
  auto Fold = [IgnoreCase](char Ch) { return IgnoreCase ? FoldUpper(Ch) : Ch; };
  const char First = Fold(FText[static_cast<std::size_t>(FPosition - 1)]);
  std::size_t i = static_cast<std::size_t>(FPosition - 1);
  while (i < FText.size() && Fold(FText[i]) == First)
    ++i;
  return static_cast<int32_t>(i - static_cast<std::size_t>(FPosition - 1));
}

int32_t TStringTokenizer::MatchCandidates(const std::vector<std::string>& Candidates,
                                          bool IgnoreCase) const {
  if (FPosition < 1)
    return -1;
  const std::size_t Start = static_cast<std::size_t>(FPosition - 1);
  for (std::size_t c = 0; c < Candidates.size(); ++c) {
    const std::string& Candidate = Candidates[c];
    if (Start > FText.size() || FText.size() - Start < Candidate.size())
      continue;
    bool Equal = true;
    for (std::size_t i = 0; i < Candidate.size() && Equal; ++i) {
      char A = FText[Start + i];
      char B = Candidate[i];
      if (IgnoreCase) {
        A = FoldUpper(A);
        B = FoldUpper(B);
      }
      Equal = A == B;
    }
    if (Equal)
      return static_cast<int32_t>(c);
  }
  return -1;
}

// ---- TDateTimeFormatTokenizer ---------------------------------------------------------

void TDateTimeFormatTokenizer::SetToken(TDateTimeTokenKind Kind, const std::string& TokenText,
                                        bool Advance) {
  FKind = Kind;
  SetTokenText(TokenText);
  if (Advance)
    FPosition += static_cast<int32_t>(TokenText.size());
}

void TDateTimeFormatTokenizer::TokenFromRun(bool IgnoreCase,
                                            const std::vector<TDateTimeTokenKind>& Kinds) {
  const int32_t n = RunLength(IgnoreCase);
  if (n < 1 || n > static_cast<int32_t>(Kinds.size())) {
    SetToken(dtkNone, std::string(), true);
    return;
  }
  char Ch = PeekChar(0);
  if (IgnoreCase)
    Ch = FoldUpper(Ch);
  SetToken(Kinds[static_cast<std::size_t>(n - 1)], std::string(static_cast<std::size_t>(n), Ch),
           true);
}

void TDateTimeFormatTokenizer::TokenFromCandidates(const std::vector<std::string>& Candidates,
                                                   const std::vector<TDateTimeTokenKind>& Kinds,
                                                   bool IgnoreCase) {
  const int32_t i = MatchCandidates(Candidates, IgnoreCase);
  if (i < 0 || i >= static_cast<int32_t>(Kinds.size())) {
    SetToken(dtkNone, std::string(), true);
    return;
  }
  const std::size_t Length = Candidates[static_cast<std::size_t>(i)].size();
  SetToken(Kinds[static_cast<std::size_t>(i)],
           Text().substr(static_cast<std::size_t>(FPosition - 1), Length), true);
}

bool TDateTimeFormatTokenizer::ReadToken(int32_t& Pos) {
  FPosition = Pos;
  SetToken(dtkNone, std::string(), true);
  if (FPosition < 1 || FPosition > static_cast<int32_t>(Text().size())) {
    Pos = FPosition;
    return false;
  }
  const char Ch = PeekChar(0);
  switch (FoldUpper(Ch)) {
  case '"':
  case '\'': {
    // The closing quote is supplied when the text ends first, so a literal token always
    // has both quotes.
    std::string Quoted;
    int Next = FPosition;
    ExtractDelimited(Text(), Ch, Ch, Quoted, true, Next);
    if (Next <= FPosition) { // never stand still, whatever the scan answered
      Quoted = Ch + Text().substr(static_cast<std::size_t>(FPosition)) + Ch;
      Next = static_cast<int>(Text().size()) + 1;
    }
    SetToken(dtkLiteral, Quoted, false);
    FPosition = Next;
    break;
  }
  case '/':
    SetToken(dtkDateSep, "/", true);
    break;
  case ':':
    SetToken(dtkTimeSep, ":", true);
    break;
  case '?':
    SetToken(dtkAnyChar, "?", true);
    break;
  case 'A':
    TokenFromCandidates({"AM/PM", "A/P", "AMPM"}, {dtkAmPm, dtkAP, dtkAmPmLocale}, true);
    break;
  case 'C':
    SetToken(dtkDateTime, "C", true);
    break;
  case 'D':
    TokenFromRun(true, {dtkDay, dtkDay2, dtkDayShort, dtkDayLong, dtkShortDate, dtkLongDate});
    break;
  case 'H':
    TokenFromRun(true, {dtkHour, dtkHour2});
    break;
  case 'M':
    TokenFromRun(true, {dtkMonth, dtkMonth2, dtkMonthShort, dtkMonthLong});
    break;
  case 'N':
    TokenFromRun(true, {dtkMinute, dtkMinute2});
    break;
  case 'S':
    TokenFromRun(true, {dtkSecond, dtkSecond2, dtkSecond3, dtkSecond4, dtkSecond5});
    break;
  case 'T':
    TokenFromRun(true, {dtkShortTime, dtkLongTime});
    break;
  case 'Y':
    TokenFromRun(true, {dtkNone, dtkYear2, dtkNone, dtkYear4});
    break;
  case 'Z':
    TokenFromRun(true, {dtkMSec, dtkNone, dtkMSec3});
    break;
  default:
    SetToken(dtkLiteral, std::string(1, Ch), true);
    break;
  }
  Pos = FPosition;
  return FKind != dtkNone;
}

} // namespace velastrin
