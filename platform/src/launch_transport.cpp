// Socket transport of launch requests and replies (see service_app.cpp for
// the whole picture). A plain Unix socket watched by the main loop: GIO's
// socket service cost milliseconds per request and memory besides.

#include "launch_transport.h"

#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "launch_common.h"

namespace device {
namespace launch {

struct FrameServer::Connection {
    FrameServer* server = nullptr;
    int fd = -1;
    guint readSource = 0;
    guint timeoutId = 0;
    Peer peer;
    std::string buffer;
    size_t expected = kFrameHeaderSize;
    bool haveHeader = false;
    bool exeAtAccept = false; // peer.exe was looked up at accept: Finish compares
    uint64_t ticket = 0;
};

namespace {

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

// The pid and uid the kernel reports for the connecting process; the
// executable is looked up by the caller (see OnAccept).
Peer CredentialsOf(int fd)
{
    Peer peer;
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 && length == sizeof credentials) {
        peer.pid = credentials.pid;
        peer.uid = credentials.uid;
    }
    return peer;
}

} // namespace

std::string ExecutableOf(pid_t pid)
{
    if (pid <= 0)
        return "";
    char target[PATH_MAX + 1];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    ssize_t n = readlink(link.c_str(), target, PATH_MAX);
    if (n <= 0)
        return "";
    target[n] = '\0';
    return target;
}

FrameServer::FrameServer(uint32_t magic, Handler handler) : mMagic(magic), mHandler(std::move(handler)) {}

FrameServer::~FrameServer()
{
    Stop();
}

bool FrameServer::Listen(const std::string& path)
{
    sockaddr_un address;
    if (mListenFd >= 0 || !FillAddress(path, &address)) {
        LAUNCH_LOG("cannot listen on [%s]: path too long or already listening", path.c_str());
        return false;
    }
    if (IsListening(path)) {
        LAUNCH_LOG("cannot listen on [%s]: another process serves it", path.c_str());
        return false;
    }
    static std::atomic<unsigned> counter{0};
    gchar* dir = g_path_get_dirname(path.c_str());
    const std::string temporary =
        std::string(dir) + "/.bind-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    g_free(dir);
    g_unlink(temporary.c_str());
    sockaddr_un bindAddress;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    struct stat info;
    // The socket file gets 0600 before it has its public name: the umask never decides who may connect.
    bool ok = fd >= 0 && FillAddress(temporary, &bindAddress) &&
              bind(fd, reinterpret_cast<sockaddr*>(&bindAddress), sizeof bindAddress) == 0 &&
              chmod(temporary.c_str(), 0600) == 0 && listen(fd, SOMAXCONN) == 0 &&
              stat(temporary.c_str(), &info) == 0 && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        LAUNCH_LOG("cannot listen on [%s]: %s", path.c_str(), g_strerror(errno));
        g_unlink(temporary.c_str());
        if (fd >= 0)
            close(fd);
        return false;
    }
    mListenFd = fd;
    mPath = path;
    mInode = info.st_ino;
    mListenSource = g_unix_fd_add(fd, G_IO_IN, reinterpret_cast<GUnixFDSourceFunc>(OnAccept), this);
    return true;
}

void FrameServer::Stop()
{
    if (mListenFd < 0)
        return;
    // Unlink first: from here a sender finds no socket and starts a new
    // instance instead of queueing behind this one.
    struct stat info;
    if (stat(mPath.c_str(), &info) == 0 && info.st_ino == mInode)
        g_unlink(mPath.c_str());
    g_source_remove(mListenSource);
    mListenSource = 0;
    close(mListenFd);
    mListenFd = -1;
    std::vector<Connection*> open(mConnections.begin(), mConnections.end());
    for (Connection* connection : open)
        Close(connection);
}

int FrameServer::OnAccept(int fd, unsigned, void* self)
{
    auto* server = static_cast<FrameServer*>(self);
    for (;;) {
        int client = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0 && errno == EINTR)
            continue;
        if (client < 0)
            return G_SOURCE_CONTINUE; // EAGAIN: all taken
        if (server->mConnections.size() >= kMaxConnections) {
            LAUNCH_REFUSAL("rejected connection: %zu connections open", server->mConnections.size());
            close(client);
            continue;
        }
        auto* connection = new Connection();
        connection->server = server;
        connection->fd = client;
        connection->peer = CredentialsOf(client);
        connection->ticket = server->mNextTicket++;
        server->mConnections.insert(connection);
        // A sender writes its frame right after connecting, so it is usually
        // whole already: then Finish looks the executable up once, after the
        // last byte. Otherwise it is looked up now and again at the frame's end.
        if (!server->ReadSome(connection)) {
            if (server->mListenFd != fd)
                return G_SOURCE_REMOVE; // the handler stopped the server
            continue;                   // answered or closed
        }
        if (connection->peer.pid > 0)
            connection->peer.exe = ExecutableOf(connection->peer.pid);
        connection->exeAtAccept = true;
        connection->readSource = g_unix_fd_add(client, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
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
    if (!connection->buffer.empty() || connection->haveHeader)
        LAUNCH_REFUSAL("rejected request: connection stalled after %zu bytes", connection->buffer.size());
    connection->server->Close(connection);
    return G_SOURCE_REMOVE;
}

bool FrameServer::ReadSome(Connection* connection)
{
    char chunk[16 * 1024];
    for (;;) {
        if (!connection->haveHeader && connection->buffer.size() == kFrameHeaderSize) {
            const uint32_t magic = ReadWord(connection->buffer, 0);
            const uint32_t length = ReadWord(connection->buffer, 4);
            if (magic != mMagic) {
                LAUNCH_REFUSAL("rejected request: not a frame of this socket (magic 0x%08x)", magic);
                Answer(connection, Verdict::Reject);
                return false;
            }
            if (length > kMaxPayload) {
                LAUNCH_REFUSAL("rejected request: %u bytes announced, more than %zu", length, kMaxPayload);
                Answer(connection, Verdict::Reject);
                return false;
            }
            connection->haveHeader = true;
            connection->expected = length;
            connection->buffer.clear();
        }
        if (connection->haveHeader && connection->buffer.size() == connection->expected) {
            Finish(connection);
            return false;
        }
        const size_t want = std::min(sizeof chunk, connection->expected - connection->buffer.size());
        ssize_t got = recv(connection->fd, chunk, want, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return true;
            LAUNCH_REFUSAL("rejected request: read failed: %s", g_strerror(errno));
            Close(connection);
            return false;
        }
        if (got == 0) {
            // Nothing at all is a probe of whether we listen; anything else is a cut request.
            if (!connection->buffer.empty() || connection->haveHeader)
                LAUNCH_REFUSAL("rejected request: truncated after %zu of %zu bytes", connection->buffer.size(),
                               connection->expected);
            Close(connection);
            return false;
        }
        connection->buffer.append(chunk, static_cast<size_t>(got));
    }
}

void FrameServer::Finish(Connection* connection)
{
    if (!connection->exeAtAccept) {
        // Whole at accept: one look, after the last byte of the frame.
        connection->peer.exe = ExecutableOf(connection->peer.pid);
    } else if (!connection->peer.exe.empty() && ExecutableOf(connection->peer.pid) != connection->peer.exe) {
        // A process that connected and then executed another program keeps
        // the connection but loses the identity of the first one.
        LAUNCH_LOG("caller pid %d changed its executable while connected", static_cast<int>(connection->peer.pid));
        connection->peer.exe.clear();
    }
    const std::string payload = std::move(connection->buffer);
    connection->buffer.clear();
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

void FrameServer::Answer(uint64_t ticket, Verdict verdict)
{
    for (Connection* connection : mConnections) {
        if (connection->ticket == ticket) {
            Answer(connection, verdict);
            return;
        }
    }
}

void FrameServer::Answer(Connection* connection, Verdict verdict)
{
    if (verdict == Verdict::Accept || verdict == Verdict::Reject) {
        const char ack = verdict == Verdict::Accept ? kAckAccepted : kAckRejected;
        ssize_t ignored = send(connection->fd, &ack, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        (void)ignored;
    }
    Close(connection);
}

void FrameServer::Close(Connection* connection)
{
    if (connection->timeoutId)
        g_source_remove(connection->timeoutId);
    if (connection->readSource)
        g_source_remove(connection->readSource);
    close(connection->fd);
    mConnections.erase(connection);
    delete connection;
}

Delivery DeliverFrame(const std::string& path, const std::string& frame, int timeoutMs, bool waitVerdict)
{
    sockaddr_un address;
    if (!FillAddress(path, &address)) {
        LAUNCH_LOG("socket path too long: [%s]", path.c_str());
        return Delivery::Failed;
    }
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Delivery::Failed;
    SetTimeouts(fd, timeoutMs);
    int rc;
    do {
        rc = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        close(fd);
        if (error == ENOENT || error == ECONNREFUSED)
            return Delivery::NotRunning;
        LAUNCH_LOG("cannot connect to [%s]: %s", path.c_str(), g_strerror(error));
        return error == EAGAIN ? Delivery::TimedOut : Delivery::Failed;
    }
    size_t sent = 0;
    bool writeFailed = false;
    while (sent < frame.size()) {
        ssize_t n = send(fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            close(fd);
            return Delivery::TimedOut;
        }
        if (n <= 0) {
            writeFailed = true; // the verdict may still be waiting to be read
            break;
        }
        sent += static_cast<size_t>(n);
    }
    if (!waitVerdict && !writeFailed) {
        close(fd);
        return Delivery::Accepted;
    }
    char ack = 0;
    ssize_t n;
    do {
        n = recv(fd, &ack, 1, 0);
    } while (n < 0 && errno == EINTR);
    const int error = errno;
    close(fd);
    if (n == 1)
        return ack == kAckAccepted ? Delivery::Accepted : Delivery::Rejected;
    if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK))
        return Delivery::TimedOut;
    if (n == 0 || error == ECONNRESET || error == EPIPE || writeFailed)
        return Delivery::Dropped;
    return Delivery::Failed;
}

bool IsListening(const std::string& path)
{
    sockaddr_un address;
    if (!FillAddress(path, &address))
        return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    SetTimeouts(fd, kAckTimeoutMs);
    bool listening = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return listening;
}

} // namespace launch
} // namespace device
