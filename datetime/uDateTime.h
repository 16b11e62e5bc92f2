// Conversion between date-time values and texts under format strings, with the day and
// month names of a chosen Windows locale (LCID).
#pragma once

#include "datetime/uTokenizer.h"
#include "support/uSysUtils.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velastrin {

// Formats and parses one date-time value under one format. The format is stored expanded:
// composite tokens replaced by the locale formats they stand for, letter runs upper-cased,
// and "m"/"mm" right after an hour turned into minutes ("N"/"NN").
//
// Parsing never raises; a text that does not fit the format leaves TextValid false. Only
// the day and month name tokens may raise ("Invalid LCID") when LCID is not installed.
class TDateTimeStringConvertor {
public:
  TDateTimeStringConvertor();
  virtual ~TDateTimeStringConvertor();
  TDateTimeStringConvertor(const TDateTimeStringConvertor&) = delete;
  TDateTimeStringConvertor& operator=(const TDateTimeStringConvertor&) = delete;

  // Parses S under Format; sets Text, DateTime (when the fields encode) and TextValid.
  virtual void SetText(const std::string& S);
  // Stores Value and renders Text.
  virtual void SetDateTime(TDateTime Value);
  virtual TDateTime GetDateTime() const;
  // Renders DateTime under Format.
  virtual void BuildText(std::string& S);
  // The text of one token for the fields decoded by BuildText.
  virtual void FormatToken(TDateTimeTokenKind Kind, const std::string& TokenText, std::string& S);
  // Whether the tokenizer's current token may appear in a format.
  virtual bool IsTokenSupported();
  // Zeroes Year .. MSec.
  virtual void ClearFields();
  // Combines the parsed fields into DateTime; True only for a valid date and time.
  virtual bool EncodeFields();
  // Reads one token of S at Pos and moves Pos past it; False on any mismatch.
  virtual bool ParseToken(TDateTimeTokenKind Kind, const std::string& TokenText, int32_t& Pos,
                          const std::string& S);

  std::string ExpandFormat(const std::string& F);
  void SetFormat(const std::string& F);
  // Stores the locale and takes its format settings; Text is not rendered again.
  void SetLCID(uint16_t Value);
  bool IsFormatValid();

  TDateTime DateTime() const { return GetDateTime(); }
  const std::string& Format() const { return FFormat; }
  const std::string& Text() const { return FText; }
  bool TextValid() const { return FTextValid; }
  uint16_t LCID() const { return FLCID; }
  // The settings of LCID (not the process-wide ones).
  const TFormatSettings& FormatSettings() const { return FFormatSettings; }

  uint16_t Year() const { return FYear; }
  uint16_t Month() const { return FMonth; }
  uint16_t DayOfWeek() const { return FDayOfWeek; }
  uint16_t Day() const { return FDay; }
  uint16_t Hour() const { return FHour; }
  uint16_t Minute() const { return FMinute; }
  uint16_t Second() const { return FSecond; }
  uint16_t MSec() const { return FMSec; }
  bool PMMarker() const { return FPMMarker; }
  bool AmPmPresent() const { return FAmPmPresent; }

protected:
  TDateTimeFormatTokenizer& Tokenizer() { return *FTokenizer; }

private:
  // Text := the rendering of DateTime under Format, when there is one.
  void Render();
  std::string ExpandFormatAt(const std::string& F, int Depth);
  bool ParseNumber(int32_t& Pos, const std::string& S, uint16_t& Field, int MinLen, int MaxLen);
  // The field of a numeric token, the digits it is written with (Width) and the most it is
  // read with (MaxLen); null for any other token.
  uint16_t* NumberField(TDateTimeTokenKind Kind, int& Width, int& MaxLen);

  TFormatSettings FFormatSettings;
  uint16_t FYear = 0;
  uint16_t FMonth = 0;
  uint16_t FDayOfWeek = 0;
  uint16_t FDay = 0;
  uint16_t FHour = 0;
  uint16_t FMinute = 0;
  uint16_t FSecond = 0;
  uint16_t FMSec = 0;
  bool FPMMarker = false;
  uint16_t FLCID = 0;
  bool FAmPmPresent = false;
  std::unique_ptr<TDateTimeFormatTokenizer> FTokenizer;
  TDateTime FDateTime = 0;
  std::string FFormat;
  std::string FText;
  bool FTextValid = false;
  bool FDateFieldParsed = false; // a day, month or year token was read by the current parse
};

// Parses S under the format F with the day and month names of LCID (0: the default locale).
// Answers whether S fits; Value is set only then. Raises an assertion failure for an LCID
// that is not installed ("Invalid LCID") and for a format that cannot be used ("Invalid
// datetime format string").
bool TryStrToDateTimeFmt(const std::string& S, const std::string& F, double& Value, int32_t LCID);

// Registers this unit (idempotent).
void InitUnit_uDateTime();

} // namespace velastrin
