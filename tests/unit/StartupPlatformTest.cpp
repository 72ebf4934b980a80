#include "platform/InstanceGuard.h"
#include "platform/SystemLanguage.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;

TEST(SystemLanguage, LocalesToLanguageNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"en_US.UTF-8", "English"},
        {"en_GB", "English"},
        {"en", "English"},
        {"zh_CN.UTF-8", "Chinese"},
        {"zh_SG.GB2312", "Chinese"},
        {"zh_Hans_CN", "Chinese"},
        {"zh_TW.UTF-8", ""},
        {"zh_HK", ""},
        {"de_DE.UTF-8", ""},
        {"C", ""},
        {"POSIX", ""},
        {"", ""},
        {"zh", ""},
        {"eng_XX", ""},
    };
    for (const auto& [locale, name] : cases)
        EXPECT_EQ(LanguageNameOfLocale(locale), name) << locale;
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
