// kx208m-sim: a simulated KX-208M behind a pseudo-terminal. Prints the
// terminal's path on the first line of its output, then answers requests
// until it is stopped, its parent exits, or a disconnect fault fires.

#include "SimInstrument.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}

timespec Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

void Advance(timespec& t, double seconds) {
    const long long ns = static_cast<long long>(seconds * 1e9);
    t.tv_sec += static_cast<time_t>(ns / 1000000000);
    t.tv_nsec += static_cast<long>(ns % 1000000000);
    if (t.tv_nsec >= 1000000000) {
        t.tv_nsec -= 1000000000;
        ++t.tv_sec;
    }
}

void SleepUntil(const timespec& t) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR && !g_stop) {
    }
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

const char* const kUsage =
    "Usage: kx208m-sim [--mnr FILE | --generate N] [--used N] [--available N]\n"
    "                  [--version M.m] [--old-version-query] [--serial N] [--kind K]\n"
    "                  [--status-fault]\n"
    "                  [--baud B] [--fault KIND:BLOCK[:TIMES[:MS]]]... [--disconnect-after K]\n"
    "Serves a simulated KX-208M on a pseudo-terminal and prints its path.\n"
    "Fault kinds: none, short, checksum, echo, garbage, delay, trickle (the reply spread\n"
    "over MS), repeat (the reply is sent, but the next request gets the same block);\n"
    "BLOCK * hits every block; TIMES 0 spoils every reply.\n";

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    SimConfig config;
    std::vector<ArchiveRecord> memory;
    std::string error;
    if (!ParseSimArgs(args, config, memory, error)) {
        std::fprintf(stderr, "kx208m-sim: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("kx208m-sim: pseudo-terminal");
        return 1;
    }
    const char* name = ptsname(master);
    if (!name) {
        std::perror("kx208m-sim: ptsname");
        return 1;
    }
    const std::string slavePath = name;
    // Holding the terminal's other end open keeps the line up between the
    // clients' opens (the master otherwise reads EIO while nobody has it).
    const int keep = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keep < 0) {
        std::perror("kx208m-sim: open");
        return 1;
    }
    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);

    CKx208mSim sim(config, std::move(memory));
    const double byteSeconds = sim.ByteSeconds();
    uint8_t buf[512];
    while (!g_stop) {
        pollfd p{master, POLLIN, 0};
        const int r = ::poll(&p, 1, 200);
        if (r < 0 && errno != EINTR)
            break;
        if (r <= 0)
            continue;
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            break;
        // On a paced line the request has only fully arrived after its bytes'
        // wire time.
        timespec t = Now();
        Advance(t, byteSeconds * static_cast<double>(n));
        const CKx208mSim::Reply reply = sim.Receive(buf, static_cast<size_t>(n));
        if (reply.disconnect)
            break;
        Advance(t, reply.delayMs / 1000.0);
        double gap = byteSeconds;
        if (reply.spreadMs > 0 && !reply.bytes.empty())
            gap = std::max(gap, reply.spreadMs / 1000.0 / static_cast<double>(reply.bytes.size()));
        if (gap <= 0) {
            SleepUntil(t);
            if (!WriteAll(master, reply.bytes.data(), reply.bytes.size()))
                break;
            continue;
        }
        // Each byte leaves once its ten bit times have passed.
        bool ok = true;
        for (size_t i = 0; i < reply.bytes.size() && ok && !g_stop; ++i) {
            Advance(t, gap);
            SleepUntil(t);
            ok = WriteAll(master, &reply.bytes[i], 1);
        }
        if (!ok)
            break;
    }
    ::close(keep);
    ::close(master);
    return 0;
}
