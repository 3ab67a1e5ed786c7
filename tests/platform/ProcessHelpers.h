#ifndef TESTS_PLATFORM_PROCESS_HELPERS_H
#define TESTS_PLATFORM_PROCESS_HELPERS_H

// Small helpers for the platform tests: forked children and main-loop pumping.

#include <glib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Runs `body` in a forked child and returns its exit code (-1 if it died).
inline int RunInChild(const std::function<int()>& body)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Iterates the default main context until `done` or the time runs out.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const gint64 end = g_get_monotonic_time() + timeoutMs * 1000LL;
    while (!done()) {
        if (g_get_monotonic_time() > end)
            return false;
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(2000);
    }
    return true;
}

#endif
