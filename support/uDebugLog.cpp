#include "support/uDebugLog.h"

#include <cstdio>

namespace velastrin {

namespace {

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> F;
  return F;
}

} // namespace

void SendDebug(const std::string& Line) {
  if (Sink()) {
    Sink()(Line);
    return;
  }
  std::fwrite(Line.data(), 1, Line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::function<void(const std::string&)> SetDebugSink(std::function<void(const std::string&)> F) {
  auto Previous = std::move(Sink());
  Sink() = std::move(F);
  return Previous;
}

} // namespace velastrin
