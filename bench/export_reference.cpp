// The plain reference exporter of the export benchmarks: what a programmer would write by hand
// for one signal of an EDF file. Reads the few header fields it needs, one pread per record,
// std::to_chars into a 1 MiB buffer, large writes. Writes the same data file as the program.
//
//   export_reference INPUT SIGNAL OUTPUT [SEPARATOR]     (SIGNAL 1-based; default CRLF)
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

long Field(const char* Header, int Offset, int Width) {
  return std::strtol(std::string(Header + Offset, static_cast<std::size_t>(Width)).c_str(), nullptr,
                     10);
}

[[noreturn]] void Fail(const char* What) {
  std::perror(What);
  std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 4)
    return 2;
  const std::string Separator = argc > 4 ? argv[4] : "\r\n";
  const int In = ::open(argv[1], O_RDONLY);
  if (In < 0)
    Fail(argv[1]);
  char General[256];
  if (::pread(In, General, 256, 0) != 256)
    Fail("header");
  const long HeaderBytes = Field(General, 184, 8);
  const long Records = Field(General, 236, 8);
  const long Signals = Field(General, 252, 4);
  std::vector<char> SignalHeaders(static_cast<std::size_t>(Signals * 256));
  if (::pread(In, SignalHeaders.data(), SignalHeaders.size(), 256) !=
      static_cast<ssize_t>(SignalHeaders.size()))
    Fail("signal headers");
  const long Chosen = std::atol(argv[2]) - 1;
  long RecordSamples = 0, Offset = 0, Count = 0;
  for (long s = 0; s < Signals; ++s) {
    const long N = Field(SignalHeaders.data(), static_cast<int>(Signals * 216 + s * 8), 8);
    if (s == Chosen) {
      Offset = RecordSamples;
      Count = N;
    }
    RecordSamples += N;
  }
  const int Out = ::open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (Out < 0)
    Fail(argv[3]);
  std::vector<char> Buffer(1 << 20);
  std::vector<int16_t> Samples(static_cast<std::size_t>(Count));
  const std::size_t PerRecord = static_cast<std::size_t>(Count) * (6 + Separator.size());
  std::size_t Used = 0;
  for (long r = 0; r < Records; ++r) {
    const off_t Position = HeaderBytes + (r * RecordSamples + Offset) * 2;
    const auto Bytes = static_cast<ssize_t>(Samples.size() * 2);
    if (::pread(In, Samples.data(), static_cast<std::size_t>(Bytes), Position) != Bytes)
      Fail("record");
    if (Buffer.size() - Used < PerRecord) {
      if (::write(Out, Buffer.data(), Used) != static_cast<ssize_t>(Used))
        Fail("write");
      Used = 0;
    }
    for (long i = 0; i < Count; ++i) {
      Used = static_cast<std::size_t>(std::to_chars(Buffer.data() + Used,
                                                    Buffer.data() + Buffer.size(),
                                                    Samples[static_cast<std::size_t>(i)])
                                          .ptr -
                                      Buffer.data());
      if (i + 1 < Count || r + 1 < Records) {
        Separator.copy(Buffer.data() + Used, Separator.size());
        Used += Separator.size();
      }
    }
  }
  if (::write(Out, Buffer.data(), Used) != static_cast<ssize_t>(Used))
    Fail("write");
  ::close(Out);
  ::close(In);
  return 0;
}
