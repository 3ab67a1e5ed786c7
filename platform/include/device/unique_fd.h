#ifndef DEVICE_UNIQUE_FD_H
#define DEVICE_UNIQUE_FD_H

// The one owner of a file descriptor: closed when the owner goes, moved but
// never copied. Plain C++ on purpose, so every layer can use it.

#include <unistd.h>

#include <utility>

namespace device {

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
    explicit operator bool() const { return Valid(); }

    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(mFd, -1); }
    // Closes the owned descriptor (if any) and takes `fd`; the close's result
    // for callers that must know a write reached the file.
    int Reset(int fd = -1)
    {
        const int rc = mFd >= 0 ? ::close(mFd) : 0;
        mFd = fd;
        return rc;
    }

private:
    int mFd = -1;
};

} // namespace device

#endif
