// tests/test_ini.cpp: loading and saving the settings in a real INI file
#include "settings/ini.h"
#include "tests/support/testutil.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

class IniFile : public ::testing::Test {
protected:
    std::string Folder, Path;
    void SetUp() override
    {
        Folder = FreshFolder("ini");
        Path = Folder + "tovra.ini";
    }
    void Write(const std::string &text)
    {
        FILE *f = fopen(Path.c_str(), "wb");
        ASSERT_TRUE(f != NULL);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    FolderSettings Load()
    {
        FolderSettings s;
        memset(&s, 0x5A, sizeof s);
        EXPECT_EQ(LoadSettings(s, Path.c_str()), 0);
        return s;
    }
    std::string Key(const char *key)
    {
        char value[512];
        GetPrivateProfileStringA("Folder", key, "<none>", value, sizeof value, Path.c_str());
        return value;
    }
};

TEST_F(IniFile, MissingFileGivesEveryDefaultWithTheBackslash)
{
    FolderSettings s = Load();
    FolderSettings expected;
    ResetSettings(expected);
    strcpy(expected.TargetFolder, "C:\\record\\");
    EXPECT_EQ(memcmp(&s, &expected, sizeof s), 0);
}

TEST_F(IniFile, MissingKeysTakeTheirDefaults)
{
    Write("[Folder]\r\nInterval=5\r\n");
    FolderSettings s = Load();
    EXPECT_EQ(s.Interval, 5);
    EXPECT_EQ(s.Stop, 1);
    EXPECT_EQ(s.FreeSpaceSize, 10000);
    EXPECT_EQ(s.LogRotateSize, 100000);
    EXPECT_STREQ(s.TargetExt, "mpeg,m2p,mpg,m2v,m1v,m1p,mpa,mp2,wav");
}

TEST_F(IniFile, TargetFolderGainsOneTrailingBackslash)
{
    const struct { const char *Stored, *Loaded; } cases[] = {
        {"D:\\video", "D:\\video\\"},
        {"D:\\video\\", "D:\\video\\"},
        {"", "\\"},
        {"T:\\表示", "T:\\表示\\"},
    };
    for (const auto &c : cases) {
        Write(std::string("[Folder]\r\nTargetFolder=") + c.Stored + "\r\n");
        EXPECT_STREQ(Load().TargetFolder, c.Loaded) << c.Stored;
    }
}

TEST_F(IniFile, SaveWritesEveryKeyAndDropsSpacesAfterwards)
{
    FolderSettings s;
    ResetSettings(s);
    s.Stop = 0;
    s.Interval = 7;
    s.LogRotateSize = -1;
    strcpy(s.TargetFolder, "T:\\rec\\");
    strcpy(s.TargetExt, "mpeg, mpg");
    ASSERT_EQ(SaveSettings(s, Path.c_str()), 0);
    EXPECT_STREQ(s.TargetExt, "mpeg,mpg");
    EXPECT_EQ(Key("TargetExt"), "mpeg, mpg");
    EXPECT_EQ(Key("Stop"), "0");
    EXPECT_EQ(Key("Interval"), "7");
    EXPECT_EQ(Key("LogRotateSize"), "-1");
    EXPECT_EQ(Key("TargetFolder"), "T:\\rec\\");
    const char *keys[] = {"FindSubFolder", "DelSubFolder", "FreeSpaceSize", "ToTrashCan", "DelReadOnly", "DelHidden"};
    for (const char *key : keys)
        EXPECT_NE(Key(key), "<none>") << key;

    FolderSettings back = Load();
    EXPECT_EQ(back.LogRotateSize, -1);
    EXPECT_STREQ(back.TargetExt, "mpeg, mpg");
}

TEST_F(IniFile, UnwritableFileFailsAtTheFirstKey)
{
    // Root ignores the read-only bit under Wine, so the file is made unwritable by
    // standing where a folder is.
    ASSERT_TRUE(MakeFolder(Path));
    FolderSettings s;
    ResetSettings(s);
    strcpy(s.TargetExt, "a, b");
    EXPECT_EQ(SaveSettings(s, Path.c_str()), -1);
    EXPECT_STREQ(s.TargetExt, "a, b");
    EXPECT_EQ(Key("Stop"), "<none>");
}

TEST_F(IniFile, GarbageNeverOverflowsAField)
{
    std::string longText(400, 'x');
    const std::string files[] = {
        "[Folder]\r\nStop=abc\r\nInterval=-5\r\nFreeSpaceSize=99999999999999\r\nTargetFolder=" + longText +
            "\r\nTargetExt=" + longText + "\r\n",
        "[Folder]\r\nTargetFolder=" + std::string(259, 'y') + "\r\n",
        std::string("\x00\xff\xfe[Folder\x01\r\n=\r\n\x80\x80", 16),
    };
    for (const std::string &text : files) {
        Write(text);
        FolderSettings s = Load();
        EXPECT_LT(strlen(s.TargetFolder), sizeof s.TargetFolder);
        EXPECT_LT(strlen(s.TargetExt), sizeof s.TargetExt);
    }
    Write("[Folder]\r\nTargetFolder=" + std::string(259, 'y') + "\r\n");
    EXPECT_EQ(std::string(Load().TargetFolder), std::string(259, 'y'));
    Write("[Folder]\r\nInterval=-5\r\nStop=abc\r\n");
    FolderSettings s = Load();
    EXPECT_EQ(s.Interval, -5);
    EXPECT_EQ(s.Stop, 0);
}
