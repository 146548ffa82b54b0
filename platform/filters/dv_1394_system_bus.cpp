#include "platform/filters/dv_1394_access.h"
#include "platform/filters/dv_1394_bus.h"

#include <libavc1394/avc1394.h>
#include <libavc1394/rom1394.h>
#include <libiec61883/iec61883.h>
#include <libraw1394/raw1394.h>

#include <QStringList>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

// The IEEE 1394 bus over libraw1394 (juju /dev/fw* stack), librom1394/libavc1394 for discovery
// and libiec61883 for the DV transmission.
namespace platform {

namespace {

constexpr int kMaxPorts = 16;
constexpr int kBroadcastChannel = 63;
// Plug registers of IEC 61883-1 in the CSR space of a node.
constexpr nodeaddr_t kCsrRegisterBase = 0xfffff0000000ULL;
constexpr nodeaddr_t kInputMasterPlugAddress = kCsrRegisterBase + 0x980;
constexpr nodeaddr_t kInputPlugAddress = kCsrRegisterBase + 0x984;
constexpr int kMaxInputPlugs = 31;

// libiec61883 counts the data packets of a frame in a static variable of its transmit handler
// (it stamps the packet at count 0 as a frame start) and increments it before it asks for the
// packet's data. Only one DV transmission runs in a process, so one mirror follows it exactly.
std::atomic<std::size_t> g_library_frame_packet{0};

struct HandleDeleter {
    void operator()(raw1394handle_t handle) const { raw1394_destroy_handle(handle); }
};
using HandlePtr = std::unique_ptr<std::remove_pointer_t<raw1394handle_t>, HandleDeleter>;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

QString systemErrorText(const QString& what) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

// No port visible: a missing card, or device files this user may not open.
Dv1394Scan noPortScan() {
    Dv1394Scan scan;
    const QString access = dv1394AccessProblemText(listIeee1394DeviceFiles());
    scan.status = access.isEmpty() ? Dv1394ScanStatus::NoPort : Dv1394ScanStatus::NoAccess;
    scan.error = access.isEmpty() ? dv1394NoPortText() : access;
    return scan;
}

void wakeEventFd(int fd) {
    const std::uint64_t one = 1;
    // A full counter already wakes the poll; nothing else can go wrong here.
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

bool drainEventFd(int fd, QString* error) {
    std::uint64_t count = 0;
    if (::read(fd, &count, sizeof count) < 0 && errno != EAGAIN) {
        *error = systemErrorText(QStringLiteral("Reading the wake-up event failed"));
        return false;
    }
    return true;
}

// What the device's input plug registers say: whether it takes a stream now.
struct InputPlugs {
    bool readable = false;
    int count = 0;
    int online = 0;
    quadlet_t first = 0;
};

InputPlugs readInputPlugs(raw1394handle_t handle, nodeid_t node) {
    InputPlugs plugs;
    quadlet_t master = 0;
    if (raw1394_read(handle, node, kInputMasterPlugAddress, sizeof master, &master) < 0) {
        return plugs;
    }
    plugs.readable = true;
    plugs.count = std::min<int>(static_cast<int>(ntohl(master) & 0x1f), kMaxInputPlugs);
    for (int plug = 0; plug < plugs.count; ++plug) {
        quadlet_t value = 0;
        if (raw1394_read(handle, node, kInputPlugAddress + 4 * static_cast<nodeaddr_t>(plug),
                         sizeof value, &value) < 0) {
            // Unreadable: do not call it offline.
            ++plugs.online;
            continue;
        }
        value = ntohl(value);
        if (plug == 0) {
            plugs.first = value;
        }
        if ((value & 0x80000000U) != 0) {
            ++plugs.online;
        }
    }
    return plugs;
}

class SystemTransmit final : public Dv1394Transmit {
public:
    SystemTransmit(HandlePtr handle, const Dv1394Node& node, DvStandard standard,
                   Dv1394TransmitHandler& handler)
        : handle_(std::move(handle)), port_(node.port), node_id_(node.node_id), label_(node.label),
          packets_per_frame_(dvPacketsPerFrame(standard)), standard_(standard), handler_(handler),
          wake_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    ~SystemTransmit() override {
        if (dv_ != nullptr) {
            iec61883_dv_close(dv_);
        }
        const std::lock_guard lock(connection_mutex_);
        if (connected_) {
            // The transmit handle may have missed the last reset: a fresh one has the
            // current generation.
            HandlePtr fresh(raw1394_new_handle_on_port(port_));
            raw1394handle_t const handle = fresh ? fresh.get() : handle_.get();
            iec61883_cmp_disconnect(handle, raw1394_get_local_id(handle), oplug_, node_id_, iplug_,
                                    static_cast<unsigned>(channel_),
                                    static_cast<unsigned>(std::max(bandwidth_, 0)));
        }
    }

    bool open(QString* error) {
        if (wake_fd_.get() < 0) {
            *error = systemErrorText(QStringLiteral("eventfd"));
            return false;
        }
        raw1394handle_t const handle = handle_.get();
        const nodeid_t local = raw1394_get_local_id(handle);
        // A point-to-point connection with bandwidth from the isochronous resource manager;
        // then without bandwidth (devices without output plug registers, a full manager).
        int channel = iec61883_cmp_connect(handle, local, &oplug_, node_id_, &iplug_, &bandwidth_);
        if (channel < 0) {
            oplug_ = -1;
            iplug_ = -1;
            bandwidth_ = 0;
            channel = iec61883_cmp_connect(handle, local, &oplug_, node_id_, &iplug_, &bandwidth_);
        }
        // A device whose every input plug is offline (a camcorder in camera mode) answers that
        // it takes no stream now; anything else is tried.
        const InputPlugs plugs = readInputPlugs(handle, node_id_);
        if (plugs.readable && plugs.count > 0 && plugs.online == 0) {
            if (channel >= 0) {
                iec61883_cmp_disconnect(handle, local, oplug_, node_id_, iplug_,
                                        static_cast<unsigned>(channel),
                                        static_cast<unsigned>(std::max(bandwidth_, 0)));
            }
            *error = dv1394RefusesDvText(label_, dv1394InputPlugOfflineText(plugs.first));
            return false;
        }
        {
            const std::lock_guard lock(connection_mutex_);
            connected_ = channel >= 0;
            channel_ = connected_ ? channel : kBroadcastChannel;
            point_to_point_ = connected_ && channel != kBroadcastChannel;
        }
        dv_ = iec61883_dv_xmit_init(handle, standard_ == DvStandard::Pal ? 1 : 0, &fill, this);
        if (dv_ == nullptr) {
            *error = systemErrorText(QStringLiteral("Cannot set up the DV transmission"));
            return false;
        }
        raw1394_set_bus_reset_handler(handle, &busReset);
        return true;
    }

    int channel() const override {
        const std::lock_guard lock(connection_mutex_);
        return channel_;
    }
    bool pointToPoint() const override {
        const std::lock_guard lock(connection_mutex_);
        return point_to_point_;
    }
    std::size_t ringPackets() const override { return iec61883_dv_get_buffers(dv_); }
    std::size_t packetsBeforeFrameStart() const override {
        const std::size_t count = g_library_frame_packet.load();
        if (count == 0) {
            return 0;
        }
        // A count beyond this standard's frame (the last run was PAL, this one NTSC) wraps to
        // 0 at the next data packet.
        return count >= packets_per_frame_ ? 1 : packets_per_frame_ - count;
    }

    bool start(QString* error) override {
        const int channel = this->channel();
        if (iec61883_dv_xmit_start(dv_, channel) < 0) {
            *error = systemErrorText(
                QStringLiteral("The DV transmission on channel %1 could not start").arg(channel));
            return false;
        }
        return true;
    }

    bool iterate(int timeout_ms, QString* error) override {
        pollfd fds[2] = {{raw1394_get_fd(handle_.get()), POLLIN, 0}, {wake_fd_.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout_ms);
        if (ready < 0) {
            if (errno == EINTR) {
                return true;
            }
            *error = systemErrorText(QStringLiteral("Waiting for the IEEE 1394 bus failed"));
            return false;
        }
        if ((fds[1].revents & POLLIN) != 0 && !drainEventFd(wake_fd_.get(), error)) {
            return false;
        }
        if ((fds[0].revents & (POLLIN | POLLPRI)) != 0 && raw1394_loop_iterate(handle_.get()) < 0) {
            *error = systemErrorText(QStringLiteral("The IEEE 1394 transmission failed"));
            return false;
        }
        return true;
    }

    void wake() override { wakeEventFd(wake_fd_.get()); }

    bool reconnect(std::uint16_t node_id, QString* error) override {
        const std::lock_guard lock(connection_mutex_);
        node_id_ = node_id;
        if (!connected_) {
            // Broadcast without plug registers: nothing to restore.
            return true;
        }
        // The transmit handle belongs to the I/O thread; a fresh one also has the generation
        // of the reset.
        HandlePtr handle(raw1394_new_handle_on_port(port_));
        if (!handle) {
            *error = systemErrorText(QStringLiteral("No handle on IEEE 1394 port %1").arg(port_));
            return false;
        }
        int bandwidth = bandwidth_ > 0 ? -1 : 0;
        const int channel =
            iec61883_cmp_reconnect(handle.get(), raw1394_get_local_id(handle.get()), &oplug_,
                                   node_id_, &iplug_, &bandwidth, channel_);
        if (channel < 0) {
            *error = QStringLiteral("\"%1\" did not take the connection back on channel %2.")
                         .arg(label_)
                         .arg(channel_);
            return false;
        }
        bandwidth_ = bandwidth;
        return true;
    }

private:
    static int fill(unsigned char* data, int n_dif_blocks, unsigned int dropped, void* context) {
        auto* const self = static_cast<SystemTransmit*>(context);
        const bool data_packet = n_dif_blocks > 0;
        if (data_packet) {
            std::size_t count = g_library_frame_packet.load() + 1;
            g_library_frame_packet.store(count >= self->packets_per_frame_ ? 0 : count);
        }
        return self->handler_.fillPacket(data, data_packet, dropped) ? 0 : -1;
    }

    static int busReset(raw1394handle_t handle, unsigned int generation) {
        raw1394_update_generation(handle, generation);
        // libiec61883 keeps its transmission object as the handle's user data.
        auto* const dv = static_cast<iec61883_dv_t>(raw1394_get_userdata(handle));
        if (dv != nullptr) {
            static_cast<SystemTransmit*>(iec61883_dv_get_callback_data(dv))->handler_.busReset();
        }
        return 0;
    }

    HandlePtr handle_;
    const int port_;
    std::uint16_t node_id_;
    const QString label_;
    const std::size_t packets_per_frame_;
    const DvStandard standard_;
    Dv1394TransmitHandler& handler_;
    FileDescriptor wake_fd_;
    iec61883_dv_t dv_ = nullptr;

    // The connection, shared by the I/O thread, the reconnecting thread and the destructor.
    mutable std::mutex connection_mutex_;
    int oplug_ = -1;
    int iplug_ = -1;
    int bandwidth_ = -1;
    int channel_ = kBroadcastChannel;
    bool connected_ = false;
    bool point_to_point_ = false;
};

// One handle per port, polled for bus reset events.
class SystemResetNotices final : public Dv1394ResetNotices {
public:
    SystemResetNotices() : wake_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    bool open() {
        const HandlePtr probe(raw1394_new_handle());
        if (!probe || wake_fd_.get() < 0) {
            return false;
        }
        raw1394_portinfo ports[kMaxPorts] = {};
        const int port_count =
            std::min(raw1394_get_port_info(probe.get(), ports, kMaxPorts), kMaxPorts);
        for (int port = 0; port < port_count; ++port) {
            HandlePtr handle(raw1394_new_handle_on_port(port));
            if (!handle) {
                continue;
            }
            raw1394_set_userdata(handle.get(), this);
            raw1394_busreset_notify(handle.get(), RAW1394_NOTIFY_ON);
            raw1394_set_bus_reset_handler(handle.get(), &onReset);
            handles_.push_back(std::move(handle));
        }
        return !handles_.empty();
    }

    bool wait(int timeout_ms) override {
        std::vector<pollfd> fds;
        for (const HandlePtr& handle : handles_) {
            fds.push_back({raw1394_get_fd(handle.get()), POLLIN, 0});
        }
        fds.push_back({wake_fd_.get(), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), timeout_ms) > 0) {
            QString error;
            if ((fds.back().revents & POLLIN) != 0) {
                drainEventFd(wake_fd_.get(), &error);
            }
            for (std::size_t i = 0; i < handles_.size(); ++i) {
                if ((fds[i].revents & (POLLIN | POLLPRI)) != 0) {
                    raw1394_loop_iterate(handles_[i].get());
                }
            }
        }
        return reset_.exchange(false);
    }

    void wake() override { wakeEventFd(wake_fd_.get()); }

private:
    static int onReset(raw1394handle_t handle, unsigned int generation) {
        raw1394_update_generation(handle, generation);
        static_cast<SystemResetNotices*>(raw1394_get_userdata(handle))->reset_ = true;
        return 0;
    }

    FileDescriptor wake_fd_;
    std::vector<HandlePtr> handles_;
    std::atomic<bool> reset_ = false;
};

class SystemBus final : public Ieee1394Bus {
public:
    Dv1394Scan scan() override {
        // The port list is read when a handle is created: a fresh handle sees new cards.
        const HandlePtr probe(raw1394_new_handle());
        if (!probe) {
            return noPortScan();
        }
        raw1394_portinfo ports[kMaxPorts] = {};
        const int port_count = raw1394_get_port_info(probe.get(), ports, kMaxPorts);
        if (port_count <= 0) {
            return noPortScan();
        }
        Dv1394Scan scan;
        scan.status = Dv1394ScanStatus::Complete;
        for (int port = 0; port < port_count && port < kMaxPorts; ++port) {
            scanPort(port, scan);
        }
        return scan;
    }

    std::unique_ptr<Dv1394Transmit> openTransmit(const Dv1394Node& node, DvStandard standard,
                                                 Dv1394TransmitHandler& handler,
                                                 QString* error) override {
        // Never run the transmit loop on a handle without a port: it would wait forever.
        HandlePtr handle(raw1394_new_handle_on_port(node.port));
        if (!handle) {
            *error = noPortScan().error;
            return nullptr;
        }
        auto transmit =
            std::make_unique<SystemTransmit>(std::move(handle), node, standard, handler);
        if (!transmit->open(error)) {
            return nullptr;
        }
        return transmit;
    }

    std::unique_ptr<Dv1394ResetNotices> resetNotices() override {
        auto notices = std::make_unique<SystemResetNotices>();
        if (!notices->open()) {
            return nullptr;
        }
        return notices;
    }

private:
    static void markIncomplete(Dv1394Scan& scan, const QString& reason) {
        scan.status = Dv1394ScanStatus::Incomplete;
        if (scan.error.isEmpty()) {
            scan.error = reason;
        }
    }

    static void scanPort(int port, Dv1394Scan& scan) {
        const HandlePtr handle(raw1394_new_handle_on_port(port));
        if (!handle) {
            markIncomplete(scan,
                           QStringLiteral("IEEE 1394 port %1 could not be opened.").arg(port));
            return;
        }
        const nodeid_t local = raw1394_get_local_id(handle.get());
        const int node_count = raw1394_get_nodecount(handle.get());
        for (int index = 0; index < node_count; ++index) {
            const auto node_id = static_cast<nodeid_t>(0xffc0 | index);
            if (node_id == local) {
                continue;
            }
            rom1394_directory directory = {};
            if (rom1394_get_directory(handle.get(), node_id, &directory) < 0) {
                markIncomplete(
                    scan,
                    QStringLiteral("Node %1 on port %2 did not answer.").arg(index).arg(port));
                continue;
            }
            if (rom1394_get_node_type(&directory) == ROM1394_NODE_TYPE_AVC) {
                Dv1394Node node;
                node.guid = rom1394_get_guid(handle.get(), node_id);
                node.port = port;
                node.node_id = node_id;
                node.label = directory.label != nullptr
                                 ? QString::fromUtf8(directory.label).simplified()
                                 : QString();
                if (node.label.isEmpty()) {
                    node.label = QStringLiteral("IEEE 1394 device %1")
                                     .arg(node.guid, 16, 16, QLatin1Char('0'))
                                     .toUpper();
                }
                node.has_tape_subunit = avc1394_check_subunit_type(handle.get(), node_id,
                                                                   AVC1394_SUBUNIT_TYPE_VCR) != 0;
                if (node.guid == 0) {
                    markIncomplete(
                        scan,
                        QStringLiteral("Node %1 on port %2 gave no GUID.").arg(index).arg(port));
                } else {
                    scan.nodes.push_back(node);
                }
            }
            rom1394_free_directory(&directory);
        }
    }
};

} // namespace

std::unique_ptr<Ieee1394Bus> createSystemIeee1394Bus() {
    return std::make_unique<SystemBus>();
}

} // namespace platform
