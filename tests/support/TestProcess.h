#ifndef WEATHER_TESTS_TEST_PROCESS_H
#define WEATHER_TESTS_TEST_PROCESS_H

// Other processes and the main loop, as the tests need them: a forked child,
// a tool run to its end, values out of a JSON text, and pumping the default
// main context until something happened.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace test_process {

// A forked child that runs body and exits with its result. Destroying a child
// still running kills it.
class Child {
public:
    explicit Child(const std::function<int()>& body);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return mPid; }
    // Its exit code; -1 when it died by a signal or could not be started.
    int Wait();
    // Sends the signal and waits; the child's wait status.
    int Kill(int signal);

private:
    pid_t mPid = -1;
    int mStatus = -1;
};

// body in a forked child, waited for: its exit code, -1 when it died.
int RunInChild(const std::function<int()>& body);

struct ToolRun {
    int exit = -1; // -1 when it did not start or died by a signal
    std::string out;
    std::string err;
};

// Runs argv (argv[0] a path, or a name looked up in PATH) to its end with
// `env` ("NAME=value") added to the environment; inChild, when given, runs in
// the child just before the exec. The output goes through files, not pipes: a
// service that the tool starts inherits the descriptors and would hold a pipe open.
ToolRun RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                const std::function<void()>& inChild = {});

// Runs tests of this test program in a new process: those whose full names
// match filter, including disabled ones (a test meant only for such a run is
// named DISABLED_...). wrapper, when given, comes before the program (a
// command such as faketime and its arguments).
ToolRun RunOwnTests(const std::string& filter, const std::vector<std::string>& env = {},
                    const std::vector<std::string>& wrapper = {});

// Whether such a run ran `count` tests and all passed: a filter that matches
// no test exits 0 as well.
bool OwnTestsPassed(const ToolRun& run, int count);

// Values at a JSONPath of a JSON text, each as text (strings bare, other
// values and containers as JSON). Empty when the text does not parse.
std::vector<std::string> JsonValues(const std::string& json, const std::string& path);
// The first of them; "(none)" when there is none.
std::string JsonValue(const std::string& json, const std::string& path);

// Copies an executable to `to` (mode 0700): the device knows a process by the
// path of the executable it runs, so each test identity needs its own copy.
bool CopyExecutable(const std::string& from, const std::string& to);

// Iterates the default main context until done() or the time runs out;
// whether done() held.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

} // namespace test_process

#endif
