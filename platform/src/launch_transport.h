#ifndef DEVICE_LAUNCH_TRANSPORT_H
#define DEVICE_LAUNCH_TRANSPORT_H

// Unix-socket transport of requests and replies: one frame per connection,
// answered by one verdict byte.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

typedef struct _GSocketService GSocketService;

namespace device {
namespace launch {

enum class Verdict {
    Accept, // frame taken: kAckAccepted
    Reject, // frame refused: kAckRejected
    Drop,   // receiver is going away: closed without a verdict
    Defer,  // verdict given later with FrameServer::Answer(ticket, ...)
};

// Listens on a Unix socket on the default GLib main context and reads one
// frame per connection, bounded in size and time. Empty connections (probes)
// are closed silently; malformed, truncated or oversized ones are logged.
class FrameServer {
public:
    // `ticket` names the connection for a deferred verdict.
    using Handler = std::function<Verdict(const std::string& payload, pid_t peer, uint64_t ticket)>;

    FrameServer(uint32_t magic, Handler handler);
    ~FrameServer();
    FrameServer(const FrameServer&) = delete;
    FrameServer& operator=(const FrameServer&) = delete;

    // Binds under a temporary name and renames into place, so the path exists
    // only while something listens on it. Fails when a live listener holds it.
    bool Listen(const std::string& path);
    // Removes the socket (if still ours), stops listening, drops connections
    // (deferred ones included: their senders see no verdict).
    void Stop();
    // Gives the verdict of a deferred frame; unknown tickets are ignored.
    void Answer(uint64_t ticket, Verdict verdict);

    // Per-connection state; used by the main-loop callbacks of the server.
    struct Connection;
    bool ReadSome(Connection* connection); // false once the connection is closed
    void Close(Connection* connection);

private:
    static int OnIncoming(GSocketService* service, void* stream, void* source, void* self);
    void Finish(Connection* connection);
    void Answer(Connection* connection, Verdict verdict);

    uint32_t mMagic;
    Handler mHandler;
    GSocketService* mService = nullptr;
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
