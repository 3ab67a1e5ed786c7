// Socket transport of launch requests and replies (see service_app.cpp for
// the whole picture).

#include "launch_transport.h"

#include <gio/gio.h>
#include <gio/gunixsocketaddress.h>
#include <glib/gstdio.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "launch_common.h"

namespace device {
namespace launch {

struct FrameServer::Connection {
    FrameServer* server = nullptr;
    GSocketConnection* stream = nullptr;
    GSocket* socket = nullptr;
    GSource* source = nullptr;
    guint timeoutId = 0;
    std::string buffer;
    size_t expected = kFrameHeaderSize;
    bool haveHeader = false;
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

gboolean OnReadable(GSocket*, GIOCondition, gpointer data)
{
    auto* connection = static_cast<FrameServer::Connection*>(data);
    return connection->server->ReadSome(connection) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

gboolean OnStalled(gpointer data)
{
    auto* connection = static_cast<FrameServer::Connection*>(data);
    connection->timeoutId = 0;
    if (!connection->buffer.empty() || connection->haveHeader)
        LAUNCH_LOG("rejected request: connection stalled after %zu bytes", connection->buffer.size());
    connection->server->Close(connection);
    return G_SOURCE_REMOVE;
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

} // namespace

FrameServer::FrameServer(uint32_t magic, Handler handler) : mMagic(magic), mHandler(std::move(handler)) {}

FrameServer::~FrameServer()
{
    Stop();
}

bool FrameServer::Listen(const std::string& path)
{
    sockaddr_un address;
    if (mService || !FillAddress(path, &address)) {
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

    GSocketService* service = g_socket_service_new();
    GSocketAddress* bindAddress = g_unix_socket_address_new(temporary.c_str());
    GError* error = nullptr;
    gboolean bound = g_socket_listener_add_address(G_SOCKET_LISTENER(service), bindAddress, G_SOCKET_TYPE_STREAM,
                                                   G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, &error);
    g_object_unref(bindAddress);
    struct stat info;
    if (!bound || stat(temporary.c_str(), &info) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
        LAUNCH_LOG("cannot listen on [%s]: %s", path.c_str(), error ? error->message : g_strerror(errno));
        if (error)
            g_error_free(error);
        g_unlink(temporary.c_str());
        g_socket_listener_close(G_SOCKET_LISTENER(service));
        g_object_unref(service);
        return false;
    }
    mService = service;
    mPath = path;
    mInode = info.st_ino;
    g_signal_connect(mService, "incoming", G_CALLBACK(OnIncoming), this);
    g_socket_service_start(mService);
    return true;
}

void FrameServer::Stop()
{
    if (!mService)
        return;
    // Unlink first: from here a sender finds no socket and starts a new
    // instance instead of queueing behind this one.
    struct stat info;
    if (stat(mPath.c_str(), &info) == 0 && info.st_ino == mInode)
        g_unlink(mPath.c_str());
    g_signal_handlers_disconnect_by_data(mService, this);
    g_socket_service_stop(mService);
    g_socket_listener_close(G_SOCKET_LISTENER(mService));
    g_object_unref(mService);
    mService = nullptr;
    std::vector<Connection*> open(mConnections.begin(), mConnections.end());
    for (Connection* connection : open)
        Close(connection);
}

int FrameServer::OnIncoming(GSocketService*, void* stream, void*, void* self)
{
    auto* server = static_cast<FrameServer*>(self);
    if (server->mConnections.size() >= kMaxConnections) {
        LAUNCH_LOG("rejected connection: %zu connections open", server->mConnections.size());
        return TRUE; // the service drops its reference and with it the connection
    }
    auto* connection = new Connection();
    connection->server = server;
    connection->stream = G_SOCKET_CONNECTION(g_object_ref(stream));
    connection->socket = g_socket_connection_get_socket(connection->stream);
    connection->source = g_socket_create_source(connection->socket, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                                nullptr);
    g_source_set_callback(connection->source, reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(OnReadable)),
                          connection, nullptr);
    g_source_attach(connection->source, nullptr);
    connection->timeoutId = g_timeout_add(kReadTimeoutMs, OnStalled, connection);
    connection->ticket = server->mNextTicket++;
    server->mConnections.insert(connection);
    return TRUE;
}

bool FrameServer::ReadSome(Connection* connection)
{
    char chunk[16 * 1024];
    for (;;) {
        if (!connection->haveHeader && connection->buffer.size() == kFrameHeaderSize) {
            const uint32_t magic = ReadWord(connection->buffer, 0);
            const uint32_t length = ReadWord(connection->buffer, 4);
            if (magic != mMagic) {
                LAUNCH_LOG("rejected request: not a frame of this socket (magic 0x%08x)", magic);
                Answer(connection, Verdict::Reject);
                return false;
            }
            if (length > kMaxPayload) {
                LAUNCH_LOG("rejected request: %u bytes announced, more than %zu", length, kMaxPayload);
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
        GError* error = nullptr;
        gssize got = g_socket_receive_with_blocking(connection->socket, chunk, want, FALSE, nullptr, &error);
        if (got < 0) {
            if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_WOULD_BLOCK)) {
                g_error_free(error);
                return true;
            }
            LAUNCH_LOG("rejected request: read failed: %s", error->message);
            g_error_free(error);
            Close(connection);
            return false;
        }
        if (got == 0) {
            // Nothing at all is a probe of whether we listen; anything else is a cut request.
            if (!connection->buffer.empty() || connection->haveHeader)
                LAUNCH_LOG("rejected request: truncated after %zu of %zu bytes", connection->buffer.size(),
                           connection->expected);
            Close(connection);
            return false;
        }
        connection->buffer.append(chunk, static_cast<size_t>(got));
    }
}

void FrameServer::Finish(Connection* connection)
{
    pid_t peer = 0;
    GError* error = nullptr;
    GCredentials* credentials = g_socket_get_credentials(connection->socket, &error);
    if (credentials) {
        peer = g_credentials_get_unix_pid(credentials, nullptr);
        g_object_unref(credentials);
    } else {
        LAUNCH_LOG("no peer credentials: %s", error ? error->message : "");
        if (error)
            g_error_free(error);
        peer = -1;
    }
    const std::string payload = std::move(connection->buffer);
    connection->buffer.clear();
    const Verdict verdict = mHandler(payload, peer, connection->ticket);
    if (verdict != Verdict::Defer) {
        Answer(connection, verdict);
        return;
    }
    // Nothing more to read; the connection waits for its verdict.
    if (connection->timeoutId)
        g_source_remove(connection->timeoutId);
    connection->timeoutId = 0;
    g_source_destroy(connection->source);
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
        g_socket_send_with_blocking(connection->socket, &ack, 1, FALSE, nullptr, nullptr);
    }
    Close(connection);
}

void FrameServer::Close(Connection* connection)
{
    if (connection->timeoutId)
        g_source_remove(connection->timeoutId);
    g_source_destroy(connection->source);
    g_source_unref(connection->source);
    g_io_stream_close(G_IO_STREAM(connection->stream), nullptr, nullptr);
    g_object_unref(connection->stream);
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
