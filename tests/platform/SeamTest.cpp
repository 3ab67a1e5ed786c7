// The one seam every file of the device root and the program tree is opened
// through, and the trusted-directory rule under it. Cases that need another
// user's files need root and are skipped otherwise.

#include <gtest/gtest.h>

#include <device/host.h>
#include <device/trusted_file.h>

#include <glib.h>
#include <glib/gstdio.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "TestProcess.h"

namespace {

bool Write(const std::string& path, const std::string& text, mode_t mode = 0600)
{
    return g_file_set_contents(path.c_str(), text.c_str(), -1, nullptr) && chmod(path.c_str(), mode) == 0;
}

class SeamTest : public ::testing::Test {
public:
    bool Root() const { return geteuid() == 0; }
    // A file of another user outside the tree, with a marker in it.
    std::string TheirFile()
    {
        const std::string path = mTheirs + "/file";
        EXPECT_TRUE(Write(path, "THEIR-MARKER", 0644));
        EXPECT_EQ(chown(path.c_str(), kOtherUid, kOtherUid), 0);
        return path;
    }
    const TempDir mDir{"weather-seam"}, mTheirsDir{"weather-seam-theirs", 0755};
    const std::string &mTemp = mDir.Path(), &mTheirs = mTheirsDir.Path();
};

// Each hostile variant at a file's place is refused at once, by name, and
// nothing planted is truncated or read; a file of the user's passes and is
// handed back in blocking mode.
TEST_F(SeamTest, EveryHostileFileIsRefusedAtOnceByName)
{
    struct Case {
        const char* what;
        bool needsRoot;
        std::function<bool(SeamTest&, const std::string& path)> plant;
        device::FileTrust expected;
        const char* refusal; // after "refused file [path]: "
    };
    const Case cases[] = {
        {"the user's file", false, [](SeamTest&, const std::string& p) { return Write(p, "mine"); },
         device::FileTrust::Ok, ""},
        {"nothing", false, [](SeamTest&, const std::string&) { return true; }, device::FileTrust::Missing, ""},
        {"a FIFO", false, [](SeamTest&, const std::string& p) { return mkfifo(p.c_str(), 0600) == 0; },
         device::FileTrust::Refused, "not a regular file"},
        {"a directory", false, [](SeamTest&, const std::string& p) { return g_mkdir(p.c_str(), 0700) == 0; },
         device::FileTrust::Refused, "not a regular file"},
        {"a link to /dev/zero", false,
         [](SeamTest&, const std::string& p) { return symlink("/dev/zero", p.c_str()) == 0; },
         device::FileTrust::Refused, "a symbolic link"},
        {"a link to another user's file", true,
         [](SeamTest& t, const std::string& p) { return symlink(t.TheirFile().c_str(), p.c_str()) == 0; },
         device::FileTrust::Refused, "a symbolic link"},
        {"a file of uid 65534", true,
         [](SeamTest&, const std::string& p) {
             return Write(p, "THEIR-MARKER", 0644) && chown(p.c_str(), kOtherUid, kOtherUid) == 0;
         },
         device::FileTrust::Refused, "owned by uid 65534, neither this user (uid 0) nor root"},
        {"a file others can write", false, [](SeamTest&, const std::string& p) { return Write(p, "x", 0606); },
         device::FileTrust::Refused, "writable by others (mode 606)"},
        {"a file the group can write", false, [](SeamTest&, const std::string& p) { return Write(p, "x", 0660); },
         device::FileTrust::Refused, "writable by others (mode 660)"},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.needsRoot && !Root()) {
            std::printf("[  SKIPPED ] %s: another user's file needs root\n", c.what);
            continue;
        }
        SCOPED_TRACE(c.what);
        const std::string path = mTemp + "/file" + std::to_string(n++);
        ASSERT_TRUE(c.plant(*this, path));
        for (int flags : {O_RDONLY, O_WRONLY | O_TRUNC, O_RDWR | O_CREAT, O_WRONLY | O_APPEND | O_CREAT}) {
            LogCapture log;
            const auto start = std::chrono::steady_clock::now();
            device::UniqueFd fd;
            const device::FileTrust trust = device::OpenTrustedFile(path, flags, &fd);
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
            const device::FileTrust expected =
                c.expected == device::FileTrust::Missing && (flags & O_CREAT) ? device::FileTrust::Ok : c.expected;
            EXPECT_EQ(trust, expected) << flags;
            EXPECT_EQ(fd.Valid(), expected == device::FileTrust::Ok) << flags;
            if (fd.Valid()) {
                EXPECT_EQ(fcntl(fd.Get(), F_GETFL) & O_NONBLOCK, 0) << "left non-blocking";
            }
            if (expected == device::FileTrust::Refused) {
                const std::string line = "refused file [" + path + "]: " + c.refusal;
                EXPECT_TRUE(log.Contains(line)) << line;
                EXPECT_EQ(device::LastTrustRefusal(), line);
            }
            fd.Reset();
            if (c.expected == device::FileTrust::Missing)
                unlink(path.c_str());
        }
        if (c.needsRoot) {
            EXPECT_EQ(ReadText(mTheirs + "/file"), "THEIR-MARKER") << "a refused file was truncated";
        }
    }
}

// A directory is trusted when it and each one above it are the user's or
// root's and nobody else can write them; above it, root's sticky directories
// (as /tmp) are accepted, nothing else that others can write.
TEST_F(SeamTest, DirectoriesAreTrustedOnlyWhenNobodyElseCanChangeThem)
{
    struct Case {
        const char* what;
        bool needsRoot;
        mode_t parentMode;
        uid_t parentOwner;
        mode_t dirMode;
        uid_t dirOwner;
        const char* offender; // "dir", "parent" or "" when trusted
        const char* why;
    };
    const uid_t me = geteuid();
    const Case cases[] = {
        {"private", false, 0700, me, 0700, me, "", ""},
        {"open for reading", false, 0755, me, 0755, me, "", ""},
        {"writable by the group", false, 0755, me, 0770, me, "dir", "writable by others (mode 770)"},
        {"parent writable by others", false, 0777, me, 0700, me, "parent",
         "writable by others without being root's with the sticky bit (mode 777)"},
        {"under root's sticky directory", true, 01777, 0, 0700, me, "", ""},
        {"under another user's sticky directory", true, 01777, kOtherUid, 0700, me, "parent",
         "owned by uid 65534, neither this user (uid 0) nor root"},
        {"another user's", true, 0755, me, 0700, kOtherUid, "dir",
         "owned by uid 65534, neither this user (uid 0) nor root"},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.needsRoot && !Root()) {
            std::printf("[  SKIPPED ] %s: another owner needs root\n", c.what);
            continue;
        }
        SCOPED_TRACE(c.what);
        const std::string parent = mTemp + "/p" + std::to_string(n++), dir = parent + "/d";
        ASSERT_EQ(g_mkdir(parent.c_str(), 0700), 0);
        ASSERT_EQ(g_mkdir(dir.c_str(), 0700), 0);
        ASSERT_EQ(chown(dir.c_str(), c.dirOwner, c.dirOwner), 0);
        ASSERT_EQ(chmod(dir.c_str(), c.dirMode), 0);
        ASSERT_EQ(chown(parent.c_str(), c.parentOwner, c.parentOwner), 0);
        ASSERT_EQ(chmod(parent.c_str(), c.parentMode), 0);
        LogCapture log;
        const bool trusted = device::IsTrustedDirectory(dir);
        EXPECT_EQ(trusted, *c.offender == '\0');
        if (*c.offender) {
            const std::string line =
                "refused directory [" + (std::string(c.offender) == "dir" ? dir : parent) + "]: " + c.why;
            EXPECT_TRUE(log.Contains(line)) << line;
        }
        // A file in it is opened only when the directory passes.
        device::UniqueFd fd;
        EXPECT_EQ(device::OpenTrustedFile(dir + "/f", O_RDWR | O_CREAT, &fd) == device::FileTrust::Ok, trusted);
    }
    // A link is no level of a trusted path.
    const std::string link = mTemp + "/link";
    ASSERT_EQ(symlink(mTemp.c_str(), link.c_str()), 0);
    LogCapture log;
    EXPECT_FALSE(device::IsTrustedDirectory(link + "/p0"));
    EXPECT_TRUE(log.Contains("refused directory [" + link + "]: a symbolic link"));
}

// gettext tries a language's catalogue under every combination of its
// territory, codeset and modifier: each is checked before a domain is bound.
TEST(CatalogueNames, EveryNameGettextMayTryIsListed)
{
    struct Case {
        const char* language;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"ko_KR.UTF-8@latin",
         {"ko_KR.UTF-8@latin", "ko_KR.utf8@latin", "ko_KR@latin", "ko_KR.UTF-8", "ko_KR.utf8", "ko_KR",
          "ko.UTF-8@latin", "ko.utf8@latin", "ko@latin", "ko.UTF-8", "ko.utf8", "ko"}},
        {"ko_KR@latin", {"ko_KR@latin", "ko_KR", "ko@latin", "ko"}},
        {"en_US", {"en_US", "en"}},
        {"de", {"de"}},
        {"ru_RU.ISO-8859-5", {"ru_RU.ISO-8859-5", "ru_RU.iso88595", "ru_RU", "ru.ISO-8859-5", "ru.iso88595", "ru"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(device::CatalogueNames(c.language), c.names) << c.language;
}

// A language with any refused catalogue leaves the list gettext walks; when
// none is left the domain is not bound there at all.
TEST_F(SeamTest, ALanguageWithARefusedCatalogueIsNotUsed)
{
    const std::string locale = mTemp + "/locale";
    for (const char* name : {"ko_KR", "en_US"}) {
        const std::string dir = locale + "/" + name + "/LC_MESSAGES";
        ASSERT_EQ(g_mkdir_with_parents(dir.c_str(), 0755), 0);
        ASSERT_TRUE(Write(dir + "/weather.mo", "catalogue"));
    }
    struct Case {
        const char* planted; // FIFO at <locale>/<planted>/LC_MESSAGES/weather.mo
        const char* language;
        const char* kept; // LANGUAGE afterwards, nullptr: not bound
    };
    const Case cases[] = {
        {nullptr, "ko_KR@latin:en_US", "ko_KR@latin:en_US"},
        {"ko_KR@latin", "ko_KR@latin:en_US", "en_US"},
        {"ko@latin", "ko_KR@latin:en_US", "en_US"},
        {"ko", "ko_KR:en_US", "en_US"},
        {"en", "ko_KR:en_US", "ko_KR"},
        {"ko", "ko_KR", nullptr},
    };
    const char* saved = g_getenv("LANGUAGE");
    const std::string savedLanguage = saved ? saved : "";
    // Under "C" gettext opens nothing and nothing is checked.
    const std::string savedMessages = setlocale(LC_MESSAGES, nullptr);
    ASSERT_NE(setlocale(LC_MESSAGES, "C.UTF-8"), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.planted ? c.planted : "nothing") + " under " + c.language);
        std::string fifo;
        if (c.planted) {
            const std::string dir = locale + "/" + c.planted + "/LC_MESSAGES";
            ASSERT_EQ(g_mkdir_with_parents(dir.c_str(), 0755), 0);
            fifo = dir + "/weather.mo";
            ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        }
        g_setenv("LANGUAGE", c.language, TRUE);
        std::vector<std::string> refusals;
        const bool bound = device::KeepTrustedCatalogues(locale, "weather", &refusals);
        EXPECT_EQ(bound, c.kept != nullptr);
        if (c.kept) {
            EXPECT_STREQ(g_getenv("LANGUAGE"), c.kept);
        }
        EXPECT_EQ(refusals.empty(), c.planted == nullptr);
        if (c.planted) {
            ASSERT_FALSE(refusals.empty());
            EXPECT_EQ(refusals.front(), "refused file [" + fifo + "]: not a regular file");
        }
        if (!fifo.empty())
            unlink(fifo.c_str());
    }
    setlocale(LC_MESSAGES, savedMessages.c_str());
    if (saved)
        g_setenv("LANGUAGE", savedLanguage.c_str(), TRUE);
    else
        g_unsetenv("LANGUAGE");
}

// The root as configured, set up in this process: the refusal it gives, ""
// when the device was made.
std::string SetUpAt(const std::string& configured)
{
    const std::string saved = g_getenv(device::kRootEnv);
    g_setenv(device::kRootEnv, configured.c_str(), TRUE);
    const bool made = device::EnsureDefaultDevice();
    const std::string error = device::SetupError();
    g_setenv(device::kRootEnv, saved.c_str(), TRUE);
    return made ? "" : error.empty() ? "failed without a reason" : error;
}

// Links on the way to the root are followed one at a time, each only when it
// is the user's or root's: your own link pointing at another user's link
// (which points back into your home) is refused at theirs.
TEST_F(SeamTest, ARootBehindAnotherUsersLinkInAChainIsRefusedThere)
{
    if (!Root())
        GTEST_SKIP() << "another user's link needs root";
    const std::string home = mTemp + "/home", yours = mTemp + "/vlink", theirs = mTheirs + "/x";
    ASSERT_EQ(g_mkdir(home.c_str(), 0700), 0);
    ASSERT_EQ(symlink(home.c_str(), theirs.c_str()), 0);
    ASSERT_EQ(lchown(theirs.c_str(), kOtherUid, kOtherUid), 0);
    ASSERT_EQ(symlink(theirs.c_str(), yours.c_str()), 0);
    EXPECT_EQ(SetUpAt(yours + "/device"),
              "refused directory [" + theirs + "]: a symbolic link of uid 65534, neither this user (uid 0) nor root");
    EXPECT_FALSE(g_file_test((home + "/device").c_str(), G_FILE_TEST_EXISTS));
    // The same chain of your own links is followed.
    const std::string mine = mTemp + "/mine";
    ASSERT_EQ(symlink(home.c_str(), mine.c_str()), 0);
    ASSERT_EQ(unlink(theirs.c_str()), 0);
    ASSERT_EQ(symlink(mine.c_str(), theirs.c_str()), 0);
    EXPECT_EQ(SetUpAt(yours + "/device2"), "");
    EXPECT_TRUE(g_file_test((home + "/device2/registry.ini").c_str(), G_FILE_TEST_EXISTS));
}

// The root is one user's: made 0700, and refused once group or others may
// enter it, whatever the modes of what is inside.
TEST_F(SeamTest, ARootOthersMayEnterIsRefused)
{
    const std::string device = mTemp + "/device";
    ASSERT_EQ(SetUpAt(device), "");
    struct stat info;
    ASSERT_EQ(stat(device.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    for (mode_t mode : {0711, 0701, 0750}) {
        const std::string again = mTemp + "/device" + std::to_string(mode);
        ASSERT_EQ(g_mkdir(again.c_str(), mode), 0);
        ASSERT_EQ(chmod(again.c_str(), mode), 0);
        char text[8];
        g_snprintf(text, sizeof text, "%03o", mode);
        EXPECT_EQ(SetUpAt(again), "refused directory [" + again + "]: others may enter it (mode " + text + ")");
        EXPECT_FALSE(g_file_test((again + "/registry.ini").c_str(), G_FILE_TEST_EXISTS));
    }
}

} // namespace
