#pragma once

// A pseudo-terminal pair standing in for the cable: the link opens the device side
// (DevicePath), the test plays the processor on the far side.

#include "ScratchFolder.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <termios.h>
#include <thread>
#include <vector>

namespace corvane::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return m_far >= 0; }
    const std::string& DevicePath() const { return m_device; }

    // Writes every byte on the far side.
    void Send(const std::uint8_t* data, std::size_t length);
    void Send(const std::vector<std::uint8_t>& bytes) { Send(bytes.data(), bytes.size()); }

    // Reads what the link wrote until `count` bytes have come or `timeout` has passed.
    std::vector<std::uint8_t> Receive(std::size_t count, std::chrono::milliseconds timeout);

    // Reads and throws away everything waiting on the far side; returns how many bytes.
    std::size_t Drain();

    // The line settings of the device side.
    termios DeviceSettings() const;

    // Closes the far side: the device side sees a hang-up.
    void HangUp();

private:
    int m_far = -1;
    std::string m_device;
};

// A folder of COM<n> links, deleted with everything in it when the object goes.
class PortsFolder {
public:
    const std::string& Path() const { return m_folder.Path(); }
    void Link(const std::string& name, const std::string& target);
    void File(const std::string& name);

private:
    ScratchFolder m_folder;
};

// Waits until `done` is true or `timeout` passes; returns `done()`.
template <typename F> bool WaitUntil(F done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace corvane::test
