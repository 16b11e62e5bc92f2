// The creating and writing side of the EDF file object: new files, header texts and data
// records. Every header text is formed before the first byte is written, so a value that does
// not fit its field refuses the whole write instead of leaving a half-written header.
#include "edf/uEDFFile.h"

#include "edf/uEDFFieldKind.h"
#include "edf/uEDFHeader.h"
#include "support/udStr.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace velastrin {

namespace {

// Collects the samples of one appended record and writes them in large pieces.
class TRecordWriter {
public:
  TRecordWriter(TEDFFileStream& Stream, int64_t Position, int64_t RecordSamples)
      : FStream(Stream), FPosition(Position),
        FStage(static_cast<std::size_t>(std::min<int64_t>(RecordSamples, StageSamples))) {}

  void Zeros(int64_t Count) {
    while (Count > 0) {
      const int64_t Part = std::min<int64_t>(Count, Room());
      std::fill_n(FStage.begin() + static_cast<std::ptrdiff_t>(FFill), Part, int16_t{0});
      Advance(Part);
      Count -= Part;
    }
  }
  void Samples(const int16_t* Source, int64_t Count) {
    while (Count > 0) {
      const int64_t Part = std::min<int64_t>(Count, Room());
      for (int64_t i = 0; i < Part; ++i)
        FStage[FFill + static_cast<std::size_t>(i)] = ToFile(Source[i]);
      Advance(Part);
      Source += Part;
      Count -= Part;
    }
  }
  void Flush() {
    if (FFill == 0)
      return;
    FStream.WriteAt(FStage.data(), FFill * 2, FPosition);
    FPosition += static_cast<int64_t>(FFill) * 2;
    FFill = 0;
  }

private:
  static constexpr int64_t StageSamples = 512 * 1024;
  static int16_t ToFile(int16_t Sample) {
    if constexpr (std::endian::native == std::endian::big)
      return static_cast<int16_t>(__builtin_bswap16(static_cast<uint16_t>(Sample)));
    return Sample;
  }
  int64_t Room() const { return static_cast<int64_t>(FStage.size() - FFill); }
  void Advance(int64_t Count) {
    FFill += static_cast<std::size_t>(Count);
    if (FFill == FStage.size())
      Flush();
  }

  TEDFFileStream& FStream;
  int64_t FPosition;
  std::vector<int16_t> FStage;
  std::size_t FFill = 0;
};

} // namespace

// ---- Creating -----------------------------------------------------------------------------

void TCustomEDFFile::SetCreating(bool Value) {
  FCreating = Value;
}

void TCustomEDFFile::CreateNew(int32_t SignalCount, bool Overwrite) {
  VELASTRIN_ASSERT(SignalCount >= 1, "Number of signals should be > 0");
  // The NrSignals field has four characters.
  VELASTRIN_ASSERT(SignalCount <= 9999, "Number of signals should be <= 9999");
  if (FActive)
    throw EDataFileIsOpen(DataFileMessages::IsOpen);
  if (FCreating)
    throw EDataFileIsCreating(DataFileMessages::IsCreating);
  if (Trim(FFileName).empty())
    throw EDataFile(DataFileMessages::NoFilename);
  struct stat Info {};
  if (::lstat(FFileName.c_str(), &Info) == 0) {
    if (!Overwrite)
      throw EDataFileExists(DataFileMessages::Exists);
    if (::unlink(FFileName.c_str()) != 0)
      throw EFCreateError("Cannot create file \"" + FFileName + "\". " +
                          std::generic_category().message(errno));
  }
  FReadOnly = false;
  FFileInfo = CreateFileInfo();
  FFileInfo->StoreAcceptBDF(FAcceptBDF);
  FFileInfo->SetFormat(FFormat);
  FSignals.clear();
  FChunks.clear();
  FDataBuffer.clear();
  FWideBuffer.clear();
  FBufferSamples = 0;
  FLayoutEnd = 0;
  FRecordSamples = 0;
  FBufferedRecord = -1;
  FValid = false;
  FStatus = 0; // the bits described the previous file
  SetCreating(true);
}

void TEDFFile::CreateNew(int32_t SignalCount, bool Overwrite) {
  TCustomEDFFile::CreateNew(SignalCount, Overwrite);
  FileInfo()->SetStrict(Strict());
  MakeSignals(SignalCount);
  try {
    Open(); // only creates the file, as the object is Creating
  } catch (...) {
    SetCreating(false); // nothing is being created without a file
    throw;
  }
  FileInfo()->SetFormat(FileInfo()->Format()); // the version text of the format
  FileInfo()->SetNrSignals(SignalCount);
  FileInfo()->SetNrDataRecords(-1);
}

// ---- Header texts -------------------------------------------------------------------------

void TCustomEDFFile::WriteField(std::string& Block, bool Valid, const std::string& Text,
                                int Width) {
  Block += Valid ? PadRight(Text, Width) : Spaces(Width);
}

std::string TCustomEDFFile::FormatGeneralHeader() const {
  const TCustomEDFFileInfo& Info = *FFileInfo;
  std::string Block;
  Block.reserve(EDFGeneralHeaderSize);
  for (int Index = 0; Index < EDFFieldCount; ++Index) {
    const TEDFFieldDef& Def = GeneralFields(Format())[static_cast<std::size_t>(Index)];
    const bool Valid = Info.FieldValid(Index);
    std::string Text;
    if (Valid) {
      switch (static_cast<TGeneralField>(Index)) {
      case TGeneralField::Version:
        Text = Info.Version();
        break;
      case TGeneralField::Patient:
        Text = Info.GetPatient();
        break;
      case TGeneralField::Recording:
        Text = Info.GetRecording();
        break;
      case TGeneralField::StartDate:
        Text = DateFieldText(Info.StartDate());
        break;
      case TGeneralField::StartTime:
        Text = TimeFieldText(Info.StartTime());
        break;
      case TGeneralField::HeaderBytes:
        Text = IntegerFieldText(Def, Info.HeaderBytes());
        break;
      case TGeneralField::Reserved:
        Text = Info.Reserved();
        break;
      case TGeneralField::NrDataRecords:
        Text = IntegerFieldText(Def, Info.NrDataRecords());
        break;
      case TGeneralField::SampleRecDuration:
        Text = DecimalFieldText(Def, Info.SampleRecDuration(),
                                {Info.DecimalSeparator(), Info.ThousandSeparator()});
        break;
      case TGeneralField::NrSignals:
        Text = IntegerFieldText(Def, Info.NrSignals());
        break;
      }
    }
    VELASTRIN_ASSERT(static_cast<int>(Block.size()) == Def.Start, "Header layout mismatch");
    WriteField(Block, Valid, Text, Def.Width);
  }
  return Block;
}

std::string TCustomEDFFile::FormatSignalHeaders() const {
  const int64_t Count = static_cast<int64_t>(FSignals.size());
  VELASTRIN_ASSERT(Count == FFileInfo->NrSignals(), "Number of signals does not match header");
  std::string Block;
  Block.reserve(static_cast<std::size_t>(EDFSignalHeaderSize * Count));
  for (int Field = 0; Field < EDFFieldCount; ++Field) {
    const auto Kind = static_cast<TSignalField>(Field);
    const TEDFFieldDef& Def = SignalFields(Format())[static_cast<std::size_t>(Field)];
    const int Width = Def.Width;
    for (int64_t i = 0; i < Count; ++i) {
      const TCustomEDFSignalInfo& Signal = *FSignals[static_cast<std::size_t>(i)];
      const bool Valid = Signal.GetFieldValid(Field);
      std::string Text;
      if (Valid) {
        switch (Kind) {
        case TSignalField::SignalLabel:
          Text = Signal.SignalLabel();
          break;
        case TSignalField::Transducertype:
          Text = Signal.Transducertype();
          break;
        case TSignalField::Physidim:
          Text = Signal.Physidim();
          break;
        case TSignalField::Physimin:
          Text = DecimalFieldText(Def, Signal.Physimin(),
                                  {Signal.DecimalSeparator(), Signal.ThousandSeparator()});
          break;
        case TSignalField::Physimax:
          Text = DecimalFieldText(Def, Signal.Physimax(),
                                  {Signal.DecimalSeparator(), Signal.ThousandSeparator()});
          break;
        case TSignalField::Digimin:
          Text = IntegerFieldText(Def, Signal.Digimin());
          break;
        case TSignalField::Digimax:
          Text = IntegerFieldText(Def, Signal.Digimax());
          break;
        case TSignalField::Prefilter:
          Text = Signal.Prefilter();
          break;
        case TSignalField::NrSamples:
          Text = IntegerFieldText(Def, Signal.NrSamples());
          break;
        case TSignalField::Reserved:
          Text = Signal.Reserved();
          break;
        }
      }
      VELASTRIN_ASSERT(static_cast<int64_t>(Block.size()) ==
                           SignalFieldOffset(Kind, Count, i) - EDFGeneralHeaderSize,
                       "Header layout mismatch");
      WriteField(Block, Valid, Text, Width);
    }
  }
  return Block;
}

// ---- Writing the header -------------------------------------------------------------------

void TCustomEDFFile::WriteHeader() {
  const bool General = IsHeaderModified();
  const bool SignalBlock = AreSignalsModified();
  if (General || SignalBlock) {
    VELASTRIN_ASSERT(FStream, "Data file is not open");
    if (FReadOnly)
      throw EDataFileReadOnly(DataFileMessages::ReadOnly);
    // Both texts first: a value that does not fit refuses the write before any byte is out.
    const std::string GeneralBlock = General ? FormatGeneralHeader() : std::string();
    const std::string SignalText = SignalBlock ? FormatSignalHeaders() : std::string();
    FBufferedRecord = -1;
    if (General) {
      FStream->WriteAt(GeneralBlock.data(), GeneralBlock.size(), 0);
      FFileInfo->SetModified(false);
    }
    if (SignalBlock) {
      FStream->WriteAt(SignalText.data(), SignalText.size(), EDFGeneralHeaderSize);
      for (auto& Signal : FSignals)
        Signal->SetModified(false);
    }
  }
  // A complete header opens the new file with 0 records. The header size must also be that of
  // the signal records made, or the records would be written where a reader does not look.
  if (FCreating && IsValid() &&
      FFileInfo->HeaderBytes() == EDFHeaderSize(static_cast<int64_t>(FSignals.size()))) {
    SetCreating(false);
    FActive = true;
    FValid = true;
    UpdateRecordSize();
    FFileInfo->SetNrDataRecords(0);
    UpdateDataChunks(this);
  }
}

// ---- Writing data records -----------------------------------------------------------------

void TCustomEDFFile::WriteSamples(const int16_t* Samples, int64_t Count, int64_t Position) {
  if constexpr (std::endian::native == std::endian::big) {
    TRecordWriter Writer(*FStream, Position, Count);
    Writer.Samples(Samples, Count);
    Writer.Flush();
  } else {
    FStream->WriteAt(Samples, static_cast<std::size_t>(Count) * 2, Position);
  }
}

void TCustomEDFFile::WriteWideSamples(const int32_t* Samples, int64_t Count, int64_t Position) {
  FByteStage.resize(static_cast<std::size_t>(Count) * 3);
  unsigned char* Target = FByteStage.data();
  for (int64_t i = 0; i < Count; ++i, Target += 3) {
    const auto Value = static_cast<uint32_t>(Samples[i]);
    Target[0] = static_cast<unsigned char>(Value);
    Target[1] = static_cast<unsigned char>(Value >> 8);
    Target[2] = static_cast<unsigned char>(Value >> 16);
  }
  FStream->WriteAt(FByteStage.data(), FByteStage.size(), Position);
}

void TCustomEDFFile::AppendRecord(int64_t Position) {
  if (Format() == TEDFFormat::BDF) {
    // Signals not in the buffer are written as zeros; one record is at most 256 MiB of samples.
    std::vector<int32_t> Record(static_cast<std::size_t>(FRecordSamples), 0);
    for (const auto& Chunk : FChunks)
      std::copy_n(FWideBuffer.data() + Chunk->BufferOffset(), Chunk->Count(),
                  Record.begin() + Chunk->RecordOffset());
    WriteWideSamples(Record.data(), FRecordSamples, Position);
    return;
  }
  // Signals not in the buffer are written as zeros.
  TRecordWriter Writer(*FStream, Position, FRecordSamples);
  int64_t Cursor = 0;
  for (const auto& Chunk : FChunks) {
    Writer.Zeros(Chunk->RecordOffset() - Cursor);
    Writer.Samples(FDataBuffer.data() + Chunk->BufferOffset(), Chunk->Count());
    Cursor = Chunk->RecordOffset() + Chunk->Count();
  }
  Writer.Zeros(FRecordSamples - Cursor);
  Writer.Flush();
}

void TCustomEDFFile::WriteRecord(int64_t Index) {
  if (!FActive)
    throw EDataFileHeaderInvalid(DataFileMessages::HeaderInvalid);
  if (FReadOnly)
    throw EDataFileReadOnly(DataFileMessages::ReadOnly);
  const int64_t Count = FFileInfo->NrDataRecords();
  if (Index < 0 || Index > Count)
    RaiseReadData(Index);
  CheckRecordAccess(Index);
  const int64_t Position = SamplePosition(Index, 0);
  SamplePosition(Index, FRecordSamples); // the record's end must be addressable too

  if (Index < Count) {
    // Overwrite: only the buffered signals; the others stay as they are in the file.
    for (const auto& Chunk : FChunks)
      if (Format() == TEDFFormat::BDF)
        WriteWideSamples(FWideBuffer.data() + Chunk->BufferOffset(), Chunk->Count(),
                         SamplePosition(Index, Chunk->RecordOffset()));
      else
        WriteSamples(FDataBuffer.data() + Chunk->BufferOffset(), Chunk->Count(),
                     SamplePosition(Index, Chunk->RecordOffset()));
  } else {
    AppendRecord(Position);
    FFileInfo->StoreNrDataRecords(Count + 1);
    FFileInfo->SetModified(true);
  }
  FBufferedRecord = Index;
  if (!FFileInfo->DataExists()) {
    FFileInfo->SetDataExists(true);
    for (auto& Signal : FSignals)
      Signal->SetDataExists(true);
  }
}

} // namespace velastrin
