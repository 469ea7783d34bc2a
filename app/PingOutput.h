#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

// Reading the system ping's reply.
namespace PingOutput {

// The round-trip time of the first reply line, in whole milliseconds rounded
// up and never below 1: "time<1ms" and "time=12ms" (Windows) as well as
// "time=0.057 ms" (Linux, macOS). The text is read up to its first zero byte.
std::optional<int> roundTripMs(const QByteArray &output);

// The arguments that send one echo request and wait about one second for it.
QStringList defaultArguments();

} // namespace PingOutput
