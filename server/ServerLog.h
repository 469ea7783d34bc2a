#pragma once

// Diagnostics of the server on standard error, one line each, stamped in UTC. Safe from the
// HTTP worker threads: lines are written whole under one lock, and nothing touches the C
// library's time zone state (which its own lock guards out of the sanitizer's sight).
class ServerLog
{
public:
    static void install();
};
