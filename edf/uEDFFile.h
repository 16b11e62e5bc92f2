// The EDF file object: opens an existing file or creates a new one, reads and writes the
// header through the header records, judges validity, derives the record count from the file
// size, and reads or writes data records through a buffer that holds only the signals asked
// for. Record positions and counts are 64-bit, so files beyond 2 GiB are fully addressable.
#pragma once

#include "edf/uDataFile.h"
#include "edf/uEDFLayout.h"
#include "support/udroot.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velastrin {

class TCustomEDFFileInfo;
class TCustomEDFSignalInfo;

// Status bits: why a file is not valid, and which EDF recommendations it misses.
using TEDFStatus = uint8_t;
inline constexpr TEDFStatus esGeneralHeaderInvalid = 1;
inline constexpr TEDFStatus esSignalHeadersInvalid = 2;
inline constexpr TEDFStatus esRecordCountUnknown = 4;
inline constexpr TEDFStatus esRecordTooLarge = 8;
inline constexpr TEDFStatus esRecordTooShort = 16;
inline constexpr TEDFStatus esFileSizeMismatch = 32;

// The EDF recommendation for the size of one data record, in bytes.
inline constexpr int64_t EDFMaxRecordBytes = 61440;
// The data buffer never grows beyond this many samples (256 MiB); a larger layout raises
// EDataFileBufferAllocation when the buffer is asked for.
inline constexpr int64_t EDFMaxBufferSamples = int64_t{128} * 1024 * 1024;

// An open file: POSIX descriptor with an advisory lock (shared for reading, exclusive for
// writing), positional reads and writes, and the file size kept up to date by our writes.
class TEDFFileStream {
public:
  enum class TMode {
    ReadShared,         // existing file, read only; others may read but not write
    ReadWriteExclusive, // existing file, read and write; nobody else may open it
    ReadWriteOrCreate,  // as ReadWriteExclusive; a missing file is created empty
    CreateExclusive     // new, empty file; fails when the file exists
  };

  // Raises EFOpenError "Cannot open file "%s". %s" or, when the file was to be created,
  // EFCreateError "Cannot create file "%s". %s" with the system's reason. A lock held by
  // someone else is a failed open, never a wait. Only regular files are opened.
  TEDFFileStream(const std::string& FileName, TMode Mode);
  ~TEDFFileStream();
  TEDFFileStream(const TEDFFileStream&) = delete;
  TEDFFileStream& operator=(const TEDFFileStream&) = delete;

  int64_t Size() const { return FSize; }
  // Reads up to Count bytes at Position; returns the number read (less only at the file end).
  // Raises EReadError when the system fails. Reads that follow each other closely (records
  // read in file order) are served from one read of ReadAheadBytes; a stream is used by one
  // thread at a time.
  std::size_t ReadAt(void* Data, std::size_t Count, int64_t Position) const;
  // Writes exactly Count bytes at Position; EWriteError when the system fails.
  void WriteAt(const void* Data, std::size_t Count, int64_t Position);
  const std::string& FileName() const { return FFileName; }

  static constexpr std::size_t ReadAheadBytes = std::size_t{1} << 20;
  // Reads at most this far behind the one before are served from the read-ahead once a few
  // have come in a row (not for a header and nothing else): copying the bytes in between
  // costs less than a system call per read. Sparser reads (one signal of many) go to the
  // system one by one.
  static constexpr int64_t ReadAheadMaxGap = 4096;
  static constexpr int ReadAheadAfter = 3;

private:
  std::size_t ReadDirect(char* Data, std::size_t Count, int64_t Position) const;

  std::string FFileName;
  int FHandle = -1;
  int64_t FSize = 0;
  mutable std::vector<char> FAhead; // bytes from FAheadStart, FAheadSize of them valid
  mutable int64_t FAheadStart = 0;
  mutable std::size_t FAheadSize = 0;
  mutable int64_t FLastEnd = -1; // end of the read before
  mutable int FCloseReads = 0;   // reads in a row within ReadAheadMaxGap of the one before
};

// One run of buffered samples inside a data record.
class TReadWriteDataChunk {
public:
  TReadWriteDataChunk(int64_t RecordOffset, int64_t BufferOffset, int64_t Count)
      : FRecordOffset(RecordOffset), FBufferOffset(BufferOffset), FCount(Count) {}
  int64_t RecordOffset() const { return FRecordOffset; } // samples from the record start
  int64_t BufferOffset() const { return FBufferOffset; } // samples from the buffer start
  int64_t Count() const { return FCount; }               // samples in the run
  void SetCount(int64_t Value) { FCount = Value; }

private:
  int64_t FRecordOffset;
  int64_t FBufferOffset;
  int64_t FCount;
};

class TCustomEDFFile {
public:
  TCustomEDFFile();
  // Closes the file, writing a modified header first. An error while writing cannot leave a
  // destructor and is dropped: call Close to see it.
  virtual ~TCustomEDFFile();
  TCustomEDFFile(const TCustomEDFFile&) = delete;
  TCustomEDFFile& operator=(const TCustomEDFFile&) = delete;

  // ---- Properties ----
  const std::string& FileName() const { return FFileName; }
  // Not while Active or Creating. Returns whether the named file is compressed.
  bool SetFileName(const std::string& Name);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool Strict() const { return FStrict; }
  void SetStrict(bool Value);
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  bool Valid() const { return FValid; }
  TEDFStatus Status() const { return FStatus; }
  char DecimalSeparator() const { return FDecimalSeparator; }
  void SetDecimalSeparator(char Value);
  char ThousandSeparator() const { return FThousandSeparator; } // 0: none
  void SetThousandSeparator(char Value);
  bool FileCompressed() const { return FFileCompressed; }
  bool Creating() const { return FCreating; }
  virtual void SetCreating(bool Value);
  bool ChecksBusy() const { return FChecksBusy; }
  // The general header record; null before the first open or CreateNew.
  TCustomEDFFileInfo* FileInfo() const { return FFileInfo.get(); }
  int32_t SignalCount() const { return static_cast<int32_t>(FSignals.size()); }
  // EListError "List index out of bounds (%d)" outside 0..SignalCount()-1.
  TCustomEDFSignalInfo* GetSignal(int32_t Index) const;
  TCustomEDFSignalInfo* Signals(int32_t Index) const { return GetSignal(Index); }
  int64_t RecordSamples() const { return FRecordSamples; }
  int64_t BufferedRecord() const { return FBufferedRecord; }
  // The shared buffer of one data record (a handle on the same storage, not a copy). Builds it
  // on first use; EDataFileBufferAllocation when it holds no samples or cannot be allocated,
  // or when the file is BDF, whose samples need GetWideDataBuffer.
  TDynSmallIntArray GetDataBuffer();
  // The same for a BDF file, one int32_t per 24-bit sample; EDataFileBufferAllocation for EDF.
  TDynArray<int32_t> GetWideDataBuffer();
  // Whether a file announcing BDF is read by BDF's field rules and 3-byte samples; otherwise
  // it is read, and refused, as EDF. Not while Active.
  bool AcceptBDF() const { return FAcceptBDF; }
  void SetAcceptBDF(bool Value);
  // The format of the open file, or the one CreateNew makes (set before CreateNew; BDF also
  // accepts BDF).
  TEDFFormat Format() const;
  void SetFormat(TEDFFormat Value);
  int SampleBytes() const { return velastrin::SampleBytes(Format()); }
  const std::vector<std::unique_ptr<TReadWriteDataChunk>>& Chunks() const { return FChunks; }

  // ---- Operations ----
  virtual std::unique_ptr<TCustomEDFSignalInfo> CreateSignalInfo() = 0;
  virtual bool IsValid();
  virtual void UpdateDataChunks(void* Sender);
  virtual void Open();
  virtual std::unique_ptr<TCustomEDFFileInfo> CreateFileInfo() = 0;
  virtual void CreateNew(int32_t SignalCount, bool Overwrite);
  virtual void ReadRecord(int64_t Index);
  virtual void WriteRecord(int64_t Index);
  void Close();
  void WriteHeader();

  bool IsHeaderValid() const;
  bool AreSignalsValid() const;
  bool IsHeaderModified() const;
  bool AreSignalsModified() const;
  bool IsModified() const { return IsHeaderModified() || AreSignalsModified(); }

protected:
  void ReadGeneralHeader();
  void ReadSignalHeaders();
  bool DetectNumberFormat();
  void UpdateRecordSize();
  // Appends exactly Width bytes to Block: Text padded with blanks (cut when longer) when
  // Valid, otherwise blanks. Headers are formed whole and then written in one go.
  static void WriteField(std::string& Block, bool Valid, const std::string& Text, int Width);
  // Makes SignalCount fresh signal records bound to this object.
  void MakeSignals(int32_t SignalCount);
  // The current size of the open file.
  int64_t FileSize() const;
  // Samples per record of the buffered signals (what the buffer holds once allocated).
  int64_t BufferedSamples() const { return FBufferSamples; }
  void AddStatus(TEDFStatus Bits) { FStatus |= Bits; }
  // Close for destructors: a failed header write is dropped, the stream always released.
  void CloseOnDestroy() noexcept;
  bool IsOpenForChecks() const { return FActive && !FChecksBusy; }
  bool& ChecksBusyFlag() { return FChecksBusy; }

private:
  void ReleaseStream();
  void StoreSeparators(char Decimal, char Thousand, bool Reparse);
  // Byte position of sample Sample of record Index; EDataFileReadData on overflow.
  int64_t SamplePosition(int64_t Index, int64_t Sample) const;
  // EDataFileReadData (naming record Index) when no record layout is known or the chunks
  // leave the record; EDataFileBufferAllocation when the buffer could not be allocated.
  void CheckRecordAccess(int64_t Index);
  // EDataFileReadData with the fixed message, this file's name and record Index.
  [[noreturn]] void RaiseReadData(int64_t Index) const;
  // Gives DataBuffer the length of the buffered layout when it has none yet.
  void AllocateBuffer();
  void AppendRecord(int64_t Position);
  void WriteSamples(const int16_t* Samples, int64_t Count, int64_t Position);
  void WriteWideSamples(const int32_t* Samples, int64_t Count, int64_t Position);
  bool BufferEmpty() const;
  int64_t BufferSize() const;
  std::string FormatGeneralHeader() const;
  std::string FormatSignalHeaders() const;

  bool FChecksBusy = false;
  bool FReadOnly = false;
  bool FActive = false;
  bool FValid = false;
  TEDFStatus FStatus = 0;
  std::string FFileName;
  bool FStrict = true;
  char FDecimalSeparator = '.';
  char FThousandSeparator = 0;
  bool FFileCompressed = false;
  bool FCreating = false;
  int64_t FBufferedRecord = -1;
  int64_t FRecordSamples = 0;
  TDynSmallIntArray FDataBuffer;
  TDynArray<int32_t> FWideBuffer;        // BDF's buffer; FDataBuffer stays empty
  std::vector<unsigned char> FByteStage; // a BDF chunk's bytes before decoding
  bool FAcceptBDF = false;
  TEDFFormat FFormat = TEDFFormat::EDF;
  int64_t FBufferSamples = 0;
  int64_t FLayoutEnd = 0; // end of the last chunk, in samples from the record start
  std::unique_ptr<TEDFFileStream> FStream;
  std::unique_ptr<TCustomEDFFileInfo> FFileInfo;
  std::vector<std::unique_ptr<TReadWriteDataChunk>> FChunks;
  std::vector<std::unique_ptr<TCustomEDFSignalInfo>> FSignals;
};

class TEDFFile : public TCustomEDFFile {
public:
  TEDFFile() = default;
  ~TEDFFile() override;

  std::unique_ptr<TCustomEDFSignalInfo> CreateSignalInfo() override;
  // The inherited validity plus the EDF recommendations on an open file: record size, record
  // duration and file size against the stated record count. A missed recommendation sets its
  // Status bit and, under Strict, makes the file not valid.
  bool IsValid() override;
  std::unique_ptr<TCustomEDFFileInfo> CreateFileInfo() override;
  // Starts a new file with SignalCount signals: Version "0", the header size for
  // SignalCount signals and a record count of -1 until the header is complete.
  void CreateNew(int32_t SignalCount, bool Overwrite) override;
};

} // namespace velastrin
