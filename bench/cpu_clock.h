#pragma once

#include <sys/types.h>

// Wall time and the CPU time of both sides, so that a figure says where its time went.
namespace bench {

// CPU seconds this process has used: the program, the driver manager and the ODBC driver.
double ClientCpuSeconds();

// CPU seconds the database server has used: its main process with every process it has
// started, running (user plus system time) and ended (time the main process collected).
// Read from /proc; the server must run on this machine.
class ServerCpu {
public:
    // Finds the server's main process as the parent of one of its session processes.
    explicit ServerCpu(pid_t sessionProcess);
    bool Available() const { return server_ > 0; }
    // Negative when not available.
    double Seconds() const;

private:
    // One reading; *ending set when a session process has ended but is not yet collected.
    double Sum(bool* ending) const;

    pid_t server_ = 0;
};

struct Timing {
    double wall = 0;
    double client = 0;
    double server = -1; // negative: not measured
};

// Starts at construction; Elapsed() gives the time since on all three clocks.
class Stopwatch {
public:
    explicit Stopwatch(const ServerCpu& server);
    Timing Elapsed() const;

private:
    // Declared in the order they are read, so that reading /proc counts on neither clock.
    const ServerCpu& server_;
    double serverCpu_;
    double client_;
    double wall_;
};

} // namespace bench
