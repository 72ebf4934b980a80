#include "ScratchFolder.h"
#include "platform/InstanceGuard.h"
#include "platform/SystemLanguage.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::Environment;
using corvane::test::ModeOf;
using corvane::test::ScratchFolder;

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
    ScratchFolder scratch;
    const std::string folder = scratch.Path();

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
}

TEST(InstanceGuard, TheSharedFallbackFolderIsUsedOnlyWhenItIsTheUsersPrivateFolder) {
    const std::string mine = "corvane-" + std::to_string(getuid());
    struct Case {
        const char* what;
        unsigned mode;   // of the folder made first; 0: none made
        bool otherOwner; // given to nobody (only root can give a folder away)
        bool link;       // a link to a private folder elsewhere
        bool shared;     // the folder under the temporary folder is used
    };
    const Case cases[] = {
        {"missing: made private", 0, false, false, true},
        {"there and private", 0700, false, false, true},
        {"open to everyone", 0777, false, false, false},
        {"readable by the group", 0750, false, false, false},
        {"another user's", 0700, true, false, false},
        {"a link to a private folder", 0, false, true, false},
    };
    for (const Case& c : cases) {
        if (c.otherOwner && getuid() != 0)
            continue;
        ScratchFolder tmp, cache;
        Environment home("XDG_CACHE_HOME", cache.Path());
        const std::string shared = tmp.File(mine), elsewhere = tmp.File("elsewhere");
        if (c.mode) {
            ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
            ASSERT_EQ(chmod(shared.c_str(), c.mode), 0);
        }
        if (c.otherOwner) {
            ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0);
        }
        if (c.link) {
            ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
            ASSERT_EQ(symlink(elsewhere.c_str(), shared.c_str()), 0);
        }
        const std::string chosen = FallbackRuntimeFolder(tmp.Path());
        if (c.shared) {
            EXPECT_EQ(chosen, shared) << c.what;
            EXPECT_EQ(ModeOf(shared), 0700u) << c.what;
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
    ScratchFolder tmp, cache;
    Environment home("XDG_CACHE_HOME", cache.Path());
    const std::string shared = tmp.File("corvane-" + std::to_string(getuid()));
    mkdir(shared.c_str(), 0777);
    chmod(shared.c_str(), 0777);
    mkdir(cache.File("corvane").c_str(), 0755);
    EXPECT_EQ(FallbackRuntimeFolder(tmp.Path()), cache.File("corvane"));
    EXPECT_EQ(ModeOf(cache.File("corvane")), 0700u);

    // A link placed under the lock's name is not followed.
    ScratchFolder folder;
    ASSERT_EQ(symlink(folder.File("elsewhere").c_str(), folder.File("CorvaneSys.lock").c_str()), 0);
    InstanceGuard guard;
    EXPECT_EQ(guard.Acquire("CorvaneSys", folder.Path()), InstanceGuard::Result::Failed);
    EXPECT_EQ(access(folder.File("elsewhere").c_str(), F_OK), -1);
}
