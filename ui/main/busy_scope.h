#pragma once
// Marks the main window busy while a command runs inside the link's wait, so the window neither
// closes nor starts a second command under it.

namespace vq {

class BusyScope {
  public:
    explicit BusyScope(int& count) : count_(count) { ++count_; }
    ~BusyScope() { --count_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    int& count_;
};

}  // namespace vq
