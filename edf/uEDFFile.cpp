// The EDF file object: the file stream, opening, reading the header, validity and reading
// data records. Creating and writing are in uEDFFileWrite.cpp.
#include "edf/uEDFFile.h"

#include "edf/uEDF.h"
#include "edf/uEDFHeader.h"
#include "support/uScopeGuard.h"
#include "support/udDisk.h"
#include "support/udStr.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace velastrin {

namespace {

std::string SystemReason(int Error) {
  return std::generic_category().message(Error);
}

[[noreturn]] void RaiseOpenError(const std::string& FileName, bool Creating, int Error,
                                 const std::string& Reason = {}) {
  const std::string Why = Reason.empty() ? SystemReason(Error) : Reason;
  if (Creating)
    throw EFCreateError("Cannot create file \"" + FileName + "\". " + Why);
  throw EFOpenError("Cannot open file \"" + FileName + "\". " + Why);
}

int OpenRetrying(const std::string& FileName, int Flags) {
  int Handle;
  do {
    Handle = ::open(FileName.c_str(), Flags | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (Handle < 0 && errno == EINTR);
  return Handle;
}

// Samples are little-endian in the file.
void SwapToHost(int16_t* Samples, int64_t Count) {
  if constexpr (std::endian::native == std::endian::big) {
    for (int64_t i = 0; i < Count; ++i)
      Samples[i] = static_cast<int16_t>(__builtin_bswap16(static_cast<uint16_t>(Samples[i])));
  } else {
    (void)Samples;
    (void)Count;
  }
}

} // namespace

// ---- TEDFFileStream ---------------------------------------------------------------------

TEDFFileStream::TEDFFileStream(const std::string& FileName, TMode Mode) : FFileName(FileName) {
  bool Creating = Mode == TMode::CreateExclusive;
  switch (Mode) {
  case TMode::ReadShared:
    FHandle = OpenRetrying(FileName, O_RDONLY);
    break;
  case TMode::ReadWriteExclusive:
    FHandle = OpenRetrying(FileName, O_RDWR);
    break;
  case TMode::ReadWriteOrCreate:
    FHandle = OpenRetrying(FileName, O_RDWR);
    if (FHandle < 0 && errno == ENOENT) {
      Creating = true;
      FHandle = OpenRetrying(FileName, O_RDWR | O_CREAT | O_EXCL);
      if (FHandle < 0 && errno == EEXIST) { // made by someone else in between
        Creating = false;
        FHandle = OpenRetrying(FileName, O_RDWR);
      }
    }
    break;
  case TMode::CreateExclusive:
    FHandle = OpenRetrying(FileName, O_RDWR | O_CREAT | O_EXCL);
    break;
  }
  if (FHandle < 0)
    RaiseOpenError(FileName, Creating, errno);

  // From here on every failure closes the handle again.
  auto Fail = [&](int Error, const std::string& Reason = {}) {
    ::close(FHandle);
    FHandle = -1;
    RaiseOpenError(FileName, Creating, Error, Reason);
  };
  struct stat Info {};
  if (::fstat(FHandle, &Info) != 0)
    Fail(errno);
  // A directory, pipe or device is no EDF file; O_NONBLOCK above kept a FIFO from hanging us.
  if (S_ISDIR(Info.st_mode))
    Fail(EISDIR);
  if (!S_ISREG(Info.st_mode))
    Fail(0, "Not a regular file");
  const int Flags = ::fcntl(FHandle, F_GETFL);
  if (Flags < 0 || ::fcntl(FHandle, F_SETFL, Flags & ~O_NONBLOCK) != 0)
    Fail(errno);
  const int Lock = (Mode == TMode::ReadShared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  int Result;
  do {
    Result = ::flock(FHandle, Lock);
  } while (Result != 0 && errno == EINTR);
  if (Result != 0)
    Fail(errno);
  FSize = Info.st_size;
}

TEDFFileStream::~TEDFFileStream() {
  if (FHandle >= 0)
    ::close(FHandle); // also releases the lock
}

std::size_t TEDFFileStream::ReadAt(void* Data, std::size_t Count, int64_t Position) const {
  auto* Bytes = static_cast<char*>(Data);
  const int64_t Gap = Position - FLastEnd;
  FCloseReads = FLastEnd >= 0 && Gap >= 0 && Gap <= ReadAheadMaxGap ? FCloseReads + 1 : 0;
  FLastEnd = Position + static_cast<int64_t>(Count);
  const bool Inside = Position >= FAheadStart && Position + static_cast<int64_t>(Count) <=
                                                     FAheadStart + static_cast<int64_t>(FAheadSize);
  if (!Inside) {
    if (Count > ReadAheadBytes / 2 || FCloseReads < ReadAheadAfter)
      return ReadDirect(Bytes, Count, Position);
    FAhead.resize(ReadAheadBytes);
    FAheadSize = 0; // nothing valid should the read fail
    FAheadSize = ReadDirect(FAhead.data(), FAhead.size(), Position);
    FAheadStart = Position;
  }
  const auto From = static_cast<std::size_t>(Position - FAheadStart);
  const std::size_t Got = std::min(Count, FAheadSize - std::min(From, FAheadSize));
  std::memcpy(Bytes, FAhead.data() + From, Got);
  return Got;
}

std::size_t TEDFFileStream::ReadDirect(char* Bytes, std::size_t Count, int64_t Position) const {
  std::size_t Done = 0;
  while (Done < Count) {
    const ssize_t Got =
        ::pread(FHandle, Bytes + Done, Count - Done, static_cast<off_t>(Position + Done));
    if (Got < 0) {
      if (errno == EINTR)
        continue;
      throw EReadError("Cannot read file \"" + FFileName + "\". " + SystemReason(errno));
    }
    if (Got == 0)
      break;
    Done += static_cast<std::size_t>(Got);
  }
  return Done;
}

void TEDFFileStream::WriteAt(const void* Data, std::size_t Count, int64_t Position) {
  FAheadSize = 0; // what was read ahead may be what is written now
  const auto* Bytes = static_cast<const char*>(Data);
  std::size_t Done = 0;
  while (Done < Count) {
    const ssize_t Put =
        ::pwrite(FHandle, Bytes + Done, Count - Done, static_cast<off_t>(Position + Done));
    if (Put < 0) {
      if (errno == EINTR)
        continue;
      throw EWriteError("Cannot write file \"" + FFileName + "\". " + SystemReason(errno));
    }
    Done += static_cast<std::size_t>(Put);
    FSize = std::max<int64_t>(FSize, Position + static_cast<int64_t>(Done));
  }
}

// ---- TCustomEDFFile: construction and properties ----------------------------------------

TCustomEDFFile::TCustomEDFFile() = default;

TCustomEDFFile::~TCustomEDFFile() {
  CloseOnDestroy();
}

void TCustomEDFFile::CloseOnDestroy() noexcept {
  try {
    Close();
  } catch (...) {
    // Close released the stream on its way out; a destructor has nobody to tell.
  }
  ReleaseStream();
}

bool TCustomEDFFile::SetFileName(const std::string& Name) {
  if (FActive || FCreating)
    throw EDataFileIsOpen(DataFileMessages::IsOpen);
  FFileName = Name;
  FFileCompressed = IsFileCompressed(Name);
  return FFileCompressed;
}

void TCustomEDFFile::SetReadOnly(bool Value) {
  if (FActive)
    throw EDataFileIsOpen(DataFileMessages::IsOpen);
  if (FCreating)
    throw EDataFileIsCreating(DataFileMessages::IsCreating);
  FReadOnly = Value;
}

void TCustomEDFFile::SetStrict(bool Value) {
  FStrict = Value;
  if (!FActive && !FCreating)
    return;
  if (FCreating) {
    // A header being filled in has no texts to re-parse: a re-parse would wipe its values.
    FFileInfo->StoreStrict(Value);
    return;
  }
  FFileInfo->SetStrict(Value);
  for (auto& Signal : FSignals)
    Signal->SetStrict(Value);
  FValid = IsHeaderValid() && AreSignalsValid();
}

void TCustomEDFFile::SetActive(bool Value) {
  if (FActive && !Value)
    Close();
  else if (!FActive && Value)
    Open();
}

void TCustomEDFFile::StoreSeparators(char Decimal, char Thousand, bool Reparse) {
  FDecimalSeparator = Decimal;
  FThousandSeparator = Thousand;
  if (FFileInfo) {
    FFileInfo->SetDecimalSeparator(Decimal);
    FFileInfo->SetThousandSeparator(Thousand);
    if (Reparse)
      FFileInfo->ParseRawHeader();
  }
  for (auto& Signal : FSignals) {
    Signal->SetDecimalSeparator(Decimal);
    Signal->SetThousandSeparator(Thousand);
    if (Reparse)
      Signal->ParseRawHeader();
  }
}

void TCustomEDFFile::SetDecimalSeparator(char Value) {
  StoreSeparators(Value, FThousandSeparator, !FCreating);
}

void TCustomEDFFile::SetThousandSeparator(char Value) {
  StoreSeparators(FDecimalSeparator, Value, !FCreating);
}

TCustomEDFSignalInfo* TCustomEDFFile::GetSignal(int32_t Index) const {
  if (Index < 0 || Index >= SignalCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FSignals[static_cast<std::size_t>(Index)].get();
}

int64_t TCustomEDFFile::FileSize() const {
  return FStream ? FStream->Size() : 0;
}

void TCustomEDFFile::ReleaseStream() {
  FStream.reset();
  FActive = false;
  FCreating = false;
}

// ---- Queries ------------------------------------------------------------------------------

bool TCustomEDFFile::IsHeaderValid() const {
  return (FActive || FCreating) && FFileInfo && FFileInfo->IsValid();
}

bool TCustomEDFFile::AreSignalsValid() const {
  if (!(FActive || FCreating) || FSignals.empty() || !FFileInfo)
    return false;
  // The records must also match the header's count, or the layout would not be the file's.
  if (static_cast<int64_t>(FSignals.size()) != FFileInfo->NrSignals())
    return false;
  return std::all_of(FSignals.begin(), FSignals.end(),
                     [](const auto& Signal) { return Signal->IsValid(); });
}

bool TCustomEDFFile::IsHeaderModified() const {
  return (FActive || FCreating) && FFileInfo && FFileInfo->Modified();
}

bool TCustomEDFFile::AreSignalsModified() const {
  if (!(FActive || FCreating))
    return false;
  return std::any_of(FSignals.begin(), FSignals.end(),
                     [](const auto& Signal) { return Signal->Modified(); });
}

// ---- Opening and reading the header ------------------------------------------------------

void TCustomEDFFile::Open() {
  if (FActive)
    return;
  if (!FStream) {
    using TMode = TEDFFileStream::TMode;
    const TMode Mode = FReadOnly   ? TMode::ReadShared
                       : FCreating ? TMode::CreateExclusive
                                   : TMode::ReadWriteOrCreate;
    FStream = std::make_unique<TEDFFileStream>(FFileName, Mode);
  }
  if (FCreating)
    return;

  // Nothing of a previous file may survive into this one.
  FChunks.clear();
  FDataBuffer.clear();
  FWideBuffer.clear();
  FBufferSamples = 0;
  FLayoutEnd = 0;
  FRecordSamples = 0;
  FActive = true;
  try {
    ReadGeneralHeader();
    ReadSignalHeaders();
    FValid = IsHeaderValid() && AreSignalsValid();
    FStatus = FValid ? 0 : IsHeaderValid() ? esSignalHeadersInvalid : esGeneralHeaderInvalid;
    if (!FValid && !FStrict && DetectNumberFormat())
      FValid = IsHeaderValid() && AreSignalsValid();
    if (!FValid) {
      FRecordSamples = 0;
      FFileInfo->StoreNrDataRecords(0);
      return;
    }
    UpdateRecordSize();
    // A trailing partial record is ignored; the header's own count is not used for access.
    const int64_t DataBytes = std::max<int64_t>(FileSize() - FFileInfo->HeaderBytes(), 0);
    FFileInfo->StoreNrDataRecords(FRecordSamples > 0 ? DataBytes / FRecordSamples / SampleBytes()
                                                     : 0);
    UpdateDataChunks(this);
  } catch (...) {
    // A half-read header is never written back: release the stream without Close.
    ReleaseStream();
    throw;
  }
}

void TCustomEDFFile::ReadGeneralHeader() {
  VELASTRIN_ASSERT(FStream, "Data file is not open");
  FFileInfo = CreateFileInfo();
  FFileInfo->StoreStrict(FStrict);
  FFileInfo->StoreAcceptBDF(FAcceptBDF);
  FBufferedRecord = -1;

  TEDFRawGeneralHeader Raw;
  const int64_t Size = FileSize();
  if (Size >= EDFGeneralHeaderSize) {
    std::string Bytes(EDFGeneralHeaderSize, '\0'); // a file cut short meanwhile reads as NULs
    FStream->ReadAt(Bytes.data(), Bytes.size(), 0);
    for (int Index = 0; Index < EDFFieldCount; ++Index) {
      const TEDFFieldDef& Def = GeneralHeaderFields[static_cast<std::size_t>(Index)];
      Raw.SetText(Index, std::string_view(Bytes).substr(Def.Start, Def.Width));
    }
  }
  FFileInfo->LoadRawHeader(Raw);
  FFileInfo->SetLoadedHeader(Raw);
  const bool SignalsValid = FFileInfo->FieldValid(TGeneralField::NrSignals);
  FFileInfo->SetDataExists(SignalsValid && EDFHeaderSize(FFileInfo->NrSignals()) < Size);
}

void TCustomEDFFile::MakeSignals(int32_t Count) {
  FSignals.clear();
  FSignals.reserve(static_cast<std::size_t>(std::max(Count, 0)));
  for (int32_t i = 0; i < Count; ++i) {
    std::unique_ptr<TCustomEDFSignalInfo> Signal = CreateSignalInfo();
    Signal->StoreFormat(Format());
    Signal->SetStrict(FStrict);
    Signal->SetOnReadDataChanged([this](void* Sender) { UpdateDataChunks(Sender); });
    FSignals.push_back(std::move(Signal));
  }
}

void TCustomEDFFile::ReadSignalHeaders() {
  VELASTRIN_ASSERT(FStream, "Data file is not open");
  FSignals.clear();
  if (!FFileInfo->FieldValid(TGeneralField::NrSignals))
    return;
  // The field has four characters, so this stays within 9999 signals.
  const int32_t Count = FFileInfo->NrSignals();
  MakeSignals(Count);
  if (Count == 0 || FileSize() < EDFHeaderSize(Count))
    return;

  FBufferedRecord = -1;
  std::string Block(static_cast<std::size_t>(EDFSignalHeaderSize) * Count, '\0');
  FStream->ReadAt(Block.data(), Block.size(), EDFGeneralHeaderSize);
  // Fields are stored field by field across all signals.
  std::vector<TEDFRawSignalHeader> Raw(static_cast<std::size_t>(Count));
  for (int Field = 0; Field < EDFFieldCount; ++Field) {
    const auto Kind = static_cast<TSignalField>(Field);
    const int Width = SignalFieldWidth(Kind);
    for (int32_t i = 0; i < Count; ++i) {
      const int64_t Offset = SignalFieldOffset(Kind, Count, i) - EDFGeneralHeaderSize;
      Raw[static_cast<std::size_t>(i)].SetText(
          Field, std::string_view(Block).substr(static_cast<std::size_t>(Offset), Width));
    }
  }
  for (int32_t i = 0; i < Count; ++i) {
    TCustomEDFSignalInfo& Signal = *FSignals[static_cast<std::size_t>(i)];
    Signal.SetRawHeader(Raw[static_cast<std::size_t>(i)]);
    Signal.ParseRawHeader();
    Signal.SetDataExists(FFileInfo->DataExists());
  }
}

bool TCustomEDFFile::DetectNumberFormat() {
  if (!FFileInfo)
    return false;
  const auto DurationField = static_cast<int>(TGeneralField::SampleRecDuration);
  const bool DurationBad = !FFileInfo->FieldValid(TGeneralField::SampleRecDuration);
  const bool LimitsBad = std::any_of(FSignals.begin(), FSignals.end(), [](const auto& Signal) {
    return !Signal->FieldValid(TSignalField::Physimin) ||
           !Signal->FieldValid(TSignalField::Physimax);
  });
  if (!DurationBad && !LimitsBad)
    return false;
  try {
    char Decimal = 0;
    char Thousands = 0;
    for (const bool PreferLast : {false, true}) {
      bool Found = false;
      if (DurationBad)
        Found = DetectFloatSeparators(FFileInfo->RawHeader()[DurationField], Decimal, Thousands,
                                      PreferLast);
      for (std::size_t i = 0; i < FSignals.size() && !Found; ++i) {
        const TCustomEDFSignalInfo& Signal = *FSignals[i];
        const TEDFRawSignalHeader& Raw = Signal.RawHeader();
        if (!Signal.FieldValid(TSignalField::Physimin))
          Found = DetectFloatSeparators(Raw[static_cast<int>(TSignalField::Physimin)], Decimal,
                                        Thousands, PreferLast);
        if (!Found && !Signal.FieldValid(TSignalField::Physimax))
          Found = DetectFloatSeparators(Raw[static_cast<int>(TSignalField::Physimax)], Decimal,
                                        Thousands, PreferLast);
      }
      if (Found)
        break;
    }
    SetDecimalSeparator(Decimal);
    SetThousandSeparator(Thousands);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

// ---- Record layout and the data buffer ---------------------------------------------------

void TCustomEDFFile::UpdateRecordSize() {
  FDataBuffer.clear();
  FWideBuffer.clear();
  int64_t Sum = 0;
  for (const auto& Signal : FSignals)
    Sum += std::max<int32_t>(Signal->NrSamples(), 0);
  FRecordSamples = Sum;
}

void TCustomEDFFile::UpdateDataChunks(void* /*Sender*/) {
  FBufferedRecord = -1;
  FDataBuffer.clear();
  FWideBuffer.clear();
  FChunks.clear();
  FBufferSamples = 0;
  FLayoutEnd = 0;
  if (!FValid)
    return;

  int64_t RecOffset = 0;
  int64_t BufOffset = 0;
  std::unique_ptr<TReadWriteDataChunk> Run;
  for (auto& Signal : FSignals) {
    const int64_t Samples = std::max<int32_t>(Signal->NrSamples(), 0);
    Signal->SetRecordOffset(RecOffset);
    if (Signal->ReadData() || FFileCompressed) {
      Signal->SetBufferOffset(BufOffset);
      BufOffset += Samples;
      if (Run)
        Run->SetCount(Run->Count() + Samples);
      else
        Run = std::make_unique<TReadWriteDataChunk>(RecOffset, Signal->BufferOffset(), Samples);
    } else {
      Signal->SetBufferOffset(-1);
      if (Run)
        FChunks.push_back(std::move(Run));
    }
    RecOffset += Samples;
  }
  if (Run)
    FChunks.push_back(std::move(Run));

  FBufferSamples = BufOffset;
  // Chunks are in record order: the last one ends furthest.
  FLayoutEnd = FChunks.empty() ? 0 : FChunks.back()->RecordOffset() + FChunks.back()->Count();
}

void TCustomEDFFile::AllocateBuffer() {
  // Allocated on first use, not with the layout: a header may promise records far larger than
  // its file holds. A layout beyond the bound, or one the system cannot give, leaves the
  // buffer empty, and the caller reports it.
  if (!BufferEmpty() || FBufferSamples <= 0 || FBufferSamples > EDFMaxBufferSamples)
    return;
  try {
    if (Format() == TEDFFormat::BDF)
      FWideBuffer.SetLength(static_cast<std::size_t>(FBufferSamples));
    else
      FDataBuffer.SetLength(static_cast<std::size_t>(FBufferSamples));
  } catch (const std::bad_alloc&) {
    FDataBuffer.clear();
    FWideBuffer.clear();
  }
}

bool TCustomEDFFile::BufferEmpty() const {
  return Format() == TEDFFormat::BDF ? FWideBuffer.empty() : FDataBuffer.empty();
}

int64_t TCustomEDFFile::BufferSize() const {
  return static_cast<int64_t>(Format() == TEDFFormat::BDF ? FWideBuffer.size()
                                                          : FDataBuffer.size());
}

TDynSmallIntArray TCustomEDFFile::GetDataBuffer() {
  if (Format() == TEDFFormat::BDF)
    throw EDataFileBufferAllocation(DataFileMessages::BufferAllocation);
  if (FDataBuffer.empty()) {
    UpdateDataChunks(this);
    AllocateBuffer();
  }
  if (FDataBuffer.empty())
    throw EDataFileBufferAllocation(DataFileMessages::BufferAllocation);
  return FDataBuffer;
}

TDynArray<int32_t> TCustomEDFFile::GetWideDataBuffer() {
  if (Format() != TEDFFormat::BDF)
    throw EDataFileBufferAllocation(DataFileMessages::BufferAllocation);
  if (FWideBuffer.empty()) {
    UpdateDataChunks(this);
    AllocateBuffer();
  }
  if (FWideBuffer.empty())
    throw EDataFileBufferAllocation(DataFileMessages::BufferAllocation);
  return FWideBuffer;
}

void TCustomEDFFile::SetAcceptBDF(bool Value) {
  if (FActive)
    throw EDataFileIsOpen(DataFileMessages::IsOpen);
  FAcceptBDF = Value;
}

TEDFFormat TCustomEDFFile::Format() const {
  return FFileInfo ? FFileInfo->Format() : FFormat;
}

void TCustomEDFFile::SetFormat(TEDFFormat Value) {
  if (FActive)
    throw EDataFileIsOpen(DataFileMessages::IsOpen);
  FFormat = Value;
  if (Value == TEDFFormat::BDF)
    FAcceptBDF = true;
  if (FCreating && FFileInfo) {
    FFileInfo->StoreAcceptBDF(FAcceptBDF);
    FFileInfo->SetFormat(Value);
    for (auto& Signal : FSignals) {
      Signal->StoreFormat(Value);
      Signal->ParseRawHeader();
    }
  }
}

int64_t TCustomEDFFile::SamplePosition(int64_t Index, int64_t Sample) const {
  // HeaderBytes + width * (Index * RecordSamples + Sample), refusing what 64 bits cannot hold.
  int64_t Samples = 0;
  int64_t Position = 0;
  if (__builtin_mul_overflow(Index, FRecordSamples, &Samples) ||
      __builtin_add_overflow(Samples, Sample, &Samples) ||
      __builtin_mul_overflow(Samples, int64_t{SampleBytes()}, &Position) ||
      __builtin_add_overflow(Position, int64_t{FFileInfo->HeaderBytes()}, &Position))
    RaiseReadData(Index);
  return Position;
}

void TCustomEDFFile::RaiseReadData(int64_t Index) const {
  throw EDataFileReadData(DataFileMessages::ReadData, FFileName, Index);
}

void TCustomEDFFile::CheckRecordAccess(int64_t Index) {
  if (FRecordSamples <= 0 || FLayoutEnd > FRecordSamples)
    RaiseReadData(Index);
  AllocateBuffer();
  if (FBufferSamples > 0 && BufferSize() < FBufferSamples)
    throw EDataFileBufferAllocation(DataFileMessages::BufferAllocation);
}

void TCustomEDFFile::ReadRecord(int64_t Index) {
  if (Index == FBufferedRecord)
    return;
  if (!FActive)
    throw EDataFileHeaderInvalid(DataFileMessages::HeaderInvalid);
  if (Index < 0 || Index >= FFileInfo->NrDataRecords())
    RaiseReadData(Index);
  if (BufferEmpty() || FLayoutEnd > FRecordSamples || FRecordSamples <= 0)
    CheckRecordAccess(Index); // raises, or allocates a buffer not asked for yet
  // Every chunk must lie inside the file before the buffer is touched: a count taken from
  // the header (after a re-parse) may promise more than the file holds. Once the end of the
  // last chunk is inside the file, no position before it can overflow.
  const int64_t End = SamplePosition(Index, FLayoutEnd);
  if (End > FileSize())
    RaiseReadData(Index);

  const int Width = SampleBytes();
  try {
    for (const auto& Chunk : FChunks) {
      const auto Bytes = static_cast<std::size_t>(Chunk->Count()) * Width;
      const int64_t Position = End - Width * (FLayoutEnd - Chunk->RecordOffset());
      if (Width == 2) {
        int16_t* Target = FDataBuffer.data() + Chunk->BufferOffset();
        if (FStream->ReadAt(Target, Bytes, Position) != Bytes)
          RaiseReadData(Index); // cut short by someone else
        SwapToHost(Target, Chunk->Count());
        continue;
      }
      FByteStage.resize(Bytes);
      if (FStream->ReadAt(FByteStage.data(), Bytes, Position) != Bytes)
        RaiseReadData(Index);
      // Little-endian two's complement in three bytes: the top byte carries the sign.
      int32_t* Target = FWideBuffer.data() + Chunk->BufferOffset();
      const unsigned char* Source = FByteStage.data();
      for (int64_t i = 0; i < Chunk->Count(); ++i, Source += 3)
        Target[i] = static_cast<int32_t>(Source[0]) | (static_cast<int32_t>(Source[1]) << 8) |
                    (static_cast<int32_t>(static_cast<signed char>(Source[2])) * 65536);
    }
  } catch (...) {
    FBufferedRecord = -1; // the buffer now holds parts of two records
    throw;
  }
  FBufferedRecord = Index;
}

// ---- Validity and closing ----------------------------------------------------------------

bool TCustomEDFFile::IsValid() {
  if (FActive)
    return FValid;
  if (FCreating)
    return IsHeaderValid() && AreSignalsValid();
  Open(); // an Open that fails has released its stream already
  const bool Result = FValid;
  Close();
  return Result;
}

void TCustomEDFFile::Close() {
  if (!FActive) {
    ReleaseStream(); // a file still being created keeps nothing open
    return;
  }
  const TScopeGuard Release([this] { ReleaseStream(); });
  // A file opened read-only is never written, whatever a caller changed in its records.
  if (!FReadOnly && IsModified())
    WriteHeader();
}

// ---- TEDFFile ------------------------------------------------------------------------------

TEDFFile::~TEDFFile() {
  CloseOnDestroy();
}

std::unique_ptr<TCustomEDFSignalInfo> TEDFFile::CreateSignalInfo() {
  return std::make_unique<TEDFSignalInfo>();
}

std::unique_ptr<TCustomEDFFileInfo> TEDFFile::CreateFileInfo() {
  return std::make_unique<TEDFFileInfo>(this);
}

bool TEDFFile::IsValid() {
  bool Result = TCustomEDFFile::IsValid();
  if (!Result || !IsOpenForChecks())
    return Result;
  // ChecksBusy stays set for one run of the recommendation checks.
  const auto Busy = HoldValue(ChecksBusyFlag(), true);

  // Buffered samples of one record; asking for an empty buffer raises, as GetDataBuffer does.
  int64_t Samples = BufferedSamples();
  if (Samples == 0)
    Samples = Format() == TEDFFormat::BDF ? static_cast<int64_t>(GetWideDataBuffer().size())
                                          : static_cast<int64_t>(GetDataBuffer().size());
  auto Miss = [&](TEDFStatus Bit) {
    AddStatus(Bit);
    if (Strict())
      Result = false;
  };
  const int Width = SampleBytes();
  if (Width * Samples > EDFMaxRecordBytes)
    Miss(esRecordTooLarge);
  const long double Duration = FileInfo()->SampleRecDuration();
  if (Duration < 1 && Samples * (1 / Duration) * Width < EDFMaxRecordBytes)
    Miss(esRecordTooShort);

  // The count stated in the file as it was opened; a file we created has none to compare.
  int64_t Stated = 0;
  const std::string& Text =
      FileInfo()->LoadedHeader()[static_cast<int>(TGeneralField::NrDataRecords)];
  if (IsInteger(Text) && TryStrToInt64(Trim(Text), Stated)) {
    if (Stated >= 0) {
      int64_t Expected = 0;
      if (__builtin_mul_overflow(Stated, RecordSamples(), &Expected) ||
          __builtin_mul_overflow(Expected, int64_t{Width}, &Expected) ||
          __builtin_add_overflow(Expected, int64_t{FileInfo()->HeaderBytes()}, &Expected) ||
          Expected != FileSize())
        Miss(esFileSizeMismatch);
    } else if (!Creating()) {
      AddStatus(esRecordCountUnknown);
    }
  }
  return Result;
}

// ---- Unit registration --------------------------------------------------------------------

void InitUnit_uEDF() {
  const auto& Units = UnitList();
  const bool Known = std::any_of(Units.begin(), Units.end(),
                                 [](const auto& Unit) { return Unit->UnitName() == "uEDF"; });
  if (!Known)
    RegisterUnit("uEDF", "1.0.2", "Torvane", EncodeDate(2003, 1, 10) + EncodeTime(17, 1, 0, 0));
}

} // namespace velastrin
