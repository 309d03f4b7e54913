// POSIX serial ports, and discovery of FTDI bridges through sysfs.

#include "Transport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

class SerialTransport final : public Transport {
  public:
    explicit SerialTransport(int fd) : m_fd(fd) {}
    ~SerialTransport() override { ::close(m_fd); }

    bool PurgeReceived() override { return tcflush(m_fd, TCIFLUSH) == 0; }

    int Write(const uint8_t* data, size_t size, int timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, size - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return done > 0 ? static_cast<int>(done) : -1;
            pollfd p{m_fd, POLLOUT, 0};
            const int left = RemainingMs(deadline);
            if (left == 0 || (::poll(&p, 1, left) <= 0 && errno != EINTR))
                break;
        }
        return static_cast<int>(done);
    }

    int Read(uint8_t* data, size_t size, int timeoutMs) override {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t done = 0;
        bool hungUp = false;
        while (done < size) {
            const ssize_t n = ::read(m_fd, data + done, size - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            // With VMIN and VTIME 0 a terminal reads 0 bytes when nothing has
            // arrived. A hung-up line (bridge unplugged, far end of a
            // pseudo-terminal closed) reads EIO, or 0 bytes while poll keeps
            // reporting POLLHUP with POLLIN: nothing more will come, so the
            // read fails now instead of spinning until the deadline. The
            // bytes already read are of a reply that will never be whole.
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || (n == 0 && hungUp))
                return -1;
            const int left = RemainingMs(deadline);
            if (left == 0)
                break;
            pollfd p{m_fd, POLLIN, 0};
            const int r = ::poll(&p, 1, left);
            if (r == 0)
                break;
            if (r < 0 && errno != EINTR)
                return -1;
            if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
                if (!(p.revents & POLLIN))
                    return -1;
                hungUp = true; // read what is still buffered, then fail
            }
        }
        return static_cast<int>(done);
    }

  private:
    int m_fd;
};

std::string ReadLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// Bus number and port chain ("1.4.2") packed one nibble per hop under the
// bus byte, as FTDI's own location ids are.
uint32_t LocationId(const std::string& busnum, const std::string& devpath) {
    uint32_t loc = static_cast<uint32_t>(std::atoi(busnum.c_str()) & 0xFF) << 24;
    int shift = 20;
    size_t pos = 0;
    while (pos <= devpath.size() && shift >= 0) {
        const size_t dot = devpath.find('.', pos);
        const std::string hop = devpath.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
        loc |= static_cast<uint32_t>(std::atoi(hop.c_str()) & 0xF) << shift;
        shift -= 4;
        if (dot == std::string::npos)
            break;
        pos = dot + 1;
    }
    return loc;
}

} // namespace

std::unique_ptr<Transport> OpenSerialTransport(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // Exclusive use, like the D2XX open without sharing: a second program
    // gets "busy" instead of interleaving its bytes with ours.
    if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        ::close(fd);
        return nullptr;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return nullptr;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return nullptr;
    }
    // DTR and RTS on; a pseudo-terminal has no modem lines, so failures are
    // not fatal.
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIS, &lines);
#ifdef __linux__
    // The bridge otherwise holds received bytes back for its latency timer.
    serial_struct ss{};
    if (ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        (void)ioctl(fd, TIOCSSERIAL, &ss);
    }
#endif
    tcflush(fd, TCIOFLUSH);
    return std::make_unique<SerialTransport>(fd);
}

void ScanSerialBridges(const std::string& sysfsRoot, std::vector<DeviceNode>& out) {
    std::error_code ec;
    const fs::path ttyDir = fs::path(sysfsRoot) / "class" / "tty";
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(ttyDir, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const fs::path device = ttyDir / name / "device";
        if (!fs::exists(device, ec))
            continue;
        fs::path dir = fs::canonical(device, ec);
        if (ec)
            continue;
        // Walk up from the interface to the USB device that carries the ids.
        while (!dir.empty() && dir != dir.root_path() && !fs::exists(dir / "idVendor", ec))
            dir = dir.parent_path();
        if (dir.empty() || !fs::exists(dir / "idVendor", ec))
            continue;
        if (ReadLine(dir / "idVendor") != "0403")
            continue;
        DeviceNode node;
        node.backend = PortBackend::Serial;
        node.path = "/dev/" + name;
        const uint32_t product =
            static_cast<uint32_t>(std::strtoul(ReadLine(dir / "idProduct").c_str(), nullptr, 16));
        node.id = 0x0403u << 16 | (product & 0xFFFF);
        node.locId = LocationId(ReadLine(dir / "busnum"), ReadLine(dir / "devpath"));
        CopyNodeText(node.description, sizeof node.description, ReadLine(dir / "product"));
        CopyNodeText(node.serialNumber, sizeof node.serialNumber, ReadLine(dir / "serial"));
        out.push_back(std::move(node));
    }
}
