#pragma once

#include <QString>

#include <optional>

#include <termios.h>

// The port open now, as another thread may have to leave it when the
// program must end while the GUI thread is held (a display that stopped
// answering): its output dropped, its line settings as they were found,
// its exclusive use released and its lock file removed, so that the next
// opening finds it as this one found it.
namespace PortRelease {

// Reads the line settings of `device` before the port library opens it,
// on a descriptor of its own held until `release` (after the library's
// open): were it the last to close, the device would hang up.
class FoundSettings {
public:
    explicit FoundSettings(const QString& device);
    ~FoundSettings() { release(); }
    FoundSettings(const FoundSettings&) = delete;
    FoundSettings& operator=(const FoundSettings&) = delete;
    void release();
    const termios* settings() const { return known_ ? &settings_ : nullptr; }

private:
    int fd_ = -1;
    bool known_ = false;
    termios settings_{};
};

// After an open: the descriptor, the device it was opened as, its line
// settings as found (null: not known, left as they are), and how long its
// transmitter takes at most to empty (SerialLink::closeBoundMs()).
void noteOpened(int fd, const QString& device, const termios* found, int emptiesWithinMs);
// Before the descriptor is closed.
void noteClosing(int fd);
// From any thread. A UART still sends what its FIFO holds once the queue
// is dropped: the line settings change back only once its transmitter is
// empty, or has had the time to be.
void releaseFromAnyThread();
// Whether the transmitter of `fd` is empty; nullopt where the port cannot
// tell (a pseudo-terminal). Null puts the port's own question back.
using TransmitterQuery = std::optional<bool> (*)(int fd);
void setTransmitterQuery(TransmitterQuery query);

} // namespace PortRelease
