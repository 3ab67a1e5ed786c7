#ifndef DEVICE_LAUNCH_UNIQUE_FD_H
#define DEVICE_LAUNCH_UNIQUE_FD_H

// Owner of one file descriptor: closed once, when the owner goes.

#include <unistd.h>

#include <utility>

namespace device {
namespace launch {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : mFd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : mFd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return mFd; }
    bool Valid() const { return mFd >= 0; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(mFd, -1); }
    void Reset(int fd = -1)
    {
        if (mFd >= 0)
            close(mFd);
        mFd = fd;
    }

private:
    int mFd = -1;
};

} // namespace launch
} // namespace device

#endif
