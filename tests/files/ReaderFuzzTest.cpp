// Damaged and random input through every reader of files, text forms and device answers: whatever
// the bytes, a reader either reads them or refuses them with one of the program's own messages
// about the input. Another kind of exception, a fault of the program (EProgramFault), a crash, a
// sanitizer report or a call that does not come back are all faults. The seed is fixed, so a
// failure repeats; READER_FUZZ_SCALE (a factor on the number of cases) and READER_FUZZ_SEED widen
// the search by hand.
#include "tests/common/TempDir.h"

#include "device/KeyboardDriver.h"
#include "device/KeyboardSimulator.h"
#include "driver/sim/Firmware.h"
#include "files/CodeSetFile.h"
#include "files/ECXMLParser.h"
#include "files/EMFCanvas.h"
#include "files/FileUtils.h"
#include "files/FormatRegistry.h"
#include "files/IniFile.h"
#include "files/Keyboards.h"
#include "files/SettingsManager.h"
#include "files/XMLKeyboard.h"
#include "files/XMLTokenizer.h"
#include "model/Canvas.h"
#include "model/CodeSet.h"
#include "model/Errors.h"
#include "model/KeyPicture.h"
#include "model/Notes.h"
#include "model/ScanCodes.h"
#include "model/Text.h"
#include "model/Utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <typeinfo>

using namespace lay;
using namespace std::string_literals;

namespace {

// The cases a reader goes through: its own number, times READER_FUZZ_SCALE when set.
int CasesPerReader(int usual) {
    if (const char* text = std::getenv("READER_FUZZ_SCALE"))
        if (const int scale = std::atoi(text); scale > 0)
            return usual * scale;
    return usual;
}

std::uint32_t Seed(std::uint32_t fallback) {
    if (const char* text = std::getenv("READER_FUZZ_SEED"))
        return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 0));
    return fallback;
}

TBytes Bytes(std::string_view text) {
    return TBytes(text.begin(), text.end());
}

std::string Text(const TBytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The input of a failing case in a form that can be pasted back into a test.
std::string Printable(std::string_view input) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < input.size() && out.size() < 400; ++i) {
        const auto c = static_cast<unsigned char>(input[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        }
    }
    if (out.size() >= 400)
        out += "…";
    return out + " (" + std::to_string(input.size()) + " bytes)";
}

// For readers that refuse nothing: every exception is a fault.
struct TNoRefusal {};

// The two outcomes a reader may have, counted, and everything else reported as a fault.
class TOutcomes {
public:
    explicit TOutcomes(std::string reader) : FReader(std::move(reader)) {}

    int Read = 0;
    int Refused = 0;

    // Runs one call on one input; true when it read. TRefusal is the error the reader refuses
    // malformed input with.
    template <class TRefusal = Exception, class TCall>
    bool Run(int index, std::string_view input, TCall&& call) {
        const auto start = std::chrono::steady_clock::now();
        bool read = false;
        try {
            call();
            read = true;
            ++Read;
        } catch (const EProgramFault& e) {
            Fault(index, input, std::string("a fault of the program: ") + e.what());
        } catch (const TRefusal&) {
            ++Refused;
        } catch (const std::exception& e) {
            Fault(index, input, std::string(typeid(e).name()) + ": " + e.what());
        } catch (...) {
            Fault(index, input, "something that is no exception class");
        }
        // Far beyond what any of these inputs needs: a reader that takes this long is stuck
        // somewhere, or its work grows out of all proportion to the input.
        const auto spent = std::chrono::steady_clock::now() - start;
        if (spent > std::chrono::seconds(5))
            Fault(index, input,
                  "took " + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(spent).count()) +
                      " s");
        return read;
    }

    void Fault(int index, std::string_view input, const std::string& what) {
        // The first few are enough to go on; a flood would hide them.
        if (++FFaults <= 5)
            ADD_FAILURE() << FReader << ", case " << index << ": " << what
                          << "\n  input: " << Printable(input);
    }

    // Both outcomes must be common, or the mutations have stopped reaching the reader's inside.
    void ExpectBoth(int cases) const {
        EXPECT_GT(Read, cases / 50) << FReader << ": hardly anything read";
        EXPECT_GT(Refused, cases / 50) << FReader << ": hardly anything refused";
    }

private:
    std::string FReader;
    int FFaults = 0;
};

// Values a number in a file would go wrong with.
// clang-format off
const std::vector<std::string> kNumbers = {
    "0", "-1", "1", "255", "256", "65535", "65536", "2147483647", "-2147483648", "2147483648", "4294967295",
    "4294967296", "99999999999999999999", "FFFFFFFF", "7FFFFFFF", "80000000", "-0", "+", "-", "", " 1", "0x10",
    "$7FFFFFFF"};
// Words a length, an offset or a signature in binary data would go wrong with.
const std::vector<std::string> kBinaryWords = {
    "\0\0\0\0"s, "\xFF\xFF\xFF\xFF", "\xFF\xFF\xFF\x7F", "\0\0\0\x80"s, "\xFF\xFF", "\0\0"s, "\x01\0"s,
    "\x28\0\0\0"s, "\x0C\0\0\0"s, "BM", "\0\0\x01\0"s, "\xFF\xD8", "\xFF\xC0", "\xFF\xD9", "\x89PNG",
    " EMF", "\xD7\xCD\xC6\x9A", "ZVPG", "ZVKS", "TPF0", "\x0CPicture.Data", "\x07TBitmap"};
// clang-format on

class TMutator {
public:
    explicit TMutator(std::uint32_t seed) : FRandom(seed) {}

    int Below(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Below(static_cast<int>(n))); }
    char Byte() { return static_cast<char>(Below(256)); }
    template <class T> const T& Pick(const std::vector<T>& from) { return from[Below(from.size())]; }

    std::string Random(int maxLength) {
        std::string s(Below(static_cast<std::size_t>(maxLength) + 1), '\0');
        for (char& c : s)
            c = Byte();
        return s;
    }

    // Tokens of the dictionary and odd bytes, run together or apart.
    std::string Soup(const std::vector<std::string>& dictionary, int maxTokens,
                     const std::vector<std::string>& separators = {" ", " ", "  ", "", ";", "\t", "\r\n"}) {
        std::string s;
        for (int n = Below(maxTokens + 1); n > 0; --n) {
            switch (Below(6)) {
            case 0:
                s += Pick(kNumbers);
                break;
            case 1:
                s += Random(4);
                break;
            default:
                s += Pick(dictionary);
                break;
            }
            s += Pick(separators);
        }
        return s;
    }

    std::string Mutate(std::string s, const std::vector<std::string>& dictionary, int rounds = 3) {
        for (int n = 1 + Below(rounds); n > 0; --n)
            MutateOnce(s, dictionary);
        return s;
    }

private:
    std::size_t At(const std::string& s) { return Below(s.size() + 1); }

    std::size_t SpanLength(const std::string& s, std::size_t at) {
        const std::size_t room = s.size() - at;
        return Below(std::min<std::size_t>(room, Below(2) == 0 ? 8 : 256) + 1);
    }

    static bool IsDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

    // The number nearest after a random place, or a new one there, becomes one of the awkward ones.
    void ReplaceNumber(std::string& s) {
        std::size_t from = At(s);
        while (from < s.size() && !IsDigit(s[from]))
            ++from;
        std::size_t to = from;
        while (to < s.size() && IsDigit(s[to]))
            ++to;
        s.replace(from, to - from, Pick(kNumbers));
    }

    void MutateOnce(std::string& s, const std::vector<std::string>& dictionary) {
        const std::size_t at = At(s);
        switch (Below(11)) {
        case 0: // a byte changed
            if (at < s.size())
                s[at] = Byte();
            break;
        case 1: // a bit flipped
            if (at < s.size())
                s[at] = static_cast<char>(s[at] ^ (1 << Below(8)));
            break;
        case 2: // cut short
            s.resize(at);
            break;
        case 3: // a span gone
            s.erase(at, SpanLength(s, at));
            break;
        case 4: { // a span twice
            const std::string span = s.substr(at, SpanLength(s, at));
            s.insert(At(s), span);
            break;
        }
        case 5: // a span of noise
            s.replace(at, SpanLength(s, at), Random(16));
            break;
        case 6:
            ReplaceNumber(s);
            break;
        case 7: { // a run of one token: nesting, a long list, a long value
            const std::string& token = Pick(dictionary);
            const int count = Below(2) == 0 ? 1 + Below(20) : 1 + Below(600);
            std::string run;
            for (int i = 0; i < count; ++i)
                run += token;
            s.insert(at, run);
            break;
        }
        default:
            s.insert(at, Pick(dictionary));
            break;
        }
    }

    std::mt19937 FRandom;
};

// The files of a folder, in a fixed order.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(ToPath(folder)))
        if (entry.is_regular_file())
            files.push_back(FromPath(entry.path()));
    std::sort(files.begin(), files.end());
    return files;
}

// Every beginning of the text shorter than the whole: the input cut short at every length.
std::vector<std::string> Prefixes(const std::string& whole) {
    std::vector<std::string> prefixes;
    for (std::size_t length = 0; length < whole.size(); ++length)
        prefixes.push_back(whole.substr(0, length));
    return prefixes;
}

std::vector<std::string> ReadAll(const std::vector<std::string>& files) {
    std::vector<std::string> contents;
    for (const std::string& file : files)
        contents.push_back(ReadFileBytes(file));
    return contents;
}

const std::string kLayouts = std::string(LAYOMATIC_TEST_DATA) + "/layouts";
const std::string kCatalogue = std::string(LAYOMATIC_DATA) + "/Клавиатуры";
const std::string kCodeFile = std::string(LAYOMATIC_DATA) + "/Клавиши/Клавиши.xml";

// In Windows-1251, as the files hold them.
std::vector<std::string> Cp1251(const std::vector<std::string>& utf8) {
    std::vector<std::string> out;
    for (const std::string& s : utf8)
        out.push_back(Utf8ToCp1251(s));
    return out;
}

// Markup of every kind, the element and attribute names of the program's files, and the
// beginnings of picture streams, in Windows-1251 as the files hold them.
// clang-format off
const std::vector<std::string>& XMLTokens() {
    static const std::vector<std::string> tokens = Cp1251({
        "<", ">", "/>", "</", "<!--", "-->", "<?xml ", "?>", "\"", "=", " ", "&amp;", "&lt;", "&gt;", "&quot;",
        "&#13;", "&#10;", "&", "<br/>", "\r\n", "\n\r", "\0"s, "<a>", "</a>", "<a/>", "<a b=\"",
        "<?xml-stylesheet type=\"text/xsl\" href=\"", "<Раскладка Vesion=\"020A\">", "</Раскладка>",
        "<Параметры KeyboardID=\"", "<Слои>", "<Слой>", "</Слой>", "<Клавиши>", "<Клавиша Колонка=\"", " Ряд=\"",
        "<КодыНажатия СканКоды=\"+A -A\"/>", "<Ноты>", "<Нота Нота=\"", "<Picture ", "<Data>", "</Data>",
        "<Группы>", "<Группа Left=\"", "<MSR>", "<Трек1 Включен=\"1\">", "<KeyLock>", "<Позиция ТипПоложения=\"",
        "<Group Name=\"", "</Group>", "<Param Name=\"a\" Value=\"", "<Key Left=\"", " Top=\"", "Layers=\"",
        "Width=\"", "Height=\"", "KeyPos=\"", "MaxKeysNum=\"", "Scancode=\"", "Makecode=\"", "Breakcode=\"",
        "545046300B544B6579506963747572650000", "0C506963747572652E446174610A", "FFFFFFFF", "07544269746D6170"});
    return tokens;
}
// clang-format on

// A well-formed key picture stream around a graphic of the given class and bytes.
std::string PictureStream(const std::string& className, const TBytes& data) {
    TKeyPicture picture;
    if (!className.empty())
        picture.SetPicture(TPicture{TGraphic{className, data, false}});
    return picture.PictureData();
}

// Image files of every class a picture may hold, small but whole.
TBytes BitmapFile() {
    return {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0,   24,
            0,   0,   0,  0, 0, 4, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0};
}

TBytes IconFile() {
    // One 1 × 1 image of 32 bits: the directory, the header, one pixel, one row of mask.
    TBytes f = {0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0, 32, 0, 48, 0, 0, 0, 22, 0, 0, 0};
    const TBytes header = {40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0,
                           0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0};
    f.insert(f.end(), header.begin(), header.end());
    f.insert(f.end(), {1, 2, 3, 4, 0, 0, 0, 0});
    return f;
}

TBytes MetafileFile() {
    TBytes f = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 100, 0, 50, 0, 0xA0, 0x05, 0, 0, 0, 0, 0, 0};
    f.insert(f.end(), {1, 0, 9, 0, 0, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    return f;
}

TBytes EnhancedMetafileFile() {
    TBytes f(88, 0);
    f[0] = 1;
    f[4] = 88;
    f[32] = 100;
    f[36] = 50;
    f[40] = ' ';
    f[41] = 'E';
    f[42] = 'M';
    f[43] = 'F';
    return f;
}

TBytes JpegFile() {
    return {0xFF, 0xD8, 0xFF, 0xE0, 0,  4, 'J', 'F',  0xFF, 0xC0, 0,   11,
            8,    0,    16,   0,    32, 1, 1,   0x11, 0,    0xFF, 0xD9};
}

std::vector<std::string> ImageFiles() {
    return {Text(BitmapFile()), Text(IconFile()), Text(MetafileFile()), Text(EnhancedMetafileFile()),
            Text(JpegFile())};
}

// Installs a code table for the scope, and the built-in one again afterwards.
class TCodeTableScope {
public:
    explicit TCodeTableScope(const TCodeTable& table) { SetCodeTable(&table); }
    ~TCodeTableScope() { SetCodeTable(nullptr); }
    TCodeTableScope(const TCodeTableScope&) = delete;
    TCodeTableScope& operator=(const TCodeTableScope&) = delete;
};

// Tokens of the sequence text: the table's names pressed and released, hexadecimal bytes, noise.
std::vector<std::string> SequenceTokens(const TCodeTable& table) {
    std::vector<std::string> tokens = {"+",        "-",         "++A", "--A",  "+-", "E0",
                                       "F0",       "e0",        "1C",  "0",    "FF", "100",
                                       "FFFFFFFF", "100000000", "G",   "0x1C", "+Ж", "-\xFF"};
    for (int i = 0; i < table.Count(); ++i) {
        tokens.push_back("+" + table.Items(i).Name);
        tokens.push_back("-" + table.Items(i).Name);
    }
    return tokens;
}

} // namespace

// --- the XML engine --------------------------------------------------------------------------------

TEST(ReaderFuzz, XMLDocumentsAreReadOrRefused) {
    std::vector<std::string> files = FilesIn(kLayouts);
    for (const std::string& folder :
         {kCatalogue, std::string(LAYOMATIC_TEST_DATA) + "/xml", std::string(LAYOMATIC_TEST_DATA) + "/codes"})
        for (const std::string& file : FilesIn(folder))
            files.push_back(file);
    files.push_back(kCodeFile);
    const std::vector<std::string> seeds = ReadAll(files);

    TMutator mutator(Seed(0x5EED0001));
    const int cases = CasesPerReader(500);
    TOutcomes outcomes("the XML parser");
    TOutcomes written("the XML parser on its own output");
    TOutcomes tokens("the XML tokenizer");
    TECXMLParser parser;
    auto check = [&](int i, const std::string& input) {
        if (outcomes.Run(i, input, [&] { parser.LoadFromString(input); })) {
            // Whatever was read is written and read again, or refused in words: names and the
            // style sheet taken from a damaged file go out as they came in.
            std::string again;
            if (written.Run(i, input, [&] { again = parser.SaveToString(); }))
                written.Run(i, again, [&] {
                    TECXMLParser other;
                    other.LoadFromString(again);
                });
        }
        // Every token takes at least one character, or the tokenizer would never reach the end.
        tokens.Run(i, input, [&] {
            const std::string text = Cp1251ToUtf8(input);
            TXMLTokenizer tokenizer(text);
            std::size_t count = 0;
            for (; tokenizer.Kind() != TXMLTokenKind::End && count <= text.size(); tokenizer.Next())
                ++count;
            if (count > text.size())
                throw std::logic_error("more tokens than characters");
        });
    };
    for (int i = 0; i < cases; ++i)
        check(i,
              i % 10 == 0 ? mutator.Soup(XMLTokens(), 60) : mutator.Mutate(mutator.Pick(seeds), XMLTokens()));
    // A short file cut at every length: each is an unterminated construct of some kind.
    const std::string& shortest = *std::min_element(
        seeds.begin(), seeds.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
    int index = cases;
    for (const std::string& prefix : Prefixes(shortest))
        check(index++, prefix);

    RecordProperty("read", outcomes.Read);
    RecordProperty("refused", outcomes.Refused);
    RecordProperty("written and read again", written.Read);
    RecordProperty("written and refused", written.Refused);
    outcomes.ExpectBoth(cases);
}

TEST(ReaderFuzz, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    const int deep = 100000;
    auto nested = [](int depth, bool closed) {
        std::string s;
        for (int i = 0; i < depth; ++i)
            s += "<a>";
        if (closed)
            for (int i = 0; i < depth; ++i)
                s += "</a>";
        return s;
    };
    std::string emptyInside;
    for (int i = 0; i < deep; ++i)
        emptyInside += "<a x=\"1\">";
    emptyInside += "<b/>";
    for (int i = 0; i < deep; ++i)
        emptyInside += "</a>";

    TECXMLParser parser;
    for (const std::string& input : {nested(deep, true), nested(deep, false), emptyInside})
        EXPECT_THROW(parser.LoadFromString(input), EParserError) << Printable(input.substr(0, 40));
    // A refused document leaves nothing behind that a later load or the destructor would
    // have to walk.
    parser.LoadFromString("<r><a/></r>");
    EXPECT_EQ(parser.Root().Count(), 1);

    // Up to the limit a document reads and writes as any other.
    parser.LoadFromString(nested(MaxXMLDepth, true));
    const TXMLItem* item = &parser.Root();
    int depth = 1;
    for (; item->Count() > 0; item = &item->Items(0))
        ++depth;
    EXPECT_EQ(depth, MaxXMLDepth);
    TECXMLParser again;
    again.LoadFromString(parser.SaveToString());
    EXPECT_EQ(again.SaveToString(), parser.SaveToString());
    std::string leafBelowLimit = nested(MaxXMLDepth - 1, false) + "<b/>";
    for (int i = 1; i < MaxXMLDepth; ++i)
        leafBelowLimit += "</a>";
    EXPECT_NO_THROW(parser.LoadFromString(leafBelowLimit));
    // One more level, an element or an empty-element tag, is refused.
    EXPECT_THROW(parser.LoadFromString(nested(MaxXMLDepth + 1, true)), EParserError);
    std::string leafBeyond = nested(MaxXMLDepth, false) + "<b/>";
    for (int i = 0; i < MaxXMLDepth; ++i)
        leafBeyond += "</a>";
    EXPECT_THROW(parser.LoadFromString(leafBeyond), EParserError);
}

// --- settings ----------------------------------------------------------------------------------------

TEST(ReaderFuzz, SettingsFilesAreReadOrRefused) {
    TTempDir dir;
    const std::string file = dir / "settings.ini";
    std::string seed;
    {
        TSettingsManager settings(file);
        settings.DeviceName = "USB клавиатура";
        settings.Font.SetSize(12);
        settings.MRU = {{"/home/a/раскладка.xml", 0}, {"/b.bin", 1}, {"c.xml", 0}};
        settings.Save();
        seed = ReadFileBytes(file);
    }
    // clang-format off
    std::vector<std::string> dictionary = Cp1251({
        "[", "]", "=", ";", "\r", "\n", "\r\n", "[SETTINGS]", "[MRU]", "[settings]", "FontHeight=",
        "FontPixelsPerInch=", "FontSize=", "FontCharset=", "FontStyle=", "KeyboardID=", "DeviceName=", "File0=",
        "Filter0=", " ", "\t", "0x", "$", "-", "+", "Ж", "\0"s});
    // clang-format on
    dictionary.push_back("\x98"); // no character in Windows-1251

    TMutator mutator(Seed(0x5EED0002));
    const int cases = CasesPerReader(600);
    TOutcomes ini("the INI reader");
    auto check = [&](int i, const std::string& input) {
        ini.Run(i, input, [&] {
            TIniFile first;
            first.LoadFromText(Cp1251ToUtf8(input));
            for (const char* section : {"SETTINGS", "MRU"}) {
                const std::vector<std::string> keys = first.ReadSection(section);
                for (std::size_t k = 0; k < keys.size() && k < 32; ++k) {
                    first.ReadString(section, keys[k], "");
                    first.ReadBool(section, keys[k], false);
                }
            }
            // Nothing is lost between two readings: the file written back reads as it was.
            const std::string once = first.SaveToText();
            TIniFile second;
            second.LoadFromText(once);
            EXPECT_EQ(second.SaveToText(), once) << "case " << i << ": " << Printable(input);
        });
    };
    for (int i = 0; i < cases; ++i)
        check(i, i % 10 == 0 ? mutator.Soup(dictionary, 40) : mutator.Mutate(seed, dictionary));
    int index = cases;
    for (const std::string& prefix : Prefixes(seed))
        check(index++, prefix);
    RecordProperty("read", ini.Read);
    EXPECT_EQ(ini.Read, index) << "the INI reader takes any text";

    // The settings read from a damaged file are written back and read again unchanged.
    TOutcomes manager("the settings");
    const int fileCases = CasesPerReader(40);
    for (int i = 0; i < fileCases; ++i) {
        const std::string input = mutator.Mutate(seed, dictionary, 5);
        WriteBytes(file, input);
        manager.Run(i, input, [&] {
            TSettingsManager first(file);
            first.Save();
            const TSettingsManager second(file);
            EXPECT_EQ(second.DockPanelHeight, first.DockPanelHeight);
            EXPECT_EQ(second.MessageFormDocked, first.MessageFormDocked);
            EXPECT_EQ(second.DeviceName, first.DeviceName);
            EXPECT_EQ(second.KeyboardID, first.KeyboardID);
            EXPECT_EQ(second.ViewMode, first.ViewMode);
            EXPECT_EQ(second.Font.PixelsPerInch, first.Font.PixelsPerInch);
            EXPECT_EQ(second.Font.Height, first.Font.Height);
            EXPECT_EQ(second.Font.Size, first.Font.Size);
            EXPECT_EQ(second.Font.Name, first.Font.Name);
        });
    }
    EXPECT_GT(manager.Read, fileCases / 2);
}

TEST(ReaderFuzz, NumbersAtTheEndsOfTheIntRangeAreReadOrRefusedInWords) {
    // A point is 72 pixels at one pixel per inch: the extreme heights would not fit once
    // converted, and the platform's conversion gives -1 then. At 72 pixels per inch the lowest
    // int converts to itself, which has no negative.
    TTempDir dir;
    const std::string file = dir / "settings.ini";
    struct TCase {
        int PixelsPerInch;
        int Height;
        int Size;
    };
    for (const TCase& c : {TCase{1, INT_MIN, 1}, TCase{1, INT_MAX, 1}, TCase{1, -2147483, 2147483 * 72},
                           TCase{72, INT_MIN, INT_MAX}, TCase{0, INT_MIN, 1}}) {
        const std::string what = std::to_string(c.PixelsPerInch) + " ppi, height " + std::to_string(c.Height);
        TFontSettings font;
        font.PixelsPerInch = c.PixelsPerInch;
        font.SetHeight(c.Height);
        EXPECT_EQ(font.Size, c.Size) << what;
        // The file gives the height first; the size, there or not, has the last word.
        WriteBytes(file, "[SETTINGS]\r\nFontPixelsPerInch=" + std::to_string(c.PixelsPerInch) +
                             "\r\nFontHeight=" + std::to_string(c.Height) + "\r\n");
        const TSettingsManager settings(file);
        EXPECT_EQ(settings.Font.Size, 8) << what;
    }
    TFontSettings font;
    font.PixelsPerInch = 72;
    font.SetSize(INT_MIN);
    EXPECT_EQ(font.Height, INT_MAX);
    font.PixelsPerInch = 7200;
    font.SetSize(INT_MAX);
    EXPECT_EQ(font.Height, 1);
    WriteBytes(file, "[SETTINGS]\r\nFontPixelsPerInch=72\r\nFontSize=-2147483648\r\n");
    EXPECT_EQ(TSettingsManager(file).Font.Height, INT_MAX);

    // A key picture's font in a layout file: the size is the height converted, kept in range.
    TKeyboards catalogue;
    TXMLKeyboard catalogueReader;
    catalogueReader.LoadFromFolder(kCatalogue, catalogue);
    TLayoutFormats formats(catalogue);
    FillOpenRegistry(formats);
    for (const char* font :
         {"FontFixels=\"72\" FontHeight=\"-2147483648\"", "FontFixels=\"72\" FontSize=\"-2147483648\"",
          "FontFixels=\"1\" FontHeight=\"-2147483648\"", "FontFixels=\"-1\" FontSize=\"2147483647\""}) {
        const std::string text = Utf8ToCp1251(
            std::string("<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"5\"/><Слои><Слой><Клавиши>"
                        "<Клавиша Колонка=\"0\" Ряд=\"0\"><Picture ") +
            font + "/></Клавиша></Клавиши></Слой></Слои></Раскладка>");
        TLayout layout;
        formats.Items(ofXML).LoadFromString(layout, Bytes(text));
        const TFont& read = layout.Layers.Items(0).KeyAt(0, 0).Picture.Font();
        EXPECT_TRUE(read.Size() == INT_MAX || read.Size() == -INT_MAX) << font << ": " << read.Size();
        EXPECT_NO_THROW(formats.Items(ofXML).SaveToString(layout)) << font;
    }

    // A 1.3 file counts models from 0: the last int names the one after it, which no catalogue holds.
    TLayout layout;
    const std::string text = Utf8ToCp1251("<Раскладка><Параметры Параметры=\"2147483647\"/></Раскладка>");
    try {
        formats.Items(ofXML).LoadFromString(layout, Bytes(text));
        ADD_FAILURE() << "a model number past the range of int was read";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("идентификатором 2147483648."), std::string::npos) << e.Message();
    }
}

// --- layouts ------------------------------------------------------------------------------------------

TEST(ReaderFuzz, LayoutFilesAreReadOrRefused) {
    TKeyboards catalogue;
    TXMLKeyboard catalogueReader;
    catalogueReader.LoadFromFolder(kCatalogue, catalogue);
    TLayoutFormats open(catalogue);
    FillOpenRegistry(open);
    TLayoutFormats save(catalogue);
    FillSaveRegistry(save);

    // The files as they are, and in the 1.3 form; the current writer lists every key of the
    // model, which makes files too long to go through by the hundred.
    std::vector<std::string> seeds = ReadAll(FilesIn(kLayouts));
    for (const std::string& file : FilesIn(kLayouts)) {
        TLayout layout;
        open.Items(ofXML).LoadFromFile(layout, file);
        seeds.push_back(Text(save.Items(sfXML13).SaveToString(layout)));
    }
    // A key with a picture of each class, so that the picture streams are among the seeds too.
    {
        std::string keys;
        int k = 0;
        for (const std::string& image : ImageFiles()) {
            const TGraphic graphic = TGraphic::FromFile(Bytes(image));
            keys += "<Клавиша Колонка=\"" + std::to_string(k++) +
                    "\" Ряд=\"1\"><Picture Text=\"x\" FontFixels=\"96\" "
                    "FontHeight=\"-11\"><Data>" +
                    PictureStream(graphic.ClassName, graphic.Data) + "</Data></Picture></Клавиша>";
        }
        seeds.push_back(
            Utf8ToCp1251("<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"5\"/><Слои><Слой><Клавиши>" +
                         keys + "</Клавиши></Слой></Слои></Раскладка>"));
    }

    TMutator mutator(Seed(0x5EED0003));
    const int cases = CasesPerReader(300);
    TOutcomes outcomes("the layout reader");
    TOutcomes written("the layout writers");
    TOutcomes again("the layout reader on its own output");
    for (int i = 0; i < cases; ++i) {
        const std::string input =
            i % 20 == 0 ? mutator.Soup(XMLTokens(), 80) : mutator.Mutate(mutator.Pick(seeds), XMLTokens());
        TLayout layout;
        // Now and then the layout already has a keyboard, as when a file is opened over another.
        if (i % 4 == 1)
            layout.SetKeyboard(KeyboardModel(catalogue.Items(i / 4 % catalogue.Count())));
        TLayoutFormat& reader = i % 3 == 2 ? save.Items(sfXML13) : open.Items(ofXML);
        if (!outcomes.Run(i, input, [&] { reader.LoadFromString(layout, Bytes(input)); }) || i % 8 != 0)
            continue;
        // What was read can be written, or is refused in words; what the editor writes, it opens.
        TBytes xml;
        if (written.Run(i, input, [&] { xml = save.Items(sfXML).SaveToString(layout); }))
            again.Run<TNoRefusal>(i, Text(xml), [&] {
                TLayout reread;
                open.Items(ofXML).LoadFromString(reread, xml);
            });
        written.Run(i, input, [&] { save.Items(sfXML13).SaveToString(layout); });
        written.Run(i, input, [&] { save.Items(sfBin210).SaveToString(layout); });
        written.Run(i, input, [&] { save.Items(sfEMF).SaveToString(layout); });
    }
    RecordProperty("read", outcomes.Read);
    RecordProperty("refused", outcomes.Refused);
    outcomes.ExpectBoth(cases);
}

// --- the catalogue and the code file ----------------------------------------------------------------

TEST(ReaderFuzz, CatalogueFilesAreReadOrSkipped) {
    const std::vector<std::string> files = FilesIn(kCatalogue);
    const std::vector<std::string> seeds = ReadAll(files);
    TTempDir dir;
    // One good description keeps the folder from ever being empty of them.
    const auto good = std::find_if(files.begin(), files.end(), [](const std::string& f) {
        return f.find("Tertsiya") != std::string::npos;
    });
    ASSERT_NE(good, files.end());
    WriteBytes(dir / "a-good.xml", ReadFileBytes(*good));
    const std::string damaged = dir / "b-damaged.xml";

    TMutator mutator(Seed(0x5EED0004));
    const int cases = CasesPerReader(100);
    TOutcomes outcomes("the catalogue");
    int skipped = 0;
    for (int i = 0; i < cases; ++i) {
        const std::string input = mutator.Mutate(mutator.Pick(seeds), XMLTokens());
        WriteBytes(damaged, input);
        TXMLKeyboard reader;
        TKeyboards keyboards;
        // With a good file beside it, the folder always yields a catalogue: the damaged file is
        // read whole or skipped with its reason.
        outcomes.Run<TNoRefusal>(i, input, [&] {
            reader.LoadFromFolder(dir.Path(), keyboards);
            EXPECT_EQ(keyboards.Count() + static_cast<int>(reader.SkippedErrors().size()), 2) << "case " << i;
            skipped += static_cast<int>(reader.SkippedErrors().size());
            for (int k = 0; k < keyboards.Count(); ++k)
                for (int d = 0; d < keyboards.Items(k).KeyDefs.Count(); ++d) {
                    const TKeyDef& def = keyboards.Items(k).KeyDefs.Items(d);
                    EXPECT_TRUE(def.Left >= 1 && def.Left <= keyboards.Items(k).Width) << "case " << i;
                    EXPECT_TRUE(def.Top >= 1 && def.Top <= keyboards.Items(k).Height) << "case " << i;
                }
        });
    }
    RecordProperty("skipped", skipped);
    EXPECT_EQ(outcomes.Read, cases);
    EXPECT_GT(skipped, cases / 50);
    EXPECT_LT(skipped, cases);
}

TEST(ReaderFuzz, CatalogueRefusesModelsNoLayoutCanHold) {
    // A layout of such a model would be built with a billion layers or walked cell by cell over
    // a matrix of a billion columns: the description is refused instead.
    TTempDir dir;
    const std::string good = ReadFileBytes(kCatalogue + "/Tertsiya-28.xml");
    WriteBytes(dir / "a-good.xml", good);
    for (const char* attribute : {"Layers", "Width", "Height"}) {
        std::string bad = good;
        const std::string name = std::string(" ") + attribute + "=\"";
        const std::size_t at = bad.find(name);
        ASSERT_NE(at, std::string::npos) << attribute;
        const std::size_t from = at + name.size();
        bad.replace(from, bad.find('"', from) - from, "1000000000");
        bad.replace(bad.find(" ID=\"5\""), 7, " ID=\"77\"");
        WriteBytes(dir / "b-bad.xml", bad);
        TXMLKeyboard reader;
        TKeyboards keyboards;
        reader.LoadFromFolder(dir.Path(), keyboards);
        EXPECT_EQ(keyboards.FindByID(77), nullptr) << attribute;
        EXPECT_EQ(reader.SkippedErrors().size(), 1u) << attribute;
    }
}

TEST(ReaderFuzz, CodeFilesAreReadOrRefused) {
    const std::string seed = ReadFileBytes(kCodeFile);
    TTempDir dir;
    const std::string file = dir / "codes.xml";
    TCodeSet builtIn;
    builtIn.LoadDefault();

    TMutator mutator(Seed(0x5EED0005));
    const int cases = CasesPerReader(60);
    TOutcomes outcomes("the code file");
    TOutcomes sequences("sequences over a code table read from a damaged file");
    for (int i = 0; i < cases; ++i) {
        const std::string input = mutator.Mutate(seed, XMLTokens(), 4);
        WriteBytes(file, input);
        TCodeSet set;
        if (!outcomes.Run(i, input, [&] { TCodeSetFile::LoadFromFile(set, file); })) {
            // The program then goes on with the built-in set, whole.
            TCodeSet fallback;
            EXPECT_FALSE(TCodeSetFile::Load(fallback, file));
            EXPECT_EQ(fallback.Count(), builtIn.Count());
            continue;
        }
        // Whatever keys the file made, sequences are read and decomposed with them.
        TCodeTable table;
        table.BuildFlat(set);
        const TCodeTableScope scope(table);
        const std::vector<std::string> tokens = SequenceTokens(table);
        for (int n = 0; n < 4; ++n) {
            const std::string text = mutator.Soup(tokens, 12, {" ", " ", ""});
            sequences.Run(i, text, [&] {
                TScanCodes codes;
                codes.SetText(text);
                codes.Text();
                codes.Check();
            });
            const std::string bytes = mutator.Random(24);
            sequences.Run(i, bytes, [&] {
                TScanCodes codes;
                codes.AddBytes(Bytes(bytes));
                codes.AppendReleases();
                codes.Text();
            });
        }
    }
    RecordProperty("read", outcomes.Read);
    RecordProperty("refused", outcomes.Refused);
    outcomes.ExpectBoth(cases);
}

// --- pictures ---------------------------------------------------------------------------------------

TEST(ReaderFuzz, PictureStreamsAreReadOrRefused) {
    std::vector<std::string> seeds = {PictureStream("", {}), PictureStream("TPngImage", {1, 2, 3})};
    for (const std::string& image : ImageFiles()) {
        const TGraphic graphic = TGraphic::FromFile(Bytes(image));
        seeds.push_back(PictureStream(graphic.ClassName, graphic.Data));
    }
    // clang-format off
    const std::vector<std::string> dictionary = {
        "0", "00", "FF", "0A", " ", "g", "FFFFFF7F", "00000080", "545046300B544B6579506963747572650000",
        "0C506963747572652E446174610A", "07544269746D6170", "05544963006F6E"};
    // clang-format on

    TMutator mutator(Seed(0x5EED0006));
    const int cases = CasesPerReader(1500);
    TOutcomes outcomes("the picture stream reader");
    TOutcomes drawn("a graphic read from a picture stream");
    auto check = [&](int i, const std::string& input) {
        TKeyPicture picture;
        if (!outcomes.Run<EReadError>(i, input, [&] { picture.SetPictureData(input); }) ||
            !picture.Picture().Graphic)
            return;
        // A graphic that was read is measured, drawn and stored again as it came.
        drawn.Run<TNoRefusal>(i, input, [&] {
            const TGraphic& graphic = *picture.Picture().Graphic;
            GraphicSize(graphic);
            TEMFCanvas canvas;
            canvas.StretchDraw({0, 0, 64, 48}, graphic);
            canvas.Finish();
            TKeyPicture copy;
            copy.SetPictureData(picture.PictureData());
            EXPECT_EQ(copy.Picture(), picture.Picture()) << "case " << i;
        });
    };
    for (int i = 0; i < cases; ++i) {
        if (i % 10 == 0)
            check(i, BytesToHex(Bytes(mutator.Random(80))));
        else if (i % 2 == 0) // the bytes damaged, then written as the file holds them
            check(i, BytesToHex(Bytes(mutator.Mutate(Text(HexToBytes(mutator.Pick(seeds))), kBinaryWords))));
        else // the text itself damaged
            check(i, mutator.Mutate(mutator.Pick(seeds), dictionary));
    }
    int index = cases;
    for (const std::string& seed : seeds)
        for (const std::string& prefix : Prefixes(Text(HexToBytes(seed))))
            check(index++, BytesToHex(Bytes(prefix)));
    RecordProperty("read", outcomes.Read);
    RecordProperty("refused", outcomes.Refused);
    outcomes.ExpectBoth(cases);
}

TEST(ReaderFuzz, ImageFilesAreMeasuredAndDrawnOrLeftOut) {
    const std::vector<std::string> seeds = ImageFiles();
    const std::vector<std::string> classes = {gcBitmap, gcIcon, gcMetafile, gcJPEGImage, "TPngImage"};
    TMutator mutator(Seed(0x5EED0007));
    const int cases = CasesPerReader(1500);
    TOutcomes outcomes("the image decoders");
    for (int i = 0; i < cases; ++i) {
        const std::string file =
            i % 10 == 0 ? mutator.Random(120) : mutator.Mutate(mutator.Pick(seeds), kBinaryWords);
        outcomes.Run<TNoRefusal>(i, file, [&] {
            // Once as a file the user picked, once as the bytes of a graphic of any class.
            std::vector<TGraphic> graphics = {TGraphic{mutator.Pick(classes), Bytes(file), false}};
            if (!TGraphic::ClassOfFile(Bytes(file)).empty())
                graphics.push_back(TGraphic::FromFile(Bytes(file)));
            for (const TGraphic& graphic : graphics) {
                graphic.Empty();
                GraphicSize(graphic);
                TEMFCanvas canvas;
                canvas.StretchDraw({0, 0, 64, 48}, graphic);
                canvas.StretchDraw({10, 10, 10, 10}, graphic);
                canvas.Finish();
            }
        });
    }
    EXPECT_EQ(outcomes.Read, cases) << "a graphic that cannot be drawn is left out, not refused";
}

// --- text forms ---------------------------------------------------------------------------------------

TEST(ReaderFuzz, SequenceAndMelodyTextsAreReadOrRefused) {
    TMutator mutator(Seed(0x5EED0008));
    const int cases = CasesPerReader(250);

    const std::vector<std::string> codeTokens = SequenceTokens(CodeTable());
    TOutcomes codes("the sequence text");
    for (int i = 0; i < cases; ++i) {
        const std::string text =
            mutator.Soup(codeTokens, i % 8 == 0 ? 1000 : 20, {" ", " ", " ", " ", " ", "  ", "", "\t"});
        TScanCodes sequence;
        if (!codes.Run(i, text, [&] { sequence.SetText(text); }))
            continue;
        // What was read fits a key, and its text reads back as the same sequence.
        EXPECT_LE(sequence.TotalLength(), TScanCodes::MaxBytes);
        TScanCodes again;
        again.SetText(sequence.Text());
        EXPECT_TRUE(again.Equals(sequence)) << "case " << i << ": " << Printable(text);
    }
    RecordProperty("sequences read", codes.Read);
    RecordProperty("sequences refused", codes.Refused);
    codes.ExpectBoth(cases);

    std::vector<std::string> noteTokens = {";",   ";;",    "P",         "C", "c1",
                                           "B4;", "P;1;1", "C1;-1;256", " ", ";0;0"};
    for (int n = 0; n < 73; ++n)
        noteTokens.push_back(NoteName(n));
    TOutcomes notes("the melody text");
    for (int i = 0; i < cases; ++i) {
        const std::string text = mutator.Soup(noteTokens, i % 8 == 0 ? 1200 : 30, {";", ";", ";", " ", ""});
        TNotifier notifier;
        TNotes melody(&notifier);
        if (!notes.Run(i, text, [&] { melody.SetText(text); }))
            continue;
        EXPECT_LE(melody.Count(), MaxNotes);
        TNotes again(&notifier);
        again.SetText(melody.Text());
        EXPECT_TRUE(again.Equals(melody)) << "case " << i << ": " << Printable(text);
    }
    RecordProperty("melodies read", notes.Read);
    RecordProperty("melodies refused", notes.Refused);
    notes.ExpectBoth(cases);
}

// --- the keyboard and its simulator --------------------------------------------------------------------

TEST(ReaderFuzz, DeviceAnswersAreDecodedOrRefused) {
    auto answer = [](TBytes data, std::uint8_t error) {
        TBytes frame{0x02, static_cast<std::uint8_t>(data.size() + 2), 0x9E, error};
        frame.insert(frame.end(), data.begin(), data.end());
        frame.push_back(TKeyboardDriver::FrameChecksum(frame.data() + 1, frame.size() - 1));
        return Text(frame);
    };
    const std::vector<std::string> seeds = {answer({}, 0), answer({2, 10, 0, 0, 1, 2, 3, 4, 60}, 0),
                                            answer(TBytes(253, 0x55), 0), answer({}, 115), answer({1}, 4)};

    TMutator mutator(Seed(0x5EED0009));
    const int cases = CasesPerReader(2000);
    TOutcomes outcomes("the answer decoder");
    auto check = [&](int i, const TBytes& frame) {
        TBytes data;
        if (!outcomes.Run(i, Text(frame), [&] { data = TKeyboardDriver::DecodeAnswer(frame); }))
            return;
        // Only a whole frame without an error gives its data.
        ASSERT_GE(frame.size(), 5u);
        EXPECT_EQ(frame[3], 0);
        EXPECT_EQ(TKeyboardDriver::FrameChecksum(frame.data() + 1, frame.size() - 2), frame.back());
        EXPECT_EQ(data, TBytes(frame.begin() + 4, frame.end() - 1));
    };
    for (int i = 0; i < cases; ++i)
        check(i, Bytes(i % 5 == 0 ? mutator.Random(300) : mutator.Mutate(mutator.Pick(seeds), kBinaryWords)));
    int index = cases;
    for (const std::string& seed : seeds)
        for (const std::string& prefix : Prefixes(seed))
            check(index++, Bytes(prefix));
    outcomes.ExpectBoth(cases);
}

TEST(ReaderFuzz, SimulatorStatesAreReadOrRefused) {
    using sim::TFirmware;
    TFirmware source{sim::TFirmwareOptions{}};
    for (std::size_t a = 0; a < TFirmware::MemorySize; ++a)
        source.Memory()[a] = static_cast<std::uint8_t>(a * 7);
    source.SetMode(2);
    const std::string seed = Text(source.SaveState());

    TMutator mutator(Seed(0x5EED000A));
    // The header is where a state goes wrong; the memory after it is any bytes.
    auto damage = [&] {
        std::string state = seed;
        switch (mutator.Below(4)) {
        case 0:
            state[mutator.Below(std::size_t{9})] = mutator.Byte();
            break;
        case 1:
            state.resize(mutator.Below(2) == 0 ? mutator.Below(std::size_t{20})
                                               : mutator.Below(state.size() + 1));
            break;
        case 2:
            state.insert(mutator.Below(state.size() + 1), mutator.Random(3));
            break;
        default:
            state = mutator.Mutate(state.substr(0, 12), kBinaryWords) + state.substr(12);
            break;
        }
        return state;
    };

    const int cases = CasesPerReader(300);
    TOutcomes direct("the firmware's state reader");
    for (int i = 0; i < cases; ++i) {
        const std::string state = damage();
        TFirmware firmware{sim::TFirmwareOptions{}};
        firmware.Memory()[5] = 99;
        const TBytes before = firmware.SaveState();
        // The firmware's own contract: std::runtime_error, which the simulator turns into words.
        if (direct.Run<std::runtime_error>(i, state, [&] { firmware.LoadState(Bytes(state)); }))
            EXPECT_EQ(Text(firmware.SaveState()), state) << "case " << i;
        else
            EXPECT_EQ(firmware.SaveState(), before) << "a refused state changed the keyboard, case " << i;
    }
    direct.ExpectBoth(cases);

    // The user names the file: a wrong one is refused in words.
    TKeyboards catalogue;
    TXMLKeyboard catalogueReader;
    catalogueReader.LoadFromFolder(kCatalogue, catalogue);
    TTempDir dir;
    const std::string file = dir / "keyboard.state";
    const int fileCases = CasesPerReader(30);
    TOutcomes simulator("the simulator's state file");
    for (int i = 0; i < fileCases; ++i) {
        const std::string state = damage();
        WriteBytes(file, state);
        simulator.Run(i, state, [&] {
            TKeyboardSimulator keyboard(catalogue.Items(i % catalogue.Count()), {}, file);
            EXPECT_EQ(Text(keyboard.Firmware().SaveState()), state) << "case " << i;
        });
    }
    simulator.ExpectBoth(fileCases);
}

TEST(ReaderFuzz, ProgramImagesAreCheckedWithoutReadingPastTheirEnd) {
    using sim::TFirmware;
    const std::vector<std::string> seeds = {Text(TFirmware::MakeProgram(2, 10, {})),
                                            Text(TFirmware::MakeProgram(2, 9, {1, 2, 3, 4, 5, 6, 7, 8})),
                                            Text(TFirmware::MakeProgram(2, 8, TBytes(600, 0xA5)))};
    TMutator mutator(Seed(0x5EED000B));
    const int cases = CasesPerReader(1500);
    int accepted = 0;
    auto check = [&](int i, const TBytes& image) {
        const auto version = TFirmware::CheckProgram(image);
        // An image is accepted exactly when it starts with a whole program as the loader
        // takes it; any bytes after that are no business of the check.
        bool whole = false;
        if (image.size() >= 10) {
            const std::size_t length = static_cast<std::size_t>(image[6] | image[7] << 8);
            if (10 + length <= image.size()) {
                const TBytes program = TFirmware::MakeProgram(
                    image[4], image[5],
                    TBytes(image.begin() + 10, image.begin() + 10 + static_cast<std::ptrdiff_t>(length)));
                whole = std::equal(program.begin(), program.end(), image.begin());
            }
        }
        EXPECT_EQ(version.has_value(), whole) << "case " << i << ": " << Printable(Text(image));
        if (version) {
            ++accepted;
            EXPECT_EQ(*version, std::make_pair(image[4], image[5]));
        }
    };
    for (int i = 0; i < cases; ++i)
        check(i, Bytes(i % 10 == 0 ? "ZVPG" + mutator.Random(40)
                                   : mutator.Mutate(mutator.Pick(seeds), kBinaryWords)));
    int index = cases;
    for (const std::string& seed : seeds)
        for (const std::string& prefix : Prefixes(seed))
            check(index++, Bytes(prefix));
    EXPECT_GT(accepted, cases / 50);
    EXPECT_LT(accepted, cases - cases / 50);
}
