// The least a command can cost: start, read FILE into fresh memory (2 MiB
// aligned, huge pages asked for, as the archive's records are) with one
// read, touch each byte once, and with OUT and SIZE write SIZE bytes from a
// reused 64 KiB buffer to a file beside OUT, sync it and rename it over OUT,
// as AtomicFile does. bench/process-bench.sh times it beside each command.
// Usage: tervik-floor FILE [OUT SIZE]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile uint64_t g_sink;

int Fail(const char* what) {
    std::perror(what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: tervik-floor FILE [OUT SIZE]\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return Fail(argv[1]);
    const size_t size = static_cast<size_t>(st.st_size);
    constexpr size_t kHuge = size_t{2} << 20;
    const size_t rounded = (size + kHuge) / kHuge * kHuge;
    void* block = nullptr;
    if (::posix_memalign(&block, kHuge, rounded) != 0)
        return Fail("memory");
    ::madvise(block, rounded, MADV_HUGEPAGE);
    auto* bytes = static_cast<unsigned char*>(block);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes + got, size - got);
        if (n < 0)
            return Fail(argv[1]);
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    uint64_t sum = 0;
    for (size_t i = 0; i + 8 <= got; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        sum += word;
    }
    std::free(block);
    g_sink = sum;
    if (argc == 2)
        return 0;
    const std::string target = argv[2], temp = target + ".floor";
    size_t left = std::strtoull(argv[3], nullptr, 10);
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        return Fail(temp.c_str());
    static char buffer[size_t{1} << 16];
    std::memset(buffer, 'x', sizeof buffer);
    while (left > 0) {
        const size_t n = left < sizeof buffer ? left : sizeof buffer;
        if (::write(out, buffer, n) != static_cast<ssize_t>(n))
            return Fail(temp.c_str());
        left -= n;
    }
    if (::fsync(out) != 0 || ::close(out) != 0 || ::rename(temp.c_str(), target.c_str()) != 0)
        return Fail(temp.c_str());
    const size_t slash = target.rfind('/');
    const int dir = ::open(slash == std::string::npos ? "." : target.substr(0, slash + 1).c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}
