#include "testsupport/TestRecording.h"

#include "support/udStr.h"

#include <cstdlib>
#include <fcntl.h>
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

} // namespace velastrin::test
