#ifndef DEVICE_LAUNCH_TRANSPORT_H
#define DEVICE_LAUNCH_TRANSPORT_H

// Unix-socket transport of requests and replies: one frame per connection,
// answered by one verdict byte.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace device {
namespace launch {

enum class Verdict {
    Accept, // frame taken: kAckAccepted
    Reject, // frame refused: kAckRejected
    Drop,   // receiver is going away: closed without a verdict
    Defer,  // verdict given later with FrameServer::Answer(ticket, ...)
};

// The connecting process as the kernel reports it (SO_PEERCRED), and the
// executable it runs once the frame is complete; for a frame that was not
// whole at accept, also the one it ran then. Empty exe: unknown, or it
// changed in between.
struct Peer {
    pid_t pid = -1;
    uid_t uid = static_cast<uid_t>(-1);
    std::string exe;
};

// Executable a process runs (/proc/<pid>/exe), "" when unknown.
std::string ExecutableOf(pid_t pid);

// Listens on a Unix socket watched by the default GLib main context and reads
// one frame per connection, bounded in size and time. Empty connections
// (probes) are closed silently; malformed, truncated or oversized ones are
// logged, repeated refusals once per interval with a count.
class FrameServer {
public:
    // `ticket` names the connection for a deferred verdict.
    using Handler = std::function<Verdict(const std::string& payload, const Peer& peer, uint64_t ticket)>;

    FrameServer(uint32_t magic, Handler handler);
    ~FrameServer();
    FrameServer(const FrameServer&) = delete;
    FrameServer& operator=(const FrameServer&) = delete;

    // Binds under a temporary name, makes it 0600 and renames it into place,
    // so the path exists only while something listens on it and only this
    // user can connect. Fails when a live listener holds it.
    bool Listen(const std::string& path);
    // Removes the socket (if still ours), stops listening, drops connections
    // (deferred ones included: their senders see no verdict).
    void Stop();
    // Gives the verdict of a deferred frame; unknown tickets are ignored.
    void Answer(uint64_t ticket, Verdict verdict);

    struct Connection;

private:
    static int OnAccept(int fd, unsigned condition, void* self);
    static int OnReadable(int fd, unsigned condition, void* connection);
    static int OnStalled(void* connection);
    bool ReadSome(Connection* connection); // false once the connection is closed
    void Close(Connection* connection);
    void Finish(Connection* connection);
    void Answer(Connection* connection, Verdict verdict);

    uint32_t mMagic;
    Handler mHandler;
    int mListenFd = -1;
    unsigned mListenSource = 0;
    std::string mPath;
    unsigned long mInode = 0;
    std::set<Connection*> mConnections;
    uint64_t mNextTicket = 1;
};

enum class Delivery {
    Accepted,
    Rejected,
    Dropped,    // connected, but closed without a verdict
    NotRunning, // no socket, or a stale one (connection refused)
    TimedOut,
    Failed,
};

// Connects to `path`, writes the frame and, when `waitVerdict`, waits for the
// verdict; otherwise a frame written in full counts as Accepted.
Delivery DeliverFrame(const std::string& path, const std::string& frame, int timeoutMs, bool waitVerdict = true);

// True when something accepts connections on `path`.
bool IsListening(const std::string& path);

} // namespace launch
} // namespace device

#endif
