// The serial port of the special conversion, on termios.
//
// "COM1" and "COM2" are /dev/ttyS0 and /dev/ttyS1; the environment values BREVIO_COM1 and
// BREVIO_COM2 name other devices (a pty pair made by socat in the tests). The port is opened
// for reading and writing, not shared with any other process (an exclusive lock on the device
// and TIOCEXCL), and only an existing device. Its line is made raw at 115200 baud so that
// every byte of a record arrives as sent, and reads return what is there or wait up to 5
// seconds for the first byte. Writes give up after a time-out of their own.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace brevio::conversion {

// The device of a port number (0 "COM1", 1 "COM2").
std::string TransferDevicePath(int serialPort);
// "COM%d正在使用之中,无法初始化,请选择其它串口!" with the port number (1 or 2).
std::string PortBusyText(int serialPort);
// "Vantory提示"
std::string PortMessageTitle();

class TransferPort {
  public:
    static constexpr int kOpenFailed = 0;
    static constexpr int kOpened = 1;
    static constexpr int kAlreadyOpen = 2;
    static constexpr int kWriteOk = 0;
    static constexpr int kWriteFailed = 52;
    static constexpr int kBaudRate = 115200;
    static constexpr int kDefaultWriteTimeoutMs = 5000;

    TransferPort() = default;
    ~TransferPort();
    TransferPort(const TransferPort&) = delete;
    TransferPort& operator=(const TransferPort&) = delete;

    // kAlreadyOpen when this device is open already; another open device is closed first.
    int Open(std::string_view device);
    void Close();
    bool IsOpen() const;
    std::string Device() const;

    // Writes all bytes within the time-out; kWriteOk, or kWriteFailed when the write fails,
    // writes nothing or does not finish in time.
    int Write(std::string_view bytes, int timeoutMs = kDefaultWriteTimeoutMs);

  private:
    mutable std::mutex mutex_;
    int fd_ = -1;
    std::string device_;
};

}  // namespace brevio::conversion
