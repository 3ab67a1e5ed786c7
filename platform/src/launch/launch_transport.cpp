// Socket transport of launch requests and replies (protocol in
// launch_transport.h). A plain Unix socket watched by the main loop: GIO's
// socket service cost milliseconds per request and memory besides.

#include "launch_transport.h"

#include <device/no_destructor.h>

#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace device {
namespace launch {

struct FrameServer::Connection {
    FrameServer* server = nullptr;
    UniqueFd fd;
    guint readSource = 0;
    guint timeoutId = 0;
    Peer peer;
    FrameReader reader;
    bool exeAtAccept = false; // peer.exe was looked up at accept: Finish compares
    uint64_t ticket = 0;

    explicit Connection(uint32_t magic) : reader(magic, "request") {}
};

namespace {

// Tickets are unique in the process, so a kept connection is found by its
// ticket whichever server accepted it.
std::atomic<uint64_t> gNextTicket{1};

// Accepted connections whose senders wait for a reply. They outlive the
// server that accepted them: a service answers what it still owes after its
// main loop ended.
struct KeptConnections {
    std::mutex mutex;
    std::map<uint64_t, UniqueFd> fds;
};

KeptConnections& Kept()
{
    static NoDestructor<KeptConnections> kept;
    return *kept;
}

uint32_t ReadWord(const std::string& bytes, size_t offset)
{
    uint32_t word = 0;
    for (size_t i = 0; i < 4; ++i)
        word = (word << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return word;
}

bool FillAddress(const std::string& path, sockaddr_un* address)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

void SetTimeouts(int fd, int timeoutMs)
{
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

// The pid and uid the kernel reports for the other end: the connecting
// process for a server, the listening one for a client.
bool CredentialsOf(int fd, ucred* credentials)
{
    socklen_t length = sizeof *credentials;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, credentials, &length) == 0 && length == sizeof *credentials;
}

// A connection to this user's listener on `path`. Refused before connecting
// when the path is not a socket this user owns (a link is refused, not
// followed), and after connecting when the listener runs as another user.
Delivery ConnectTo(const std::string& path, int timeoutMs, bool logRefusal, UniqueFd* out)
{
    sockaddr_un address;
    if (!FillAddress(path, &address)) {
        LAUNCH_LOG("socket path too long: [%s]", path.c_str());
        return Delivery::Failed;
    }
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? Delivery::NotRunning : Delivery::Failed;
    if (!S_ISSOCK(info.st_mode) || info.st_uid != geteuid()) {
        if (logRefusal)
            LAUNCH_LOG("refused socket [%s]: %s", path.c_str(),
                       S_ISLNK(info.st_mode)     ? "a link"
                       : !S_ISSOCK(info.st_mode) ? "not a socket"
                                                 : "owned by another user");
        return Delivery::Refused;
    }
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        return Delivery::Failed;
    SetTimeouts(fd.Get(), timeoutMs);
    int rc;
    do {
        rc = connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        if (error == ENOENT || error == ECONNREFUSED)
            return Delivery::NotRunning;
        if (logRefusal)
            LAUNCH_LOG("cannot connect to [%s]: %s", path.c_str(), g_strerror(error));
        return error == EAGAIN ? Delivery::TimedOut : Delivery::Failed;
    }
    ucred server{};
    if (!CredentialsOf(fd.Get(), &server) || server.uid != geteuid()) {
        if (logRefusal)
            LAUNCH_REFUSAL("refused socket [%s]: served by uid %u, not by this user", path.c_str(),
                           static_cast<unsigned>(server.uid));
        return Delivery::Refused;
    }
    *out = std::move(fd);
    return Delivery::Accepted;
}

} // namespace

FrameReader::Status FrameReader::Read(int fd)
{
    char chunk[16 * 1024];
    for (;;) {
        if (!mHaveHeader && mBuffer.size() == kFrameHeaderSize) {
            const uint32_t magic = ReadWord(mBuffer, 0);
            const uint32_t length = ReadWord(mBuffer, 4);
            if (magic != mMagic) {
                LAUNCH_REFUSAL("rejected %s: not a frame of this socket (magic 0x%08x)", mWhat, magic);
                return Status::Refused;
            }
            if (length > kMaxPayload) {
                LAUNCH_REFUSAL("rejected %s: %u bytes announced, more than %zu", mWhat, length, kMaxPayload);
                return Status::Refused;
            }
            mHaveHeader = true;
            mExpected = length;
            mBuffer.clear();
        }
        if (mHaveHeader && mBuffer.size() == mExpected)
            return Status::Complete;
        const size_t want = std::min(sizeof chunk, mExpected - mBuffer.size());
        const ssize_t got = recv(fd, chunk, want, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return Status::More;
            LAUNCH_REFUSAL("rejected %s: read failed: %s", mWhat, g_strerror(errno));
            return Status::Refused;
        }
        if (got == 0) {
            // Nothing at all is a probe of whether we listen; anything else is a cut frame.
            if (!Started())
                return Status::Empty;
            LAUNCH_REFUSAL("rejected %s: truncated after %zu of %zu bytes", mWhat, mBuffer.size(), mExpected);
            return Status::Refused;
        }
        mBuffer.append(chunk, static_cast<size_t>(got));
    }
}

FrameServer::FrameServer(uint32_t magic, Handler handler) : mMagic(magic), mHandler(std::move(handler)) {}

FrameServer::~FrameServer()
{
    Stop();
}

bool FrameServer::Listen(const std::string& path)
{
    sockaddr_un address;
    if (mListenFd.Valid() || !FillAddress(path, &address)) {
        LAUNCH_LOG("cannot listen on [%s]: path too long or already listening", path.c_str());
        return false;
    }
    if (IsListening(path)) {
        LAUNCH_LOG("cannot listen on [%s]: another process serves it", path.c_str());
        return false;
    }
    static std::atomic<unsigned> counter{0};
    g_autofree gchar* dir = g_path_get_dirname(path.c_str());
    const std::string temporary =
        std::string(dir) + "/.bind-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    g_unlink(temporary.c_str());
    sockaddr_un bindAddress;
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    struct stat info;
    // The socket file gets 0600 before it has its public name: the umask never decides who may connect.
    // The rename replaces whatever was at the path (a link included) without following it.
    const bool ok = fd.Valid() && FillAddress(temporary, &bindAddress) &&
                    bind(fd.Get(), reinterpret_cast<sockaddr*>(&bindAddress), sizeof bindAddress) == 0 &&
                    chmod(temporary.c_str(), 0600) == 0 && listen(fd.Get(), SOMAXCONN) == 0 &&
                    stat(temporary.c_str(), &info) == 0 && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        LAUNCH_LOG("cannot listen on [%s]: %s", path.c_str(), g_strerror(errno));
        g_unlink(temporary.c_str());
        return false;
    }
    mListenFd = std::move(fd);
    mPath = path;
    mInode = info.st_ino;
    mListenSource = g_unix_fd_add(mListenFd.Get(), G_IO_IN, reinterpret_cast<GUnixFDSourceFunc>(OnAccept), this);
    return true;
}

void FrameServer::Stop()
{
    if (!mListenFd.Valid())
        return;
    // Unlink first: from here a sender finds no socket and starts a new
    // instance instead of queueing behind this one.
    struct stat info;
    if (lstat(mPath.c_str(), &info) == 0 && info.st_ino == mInode)
        g_unlink(mPath.c_str());
    g_source_remove(mListenSource);
    mListenSource = 0;
    mListenFd.Reset();
    std::vector<Connection*> open(mConnections.begin(), mConnections.end());
    for (Connection* connection : open)
        Close(connection);
}

int FrameServer::OnAccept(int fd, unsigned, void* self)
{
    auto* server = static_cast<FrameServer*>(self);
    for (;;) {
        UniqueFd client(accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!client.Valid() && errno == EINTR)
            continue;
        if (!client.Valid())
            return G_SOURCE_CONTINUE; // EAGAIN: all taken
        if (server->mConnections.size() >= kMaxConnections) {
            LAUNCH_REFUSAL("rejected connection: %zu connections open", server->mConnections.size());
            continue;
        }
        auto* connection = new Connection(server->mMagic);
        connection->server = server;
        connection->fd = std::move(client);
        ucred credentials{};
        if (CredentialsOf(connection->fd.Get(), &credentials)) {
            connection->peer.pid = credentials.pid;
            connection->peer.uid = credentials.uid;
        }
        connection->ticket = gNextTicket++;
        server->mConnections.insert(connection);
        // A sender writes its frame right after connecting, so it is usually
        // whole already: then Finish looks the executable up once, after the
        // last byte. Otherwise it is looked up now and again at the frame's end.
        if (!server->ReadSome(connection)) {
            if (server->mListenFd.Get() != fd)
                return G_SOURCE_REMOVE; // the handler stopped the server
            continue;                   // answered or closed
        }
        connection->peer.exe = ExecutableOf(connection->peer.pid);
        connection->exeAtAccept = true;
        connection->readSource =
            g_unix_fd_add(connection->fd.Get(), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                          reinterpret_cast<GUnixFDSourceFunc>(OnReadable), connection);
        connection->timeoutId = g_timeout_add(kReadTimeoutMs, reinterpret_cast<GSourceFunc>(OnStalled), connection);
    }
}

int FrameServer::OnReadable(int, unsigned, void* data)
{
    auto* connection = static_cast<Connection*>(data);
    if (connection->server->ReadSome(connection))
        return G_SOURCE_CONTINUE;
    return G_SOURCE_REMOVE;
}

int FrameServer::OnStalled(void* data)
{
    auto* connection = static_cast<Connection*>(data);
    connection->timeoutId = 0;
    if (connection->reader.Started())
        LAUNCH_REFUSAL("rejected request: connection stalled after %zu bytes", connection->reader.Received());
    connection->server->Close(connection);
    return G_SOURCE_REMOVE;
}

bool FrameServer::ReadSome(Connection* connection)
{
    switch (connection->reader.Read(connection->fd.Get())) {
    case FrameReader::Status::More:
        return true;
    case FrameReader::Status::Complete:
        Finish(connection);
        return false;
    case FrameReader::Status::Refused:
        Answer(connection, Verdict::Reject);
        return false;
    case FrameReader::Status::Empty:
        break;
    }
    Close(connection);
    return false;
}

void FrameServer::Finish(Connection* connection)
{
    if (!connection->exeAtAccept) {
        // Whole at accept: one look, after the last byte of the frame.
        connection->peer.exe = ExecutableOf(connection->peer.pid);
    } else if (connection->peer.exe.Known() && !(ExecutableOf(connection->peer.pid) == connection->peer.exe)) {
        // A process that connected and then executed another program keeps
        // the connection but loses the identity of the first one.
        // Any process can do it again and again: counted like every line
        // about a peer's frame or identity.
        LAUNCH_REFUSAL("caller pid %d changed its executable while connected", static_cast<int>(connection->peer.pid));
        connection->peer.exe = Executable();
    }
    const std::string payload = connection->reader.TakePayload();
    const Verdict verdict = mHandler(payload, connection->peer, connection->ticket);
    if (verdict != Verdict::Defer) {
        Answer(connection, verdict);
        return;
    }
    // Nothing more to read; the connection waits for its verdict.
    if (connection->timeoutId)
        g_source_remove(connection->timeoutId);
    connection->timeoutId = 0;
    if (connection->readSource)
        g_source_remove(connection->readSource);
    connection->readSource = 0;
}

void FrameServer::Answer(uint64_t ticket, Verdict verdict, bool keepForReply)
{
    for (Connection* connection : mConnections) {
        if (connection->ticket == ticket) {
            Answer(connection, verdict, keepForReply);
            return;
        }
    }
}

void FrameServer::Answer(Connection* connection, Verdict verdict, bool keepForReply)
{
    if (verdict == Verdict::Accept || verdict == Verdict::Reject) {
        const char ack = verdict == Verdict::Accept ? kAckAccepted : kAckRejected;
        const ssize_t sent = send(connection->fd.Get(), &ack, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent == 1 && verdict == Verdict::Accept && keepForReply) {
            KeptConnections& kept = Kept();
            std::lock_guard<std::mutex> guard(kept.mutex);
            kept.fds[connection->ticket] = std::move(connection->fd);
        }
    }
    Close(connection);
}

void FrameServer::Close(Connection* connection)
{
    if (connection->timeoutId)
        g_source_remove(connection->timeoutId);
    if (connection->readSource)
        g_source_remove(connection->readSource);
    mConnections.erase(connection);
    delete connection;
}

Delivery DeliverFrame(const std::string& path, const std::string& frame, int timeoutMs, UniqueFd* keep)
{
    UniqueFd fd;
    const Delivery connected = ConnectTo(path, timeoutMs, true, &fd);
    if (connected != Delivery::Accepted)
        return connected;
    size_t sent = 0;
    bool writeFailed = false;
    while (sent < frame.size()) {
        const ssize_t n = send(fd.Get(), frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Delivery::TimedOut;
        if (n <= 0) {
            writeFailed = true; // the verdict may still be waiting to be read
            break;
        }
        sent += static_cast<size_t>(n);
    }
    char ack = 0;
    ssize_t n;
    do {
        n = recv(fd.Get(), &ack, 1, 0);
    } while (n < 0 && errno == EINTR);
    const int error = errno;
    if (n == 1 && ack == kAckAccepted) {
        if (keep)
            *keep = std::move(fd);
        return Delivery::Accepted;
    }
    if (n == 1)
        return Delivery::Rejected;
    if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK))
        return Delivery::TimedOut;
    if (n == 0 || error == ECONNRESET || error == EPIPE || writeFailed)
        return Delivery::Dropped;
    return Delivery::Failed;
}

Delivery SendReplyFrame(uint64_t ticket, const std::string& frame)
{
    UniqueFd fd;
    {
        KeptConnections& kept = Kept();
        std::lock_guard<std::mutex> guard(kept.mutex);
        auto it = kept.fds.find(ticket);
        if (it == kept.fds.end())
            return Delivery::NotRunning;
        fd = std::move(it->second);
        kept.fds.erase(it);
    }
    // The sender reads on its main loop: wait, bounded, while its buffer is full.
    const gint64 deadline = g_get_monotonic_time() + kAckTimeoutMs * G_GINT64_CONSTANT(1000);
    size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = send(fd.Get(), frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const gint64 left = (deadline - g_get_monotonic_time()) / 1000;
            pollfd writable = {fd.Get(), POLLOUT, 0};
            if (left > 0 && poll(&writable, 1, static_cast<int>(left)) >= 0)
                continue;
            return Delivery::TimedOut;
        }
        return Delivery::Dropped;
    }
    return Delivery::Accepted;
}

std::set<uint64_t> KeptForReply()
{
    KeptConnections& kept = Kept();
    std::lock_guard<std::mutex> guard(kept.mutex);
    std::set<uint64_t> tickets;
    for (const auto& entry : kept.fds)
        tickets.insert(entry.first);
    return tickets;
}

bool IsListening(const std::string& path)
{
    UniqueFd fd;
    return ConnectTo(path, kAckTimeoutMs, false, &fd) == Delivery::Accepted;
}

} // namespace launch
} // namespace device
