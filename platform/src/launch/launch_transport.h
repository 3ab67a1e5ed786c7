#ifndef DEVICE_LAUNCH_TRANSPORT_H
#define DEVICE_LAUNCH_TRANSPORT_H

// Transport of launch requests and their replies between the processes of one
// user, over plain Unix sockets watched by the GLib main loop.
//
// - A service listens on <root>/run/<app>.sock from before its create
//   callback until its main loop ends. A request is one connection carrying
//   one frame: "WDRQ", a 32-bit big-endian length and a payload of at most
//   256 KiB (the GVariant of launch_wire.h). The service answers one byte:
//   'A' when it hands the request to the app-control callback, 'R' for a
//   malformed one; it closes without answering when it is exiting, and the
//   sender then starts a fresh instance.
// - A request that wants a reply says so in its header; its sender keeps the
//   connection after the 'A' and reads, on its main loop, the one "WDRP"
//   frame the service writes back on it: the reply, or "canceled" for a
//   request still owed one when the service ends. A connection that closes
//   without a reply is a canceled request too. No other socket is involved.
// - A sender takes the flock <root>/run/<app>.lock, then either delivers to
//   the socket or, when there is none or it refuses connections (a killed
//   process), removes it, starts the executable detached with
//   "--device-start", WEATHER_DEVICE_ROOT and WEATHER_DEVICE_APP_ID set, waits
//   (5 s at most) until the new process listens and delivers the request like
//   any other. A service started so takes that first request before its
//   create callback; without one within 5 s it logs why and ends with an
//   error, before the create callback.
// - A sender talks only to its own user's service: the socket path must be a
//   socket this user owns (not a link), and the listener's SO_PEERCRED uid
//   must be this user's; anything else is refused before a byte is written.
// - The caller is never read from the request nor from anything the sender
//   writes: it is the installed application whose registered executable is
//   the very file the connected process runs (SO_PEERCRED pid and uid, the
//   device and inode of /proc/<pid>/exe, the registry).
// - Malformed, truncated, stalled or excess connections are refused with one
//   log line per kind and 10 s, which then counts the ones left out.
// - Applications without an executable get each request appended as a JSON
//   line to <root>/inbox/<app>.jsonl.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "launch_common.h"
#include <device/unique_fd.h>

namespace device {
namespace launch {

enum class Verdict {
    Accept, // frame taken: kAckAccepted
    Reject, // frame refused: kAckRejected
    Drop,   // receiver is going away: closed without a verdict
    Defer,  // verdict given later with FrameServer::Answer(ticket, ...)
};

// The connecting process as the kernel reports it (SO_PEERCRED), and the
// program it runs once the frame is complete; for a frame that was not whole
// at accept, also the one it ran then. Unknown exe: it could not be looked
// up, or it changed in between.
struct Peer {
    pid_t pid = -1;
    uid_t uid = static_cast<uid_t>(-1);
    Executable exe;
};

// Reads one frame of a given magic from a non-blocking descriptor, bounded in
// size. Malformed and cut frames are refusals, logged as such.
class FrameReader {
public:
    enum class Status {
        More,     // wait until the descriptor is readable again
        Complete, // Payload() holds the frame's payload
        Empty,    // closed before the first byte (a probe)
        Refused,  // bad magic, oversized, cut or unreadable: give the connection up
    };
    FrameReader(uint32_t magic, const char* what) : mMagic(magic), mWhat(what) {}
    Status Read(int fd);
    std::string TakePayload() { return std::move(mBuffer); }
    bool Started() const { return mHaveHeader || !mBuffer.empty(); }
    size_t Received() const { return mBuffer.size(); }

private:
    uint32_t mMagic;
    const char* mWhat; // "request" or "reply", for the log
    std::string mBuffer;
    size_t mExpected = 8;
    bool mHaveHeader = false;
    bool mRejectedMagic = false;
};

// Listens on a Unix socket watched by the default GLib main context and reads
// one frame per connection, bounded in size and time. Empty connections
// (probes) are closed silently.
class FrameServer {
public:
    // `ticket` names the connection for a deferred verdict; it is unique in the process.
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
    // (deferred ones included: their senders see no verdict). Connections
    // kept for a reply stay.
    void Stop();
    // Gives the verdict of a deferred frame; unknown tickets are ignored. An
    // accepted connection whose sender wants a reply is kept for
    // SendReplyFrame under the same ticket instead of being closed.
    void Answer(uint64_t ticket, Verdict verdict, bool keepForReply = false);

    struct Connection;

private:
    static int OnAccept(int fd, unsigned condition, void* self);
    static int OnReadable(int fd, unsigned condition, void* connection);
    static int OnStalled(void* connection);
    bool ReadSome(Connection* connection); // false once the connection is closed
    void Close(Connection* connection);
    void Finish(Connection* connection);
    void Answer(Connection* connection, Verdict verdict, bool keepForReply = false);

    uint32_t mMagic;
    Handler mHandler;
    UniqueFd mListenFd;
    unsigned mListenSource = 0;
    std::string mPath;
    unsigned long mInode = 0;
    std::set<Connection*> mConnections;
};

enum class Delivery {
    Accepted,
    Rejected,
    Dropped,    // connected, but closed without a verdict
    NotRunning, // no socket, or a stale one (connection refused)
    Refused,    // the path is not this user's socket, or another user serves it
    TimedOut,
    Failed,
};

// Connects to `path`, writes the frame and waits for the verdict. When
// `keep` is given, an accepted connection is handed over to wait for a reply.
Delivery DeliverFrame(const std::string& path, const std::string& frame, int timeoutMs, UniqueFd* keep = nullptr);

// Writes the reply frame on the connection kept under `ticket` and closes it.
// Accepted when written in full; NotRunning for no such connection (answered
// already, or this process never had it); Dropped when the sender went away.
Delivery SendReplyFrame(uint64_t ticket, const std::string& frame);
// Tickets of the connections still kept for a reply.
std::set<uint64_t> KeptForReply();

// True when this user's process accepts connections on `path`.
bool IsListening(const std::string& path);

} // namespace launch
} // namespace device

#endif
