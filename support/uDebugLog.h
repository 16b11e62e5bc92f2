// The debug log: a line sink. By default each line goes to standard error.
#pragma once

#include <functional>
#include <string>

namespace velastrin {

void SendDebug(const std::string& Line);
// Replaces the sink (an empty function restores standard error). Returns the previous one.
std::function<void(const std::string&)> SetDebugSink(std::function<void(const std::string&)> Sink);

} // namespace velastrin
