// Serialized requests: what survives the trip, and what a receiver refuses.

#include <glib.h>
#include <glib/gstdio.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "../../platform/src/launch/launch_common.h"
#include "../../platform/src/launch/launch_transport.h"
#include "../../platform/src/launch/launch_wire.h"
#include "DeviceFixture.h"

using namespace device::launch;

namespace {

std::unique_ptr<app_control_s> ParseText(const std::string& payload, std::string* result = nullptr,
                                         bool* wantsReply = nullptr)
{
    return std::unique_ptr<app_control_s>(Parse(payload, result, wantsReply));
}

app_control_s Request(const char* operation, const char* appId, const std::string& key, ExtraValue extra)
{
    app_control_s request;
    request.operation = operation;
    request.appId = appId;
    request.extras[key] = std::move(extra);
    return request;
}

std::string RawPayload(const char* fields, const char* extras)
{
    GVariant* value = g_variant_ref_sink(
        g_variant_new("(@a{ss}@a(sbas))", g_variant_new_parsed(fields), g_variant_new_parsed(extras)));
    std::string bytes(static_cast<const char*>(g_variant_get_data(value)), g_variant_get_size(value));
    g_variant_unref(value);
    return bytes;
}

TEST(LaunchWire, RoundTripKeepsFieldsArraysAndTheReplyFlag)
{
    app_control_s sent;
    sent.operation = "op";
    sent.uri = "file:///a b";
    sent.appId = "com.test.app";
    sent.extras["plain"] = ExtraValue{false, {"v \"q\"\n"}};
    sent.extras["list"] = ExtraValue{true, {"1", "", "3"}};
    sent.extras["empty"] = ExtraValue{true, {}};
    std::string result;
    bool wantsReply = false;
    auto received = ParseText(Serialize(sent, true, "0"), &result, &wantsReply);
    ASSERT_TRUE(received);
    EXPECT_TRUE(wantsReply);
    ASSERT_TRUE(ParseText(Serialize(sent, false, ""), nullptr, &wantsReply));
    EXPECT_FALSE(wantsReply);
    EXPECT_TRUE(received->received);
    EXPECT_EQ("op", received->operation.value_or(""));
    EXPECT_EQ("file:///a b", received->uri.value_or(""));
    EXPECT_FALSE(received->mime.has_value());
    EXPECT_EQ("com.test.app", received->appId.value_or(""));
    EXPECT_EQ(0u, received->replyTicket) << "only the transport routes a reply";
    EXPECT_EQ("0", result);
    ASSERT_EQ(3u, received->extras.size());
    EXPECT_FALSE(received->extras["plain"].isArray);
    EXPECT_EQ("v \"q\"\n", received->extras["plain"].values.at(0));
    EXPECT_TRUE(received->extras["list"].isArray);
    EXPECT_EQ((std::vector<std::string>{"1", "", "3"}), received->extras["list"].values);
    EXPECT_TRUE(received->extras["empty"].isArray);
    EXPECT_TRUE(received->extras["empty"].values.empty());
    // Only the receiving host layer names the caller.
    EXPECT_TRUE(received->caller.empty());
}

TEST(LaunchWire, MalformedPayloadsAreRejectedWithALogLine)
{
    struct Case {
        const char* name;
        std::string payload;
        const char* logged;
    };
    const std::string valid = Serialize(Request("op", "com.x", "key", ExtraValue{false, {"value"}}), false, "");
    std::string flipped = Serialize(Request("op", "com.x", "k", ExtraValue{false, {"v"}}), false, "");
    flipped[flipped.size() - 1] = '\x7f'; // offset table pointing outside the data
    const Case cases[] = {
        {"garbage", "not a request at all, just text", "not a serialized request"},
        {"truncated", valid.substr(0, valid.size() / 2) + "x", "not a serialized request"},
        {"bad offsets", flipped, "not a serialized request"},
        {"oversized", std::string(kMaxPayload + 1, '\0'), "more than"},
        {"plain value with two values", RawPayload("@a{ss} {}", "[('k', false, ['a', 'b'])]"), "with 2 values"},
        {"empty key", RawPayload("@a{ss} {}", "[('', false, ['a'])]"), "empty key"},
        {"duplicate key", RawPayload("@a{ss} {}", "[('k', false, ['a']), ('k', true, ['b'])]"), "given twice"},
    };
    SetRefusalLogIntervalMs(0); // every refusal logged, not one per kind and interval
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_FALSE(ParseText(c.payload)) << c.name;
        EXPECT_TRUE(log.Contains(c.logged)) << c.name;
    }
    SetRefusalLogIntervalMs(10000);
}

TEST(LaunchWire, RandomBytesNeverCrashTheParser)
{
    GRand* rand = g_rand_new_with_seed(7);
    const std::string valid = Serialize(Request("op", "com.x", "k", ExtraValue{true, {"a", "b"}}), true, "");
    int accepted = 0;
    for (int i = 0; i < 2000; ++i) {
        std::string mutated = valid;
        for (int flips = g_rand_int_range(rand, 1, 4); flips > 0; --flips)
            mutated[g_rand_int_range(rand, 0, static_cast<gint32>(mutated.size()))] =
                static_cast<char>(g_rand_int(rand));
        if (g_rand_boolean(rand))
            mutated.resize(g_rand_int_range(rand, 0, static_cast<gint32>(mutated.size())));
        auto parsed = ParseText(mutated);
        accepted += parsed ? 1 : 0;
    }
    g_rand_free(rand);
    EXPECT_LT(accepted, 2000); // most mutations are refused, none crash
}

// A frame's sender is the program that runs once the frame is complete; a
// frame whose rest another program wrote (an exec while connected) has none.
TEST(LaunchTransport, SenderIsTheProgramAtTheFramesEndAndNoneWhenItChangedMidFrame)
{
    gchar* dir = g_dir_make_tmp("peer-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    const std::string path = std::string(dir) + "/test.sock";
    int calls = 0;
    Peer seen;
    FrameServer server(kRequestMagic, [&](const std::string&, const Peer& peer, uint64_t) {
        ++calls;
        seen = peer;
        return Verdict::Accept;
    });
    ASSERT_TRUE(server.Listen(path));
    char* self = realpath("/proc/self/exe", nullptr);
    ASSERT_NE(self, nullptr);
    const std::string frame = Frame(kRequestMagic, "payload");
    struct Case {
        const char* name;
        size_t firstPart;   // bytes written before the exec
        bool exec;          // the rest written by /bin/sh
        std::string sender; // as the server records it ("": unknown)
        bool logged;        // "changed its executable while connected"
    };
    const Case cases[] = {
        {"whole frame, no exec", frame.size(), false, self, false},
        {"rest written after an exec", kFrameHeaderSize + 2, true, "", true},
        // A flood of them cannot rotate the log: one line per kind and window.
        {"the same again at once", kFrameHeaderSize + 2, true, "", false},
    };
    for (const Case& c : cases) {
        LogCapture log;
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        const int before = calls;
        const pid_t child = fork();
        if (child == 0) {
            int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
            if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                write(fd, frame.data(), c.firstPart) != static_cast<ssize_t>(c.firstPart))
                _exit(1);
            char byte = 0;
            if (read(go[0], &byte, 1) != 1)
                _exit(1);
            if (c.exec) {
                dup2(fd, 3);
                // The shell stays until the verdict, so the server finds it running.
                const std::string script = "printf %s '" + frame.substr(c.firstPart) + "' >&3; read x <&3 || :";
                execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
                _exit(1);
            }
            (void)!read(fd, &byte, 1);
            _exit(0);
        }
        ASSERT_GT(child, 0);
        // The connection is accepted (with what came of the frame) before the child goes on.
        g_main_context_iteration(nullptr, TRUE);
        for (gint64 until = g_get_monotonic_time() + 50000; g_get_monotonic_time() < until;)
            g_main_context_iteration(nullptr, FALSE);
        ASSERT_EQ(write(go[1], "g", 1), 1);
        for (gint64 until = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
             calls == before && g_get_monotonic_time() < until;)
            g_main_context_iteration(nullptr, FALSE);
        int status = 0;
        waitpid(child, &status, 0);
        close(go[0]);
        close(go[1]);
        EXPECT_EQ(calls, before + 1) << c.name;
        EXPECT_EQ(seen.pid, child) << c.name;
        EXPECT_EQ(seen.exe.path, c.sender) << c.name;
        EXPECT_EQ(seen.exe.Known(), !c.sender.empty()) << c.name;
        EXPECT_EQ(log.Contains("changed its executable while connected"), c.logged) << c.name;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name;
    }
    server.Stop();
    free(self);
    g_rmdir(dir);
    g_free(dir);
}

} // namespace
