// System keys and preferences: typed access, persistence across processes,
// crash safety, concurrent writers and change callbacks.

#include <gtest/gtest.h>

#include <device/host.h>
#include <device/preference.h>
#include <device/system_keys.h>
#include <device/vconf.h>

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "DeviceFixture.h"
#include "TestProcess.h"

using test_process::Child;
using test_process::PumpUntil;
using test_process::RunInChild;
using test_process::RunTool;

namespace {

class StoresTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceFixture::Reset(); }
    void TearDown() override { DeviceFixture::Reset(); }
};

struct Seen {
    int calls = 0;
    std::string key;
    int intValue = 0;
    std::string text;
};

void OnKeyChanged(keynode_t* node, void* data)
{
    auto* seen = static_cast<Seen*>(data);
    seen->calls++;
    seen->key = vconf_keynode_get_name(node);
    if (vconf_keynode_get_type(node) == VCONF_TYPE_INT)
        seen->intValue = vconf_keynode_get_int(node);
    if (vconf_keynode_get_type(node) == VCONF_TYPE_STRING)
        seen->text = vconf_keynode_get_str(node);
}

void OnPreferenceChanged(const char* key, void* data)
{
    auto* seen = static_cast<Seen*>(data);
    seen->calls++;
    seen->key = key;
}

bool StoreParses(const std::string& path)
{
    GKeyFile* file = g_key_file_new();
    GError* error = nullptr;
    bool ok = g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, &error);
    if (error)
        g_error_free(error);
    g_key_file_free(file);
    return ok;
}

} // namespace

TEST_F(StoresTest, VconfTypesAndErrors)
{
    EXPECT_EQ(vconf_set_int("test/typed/int", -42), VCONF_OK);
    EXPECT_EQ(vconf_set_bool("test/typed/bool", 7), VCONF_OK);
    EXPECT_EQ(vconf_set_dbl("test/typed/dbl", 2.5), VCONF_OK);
    EXPECT_EQ(vconf_set_str("test/typed/str", "a=b [c]\nd"), VCONF_OK);

    int i = 0, b = 0;
    double d = 0;
    EXPECT_EQ(vconf_get_int("test/typed/int", &i), VCONF_OK);
    EXPECT_EQ(i, -42);
    EXPECT_EQ(vconf_get_bool("test/typed/bool", &b), VCONF_OK);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(vconf_get_dbl("test/typed/dbl", &d), VCONF_OK);
    EXPECT_DOUBLE_EQ(d, 2.5);
    char* s = vconf_get_str("test/typed/str");
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "a=b [c]\nd");
    free(s);

    // Another type, a missing key and a bad name are errors.
    EXPECT_EQ(vconf_get_bool("test/typed/int", &b), VCONF_ERROR);
    EXPECT_EQ(vconf_get_str("test/typed/int"), nullptr);
    EXPECT_EQ(vconf_get_int("test/typed/missing", &i), VCONF_ERROR);
    EXPECT_EQ(vconf_get_str("test/typed/missing"), nullptr);
    const std::pair<const char*, bool> names[] = {{"bad[key]", false}, {" lead", false},   {"trail ", false},
                                                  {"ctl\x01", false},  {"bad\xff", false}, {"caf\xc3\xa9/ok", true}};
    for (const auto& [name, valid] : names) {
        EXPECT_EQ(vconf_set_int(name, 1) == VCONF_OK, valid) << name;
        EXPECT_EQ(vconf_get_int(name, &i) == VCONF_OK, valid) << name;
    }

    EXPECT_EQ(vconf_unset("test/typed/int"), VCONF_OK);
    EXPECT_EQ(vconf_get_int("test/typed/int", &i), VCONF_ERROR);
    EXPECT_EQ(vconf_unset("test/typed/int"), VCONF_ERROR);
}

TEST_F(StoresTest, ValuesPersistAcrossProcesses)
{
    ASSERT_EQ(RunInChild([] { return vconf_set_int("test/persist/child", 1234) == VCONF_OK ? 0 : 1; }), 0);
    int value = 0;
    EXPECT_EQ(vconf_get_int("test/persist/child", &value), VCONF_OK);
    EXPECT_EQ(value, 1234);

    ASSERT_EQ(preference_set_string("persist", "parent"), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(RunInChild([] {
                  char* text = nullptr;
                  int rc = preference_get_string("persist", &text);
                  bool ok = rc == PREFERENCE_ERROR_NONE && text && std::string(text) == "parent";
                  free(text);
                  return ok ? 0 : 1;
              }),
              0);

    // devicectl sees and changes the same store.
    const std::string tool = std::string(WEATHER_BUILD_DIR) + "/tools/devicectl";
    ASSERT_TRUE(g_file_test(tool.c_str(), G_FILE_TEST_IS_EXECUTABLE)) << "devicectl not built";
    EXPECT_EQ(RunTool({tool, "key", "set", "test/persist/tool", "77", "--type", "int"}).exit, 0);
    EXPECT_EQ(vconf_get_int("test/persist/tool", &value), VCONF_OK);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(RunTool({tool, "key", "get", "test/persist/child"}).out, "test/persist/child (int) = 1234\n");
}

TEST_F(StoresTest, KilledWriterNeverLeavesATornStore)
{
    const std::string path = device::VconfStorePath();
    for (int round = 0; round < 15; ++round) {
        Child writer([] {
            std::string filler(2000, 'x');
            for (int i = 0;; ++i) {
                vconf_set_str(("test/torn/" + std::to_string(i % 50)).c_str(), filler.c_str());
                vconf_set_int("test/torn/counter", i);
            }
            return 0;
        });
        ASSERT_GT(writer.Pid(), 0);
        g_usleep(static_cast<gulong>(g_random_int_range(5, 40)) * 1000);
        writer.Kill(SIGKILL);
        ASSERT_TRUE(StoreParses(path)) << "round " << round;
        char* language = vconf_get_str(SYSKEY_LANGUAGE);
        ASSERT_NE(language, nullptr) << "round " << round;
        free(language);
    }
    // The lock of a killed writer is gone with it.
    EXPECT_EQ(vconf_set_int("test/torn/after", 1), VCONF_OK);
}

TEST_F(StoresTest, ConcurrentWritersLoseNoUpdate)
{
    constexpr int kPerWriter = 60;
    auto writer = [](const char* prefix) {
        return [prefix] {
            for (int i = 0; i < kPerWriter; ++i) {
                if (vconf_set_int((std::string("test/race/") + prefix + std::to_string(i)).c_str(), i) != VCONF_OK)
                    return 1;
            }
            return 0;
        };
    };
    Child a(writer("a"));
    Child b(writer("b"));
    ASSERT_EQ(a.Wait(), 0);
    ASSERT_EQ(b.Wait(), 0);
    for (const char* prefix : {"a", "b"}) {
        for (int i = 0; i < kPerWriter; ++i) {
            int value = -1;
            ASSERT_EQ(vconf_get_int((std::string("test/race/") + prefix + std::to_string(i)).c_str(), &value), VCONF_OK)
                << prefix << i;
            EXPECT_EQ(value, i);
        }
    }
}

TEST_F(StoresTest, VconfCallbacksSeeLocalAndForeignChanges)
{
    const char* key = "test/notify/value";
    ASSERT_EQ(vconf_set_int(key, 0), VCONF_OK);
    Seen seen;
    ASSERT_EQ(vconf_notify_key_changed(key, OnKeyChanged, &seen), VCONF_OK);

    ASSERT_EQ(vconf_set_int(key, 5), VCONF_OK);
    EXPECT_EQ(seen.calls, 0) << "callbacks run on the main loop, not inside the setter";
    ASSERT_TRUE(PumpUntil([&] { return seen.calls >= 1; }));
    EXPECT_EQ(seen.key, key);
    EXPECT_EQ(seen.intValue, 5);

    ASSERT_EQ(RunInChild([key] { return vconf_set_int(key, 9) == VCONF_OK ? 0 : 1; }), 0);
    ASSERT_TRUE(PumpUntil([&] { return seen.intValue == 9; }));
    // A change is reported once, whether the idle check or the monitor sees it first.
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(seen.calls, 2);

    EXPECT_EQ(vconf_ignore_key_changed(key, OnKeyChanged), VCONF_OK);
    EXPECT_EQ(vconf_ignore_key_changed(key, OnKeyChanged), VCONF_ERROR);
    ASSERT_EQ(vconf_set_int(key, 11), VCONF_OK);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(seen.calls, 2);
}

TEST_F(StoresTest, PreferencesAreTypedAndPerPackage)
{
    int i = 0;
    bool b = false;
    double d = 0;
    char* s = nullptr;
    EXPECT_EQ(preference_get_int("pref/missing", &i), PREFERENCE_ERROR_NO_KEY);
    EXPECT_EQ(preference_get_string("pref/missing", &s), PREFERENCE_ERROR_NO_KEY);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(preference_remove("pref/missing"), PREFERENCE_ERROR_NO_KEY);

    ASSERT_EQ(preference_set_int("pref/int", 3), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_boolean("pref/bool", true), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_double("pref/dbl", -0.25), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_string("pref/str", "text"), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(preference_get_int("pref/int", &i), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(i, 3);
    EXPECT_EQ(preference_get_boolean("pref/bool", &b), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(b);
    EXPECT_EQ(preference_get_double("pref/dbl", &d), PREFERENCE_ERROR_NONE);
    EXPECT_DOUBLE_EQ(d, -0.25);
    EXPECT_EQ(preference_get_boolean("pref/int", &b), PREFERENCE_ERROR_INVALID_PARAMETER);

    bool exists = false;
    EXPECT_EQ(preference_is_existing("pref/str", &exists), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(exists);

    // The applications of one package share its store; another package has its own.
    DeviceFixture::SetAppId("com.velurio.weather");
    EXPECT_EQ(preference_get_int("pref/int", &i), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(i, 3);
    DeviceFixture::SetAppId("com.velurio.cloud-backup-client");
    EXPECT_EQ(preference_get_int("pref/int", &i), PREFERENCE_ERROR_NO_KEY);
    DeviceFixture::SetAppId(DeviceFixture::kDefaultAppId);

    EXPECT_EQ(preference_remove("pref/str"), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(preference_is_existing("pref/str", &exists), PREFERENCE_ERROR_NONE);
    EXPECT_FALSE(exists);
    EXPECT_EQ(preference_remove_all(), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(preference_get_int("pref/int", &i), PREFERENCE_ERROR_NO_KEY);

    // Without an identity there is no store to use.
    g_unsetenv(device::kAppIdEnv);
    EXPECT_EQ(preference_set_int("pref/int", 1), PREFERENCE_ERROR_IO_ERROR);
}

// A process keeps the store path its package gave while the registry stays
// as it was; another application, or the application moved to another
// package, reads its own store at once.
TEST_F(StoresTest, APreferenceReadFollowsTheRegistry)
{
    const char* const kAgent = "com.velurio.weather-agent";
    const std::optional<device::AppInfo> agent = device::FindApp(kAgent);
    ASSERT_TRUE(agent);
    DeviceFixture::SetAppId(kAgent);
    ASSERT_EQ(preference_set_int("pref/kept", 3), PREFERENCE_ERROR_NONE);
    // Only a registry older than the file system clock's tick is kept by its stamp.
    g_usleep(2100 * 1000);
    device::AppInfo moved = *agent;
    moved.pkgId = "com.velurio.elsewhere";
    const struct {
        const char* appId;
        bool move;    // the agent joins another package before the read
        int expected; // -1: no such key in that store
    } cases[] = {
        {kAgent, false, 3},
        {"com.velurio.weather", false, 3},
        {"com.velurio.cloud-backup-client", false, -1},
        {kAgent, false, 3},
        {kAgent, true, -1},
    };
    for (const auto& c : cases) {
        if (c.move) {
            ASSERT_TRUE(device::InstallApp(moved));
        }
        DeviceFixture::SetAppId(c.appId);
        int value = -1;
        const int rc = preference_get_int("pref/kept", &value);
        EXPECT_EQ(rc, c.expected < 0 ? PREFERENCE_ERROR_NO_KEY : PREFERENCE_ERROR_NONE) << c.appId;
        EXPECT_EQ(value, c.expected) << c.appId;
    }
    EXPECT_TRUE(device::InstallApp(*agent));
    DeviceFixture::SetAppId(kAgent);
    EXPECT_EQ(preference_remove_all(), PREFERENCE_ERROR_NONE);
}

TEST_F(StoresTest, PreferenceCallbackNeedsTheKeyAndRunsOnTheLoop)
{
    Seen seen;
    EXPECT_EQ(preference_set_changed_cb("cb/key", OnPreferenceChanged, &seen), PREFERENCE_ERROR_NO_KEY);
    ASSERT_EQ(preference_set_boolean("cb/key", false), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_changed_cb("cb/key", OnPreferenceChanged, &seen), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_boolean("cb/key", true), PREFERENCE_ERROR_NONE);
    ASSERT_TRUE(PumpUntil([&] { return seen.calls == 1; }));
    EXPECT_EQ(seen.key, "cb/key");

    EXPECT_EQ(preference_unset_changed_cb("cb/key"), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_set_boolean("cb/key", false), PREFERENCE_ERROR_NONE);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(preference_unset_changed_cb("cb/never"), PREFERENCE_ERROR_NO_KEY);
}

TEST_F(StoresTest, FaultsReachEveryStoreError)
{
    device::SetFault("vconf_get_int:" SYSKEY_STANDALONE, device::Fault::Error);
    int value = -1;
    EXPECT_EQ(vconf_get_int(SYSKEY_STANDALONE, &value), VCONF_ERROR);
    EXPECT_EQ(vconf_get_int(SYSKEY_TIME_FORMAT_1224, &value), VCONF_OK) << "a keyed fault hits one key only";

    device::SetFault("vconf_get_str", device::Fault::Empty);
    char* text = vconf_get_str(SYSKEY_COUNTRY_ISO);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    free(text);
    device::SetFault("vconf_get_str", device::Fault::Null);
    EXPECT_EQ(vconf_get_str(SYSKEY_COUNTRY_ISO), nullptr);
    device::SetFault("vconf_set_bool", device::Fault::Error);
    EXPECT_EQ(vconf_set_bool(SYSKEY_HOST_CONNECTED, 1), VCONF_ERROR);
    device::SetFault("vconf_notify_key_changed", device::Fault::Error);
    EXPECT_EQ(vconf_notify_key_changed(SYSKEY_HOST_CONNECTED, OnKeyChanged, nullptr), VCONF_ERROR);

    ASSERT_EQ(preference_set_string("fault/str", "x"), PREFERENCE_ERROR_NONE);
    device::SetFault("preference_get_string", device::Fault::Null);
    char* pref = nullptr;
    EXPECT_EQ(preference_get_string("fault/str", &pref), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(pref, nullptr);
    device::SetFault("preference_set_boolean", device::Fault::Error);
    EXPECT_EQ(preference_set_boolean("fault/bool", true), PREFERENCE_ERROR_IO_ERROR);

    // The same faults, from the environment (how tests reach another process).
    device::ClearFaults();
    g_setenv(device::kFaultsEnv, "vconf_get_bool=error, preference_get_int = error", TRUE);
    EXPECT_EQ(vconf_get_bool(SYSKEY_HOST_CONNECTED, &value), VCONF_ERROR);
    ASSERT_EQ(preference_set_int("fault/int", 1), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(preference_get_int("fault/int", &value), PREFERENCE_ERROR_IO_ERROR);
    g_unsetenv(device::kFaultsEnv);
    EXPECT_EQ(vconf_get_bool(SYSKEY_HOST_CONNECTED, &value), VCONF_OK);
}

// Every way another process can change a store must be seen, and what
// replaced it must pass the same checks as a first read.
TEST_F(StoresTest, AStoreReadSeesEveryChangeAndRefusesWhatOthersCouldWrite)
{
    const std::string path = device::VconfStorePath();
    ASSERT_EQ(vconf_set_int("test/cache/n", 41), VCONF_OK);
    gchar* raw = nullptr;
    ASSERT_TRUE(g_file_get_contents(path.c_str(), &raw, nullptr, nullptr));
    const std::string original = raw;
    g_free(raw);
    // The key's own value: other tests may have left keys holding 41 too.
    const size_t at = original.find("value=41\n", original.find("[test/cache/n]"));
    ASSERT_NE(at, std::string::npos);
    auto version = [&](int value) { return std::string(original).replace(at + 6, 2, std::to_string(value)); };
    auto inPlace = [&](int value) { // same inode, same size
        const std::string text = version(value);
        int fd = open(path.c_str(), O_WRONLY);
        bool ok = fd >= 0 && pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
        if (fd >= 0)
            close(fd);
        return ok;
    };
    auto renamedOver = [&](int value) { // new inode, same size and modification time
        struct stat before;
        const std::string tmp = path + ".test";
        if (stat(path.c_str(), &before) != 0 || !g_file_set_contents(tmp.c_str(), version(value).c_str(), -1, nullptr))
            return false;
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        return utimensat(AT_FDCWD, tmp.c_str(), times, 0) == 0 && rename(tmp.c_str(), path.c_str()) == 0;
    };
    auto replacedBy = [&](bool fifo) {
        const std::string copy = path + ".copy";
        return g_file_set_contents(copy.c_str(), version(44).c_str(), -1, nullptr) && unlink(path.c_str()) == 0 &&
               (fifo ? mkfifo(path.c_str(), 0600) : symlink(copy.c_str(), path.c_str())) == 0;
    };
    struct Case {
        const char* what;
        std::function<bool()> change;
        int expected; // the value read, or -1 when the read must be refused
        const char* refusal;
        bool settle = true; // false: changed within the clock tick of the last write
    };
    const Case cases[] = {
        {"written in place", [&] { return inPlace(42); }, 42, nullptr},
        {"written in place at once", [&] { return inPlace(47); }, 47, nullptr, false},
        {"made writable by others", [&] { return chmod(path.c_str(), 0666) == 0; }, -1,
         "writable by others (mode 666)"},
        {"private again", [&] { return chmod(path.c_str(), 0600) == 0; }, 47, nullptr},
        {"renamed over", [&] { return renamedOver(43); }, 43, nullptr},
        {"a fifo", [&] { return replacedBy(true); }, -1, "not a regular file"},
        {"a link", [&] { return replacedBy(false); }, -1, "a symbolic link"},
        {"a file again",
         [&] {
             return unlink(path.c_str()) == 0 && g_file_set_contents(path.c_str(), version(45).c_str(), -1, nullptr);
         },
         45, nullptr},
    };
    for (const Case& c : cases) {
        int value = 0;
        vconf_get_int("test/cache/n", &value); // read before the change
        if (c.settle)
            g_usleep(20 * 1000); // beyond the file system's time granularity
        ASSERT_TRUE(c.change()) << c.what;
        LogCapture log;
        value = -1;
        const int rc = vconf_get_int("test/cache/n", &value);
        if (c.expected < 0) {
            EXPECT_NE(rc, VCONF_OK) << c.what;
            EXPECT_TRUE(log.Contains("refused file [" + path + "]: " + c.refusal)) << c.what;
        } else {
            EXPECT_EQ(rc, VCONF_OK) << c.what;
            EXPECT_EQ(value, c.expected) << c.what;
        }
    }
    unlink((path + ".copy").c_str());
}

// A store that does not parse is never written over: what it held can still
// be recovered by hand.
TEST_F(StoresTest, ADamagedStoreIsNeverWrittenOver)
{
    ASSERT_EQ(vconf_set_int("test/damaged", 1), VCONF_OK);
    const std::string path = device::VconfStorePath();
    const std::string damaged = "[test/damaged\ntype=int\nvalue=1\n";
    ASSERT_TRUE(g_file_set_contents(path.c_str(), damaged.c_str(), -1, nullptr));
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    int value = 0;
    EXPECT_NE(vconf_get_int("test/damaged", &value), VCONF_OK);
    EXPECT_NE(vconf_set_int("test/damaged", 2), VCONF_OK);
    g_autofree gchar* raw = nullptr;
    ASSERT_TRUE(g_file_get_contents(path.c_str(), &raw, nullptr, nullptr));
    EXPECT_EQ(std::string(raw), damaged);
}

// A process with a key overlay reads the overlay's value of the keys it
// names and the device's of the others, and cannot change an overlaid key;
// the device keeps its own value for every other process.
TEST_F(StoresTest, AKeyOverlayShowsItsValuesAndProtectsTheDevice)
{
    unlink(device::VconfStorePath().c_str()); // whatever an earlier test left
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_COUNTRY_ISO, "KR"), VCONF_OK);
    const std::string overlay = device::StringKeyOverlay({{SYSKEY_LANGUAGE, "ar_AE.UTF-8"}, {"test/text", "a=b;[c]"}});
    ASSERT_TRUE(g_setenv(device::kKeyOverlayEnv, overlay.c_str(), TRUE));
    auto text = [](const char* key) {
        g_autofree char* value = vconf_get_str(key);
        return std::string(value ? value : "(none)");
    };
    int number = 0;
    struct Case {
        const char* what;
        bool ok;
    } cases[] = {
        {"overlaid language", text(SYSKEY_LANGUAGE) == "ar_AE.UTF-8"},
        {"overlaid text kept whole", text("test/text") == "a=b;[c]"},
        {"other key from the device", text(SYSKEY_COUNTRY_ISO) == "KR"},
        {"overlaid key read as another type", vconf_get_int(SYSKEY_LANGUAGE, &number) == VCONF_ERROR},
        {"overlaid key not written", vconf_set_str(SYSKEY_LANGUAGE, "ko_KR.UTF-8") == VCONF_ERROR},
        {"overlaid key not removed", vconf_unset(SYSKEY_LANGUAGE) == VCONF_ERROR},
        {"other key still written", vconf_set_str(SYSKEY_COUNTRY_ISO, "JP") == VCONF_OK},
    };
    ASSERT_TRUE(g_setenv(device::kKeyOverlayEnv, "[unterminated", TRUE));
    const bool brokenHidesAll = text(SYSKEY_COUNTRY_ISO) == "(none)";
    g_unsetenv(device::kKeyOverlayEnv);
    for (const Case& c : cases)
        EXPECT_TRUE(c.ok) << c.what;
    EXPECT_TRUE(brokenHidesAll) << "an overlay that does not parse must hide the device's keys";
    EXPECT_EQ(text(SYSKEY_LANGUAGE), "en_US.UTF-8");
    EXPECT_EQ(text(SYSKEY_COUNTRY_ISO), "JP");
}
