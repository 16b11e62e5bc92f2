// Runtime services: the exceptions' helpers, small text helpers, the replaceable clock and
// the command line. Locale settings, dates and numbers have files of their own.
#include "support/uSysUtils.h"

#include <charconv>
#include <chrono>
#include <ctime>

namespace velastrin {

// ---- Exceptions -------------------------------------------------------------------------

void AssertFailed(const std::string& Text, const char* File, int Line) {
  std::string Name = File ? File : "";
  const auto Slash = Name.find_last_of("/\\");
  if (Slash != std::string::npos)
    Name.erase(0, Slash + 1);
  throw EAssertionFailed(Text + " (" + Name + ", line " + std::to_string(Line) + ")");
}

// ---- Small text helpers -----------------------------------------------------------------

namespace {

bool IsBlankChar(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}
char AsciiUpper(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}
char AsciiLower(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C;
}

} // namespace

std::string Trim(const std::string& S) {
  return TrimLeft(TrimRight(S));
}

std::string TrimLeft(const std::string& S) {
  std::size_t I = 0;
  while (I < S.size() && IsBlankChar(S[I]))
    ++I;
  return S.substr(I);
}

std::string TrimRight(const std::string& S) {
  std::size_t N = S.size();
  while (N > 0 && IsBlankChar(S[N - 1]))
    --N;
  return S.substr(0, N);
}

std::string ZeroPadded(int64_t Value, int Width) {
  // The magnitude as unsigned, so that the most negative value has one too.
  const uint64_t Magnitude = Value < 0 ? 0 - static_cast<uint64_t>(Value) : Value;
  char Digits[24];
  const auto Result = std::to_chars(Digits, Digits + sizeof Digits, Magnitude);
  const auto Count = static_cast<int>(Result.ptr - Digits);
  std::string R = Value < 0 ? "-" : "";
  if (Count < Width)
    R.append(static_cast<std::size_t>(Width - Count), '0');
  return R.append(Digits, Result.ptr);
}

std::string UpperCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    C = AsciiUpper(C);
  return R;
}

std::string LowerCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    C = AsciiLower(C);
  return R;
}

int CompareText(const std::string& A, const std::string& B) {
  const std::size_t N = std::min(A.size(), B.size());
  for (std::size_t I = 0; I < N; ++I) {
    const int CA = static_cast<unsigned char>(AsciiUpper(A[I]));
    const int CB = static_cast<unsigned char>(AsciiUpper(B[I]));
    if (CA != CB)
      return CA - CB;
  }
  return static_cast<int>(A.size()) - static_cast<int>(B.size()) < 0   ? -1
         : static_cast<int>(A.size()) - static_cast<int>(B.size()) > 0 ? 1
                                                                       : 0;
}

bool SameText(const std::string& A, const std::string& B) {
  return A.size() == B.size() && CompareText(A, B) == 0;
}

// ---- "Now" ------------------------------------------------------------------------------

namespace {

std::function<TDateTime()>& NowFunction() {
  static std::function<TDateTime()> F;
  return F;
}

TDateTime SystemNow() {
  using namespace std::chrono;
  const auto T = system_clock::now();
  const std::time_t Secs = system_clock::to_time_t(T);
  std::tm Local{};
  localtime_r(&Secs, &Local);
  const int MSec =
      static_cast<int>(duration_cast<milliseconds>(T.time_since_epoch()).count() % 1000);
  TDateTime D = 0, Tm = 0;
  TryEncodeDate(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday, D);
  TryEncodeTime(Local.tm_hour, Local.tm_min, std::min(Local.tm_sec, 59), MSec < 0 ? 0 : MSec, Tm);
  return D + Tm;
}

} // namespace

TDateTime Now() {
  return NowFunction() ? NowFunction()() : SystemNow();
}

void SetNowFunction(std::function<TDateTime()> Function) {
  NowFunction() = std::move(Function);
}

uint16_t CurrentYear() {
  uint16_t Y = 0, M = 0, D = 0;
  DecodeDate(Now(), Y, M, D);
  return Y;
}

// ---- Command line -----------------------------------------------------------------------

namespace {

std::vector<std::string>& CommandLine() {
  static std::vector<std::string> Args;
  return Args;
}

} // namespace

void SetCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> Args;
  for (int I = 0; I < argc; ++I)
    Args.emplace_back(argv[I] ? argv[I] : "");
  SetCommandLine(std::move(Args));
}

void SetCommandLine(std::vector<std::string> Args) {
  CommandLine() = std::move(Args);
}

int ParamCount() {
  const auto N = CommandLine().size();
  return N == 0 ? 0 : static_cast<int>(N - 1);
}

std::string ParamStr(int Index) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= CommandLine().size())
    return {};
  return CommandLine()[static_cast<std::size_t>(Index)];
}

bool FindCmdLineSwitch(const std::string& Switch, bool IgnoreCase) {
  for (int I = 1; I <= ParamCount(); ++I) {
    const std::string P = ParamStr(I);
    if (P.size() < 2 || (P[0] != '-' && P[0] != '/'))
      continue;
    const std::string Rest = P.substr(1);
    if (IgnoreCase ? SameText(Rest, Switch) : Rest == Switch)
      return true;
  }
  return false;
}

} // namespace velastrin
