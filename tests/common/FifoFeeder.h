#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

// Feeds bytes into a FIFO whenever a reader opens it, until stopped; the
// writer never blocks, so a loader that refuses the FIFO leaves no hang.
class FifoFeeder {
  public:
    FifoFeeder(const std::string& path, std::string bytes) {
        m_thread = std::thread([this, path, bytes] {
            while (!m_stop) {
                const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd < 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                ::fcntl(fd, F_SETFL, 0);
                [[maybe_unused]] const ssize_t n = ::write(fd, bytes.data(), bytes.size());
                ::close(fd);
            }
        });
    }
    ~FifoFeeder() {
        m_stop = true;
        m_thread.join();
    }

  private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
