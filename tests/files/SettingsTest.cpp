#include "tests/common/TempDir.h"

#include "files/IniFile.h"
#include "files/SettingsManager.h"
#include "model/Errors.h"
#include "model/Text.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace lay;

namespace {

// Settings files are Windows-1251 with CR LF; tests write them in UTF-8 with \n.
void WriteIni(const std::string& file, const std::string& utf8) {
    std::string text;
    for (char c : utf8)
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteBytes(file, Utf8ToCp1251(text));
}

std::string ReadIni(const std::string& file) {
    std::string text;
    for (char c : Cp1251ToUtf8(ReadBytes(file)))
        if (c != '\r')
            text += c;
    return text;
}

} // namespace

TEST(IniFile, ReadsTheWayThePlatformDoes) {
    TIniFile ini;
    ini.LoadFromText(
        "; comment\n[Main]\n  Name = value with spaces  \nnumber=0x1F\nbad=12a\n"
        "dollar=$10\nneg=-5\nflag=2\noff=0\n[main]\nName=second section\n[Другое]\nКлюч=Значение\n");
    EXPECT_TRUE(ini.SectionExists("MAIN"));
    EXPECT_FALSE(ini.SectionExists("comment"));
    EXPECT_EQ(ini.ReadString("main", "NAME", "-"), "value with spaces");
    EXPECT_EQ(ini.ReadString("main", "absent", "-"), "-");
    EXPECT_EQ(ini.ReadInteger("Main", "number", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Main", "bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("Main", "dollar", 0), 16);
    EXPECT_EQ(ini.ReadInteger("Main", "neg", 0), -5);
    EXPECT_TRUE(ini.ReadBool("Main", "flag", false));
    EXPECT_FALSE(ini.ReadBool("Main", "off", true));
    EXPECT_TRUE(ini.ReadBool("Main", "bad", true));
    EXPECT_EQ(ini.ReadString("другое", "КЛЮЧ", "-"), "Значение");
    EXPECT_EQ(ini.ReadSection("Main"),
              (std::vector<std::string>{"Name", "number", "bad", "dollar", "neg", "flag", "off"}));

    // Writing changes values in place, adds new keys at the end of their section, and keeps
    // everything else, comments included.
    ini.WriteString("MAIN", "name", "new");
    ini.WriteInteger("Main", "added", 3);
    ini.WriteBool("New", "b", true);
    EXPECT_EQ(ini.SaveToText(), "; comment\r\n[Main]\r\nName=new\r\nnumber=0x1F\r\nbad=12a\r\ndollar=$10\r\n"
                                "neg=-5\r\nflag=2\r\noff=0\r\nadded=3\r\n[main]\r\nName=second section\r\n"
                                "[Другое]\r\nКлюч=Значение\r\n[New]\r\nb=1\r\n");
    // A file name may hold a line break on some systems; it must not become a key of its own.
    EXPECT_THROW(ini.WriteString("MRU", "File0", "a\n[SETTINGS]\nKeyboardID=9"), Exception);
    EXPECT_FALSE(ini.SectionExists("MRU"));
}

TEST(Settings, DefaultsWithoutAFile) {
    TTempDir dir;
    TSettingsManager s(dir / "none.ini");
    EXPECT_EQ(s.DockPanelHeight, 0);
    EXPECT_FALSE(s.MessageFormDocked);
    EXPECT_EQ(s.DeviceName, "PS/2 клавиатура");
    EXPECT_EQ(s.KeyboardID, 1);
    EXPECT_FALSE(s.SaveBeforeUpload);
    EXPECT_TRUE(s.CheckUpdateOnLoad);
    EXPECT_TRUE(s.FirstRun);
    EXPECT_EQ(s.ViewMode, 0);
    EXPECT_EQ(s.Font.Name, "MS Sans Serif");
    EXPECT_EQ(s.Font.Size, 8);
    EXPECT_EQ(s.Font.Height, -11);
    EXPECT_EQ(s.Font.Charset, 204);
    EXPECT_EQ(s.Font.Color, 0);
    EXPECT_EQ(s.Font.Style, 0);
    EXPECT_EQ(s.Font.PixelsPerInch, 96);
    EXPECT_TRUE(s.MRU.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "none.ini")); // reading creates nothing
}

TEST(Settings, ValuesFromTheFile) {
    TTempDir dir;
    WriteIni(dir / "s.ini", "[SETTINGS]\nDockPanelHeight=120\nMessageFormDocked=1\nDeviceName=Симулятор\n"
                            "KeyboardID=x12\nFirstRun=0\nViewMode=2\nFontPixelsPerInch=120\nFontHeight=-30\n"
                            "FontSize=10\nFontStyle=3\nFontName=DejaVu Sans\n");
    TSettingsManager s(dir / "s.ini");
    EXPECT_EQ(s.DockPanelHeight, 120);
    EXPECT_TRUE(s.MessageFormDocked);
    EXPECT_EQ(s.DeviceName, "Симулятор");
    EXPECT_EQ(s.KeyboardID, 1); // not a number: the default
    EXPECT_FALSE(s.FirstRun);
    EXPECT_EQ(s.ViewMode, 2);
    // The size is set after the height and decides: 10 points at 120 pixels per inch.
    EXPECT_EQ(s.Font.Size, 10);
    EXPECT_EQ(s.Font.Height, -17);
    EXPECT_EQ(s.Font.Style, 3);
    EXPECT_EQ(s.Font.Name, "DejaVu Sans");
}

TEST(Settings, RecentFilesAreReadInPairs) {
    const std::pair<std::string, std::vector<TMRUEntry>> cases[] = {
        {"[MRU]\nFile0=a.xml\nFilter0=1\nFile1=b.bin\nFilter1=2\n", {{"a.xml", 1}, {"b.bin", 2}}},
        // Whatever the names, the first of each pair is the file, the second its format.
        {"[MRU]\nFilter0=3\nFile0=c.xml\nX=d.xml\nY=4\n", {{"3", 0}, {"d.xml", 4}}},
        {"[MRU]\nFile0=a.xml\nFilter0=bad\nFile1=odd.xml\n", {{"a.xml", 0}}},
        {"[SETTINGS]\nKeyboardID=2\n", {}},
        {"[MRU]\n", {}},
    };
    for (const auto& [text, expected] : cases) {
        TTempDir dir;
        WriteIni(dir / "s.ini", text);
        EXPECT_EQ(TSettingsManager(dir / "s.ini").MRU, expected) << text;
    }
}

TEST(Settings, SaveWritesEveryKeyInOrder) {
    TTempDir dir;
    TSettingsManager s(dir / "s.ini");
    s.DeviceName = "Порт «2»";
    s.FirstRun = false;
    s.Font.SetSize(12);
    s.MRU = {{"C:\\Раскладки\\a.xml", 0}, {"b.bin", 1}};
    s.Save();
    EXPECT_EQ(ReadIni(dir / "s.ini"), "[SETTINGS]\nDockPanelHeight=0\nMessageFormDocked=0\n"
                                      "DeviceName=Порт «2»\nKeyboardID=1\nSaveBeforeUpload=0\n"
                                      "CheckUpdateOnLoad=1\nFirstRun=0\nViewMode=0\nFontPixelsPerInch=96\n"
                                      "FontCharset=204\nFontColor=0\nFontHeight=-16\nFontName=MS Sans Serif\n"
                                      "FontSize=12\nFontStyle=0\n[MRU]\nFile0=C:\\Раскладки\\a.xml\n"
                                      "Filter0=0\nFile1=b.bin\nFilter1=1\n");
    TSettingsManager again(dir / "s.ini");
    EXPECT_EQ(again.MRU, s.MRU);
    EXPECT_EQ(again.DeviceName, s.DeviceName);
    EXPECT_EQ(again.Font.Height, -16);
}

// Keys of a longer earlier list stay in the file, and come back at the next start.
TEST(Settings, AShorterListLeavesTheStaleKeys) {
    TTempDir dir;
    WriteIni(dir / "s.ini", "; kept\n[MRU]\nFile0=a\nFilter0=0\nFile1=b\nFilter1=1\nFile2=c\nFilter2=2\n"
                            "File3=d\nFilter3=3\n[Other]\nx=1\n");
    TSettingsManager s(dir / "s.ini");
    ASSERT_EQ(s.MRU.size(), 4u);
    s.MRU = {{"new", 5}, {"a", 0}};
    s.Save();
    const std::string text = ReadIni(dir / "s.ini");
    EXPECT_NE(text.find("; kept\n"), std::string::npos);
    EXPECT_NE(
        text.find(
            "[MRU]\nFile0=new\nFilter0=5\nFile1=a\nFilter1=0\nFile2=c\nFilter2=2\nFile3=d\nFilter3=3\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("[Other]\nx=1\n"), std::string::npos);
    EXPECT_EQ(TSettingsManager(dir / "s.ini").MRU,
              (std::vector<TMRUEntry>{{"new", 5}, {"a", 0}, {"c", 2}, {"d", 3}}));
}

TEST(Settings, AFailedSaveSaysSoAndKeepsTheOldFile) {
    TTempDir dir;
    WriteIni(dir / "s.ini", "[SETTINGS]\nKeyboardID=3\n");
    TSettingsManager s(dir / "s.ini");
    s.MRU = {{"файл 茶.xml", 0}};
    try {
        s.Save();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("«茶»"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(dir / "s.ini"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadIni(dir / "s.ini"), "[SETTINGS]\nKeyboardID=3\n");

    // A folder that cannot be made: under a plain file.
    WriteBytes(dir / "plain", "x");
    TSettingsManager nowhere(dir / "plain/sub/s.ini");
    try {
        nowhere.Save();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("plain/sub/s.ini"), std::string::npos) << e.what();
    }
}

TEST(Settings, FileBesideTheProgramOrInTheUsersConfiguration) {
    TTempDir dir;
    EXPECT_EQ(TSettingsManager::FileNameFor(dir / "layomatic"), dir / "layomatic.ini");
    EXPECT_EQ(TSettingsManager::FileNameFor(dir / "layomatic.exe"), dir / "layomatic.ini");

    // A program folder that cannot be written (here: one that does not exist).
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    const std::string file = TSettingsManager::FileNameFor(dir / "missing/bin/layomatic");
    EXPECT_EQ(file, dir / "config/layomatic/layomatic.ini");
    TSettingsManager s(file);
    s.KeyboardID = 4;
    s.Save(); // makes the folder
    EXPECT_EQ(TSettingsManager(file).KeyboardID, 4);
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
