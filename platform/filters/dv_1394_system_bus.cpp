#include "platform/filters/dv_1394_bus.h"

#include <libavc1394/avc1394.h>
#include <libavc1394/rom1394.h>
#include <libiec61883/iec61883.h>
#include <libraw1394/raw1394.h>

#include <QDir>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

// The IEEE 1394 bus over libraw1394 (juju /dev/fw* stack), librom1394/libavc1394 for discovery
// and libiec61883 for the DV transmission.
namespace platform {

namespace {

constexpr int kMaxPorts = 16;
constexpr int kBroadcastChannel = 63;

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

// Device files exist but none can be opened: a permission problem, not a missing port.
bool deviceFilesInaccessible() {
    const QStringList names =
        QDir(QStringLiteral("/dev")).entryList({QStringLiteral("fw*")}, QDir::System);
    if (names.isEmpty()) {
        return false;
    }
    for (const QString& name : names) {
        const QByteArray path = QStringLiteral("/dev/%1").arg(name).toLocal8Bit();
        if (::access(path.constData(), R_OK | W_OK) == 0) {
            return false;
        }
    }
    return true;
}

QString noPortError() {
    return deviceFilesInaccessible() ? dv1394NoPermissionText() : dv1394NoPortText();
}

QString systemErrorText(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

class SystemTransmit final : public Dv1394Transmit {
public:
    SystemTransmit(HandlePtr handle, const Dv1394Node& node, Dv1394TransmitHandler& handler)
        : handle_(std::move(handle)), node_id_(node.node_id), handler_(handler),
          wake_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    ~SystemTransmit() override {
        if (dv_ != nullptr) {
            iec61883_dv_close(dv_);
        }
        if (point_to_point_) {
            iec61883_cmp_disconnect(handle_.get(), raw1394_get_local_id(handle_.get()), oplug_,
                                    node_id_, iplug_, static_cast<unsigned>(channel_),
                                    static_cast<unsigned>(bandwidth_));
        }
    }

    bool open(DvStandard standard, QString* error) {
        if (wake_fd_.get() < 0) {
            *error = systemErrorText("eventfd");
            return false;
        }
        raw1394handle_t const handle = handle_.get();
        const int channel = iec61883_cmp_connect(handle, raw1394_get_local_id(handle), &oplug_,
                                                 node_id_, &iplug_, &bandwidth_);
        point_to_point_ = channel >= 0;
        channel_ = point_to_point_ ? channel : kBroadcastChannel;
        dv_ = iec61883_dv_xmit_init(handle, standard == DvStandard::Pal ? 1 : 0, &fill, this);
        if (dv_ == nullptr) {
            *error = systemErrorText("Cannot set up the DV transmission");
            return false;
        }
        raw1394_set_bus_reset_handler(handle, &busReset);
        return true;
    }

    int channel() const override { return channel_; }
    bool pointToPoint() const override { return point_to_point_; }

    bool start(QString* error) override {
        if (iec61883_dv_xmit_start(dv_, channel_) < 0) {
            *error =
                QStringLiteral("The DV transmission on channel %1 could not start.").arg(channel_);
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
            *error = systemErrorText("Waiting for the IEEE 1394 bus failed");
            return false;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            if (::read(wake_fd_.get(), &count, sizeof count) < 0 && errno != EAGAIN) {
                *error = systemErrorText("Reading the wake-up event failed");
                return false;
            }
        }
        if ((fds[0].revents & (POLLIN | POLLPRI)) != 0 && raw1394_loop_iterate(handle_.get()) < 0) {
            *error = systemErrorText("The IEEE 1394 transmission failed");
            return false;
        }
        return true;
    }

    void wake() override {
        const std::uint64_t one = 1;
        // A full counter already wakes the poll; nothing else can go wrong here.
        [[maybe_unused]] const ssize_t written = ::write(wake_fd_.get(), &one, sizeof one);
    }

    bool reconnect(std::uint16_t node_id, QString* error) override {
        node_id_ = node_id;
        if (!point_to_point_) {
            return true;
        }
        raw1394handle_t const handle = handle_.get();
        if (iec61883_cmp_reconnect(handle, raw1394_get_local_id(handle), &oplug_, node_id_, &iplug_,
                                   &bandwidth_, channel_) < 0) {
            *error = QStringLiteral("The DV connection could not be restored after a bus reset.");
            return false;
        }
        return true;
    }

private:
    static int fill(unsigned char* data, int n_dif_blocks, unsigned int /*dropped*/,
                    void* context) {
        auto* const self = static_cast<SystemTransmit*>(context);
        return self->handler_.fillPacket(data, n_dif_blocks > 0) ? 0 : -1;
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
    std::uint16_t node_id_;
    Dv1394TransmitHandler& handler_;
    FileDescriptor wake_fd_;
    iec61883_dv_t dv_ = nullptr;
    int oplug_ = -1;
    int iplug_ = -1;
    int bandwidth_ = -1;
    int channel_ = kBroadcastChannel;
    bool point_to_point_ = false;
};

class SystemBus final : public Ieee1394Bus {
public:
    bool scan(std::vector<Dv1394Node>& nodes, QString* error) override {
        nodes.clear();
        // The port list is read when a handle is created: a fresh handle sees new cards.
        const HandlePtr probe(raw1394_new_handle());
        if (!probe) {
            *error = noPortError();
            return false;
        }
        raw1394_portinfo ports[kMaxPorts] = {};
        const int port_count = raw1394_get_port_info(probe.get(), ports, kMaxPorts);
        if (port_count <= 0) {
            *error = noPortError();
            return false;
        }
        for (int port = 0; port < port_count && port < kMaxPorts; ++port) {
            scanPort(port, nodes);
        }
        return true;
    }

    std::unique_ptr<Dv1394Transmit> openTransmit(const Dv1394Node& node, DvStandard standard,
                                                 Dv1394TransmitHandler& handler,
                                                 QString* error) override {
        // Never run the transmit loop on a handle without a port: it would wait forever.
        HandlePtr handle(raw1394_new_handle_on_port(node.port));
        if (!handle) {
            *error = noPortError();
            return nullptr;
        }
        auto transmit = std::make_unique<SystemTransmit>(std::move(handle), node, handler);
        if (!transmit->open(standard, error)) {
            return nullptr;
        }
        return transmit;
    }

private:
    static void scanPort(int port, std::vector<Dv1394Node>& nodes) {
        const HandlePtr handle(raw1394_new_handle_on_port(port));
        if (!handle) {
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
                node.accepts_dv_input = avc1394_check_subunit_type(handle.get(), node_id,
                                                                   AVC1394_SUBUNIT_TYPE_VCR) != 0;
                nodes.push_back(node);
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
