#include "ScratchFolder.h"
#include "platform/InstanceGuard.h"
#include "platform/SystemLanguage.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;

TEST(SystemLanguage, LocalesToLanguageNames) {
    for (const char* locale : {"en_US.UTF-8", "en_GB", "en"})
        EXPECT_EQ(LanguageNameOfLocale(locale), "English") << locale;
    for (const char* locale : {"zh_CN.UTF-8", "zh_SG.GB2312", "zh_Hans_CN"})
        EXPECT_EQ(LanguageNameOfLocale(locale), "Chinese") << locale;
    // Traditional Chinese has no language file; neither have the others.
    for (const char* locale : {"zh_TW.UTF-8", "zh_HK", "de_DE.UTF-8", "C", "POSIX", "", "zh", "eng_XX"})
        EXPECT_EQ(LanguageNameOfLocale(locale), "") << locale;
}

TEST(InstanceGuard, SecondHolderIsRefusedUntilTheFirstEnds) {
    char folder[] = "/tmp/corvane-guard-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);

    InstanceGuard first;
    ASSERT_EQ(first.Acquire("CorvaneSys", folder), InstanceGuard::Result::Acquired);

    // Another process (the lock is per open file, as a second start would be).
    const pid_t child = fork();
    if (child == 0) {
        InstanceGuard second;
        _exit(second.Acquire("CorvaneSys", folder) == InstanceGuard::Result::AlreadyRunning ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // A holder that dies without releasing frees the name.
    first.Release();
    const pid_t crasher = fork();
    if (crasher == 0) {
        InstanceGuard g;
        g.Acquire("CorvaneSys", folder);
        std::abort();
    }
    waitpid(crasher, &status, 0);
    InstanceGuard after;
    EXPECT_EQ(after.Acquire("CorvaneSys", folder), InstanceGuard::Result::Acquired);
    after.Release();

    InstanceGuard nowhere;
    EXPECT_EQ(nowhere.Acquire("CorvaneSys", "/nonexistent/folder"), InstanceGuard::Result::Failed);
    EXPECT_FALSE(nowhere.Error().empty());
    std::system((std::string("rm -rf ") + folder).c_str());
}

namespace {

unsigned FolderMode(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Points XDG_CACHE_HOME at a folder for the life of the object.
class CacheHome {
public:
    explicit CacheHome(const std::string& folder) {
        if (const char* old = std::getenv("XDG_CACHE_HOME"))
            m_old = old;
        setenv("XDG_CACHE_HOME", folder.c_str(), 1);
    }
    ~CacheHome() {
        if (m_old)
            setenv("XDG_CACHE_HOME", m_old->c_str(), 1);
        else
            unsetenv("XDG_CACHE_HOME");
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(InstanceGuard, TheSharedFallbackFolderIsUsedOnlyWhenItIsTheUsersPrivateFolder) {
    using corvane::test::ScratchFolder;
    const std::string mine = "corvane-" + std::to_string(getuid());
    struct Case {
        const char* what;
        std::function<void(const std::string& shared, const std::string& elsewhere)> prepare;
        bool shared; // the folder under the temporary folder is used
    };
    const Case cases[] = {
        {"missing: made private", [](const std::string&, const std::string&) {}, true},
        {"there and private", [](const std::string& s, const std::string&) { mkdir(s.c_str(), 0700); }, true},
        {"open to everyone",
         [](const std::string& s, const std::string&) {
             mkdir(s.c_str(), 0700);
             chmod(s.c_str(), 0777);
         },
         false},
        {"readable by the group",
         [](const std::string& s, const std::string&) {
             mkdir(s.c_str(), 0700);
             chmod(s.c_str(), 0750);
         },
         false},
        {"another user's",
         [](const std::string& s, const std::string&) {
             mkdir(s.c_str(), 0700);
             ASSERT_EQ(chown(s.c_str(), 65534, 65534), 0); // nobody (the tests run as root)
         },
         false},
        {"a link to a private folder",
         [](const std::string& s, const std::string& elsewhere) {
             mkdir(elsewhere.c_str(), 0700);
             ASSERT_EQ(symlink(elsewhere.c_str(), s.c_str()), 0);
         },
         false},
    };
    for (const Case& c : cases) {
        ScratchFolder tmp, cache;
        CacheHome home(cache.Path());
        const std::string shared = tmp.File(mine);
        c.prepare(shared, tmp.File("elsewhere"));
        if (getuid() != 0 && std::string(c.what) == "another user's")
            continue; // only root can give a folder away
        const std::string chosen = FallbackRuntimeFolder(tmp.Path());
        if (c.shared) {
            EXPECT_EQ(chosen, shared) << c.what;
            EXPECT_EQ(FolderMode(shared), 0700u) << c.what;
        } else {
            EXPECT_EQ(chosen, cache.File("corvane")) << c.what;
            EXPECT_TRUE(IsPrivateFolder(chosen)) << c.what;
        }
        // The guard works in what was chosen, and nothing lands in the unsafe folder.
        InstanceGuard guard;
        EXPECT_EQ(guard.Acquire("CorvaneSys", chosen), InstanceGuard::Result::Acquired) << c.what;
        if (!c.shared) {
            EXPECT_EQ(access((shared + "/CorvaneSys.lock").c_str(), F_OK), -1) << c.what;
        }
    }
}

TEST(InstanceGuard, APrivateCacheFolderMadeTooOpenIsNarrowedAndALinkedLockIsRefused) {
    using corvane::test::ScratchFolder;
    ScratchFolder tmp, cache;
    CacheHome home(cache.Path());
    const std::string shared = tmp.File("corvane-" + std::to_string(getuid()));
    mkdir(shared.c_str(), 0777);
    chmod(shared.c_str(), 0777);
    mkdir(cache.File("corvane").c_str(), 0755);
    EXPECT_EQ(FallbackRuntimeFolder(tmp.Path()), cache.File("corvane"));
    EXPECT_EQ(FolderMode(cache.File("corvane")), 0700u);

    // A link placed under the lock's name is not followed.
    ScratchFolder folder;
    ASSERT_EQ(symlink(folder.File("elsewhere").c_str(), folder.File("CorvaneSys.lock").c_str()), 0);
    InstanceGuard guard;
    EXPECT_EQ(guard.Acquire("CorvaneSys", folder.Path()), InstanceGuard::Result::Failed);
    EXPECT_EQ(access(folder.File("elsewhere").c_str(), F_OK), -1);
}
