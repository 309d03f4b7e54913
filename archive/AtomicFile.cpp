#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Follows symbolic links from path to the name of the file they lead to
// (which need not exist yet). st receives lstat of the result, errno ENOENT
// included; false with errno set when the chain cannot be followed.
bool ResolveLinks(const std::string& path, std::string& resolved, struct stat& st, bool& exists) {
    std::string p = path;
    for (int hops = 0;; ++hops) {
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return false;
            exists = false;
            resolved = p;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            resolved = p;
            return true;
        }
        if (hops == 40) {
            errno = ELOOP;
            return false;
        }
        std::vector<char> buf(4096);
        ssize_t n;
        while ((n = ::readlink(p.c_str(), buf.data(), buf.size())) == static_cast<ssize_t>(buf.size()))
            buf.resize(buf.size() * 2);
        if (n <= 0) {
            if (n == 0)
                errno = ENOENT;
            return false;
        }
        std::string target(buf.data(), static_cast<size_t>(n));
        // A relative link is relative to the folder holding the link.
        if (target[0] != '/') {
            const size_t slash = p.rfind('/');
            if (slash != std::string::npos)
                target = p.substr(0, slash + 1) + target;
        }
        p = std::move(target);
    }
}

mode_t CurrentUmask() {
    // Read without changing it: umask() sets as it gets, which another
    // thread creating a file at that moment would notice.
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f))
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found)
            return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

uint64_t RandomBits() {
    uint64_t x = 0;
    if (::getrandom(&x, sizeof x, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof x))
        return x;
    // No entropy yet: the name needs only to differ, O_EXCL keeps it safe.
    static std::atomic<uint64_t> counter{0};
    struct timespec ts {};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    x = (static_cast<uint64_t>(ts.tv_nsec) << 20) ^ static_cast<uint64_t>(ts.tv_sec) ^
        (static_cast<uint64_t>(::getpid()) << 40) ^ (counter++ * 0x9E3779B97F4A7C15ull);
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    return x ^ (x >> 29);
}

// A new temporary beside target: created exclusively, never through a link.
int CreateTemporary(const std::string& target, std::string& name) {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // Stay within the 255 bytes a name may have.
    constexpr size_t kSuffix = 12; // ".tmp-" and 7 characters
    if (base.size() > 255 - kSuffix)
        base.resize(255 - kSuffix);
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t r = RandomBits();
        std::string suffix = ".tmp-";
        for (int i = 0; i < 7; ++i, r /= 36)
            suffix += kDigits[r % 36];
        name = dir + base + suffix;
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Live temporaries, so that a signal that ends the program can remove them.
// Each slot holds the name of one temporary, owned by its AtomicFile, from
// just after the file is created until it is renamed or removed; the handler
// only reads the slots and unlinks, both safe in a signal handler. While any
// slot is taken the handlers below are installed and SIGXFSZ is ignored.
constexpr int kSlots = 64;
std::atomic<const char*> g_live[kSlots];
static_assert(std::atomic<const char*>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
std::atomic<bool> g_reserved[kSlots];
constexpr int kCaught[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCaughtCount = 3;
struct sigaction g_previous[kCaughtCount];
bool g_installed[kCaughtCount];
// Set once a previous handler installed with SA_RESETHAND has run: from then
// on that signal has its default action.
std::atomic<bool> g_previousReset[kCaughtCount];
struct sigaction g_previousXfsz;
std::mutex g_registryMutex;
int g_reservedCount = 0;

bool IsHandler(const struct sigaction& sa) {
    if (sa.sa_flags & SA_SIGINFO)
        return sa.sa_sigaction != nullptr;
    return sa.sa_handler != SIG_DFL && sa.sa_handler != SIG_IGN;
}

extern "C" void OnTerminatingSignal(int sig, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    int k = 0;
    while (k < kCaughtCount && kCaught[k] != sig)
        ++k;
    // A program that catches the signal itself decides what happens (a read
    // stops after its block); its temporaries go the ordinary way.
    if (k < kCaughtCount && !g_previousReset[k].load()) {
        const struct sigaction& previous = g_previous[k];
        if (IsHandler(previous)) {
            if (previous.sa_flags & SA_RESETHAND)
                g_previousReset[k] = true;
            if (previous.sa_flags & SA_SIGINFO)
                previous.sa_sigaction(sig, info, context);
            else
                previous.sa_handler(sig);
            errno = savedErrno;
            return;
        }
    }
    for (const auto& slot : g_live)
        if (const char* name = slot.load())
            ::unlink(name);
    // The default action, once this handler returns and unblocks the signal.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
    errno = savedErrno;
}

void InstallHandlers() {
    for (int k = 0; k < kCaughtCount; ++k) {
        struct sigaction current {};
        g_installed[k] = false;
        // An ignored signal (nohup) stays ignored.
        if (::sigaction(kCaught[k], nullptr, &current) != 0 ||
            (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN))
            continue;
        g_previous[k] = current;
        g_previousReset[k] = false;
        struct sigaction sa {};
        sa.sa_sigaction = OnTerminatingSignal;
        sa.sa_flags = SA_SIGINFO | (current.sa_flags & SA_RESTART);
        sigemptyset(&sa.sa_mask);
        for (int s : kCaught)
            sigaddset(&sa.sa_mask, s);
        g_installed[k] = ::sigaction(kCaught[k], &sa, nullptr) == 0;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, &g_previousXfsz);
}

void RestoreHandlers() {
    for (int k = 0; k < kCaughtCount; ++k) {
        struct sigaction current {};
        // Left alone if the program has set a handler of its own meanwhile.
        if (!g_installed[k] || ::sigaction(kCaught[k], nullptr, &current) != 0 ||
            !(current.sa_flags & SA_SIGINFO) || current.sa_sigaction != OnTerminatingSignal)
            continue;
        struct sigaction restore = g_previous[k];
        if (g_previousReset[k]) {
            restore = {};
            restore.sa_handler = SIG_DFL;
            sigemptyset(&restore.sa_mask);
        }
        ::sigaction(kCaught[k], &restore, nullptr);
    }
    ::sigaction(SIGXFSZ, &g_previousXfsz, nullptr);
}

// A slot for one temporary, -1 when all are taken (the temporary is then
// left to the ordinary removal only).
int ReserveSlot() {
    std::lock_guard<std::mutex> lock(g_registryMutex);
    for (int i = 0; i < kSlots; ++i) {
        if (g_reserved[i])
            continue;
        g_reserved[i] = true;
        if (g_reservedCount++ == 0)
            InstallHandlers();
        return i;
    }
    return -1;
}

void ReleaseSlot(int& slot) {
    if (slot < 0)
        return;
    g_live[slot] = nullptr;
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_reserved[slot] = false;
    if (--g_reservedCount == 0)
        RestoreHandlers();
    slot = -1;
}

// The terminating signals held back while a temporary is created and
// entered in its slot, so that none is created unseen by the handler.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kCaught)
            sigaddset(&set, s);
        m_held = ::pthread_sigmask(SIG_BLOCK, &set, &m_old) == 0;
    }
    ~SignalsHeld() {
        if (m_held)
            ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t m_old;
    bool m_held;
};

} // namespace

bool AtomicFile::Open() {
    if (m_file || !m_temporary.empty() || m_error != 0)
        return Fail(EBUSY);
    m_openFailed = true;
    if (m_path.empty())
        return Fail(ENOENT);
    struct stat st {};
    bool exists = false;
    if (!ResolveLinks(m_path, m_resolved, st, exists))
        return Fail(errno);
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        // The rename would get round a target the user may not write: ask
        // the system whether it may be opened for writing (not truncated).
        const int probe =
            ::open(m_resolved.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (probe < 0)
            return Fail(errno);
        ::close(probe);
    }
    m_slot = ReserveSlot();
    int fd;
    {
        SignalsHeld held;
        fd = CreateTemporary(m_resolved, m_temporary);
        if (fd >= 0 && m_slot >= 0)
            g_live[m_slot] = m_temporary.c_str();
    }
    if (fd < 0) {
        const int error = errno;
        ReleaseSlot(m_slot);
        m_temporary.clear();
        return Fail(error);
    }
    // The temporary is private while it is written, then takes the target's
    // permissions (and owner, where allowed), or a new file's usual ones.
    bool ok;
    if (exists) {
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            (void)!::fchown(fd, st.st_uid, st.st_gid);
        ok = ::fchmod(fd, st.st_mode & 07777 & ~static_cast<mode_t>(S_ISUID | S_ISGID)) == 0;
    } else {
        ok = ::fchmod(fd, 0666 & ~CurrentUmask()) == 0;
    }
    if (ok)
        m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        Fail(errno);
        ::close(fd);
        ::unlink(m_temporary.c_str());
        ReleaseSlot(m_slot);
        m_temporary.clear();
        return false;
    }
    m_openFailed = false;
    return true;
}

bool AtomicFile::Commit() {
    if (!m_file)
        return Fail(EBADF);
    bool ok = !m_writeFailed;
    errno = 0;
    if (ok && std::fflush(m_file) != 0)
        ok = Fail(errno);
    // An error of an earlier write through Stream() leaves only this flag.
    if (ok && std::ferror(m_file))
        ok = Fail(EIO);
    if (ok && ::fsync(::fileno(m_file)) != 0)
        ok = Fail(errno);
    if (std::fclose(m_file) != 0 && ok)
        ok = Fail(errno);
    m_file = nullptr;
    if (ok && ::rename(m_temporary.c_str(), m_resolved.c_str()) != 0)
        ok = Fail(errno);
    if (!ok) {
        ::unlink(m_temporary.c_str());
        ReleaseSlot(m_slot);
        m_temporary.clear();
        return false;
    }
    ReleaseSlot(m_slot);
    m_temporary.clear();
    // Make the rename itself durable; the data already is.
    const size_t slash = m_resolved.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : m_resolved.substr(0, slash);
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void AtomicFile::Discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    ReleaseSlot(m_slot);
    m_temporary.clear();
}
