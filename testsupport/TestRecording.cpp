#include "testsupport/TestRecording.h"

#include "support/udStr.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace velastrin::test {

std::vector<TRecordingSignal> NumberedSignals(int32_t Count, const TRecordingSignal& Like,
                                              const std::string& Prefix, int32_t First) {
  std::vector<TRecordingSignal> Signals(static_cast<std::size_t>(Count), Like);
  for (int32_t s = 0; s < Count; ++s)
    Signals[static_cast<std::size_t>(s)].Label = Prefix + std::to_string(First + s);
  return Signals;
}

void CreateRecording(TEDFFile& File, const std::string& Path, const TRecordingHeader& Header) {
  const auto Count = static_cast<int32_t>(Header.Signals.size());
  File.SetFileName(Path);
  File.SetFormat(Header.Format);
  File.CreateNew(Count, true);
  TCustomEDFFileInfo& Info = *File.FileInfo();
  Info.SetPatient(Header.Patient);
  Info.SetRecording(Header.Recording);
  Info.SetStartDateTime(Header.Start);
  Info.SetReserved(Header.Reserved);
  Info.SetSampleRecDuration(Header.Duration);
  for (int32_t s = 0; s < Count; ++s) {
    const TRecordingSignal& From = Header.Signals[static_cast<std::size_t>(s)];
    TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
    Signal.SetSignalLabel(From.Label);
    Signal.SetTransducertype(From.Transducer);
    Signal.SetPhysidim(From.Dim);
    Signal.SetPhysimin(From.PhysMin);
    Signal.SetPhysimax(From.PhysMax);
    Signal.SetDigimin(From.DigMin);
    Signal.SetDigimax(From.DigMax);
    Signal.SetPrefilter(From.Prefilter);
    Signal.SetNrSamples(From.Samples);
    Signal.SetReserved("");
  }
  File.WriteHeader();
}

int64_t CreateSizedRecording(const std::string& Path, const TRecordingHeader& Header,
                             int64_t Records) {
  int64_t HeaderBytes = 0;
  int64_t RecordBytes = 0;
  {
    TEDFFile File;
    CreateRecording(File, Path, Header);
    HeaderBytes = File.FileInfo()->HeaderBytes();
    File.Close();
  }
  for (const TRecordingSignal& Signal : Header.Signals)
    RecordBytes += int64_t{Signal.Samples} * SampleBytes(Header.Format);
  const int Handle = ::open(Path.c_str(), O_RDWR | O_CLOEXEC);
  const std::string Count =
      PadRight(std::to_string(Records), GeneralFieldWidth(TGeneralField::NrDataRecords));
  if (Handle < 0 ||
      ::pwrite(Handle, Count.data(), Count.size(),
               GeneralFieldOffset(TGeneralField::NrDataRecords)) !=
          static_cast<ssize_t>(Count.size()) ||
      ::ftruncate(Handle, HeaderBytes + Records * RecordBytes) != 0)
    std::abort();
  ::close(Handle);
  return HeaderBytes;
}

bool CreateFilledRecording(const std::string& Path, const TRecordingHeader& Header, int64_t Records,
                           const std::function<int16_t(int64_t, int32_t, int32_t)>& Value) {
  const auto Signals = static_cast<int32_t>(Header.Signals.size());
  const int32_t Samples = Signals > 0 ? Header.Signals.front().Samples : 0;
  const int64_t RecordSamples = int64_t{Signals} * Samples;
  std::error_code Error;
  if (std::filesystem::file_size(Path, Error) ==
      static_cast<uintmax_t>(256 * (Signals + 1) + Records * RecordSamples * 2))
    return false;
  const int64_t HeaderBytes = CreateSizedRecording(Path, Header, Records);
  const int Handle = ::open(Path.c_str(), O_RDWR | O_CLOEXEC);
  constexpr int64_t Chunk = 64; // records a write
  std::vector<int16_t> Data(static_cast<std::size_t>(Chunk * RecordSamples));
  for (int64_t r0 = 0; r0 < Records; r0 += Chunk) {
    const int64_t n = std::min(Chunk, Records - r0);
    auto* Out = Data.data();
    for (int64_t r = 0; r < n; ++r)
      for (int32_t s = 0; s < Signals; ++s)
        for (int32_t i = 0; i < Samples; ++i)
          *Out++ = Value(r0 + r, i, s);
    const auto Bytes = static_cast<std::size_t>(n * RecordSamples * 2);
    if (Handle < 0 || ::pwrite(Handle, Data.data(), Bytes, HeaderBytes + r0 * RecordSamples * 2) !=
                          static_cast<ssize_t>(Bytes))
      std::abort();
  }
  ::close(Handle);
  return true;
}

} // namespace velastrin::test
