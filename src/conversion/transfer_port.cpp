#include "conversion/transfer_port.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/fs.h"
#include "platform/text.h"

namespace brevio::conversion {
namespace {

long long MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

bool SetLine(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    // A read returns what is there at once, or waits up to 5 seconds for the first byte.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 50;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

std::string TransferDevicePath(int serialPort) {
    const char* override = std::getenv(serialPort == 0 ? "BREVIO_COM1" : "BREVIO_COM2");
    if (override && *override) return platform::GbkPathFromNative(override);
    return serialPort == 0 ? "/dev/ttyS0" : "/dev/ttyS1";
}

std::string PortBusyText(int serialPort) {
    return platform::Format("COM%d正在使用之中,无法初始化,请选择其它串口!", serialPort == 0 ? 1 : 2);
}

std::string PortMessageTitle() {
    return "Vantory提示";
}

TransferPort::~TransferPort() {
    Close();
}

int TransferPort::Open(std::string_view device) {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        if (device_ == device) return kAlreadyOpen;
        ::close(fd_);
        fd_ = -1;
    }
    const std::string native = platform::NativePath(device);
    // O_NONBLOCK for the open (a modem line must not block it) and for the writes, which wait
    // with poll under their own time-out.
    int fd = ::open(native.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kOpenFailed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !isatty(fd) || !SetLine(fd)) {
        ::close(fd);
        return kOpenFailed;
    }
    ioctl(fd, TIOCEXCL);
    fd_ = fd;
    device_ = std::string(device);
    return kOpened;
}

void TransferPort::Close() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    device_.clear();
}

bool TransferPort::IsOpen() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

std::string TransferPort::Device() const {
    std::lock_guard lock(mutex_);
    return device_;
}

int TransferPort::Write(std::string_view bytes, int timeoutMs) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0 || bytes.empty()) return kWriteFailed;
    const long long deadline = MonotonicMs() + timeoutMs;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return kWriteFailed;
        const long long left = deadline - MonotonicMs();
        if (left <= 0) return kWriteFailed;
        pollfd p{fd_, POLLOUT, 0};
        int r = ::poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno != EINTR) return kWriteFailed;
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) return kWriteFailed;
    }
    return kWriteOk;
}

}  // namespace brevio::conversion
