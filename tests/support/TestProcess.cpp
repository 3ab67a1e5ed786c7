#include "TestProcess.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test_process {

Child::Child(const std::function<int()>& body)
{
    mPid = fork();
    if (mPid == 0)
        _exit(body());
}

Child::~Child()
{
    if (mPid > 0)
        Kill(SIGKILL);
}

int Child::Wait()
{
    if (mPid > 0 && waitpid(mPid, &mStatus, 0) == mPid)
        mPid = -1;
    return mPid < 0 && WIFEXITED(mStatus) ? WEXITSTATUS(mStatus) : -1;
}

int Child::Kill(int signal)
{
    if (mPid > 0)
        kill(mPid, signal);
    Wait();
    return mStatus;
}

int RunInChild(const std::function<int()>& body)
{
    return Child(body).Wait();
}

namespace {

std::string TakeFile(int fd, gchar* path)
{
    std::string text;
    gchar* contents = nullptr;
    gsize length = 0;
    if (path && g_file_get_contents(path, &contents, &length, nullptr))
        text.assign(contents, length);
    g_free(contents);
    if (fd >= 0)
        close(fd);
    if (path)
        g_unlink(path);
    g_free(path);
    return text;
}

} // namespace

namespace {

struct ChildSide {
    int out;
    int err;
    const std::function<void()>* inChild;
};

} // namespace

ToolRun RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                const std::function<void()>& inChild)
{
    std::vector<gchar*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<gchar*>(arg.c_str()));
    args.push_back(nullptr);
    gchar** envp = g_get_environ();
    for (const std::string& entry : env) {
        const size_t equals = entry.find('=');
        envp = g_environ_setenv(envp, entry.substr(0, equals).c_str(),
                                equals == std::string::npos ? "" : entry.c_str() + equals + 1, TRUE);
    }
    gchar* outPath = nullptr;
    gchar* errPath = nullptr;
    int fds[2] = {g_file_open_tmp("tool-out-XXXXXX", &outPath, nullptr),
                  g_file_open_tmp("tool-err-XXXXXX", &errPath, nullptr)};
    gint status = 0;
    ToolRun run;
    ChildSide child{fds[0], fds[1], &inChild};
    if (fds[0] >= 0 && fds[1] >= 0 &&
        g_spawn_sync(
            nullptr, args.data(), envp, G_SPAWN_SEARCH_PATH,
            [](gpointer data) {
                const auto* side = static_cast<const ChildSide*>(data);
                dup2(side->out, STDOUT_FILENO);
                dup2(side->err, STDERR_FILENO);
                if (*side->inChild)
                    (*side->inChild)();
            },
            &child, nullptr, nullptr, &status, nullptr))
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    g_strfreev(envp);
    run.out = TakeFile(fds[0], outPath);
    run.err = TakeFile(fds[1], errPath);
    return run;
}

ToolRun RunOwnTests(const std::string& filter, const std::vector<std::string>& env,
                    const std::vector<std::string>& wrapper)
{
    std::vector<std::string> argv = wrapper;
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    if (self == nullptr)
        return ToolRun();
    argv.push_back(self);
    g_free(self);
    argv.push_back("--gtest_filter=" + filter);
    argv.push_back("--gtest_also_run_disabled_tests");
    return RunTool(argv, env);
}

bool OwnTestsPassed(const ToolRun& run, int count)
{
    const std::string passed = "[  PASSED  ] " + std::to_string(count) + (count == 1 ? " test." : " tests.");
    return run.exit == 0 && run.out.find(passed) != std::string::npos;
}

std::vector<std::string> JsonValues(const std::string& json, const std::string& path)
{
    std::vector<std::string> values;
    JsonNode* root = json_from_string(json.c_str(), nullptr);
    JsonNode* hits = root ? json_path_query(path.c_str(), root, nullptr) : nullptr;
    JsonArray* found = hits ? json_node_get_array(hits) : nullptr;
    for (guint i = 0; found && i < json_array_get_length(found); i++) {
        JsonNode* node = json_array_get_element(found, i);
        if (JSON_NODE_HOLDS_VALUE(node) && json_node_get_value_type(node) == G_TYPE_STRING) {
            values.push_back(json_node_get_string(node));
        } else {
            gchar* text = json_to_string(node, FALSE);
            values.push_back(text);
            g_free(text);
        }
    }
    if (hits)
        json_node_unref(hits);
    if (root)
        json_node_unref(root);
    return values;
}

std::string JsonValue(const std::string& json, const std::string& path)
{
    std::vector<std::string> values = JsonValues(json, path);
    return values.empty() ? "(none)" : values.front();
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    const gint64 end = g_get_monotonic_time() + timeoutMs * 1000LL;
    while (!done()) {
        if (g_get_monotonic_time() > end)
            return false;
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(1000);
    }
    return true;
}

bool CopyExecutable(const std::string& from, const std::string& to)
{
    gchar* data = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(from.c_str(), &data, &length, nullptr))
        return false;
    bool ok =
        g_file_set_contents(to.c_str(), data, static_cast<gssize>(length), nullptr) && chmod(to.c_str(), 0700) == 0;
    g_free(data);
    return ok;
}

} // namespace test_process
