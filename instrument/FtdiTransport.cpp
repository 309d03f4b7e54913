// FTDI chips driven directly through libftdi1, for systems where the kernel's
// serial driver is not bound to them.

#include "Transport.h"

#include <chrono>
#include <cstring>
#include <ftdi.h>
#include <libusb.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

uint32_t LocationOf(libusb_device* dev) {
    uint8_t ports[7];
    const int n = libusb_get_port_numbers(dev, ports, 7);
    uint32_t loc = static_cast<uint32_t>(libusb_get_bus_number(dev)) << 24;
    for (int i = 0, shift = 20; i < n && shift >= 0; ++i, shift -= 4)
        loc |= static_cast<uint32_t>(ports[i] & 0xF) << shift;
    return loc;
}

struct FtdiContext {
    ftdi_context* ctx = ftdi_new();
    ~FtdiContext() {
        if (ctx)
            ftdi_free(ctx);
    }
};

class FtdiTransport final : public Transport {
  public:
    explicit FtdiTransport(ftdi_context* ctx) : m_ctx(ctx) {}
    ~FtdiTransport() override {
        ftdi_usb_close(m_ctx);
        ftdi_free(m_ctx);
    }

    bool PurgeReceived() override { return ftdi_tciflush(m_ctx) == 0; }

    int Write(const uint8_t* data, size_t size, int timeoutMs) override {
        m_ctx->usb_write_timeout = timeoutMs;
        const int n = ftdi_write_data(m_ctx, data, static_cast<int>(size));
        return n < 0 ? -1 : n;
    }

    int Read(uint8_t* data, size_t size, int timeoutMs) override {
        // ftdi_read_data returns what has arrived so far; poll it until the
        // frame is complete or the time is up.
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t done = 0;
        while (done < size) {
            const int n = ftdi_read_data(m_ctx, data + done, static_cast<int>(size - done));
            if (n < 0)
                return done > 0 ? static_cast<int>(done) : -1;
            done += static_cast<size_t>(n);
            if (done == size || Clock::now() >= deadline)
                break;
            if (n == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return static_cast<int>(done);
    }

  private:
    ftdi_context* m_ctx;
};

} // namespace

std::unique_ptr<Transport> OpenFtdiTransport(uint32_t locId) {
    ftdi_context* ctx = ftdi_new();
    if (!ctx)
        return nullptr;
    ftdi_device_list* list = nullptr;
    libusb_device* found = nullptr;
    if (ftdi_usb_find_all(ctx, &list, 0x0403, 0) > 0) {
        for (ftdi_device_list* d = list; d; d = d->next)
            if (LocationOf(d->dev) == locId) {
                found = d->dev;
                break;
            }
    }
    const bool opened = found && ftdi_usb_open_dev(ctx, found) == 0;
    ftdi_list_free(&list);
    if (!opened) {
        ftdi_free(ctx);
        return nullptr;
    }
    const bool ok = ftdi_set_baudrate(ctx, 9600) == 0 &&
                    ftdi_set_line_property(ctx, BITS_8, STOP_BIT_1, NONE) == 0 &&
                    ftdi_setflowctrl(ctx, SIO_DISABLE_FLOW_CTRL) == 0 && ftdi_setdtr_rts(ctx, 1, 1) == 0 &&
                    ftdi_set_latency_timer(ctx, 1) == 0 && ftdi_tciflush(ctx) == 0;
    if (!ok) {
        ftdi_usb_close(ctx);
        ftdi_free(ctx);
        return nullptr;
    }
    return std::make_unique<FtdiTransport>(ctx);
}

void ScanFtdiDevices(std::vector<DeviceNode>& out) {
    FtdiContext c;
    if (!c.ctx)
        return;
    ftdi_device_list* list = nullptr;
    if (ftdi_usb_find_all(c.ctx, &list, 0x0403, 0) <= 0) {
        ftdi_list_free(&list);
        return;
    }
    for (ftdi_device_list* d = list; d; d = d->next) {
        const uint32_t loc = LocationOf(d->dev);
        bool listed = false;
        for (const DeviceNode& n : out)
            listed = listed || (n.locId == loc && n.backend == PortBackend::Serial);
        if (listed)
            continue; // the kernel driver owns it: reached as a serial port
        DeviceNode node;
        node.backend = PortBackend::Ftdi;
        node.locId = loc;
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(d->dev, &desc) == 0)
            node.id = 0x0403u << 16 | desc.idProduct;
        char manufacturer[64] = {}, description[64] = {}, serial[16] = {};
        if (ftdi_usb_get_strings(c.ctx, d->dev, manufacturer, sizeof manufacturer, description,
                                 sizeof description, serial, sizeof serial) == 0) {
            std::memcpy(node.description, description, sizeof node.description);
            std::memcpy(node.serialNumber, serial, sizeof node.serialNumber);
        }
        node.description[sizeof node.description - 1] = 0;
        node.serialNumber[sizeof node.serialNumber - 1] = 0;
        out.push_back(std::move(node));
    }
    ftdi_list_free(&list);
}
