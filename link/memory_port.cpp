#include "link/memory_port.h"

#include <utility>

namespace vq {

MemoryChannel::MemoryChannel(EventHost& host) : host_(host) {}

void MemoryChannel::setOpen(bool open) {
    open_ = open;
    if (!open) input_.clear();
}

void MemoryChannel::send(std::string bytes, Millis delay) {
    std::weak_ptr<bool> alive = alive_;
    host_.callLater(delay, [this, alive, bytes = std::move(bytes)]() mutable {
        if (alive.expired() || !open_) return;
        input_ += bytes;
        deliver(port_event::Receive);
    });
}

void MemoryChannel::raise(int code, Millis delay) {
    std::weak_ptr<bool> alive = alive_;
    host_.callLater(delay, [this, alive, code] {
        if (alive.expired() || !open_) return;
        deliver(code);
    });
}

void MemoryChannel::deliver(int code) {
    if (sink_) sink_(code);
}

void MemoryChannel::write(const std::string& bytes) {
    if (!open_) return;
    written_.push_back(Written{host_.now(), bytes});
    if (responder_) responder_(bytes);
}

std::string MemoryChannel::readAll() {
    std::string bytes = std::move(input_);
    input_.clear();
    return bytes;
}

void MemorySerialPort::setModemLines(int bits) {
    const bool changed = bits != modemLines_;
    modemLines_ = bits;
    if (changed) channel_.raise(port_event::Cts);
}

bool MemorySerialPort::open() {
    if (openFails_) return false;
    if (channel_.isOpen()) return true;
    channel_.setOpen(true);
    // As the real port: lines already up at open start probing at once.
    if (modemLines_ & (kModemCts | kModemDsr)) channel_.raise(port_event::Cts);
    return true;
}

void MemorySocketPort::setConnectResult(int errorNumber, Millis delay) {
    connectError_ = errorNumber;
    connectDelay_ = delay;
}

bool MemorySocketPort::open() {
    if (channel_.isOpen() || connecting_) return true;
    connecting_ = true;
    std::weak_ptr<bool> alive = alive_;
    channel_.host().callLater(connectDelay_, [this, alive] {
        if (alive.expired()) return;
        connecting_ = false;
        // The events go out through the open channel; a failed connect closes it after.
        channel_.setOpen(true);
        if (connectError_ == 0) {
            channel_.raise(port_event::LinkEstablished);
        } else {
            lastError_ = connectError_;
            channel_.raise(port_event::SocketError);
            channel_.host().callLater(Millis{0}, [this, alive] {
                if (!alive.expired()) channel_.setOpen(false);
            });
        }
    });
    return true;
}

void MemorySocketPort::poll() {
    ++polls_;
    if (!channel_.isOpen()) open();
}

}  // namespace vq
