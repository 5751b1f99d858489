// Settings files read and written one key at a time, and replaced whole on every write.

#include "platform/profile_file.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name = "pictavo.ini") const
    {
        return dir.path().toStdString() + "/" + name;
    }
    void write(const std::string& text) const { std::ofstream(path(), std::ios::binary) << text; }
    std::string content(const std::string& name = "pictavo.ini") const
    {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QTemporaryDir dir;
};

TEST_F(ProfileFileTest, ReadsKeysWithoutRegardToCaseAndFallsBackWhenMissing)
{
    write("; a comment line\r\n"
          "[Outra]\n"
          "NormPos=1,2,3,4\n"
          "[Pictavo]\n"
          "  normpos =  216,145,808,623  \n"
          "Vazio=\n"
          "NormPos=9,9,9,9\n");
    struct Case {
        const char* name;
        const char* file;
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"blanks around key and value go; the first key of the name counts", "pictavo.ini", "PICTAVO", "NormPos",
         "216,145,808,623"},
        {"an empty value is a value", "pictavo.ini", "Pictavo", "vazio", ""},
        {"a key of another section is not found", "pictavo.ini", "Pictavo", "Nada", "padrão"},
        {"a missing section", "pictavo.ini", "Nenhuma", "NormPos", "padrão"},
        {"a missing file", "falta.ini", "Pictavo", "NormPos", "padrão"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::readProfileString(path(c.file), c.section, c.key, "padrão"), c.expected) << c.name;
}

TEST_F(ProfileFileTest, LinesEndedWithCarriageReturnsStayAsTheyWere)
{
    // Written elsewhere: every line ends in a carriage return and a line feed, and one value
    // ends in more carriage returns, which read as blanks.
    const std::string other = "; outro sistema\r\n[Outra]\r\nChave = m]\r\r\r\r\n";
    write(other + "[Pictavo]\r\nFlags=0\r\n");
    EXPECT_EQ(platform::readProfileString(path(), "Outra", "Chave", ""), "m]");
    EXPECT_EQ(platform::readProfileString(path(), "Pictavo", "Flags", ""), "0");
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(platform::writeProfileString(path(), "Pictavo", "Flags", std::to_string(round)));
        EXPECT_EQ(platform::readProfileString(path(), "Outra", "Chave", ""), "m]") << round;
    }
    EXPECT_EQ(content(), other + "[Pictavo]\r\nFlags=2\n");
    // A key added after a line so ended goes after it, not into it.
    ASSERT_TRUE(platform::writeProfileString(path(), "Outra", "Nova", "1"));
    EXPECT_EQ(content(), "; outro sistema\r\n[Outra]\r\nChave = m]\r\r\r\r\nNova=1\n[Pictavo]\r\nFlags=2\n");
}

TEST_F(ProfileFileTest, ValuesAreCutTo1023Bytes)
{
    const std::string longValue(3000, 'x');
    ASSERT_TRUE(platform::writeProfileString(path(), "Pictavo", "Longo", longValue));
    EXPECT_EQ(platform::readProfileString(path(), "Pictavo", "Longo", ""), std::string(1023, 'x'));
}

TEST_F(ProfileFileTest, WritesReplaceInPlaceAddAtTheSectionsEndAndLeaveTheRestAlone)
{
    write("[Pictavo]\n"
          "Flags=0\n"
          "ShowCmd=1\n"
          "\n"
          "[Outra]\n"
          "chave = valor com  espaços\n");
    ASSERT_TRUE(platform::writeProfileString(path(), "pictavo", "SHOWCMD", "3"));
    ASSERT_TRUE(platform::writeProfileString(path(), "Pictavo", "Visible", "0"));
    ASSERT_TRUE(platform::writeProfileString(path(), "Nova", "Um", "1"));
    ASSERT_TRUE(platform::writeProfileString(path(), "Pictavo", "Linhas", "a\nb\r\nc"));
    EXPECT_EQ(content(), "[Pictavo]\n"
                         "Flags=0\n"
                         "SHOWCMD=3\n"
                         "Visible=0\n"
                         "Linhas=a b  c\n"
                         "\n"
                         "[Outra]\n"
                         "chave = valor com  espaços\n"
                         "\n"
                         "[Nova]\n"
                         "Um=1\n");
    ASSERT_TRUE(platform::eraseProfileSection(path(), "PICTAVO"));
    EXPECT_EQ(content(), "[Outra]\n"
                         "chave = valor com  espaços\n"
                         "\n"
                         "[Nova]\n"
                         "Um=1\n");
    EXPECT_TRUE(platform::eraseProfileSection(path(), "Nenhuma"));
    EXPECT_TRUE(platform::eraseProfileSection(path("falta.ini"), "Nenhuma"));
}

TEST_F(ProfileFileTest, AFileThatCannotBeWrittenIsReportedAndLeftAsItWas)
{
    write("[Pictavo]\nFlags=0\n");
    // Its folder would have to be made inside a file.
    EXPECT_FALSE(platform::writeProfileString(path("pictavo.ini/dentro.ini"), "Pictavo", "Flags", "1"));
    EXPECT_EQ(content(), "[Pictavo]\nFlags=0\n");
    // A folder where the file should be: it can be read as missing, never written.
    ASSERT_TRUE(QDir(dir.path()).mkdir("pasta.ini"));
    EXPECT_FALSE(platform::writeProfileString(path("pasta.ini"), "Pictavo", "Flags", "1"));
}

TEST_F(ProfileFileTest, AWriteThatRunsOutOfRoomLeavesThePreviousFileWhole)
{
    const std::string before = "[Pictavo]\nFlags=0\nNormPos=216,145,808,623\n";
    write(before);
    // A child process whose files may not grow past 100 bytes stands for a full disk.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = platform::writeProfileString(path(), "Pictavo", "Grande", std::string(500, 'g'));
        _exit(written ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write was reported as done";
    EXPECT_EQ(content(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"pictavo.ini"}) << "no temporary file left";
}

TEST_F(ProfileFileTest, AProcessKilledWhileWritingLeavesAWholeFile)
{
    // The child rewrites the file without pause, alternating two versions of one big key; it is
    // killed at a moment nobody chose. What is left must be one version or the other, whole.
    const std::string first(20000, 'a');
    const std::string second(30000, 'b');
    ASSERT_TRUE(platform::writeProfileString(path(), "Pictavo", "Dados", first));
    for (int round = 0; round < 10; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                platform::writeProfileString(path(), "Pictavo", "Dados", i % 2 ? first : second);
        }
        usleep(useconds_t(2000 + round * 1700));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string value = platform::readProfileString(path(), "Pictavo", "Dados", "");
        const std::string text = content();
        EXPECT_TRUE(text == "[Pictavo]\nDados=" + first + "\n" ||
                    text == "[Pictavo]\nDados=" + second + "\n")
            << "round " << round << ": " << text.size() << " bytes";
    }
}

TEST(ProfilePath, BareNamesGoToTheUsersSettingsFolder)
{
    const std::string savedConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/config/here", 1);
    EXPECT_EQ(platform::profilePath("pictavo.ini"), "/config/here/pictavo/pictavo.ini");
    EXPECT_EQ(platform::profilePath("/etc/outro.ini"), "/etc/outro.ini");
    setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    setenv("HOME", "/home/ana", 1);
    EXPECT_EQ(platform::profilePath("pictavo.ini"), "/home/ana/.config/pictavo/pictavo.ini");
    setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
    setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
