#include "tests/common/TempDir.h"
#include "TreeDump.h"

#include "files/ECXMLParser.h"
#include "files/XMLTokenizer.h"
#include "model/Errors.h"
#include "model/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace lay;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"ISO8859-1\" ?>\r\n";

// Tests speak UTF-8; files are Windows-1251.
void Load(TECXMLParser& parser, const std::string& utf8) {
    parser.LoadFromString(Utf8ToCp1251(utf8));
}

std::string Saved(TECXMLParser& parser) {
    return Cp1251ToUtf8(parser.SaveToString());
}

std::string Tokens(const std::string& data) {
    std::string out;
    for (TXMLTokenizer t(data); t.Kind() != TXMLTokenKind::End; t.Next())
        out += std::to_string(static_cast<int>(t.Kind())) + ":" + Visible(t.Text()) + "|";
    return out;
}

} // namespace

TEST(XMLTokenizer, KindsAndTokenText) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"<?xml version=\"1.0\"?>", "8:<?xml version=\"1.0\"?>|"},
        {"<?XML-stylesheet href=\"a\"?>", "8:<?XML-stylesheet href=\"a\"?>|"},
        {"<!-- c -->", "6:<!-- c -->|"},
        {"<a/>", "12:<a/>|"},
        {"</a/>", "12:</a/>|"}, // the suffix test comes before the end-tag test
        {"</a>", "11:</a>|"},
        {"<a b=\"1\">", "10:<a b=\"1\">|"},
        {"  text  <a>", "9:text|10:<a>|"},
        {"a  \t b<x/>", "9:a \t b|12:<x/>|"},      // runs of spaces collapse, a tab is no space
        {"one\r\ntwo\n\rthree", "9:onetwothree|"}, // the pairs are deleted, not made spaces
        {"x\ny", "9:x\\ny|"},                      // a lone line feed stays
        {"<a\r\n   b=\"1\"   />", "12:<a b=\"1\" />|"},
        {"<!-- a > b -->", "6:<!-- a >|9:b -->|"}, // a comment ends at its first ">"
        {"<a x=\"1>2\">", "10:<a x=\"1>2\">|"},    // in a start tag a quoted ">" does not
        {"t\0<a>"s, "9:t|"},                       // a 0 byte ends the data
    };
    for (const auto& [data, expected] : cases)
        EXPECT_EQ(Tokens(data), expected) << Visible(data);
}

TEST(XMLTokenizer, LineNumbersOfTokens) {
    TXMLTokenizer t("<a>\r\n  text\r\n  more\r\n<b/>");
    EXPECT_EQ(t.Line(), 1);
    t.Next();
    EXPECT_EQ(t.Line(), 2);
    t.Next();
    EXPECT_EQ(t.Kind(), TXMLTokenKind::EmptyTag);
    EXPECT_EQ(t.Line(), 4);
}

// What a document reads as; the root first, then its children.
TEST(XMLReader, DocumentsReadAsTrees) {
    const std::pair<std::string, std::string> cases[] = {
        {kDecl, ""},             // only the declaration: an unnamed, empty root
        {kDecl + "<a/>", "(a)"}, // only an empty-element tag: the root stays unnamed
        {"<a><b/></a>", "a(b)"},
        {"<A Key=\"v\"></a>", "A{Key=v}"},               // names keep their case; end tags are not matched
        {"<a x=\"\" y=\"1\" z=\"2\"/>", "(a{y=1;z=2})"}, // two quotes read as empty, hence absent
        {"<a x=\"&amp;&lt;&gt;&quot;\"/>", "(a{x=&<>\"})"},
        {"<a>  lead   and  trail  </a>", "a\"lead and trail\""},
        {"<a>one\r\ntwo</a>", "a\"onetwo\""},
        {"<a>one<br/>two</a>", "a\"one\\r\\ntwo\"(br)"},
        {"<a>first<b/>second</a>", "a\"first\\r\\nsecond\"(b)"},
        {"<a><!-- x > y --></a>", "a\"y -->\""}, // the comment ends at its first ">"
        {"<a>&amp;lt;</a>", "a\"&lt;\""},        // unescaped once, in its own order
        {"<a x=1 y=\"2\"/>", "(a{x=1;y=2})"},
        {"<a x=\"one two\"/>", "(a{x=one two})"},
        {"<a b=\"1\" b=\"2\"/>", "(a{b=2})"},
        {"<a novalue x=\"1\"/>", "(a{x=1})"},
        // A space before ">" or "/>" is not part of the last value.
        {"<a x=\"1\" />", "(a{x=1})"},
        {"<a x=\"1\" ><b y=\"2\"  /></a>", "a{x=1}(b{y=2})"},
        // A ">" inside quotes no longer ends a start tag.
        {"<a x=\"1>2\"/>", "(a{x=1>2})"},
        // Line breaks in values as this version writes them.
        {"<a x=\"1&#13;&#10;2&#10;3&amp;#13;\"/>", "(a{x=1\\r\\n2\\n3&#13;})"},
        {"<?xml version=\"1.0\"?><a/>", "(a)"},
        {"<?XML version=\"1.0\"?><A></A>", "A"},
        {std::string("<a>t</a>\0<b>", 12), "a\"t\""}, // a 0 byte ends the data
    };
    for (const auto& [data, expected] : cases) {
        TECXMLParser parser;
        parser.LoadFromString(data);
        EXPECT_EQ(Dump(parser.Root()), expected) << Visible(data);
    }
}

TEST(XMLReader, ReadsWindows1251IntoUtf8) {
    TECXMLParser parser;
    parser.LoadFromString(kDecl + "<\xCA\xEB\xE0\xE2\xE8\xF8\xE0 \xC8\xEC\xFF=\"\xA8\xEB\xEA\xE0\">\xB9 "
                                  "1</\xCA\xEB\xE0\xE2\xE8\xF8\xE0>");
    EXPECT_EQ(Dump(parser.Root()), "Клавиша{Имя=Ёлка}\"№ 1\"");
}

// Files written by earlier versions, with "<br/>" inside a value, read as the value they meant.
TEST(XMLReader, EarlierLineBreakInsideAValue) {
    TECXMLParser parser;
    parser.LoadFromFile(LAYOMATIC_TEST_DATA "/xml/earlier-br-in-attribute.xml");
    ASSERT_EQ(parser.Root().Count(), 1);
    EXPECT_EQ(parser.Root().Items(0).Attribute("Примечание"), "строка 1\r\nстрока 2");
    EXPECT_EQ(parser.Root().Items(0).Attribute("Номер"), "5");
}

TEST(XMLReader, MalformedFilesGiveTheParseErrorWithTheLine) {
    const std::pair<const char*, int> cases[] = {
        {"unclosed-tag.xml", 3},       {"unclosed-quote.xml", 2}, {"surplus-end-tag.xml", 4},
        {"comment-after-root.xml", 5}, {"second-root.xml", 4},    {"truncated.xml", 4},
    };
    for (const auto& [file, line] : cases) {
        TECXMLParser parser;
        try {
            parser.LoadFromFile(std::string(LAYOMATIC_TEST_DATA "/xml/") + file);
            ADD_FAILURE() << file << ": no error";
        } catch (const EParserError& e) {
            EXPECT_EQ(std::string(e.what()), "Ошибка в XML файле, строка " + std::to_string(line)) << file;
        }
    }
}

TEST(XMLReader, AMissingFileNamesIt) {
    TECXMLParser parser;
    try {
        parser.LoadFromFile(LAYOMATIC_TEST_DATA "/xml/no-such-file.xml");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-file.xml"), std::string::npos) << e.what();
    }
}

// Nothing the reader is given crashes it: every prefix of a valid file either reads or gives
// the parse error.
TEST(XMLReader, EveryCutOfAFileReadsOrFails) {
    const std::string file = kDecl +
                             "  <a x=\"1&amp;\">\r\n    <b y=\"&#13;&#10;\"/>\r\n    text<br/>more\r\n"
                             "    <!-- note -->\r\n  </a>\r\n";
    for (std::size_t n = 0; n <= file.size(); ++n) {
        TECXMLParser parser;
        try {
            parser.LoadFromString(file.substr(0, n));
        } catch (const EParserError& e) {
            EXPECT_NE(std::string(e.what()).find("Ошибка в XML файле"), std::string::npos);
        }
    }
}

// Random jumbles of the format's own pieces: each reads or gives the parse error.
TEST(XMLReader, JumblesReadOrFailCleanly) {
    const char* pieces[] = {"<",     ">",  "/",  "\"", "=",     "a", " ",     "\r\n", "\n\r", "<!--",   "-->",
                            "<?xml", "?>", "</", "/>", "&amp;", "&", "<br/>", "\xC0", "\0",   "x=\"1\""};
    std::mt19937 random(7);
    for (int n = 0; n < 3000; ++n) {
        std::string data;
        const int length = std::uniform_int_distribution<int>(0, 30)(random);
        for (int i = 0; i < length; ++i) {
            const char* piece =
                pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
            data += *piece ? std::string(piece) : std::string(1, '\0');
        }
        TECXMLParser parser;
        try {
            parser.LoadFromString(data);
            (void)parser.SaveToString();
        } catch (const EParserError& e) {
            EXPECT_NE(std::string(e.what()).find("Ошибка в XML файле, строка "), std::string::npos);
        }
    }
}

// The buffer of earlier versions held 1 MiB; a longer file, even a single long line, reads whole.
TEST(XMLReader, LongFilesReadWhole) {
    const std::string value(3 * 1024 * 1024, 'v');
    TECXMLParser parser;
    parser.LoadFromString("<a x=\"" + value + "\"><b/></a>");
    EXPECT_EQ(parser.Root().Attribute("x").size(), value.size());
    EXPECT_EQ(parser.Root().Count(), 1);
}

TEST(XMLReader, StyleSheetFromTheFileOrKept) {
    TECXMLParser parser;
    parser.SetStyleSheet("kept.xsl");
    Load(parser, "<a/>");
    EXPECT_EQ(parser.StyleSheet(), "kept.xsl");
    Load(parser, "<?xml-stylesheet type=\"text/xsl\" HREF=\"Вид.XSL\"?><a/>");
    EXPECT_EQ(parser.StyleSheet(), "Вид.XSL");
}

TEST(XMLReader, LoadingClearsTheTreeFirst) {
    TECXMLParser parser;
    Load(parser, "<a x=\"1\"><b/><c/></a>");
    Load(parser, "<d/>");
    EXPECT_EQ(Dump(parser.Root()), "(d)");
}

// ---------------------------------------------------------------------------------------------

TEST(XMLWriter, LayoutOfTheFile) {
    TECXMLParser parser;
    parser.Root().SetName("a");
    // Never "<a/>" for the document element, which would read back as a child of an unnamed root.
    EXPECT_EQ(Saved(parser), kDecl + "  <a>\r\n  </a>\r\n");
    parser.Root().New().SetName("b");
    EXPECT_EQ(Saved(parser), kDecl + "  <a>\r\n    <b/>\r\n  </a>\r\n");

    parser.Root().SetText("текст");
    parser.Root().SetAttribute("n", "1");
    TXMLItem& c = parser.Root().New();
    c.SetName("c");
    c.SetAttribute("v", "x");
    c.New().SetName("d");
    parser.SetStyleSheet("s.xsl");
    EXPECT_EQ(Saved(parser), kDecl + "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\r\n"
                                     "  <a n=\"1\">\r\n"
                                     "    текст\r\n"
                                     "    <b/>\r\n"
                                     "    <c v=\"x\">\r\n"
                                     "      <d/>\r\n"
                                     "    </c>\r\n"
                                     "  </a>\r\n");
    EXPECT_EQ(Cp1251ToUtf8(parser.SaveToString(true)).find("xml-stylesheet"), std::string::npos);

    parser.SetCrLfInAsString(false);
    EXPECT_EQ(Saved(parser), kDecl + "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\r\n"
                                     "  <a n=\"1\">  текст  <b/>  <c v=\"x\">  <d/>  </c>  </a>");
}

TEST(XMLWriter, Escaping) {
    const std::pair<std::string, std::string> cases[] = {
        {"a&b", "a&amp;b"},         {"<br/>", "&lt;br/&gt;"},
        {"\"q\"", "&quot;q&quot;"}, {"one\r\ntwo", "one<br/>two"},
        {"&lt;", "&amp;lt;"},
    };
    for (const auto& [text, escaped] : cases) {
        EXPECT_EQ(XMLEscape(text), escaped);
        EXPECT_EQ(XMLUnescape(escaped), text);
    }
    EXPECT_EQ(XMLEscapeAttribute("a\r\nb\rc\nd&#10;"), "a&#13;&#10;b&#13;c&#10;d&amp;#10;");
}

// A line break in a value used to go out as "<br/>" inside the quotes, and earlier readers took
// its ">" for the end of the tag. Now it goes out as character references: no markup stands
// inside quotes, and the value reads back as it was.
TEST(XMLWriter, LineBreaksInValuesSurvive) {
    TECXMLParser parser;
    parser.Root().SetName("Раскладка");
    TXMLItem& key = parser.Root().New();
    key.SetName("Клавиша");
    key.SetAttribute("Примечание", "строка 1\r\nстрока 2\nи <3> & \"4\"");
    key.SetAttribute("Номер", "5");
    const std::string saved = Saved(parser);
    EXPECT_EQ(saved, kDecl + "  <Раскладка>\r\n"
                             "    <Клавиша Примечание=\"строка 1&#13;&#10;строка 2&#10;и &lt;3&gt; &amp; "
                             "&quot;4&quot;\" Номер=\"5\"/>\r\n"
                             "  </Раскладка>\r\n");
    TECXMLParser again;
    Load(again, saved);
    EXPECT_EQ(Dump(again.Root()), Dump(parser.Root()));
}

TEST(XMLWriter, TextWithALineBreakComesBackWithABrElement) {
    TECXMLParser parser;
    parser.Root().SetName("a");
    parser.Root().SetText("one\r\ntwo");
    TECXMLParser again;
    Load(again, Saved(parser));
    EXPECT_EQ(Dump(again.Root()), "a\"one\\r\\ntwo\"(br)");
}

TEST(XMLWriter, ACharacterTheCodePageCannotHoldIsRefusedAndTheFileKept) {
    TTempDir dir;
    const std::string file = dir / "keep.xml";
    WriteBytes(file, "old");
    TECXMLParser parser;
    parser.Root().SetName("a");
    parser.Root().SetAttribute("note", "чай 茶");
    try {
        parser.SaveToFile(file);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("«茶»"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(file), "old");
}

TEST(XMLWriter, SaveToFileWritesWindows1251AndLeavesNoTemporaryFile) {
    TTempDir dir;
    TECXMLParser parser;
    parser.Root().SetName("Ключ");
    parser.SaveToFile(dir / "k.xml");
    EXPECT_EQ(ReadBytes(dir / "k.xml"), kDecl + "  <\xCA\xEB\xFE\xF7>\r\n  </\xCA\xEB\xFE\xF7>\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    parser.SetStyleSheet("s.xsl");
    parser.SaveToFile(dir / "view.Xsl"); // a stylesheet itself names none
    EXPECT_EQ(ReadBytes(dir / "view.Xsl").find("stylesheet"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------

TEST(XMLItem, ChildrenOperations) {
    TECXMLParser parser;
    TXMLItem& root = parser.Root();
    root.SetName("r");
    for (const char* name : {"a", "Слой", "b", "слой"})
        root.New().SetName(name);
    EXPECT_EQ(root.IndexOfName("СЛОЙ"), 1);
    EXPECT_EQ(root.IndexOfName("СЛОЙ", 2), 3);
    EXPECT_EQ(root.IndexOfName("c"), -1);

    TXMLItem& b = root.Items(2);
    root.Move(b, 0);
    EXPECT_EQ(Dump(root), "r(b a Слой слой)");
    EXPECT_EQ(root.IndexOf(&b), 0);

    // A subtree moves to another parent whole.
    b.New().SetName("inner");
    b.SetParent(root.Items(1));
    EXPECT_EQ(Dump(root), "r(a(b(inner)) Слой слой)");
    EXPECT_EQ(b.Parent(), &root.Items(0));
    EXPECT_EQ(b.Items(0).Parser(), &parser);
    EXPECT_THROW(root.Items(0).SetParent(b), EInvalidOperation); // into its own subtree
    EXPECT_THROW(root.SetParent(b), EInvalidOperation);          // the root has nowhere to come from

    root.Delete(0);
    EXPECT_EQ(Dump(root), "r(Слой слой)");
    EXPECT_THROW(root.Delete(2), EListError);
    EXPECT_THROW(root.Items(-1), EListError);

    root.SetAttribute("x", "1");
    root.SetAttribute("y", "2");
    root.SetAttribute("x", "3");
    EXPECT_EQ(Dump(root), "r{x=3;y=2}(Слой слой)");
    root.SetAttribute("x", "");
    EXPECT_EQ(root.Attribute("x"), "");
    root.SetText("t");
    root.Clear();
    EXPECT_EQ(Dump(root), "");
}

TEST(XMLParser, Events) {
    TECXMLParser parser;
    std::vector<std::string> heard;
    parser.XMLItemChanged = [&](TECXMLParser&, TXMLItem& item) { heard.push_back("changed " + item.Name()); };
    parser.OnLoaded = [&](TECXMLParser&) { heard.push_back("loaded"); };
    parser.OnSaved = [&](TECXMLParser&) { heard.push_back("saved"); };
    parser.OnCleared = [&](TECXMLParser&) { heard.push_back("cleared"); };

    parser.Root().SetName("r");
    parser.Root().New().SetName("c");
    parser.Root().Delete(0);
    EXPECT_EQ(heard, (std::vector<std::string>{"changed r", "changed r", "changed c", "changed r"}));

    // Loading is not editing: only the end of it is heard.
    heard.clear();
    parser.LoadFromString("<a><b/></a>");
    EXPECT_EQ(heard, (std::vector<std::string>{"loaded"}));

    // A failed load is not told, and the handler is back afterwards.
    heard.clear();
    EXPECT_THROW(parser.LoadFromString("<a></a></b>"), EParserError);
    EXPECT_TRUE(heard.empty());
    parser.Root().SetText("x");
    EXPECT_EQ(heard, (std::vector<std::string>{"changed a"}));

    heard.clear();
    parser.SaveToString();
    parser.Clear();
    EXPECT_EQ(heard, (std::vector<std::string>{"saved", "cleared"}));
}

TEST(XMLParser, RefusedOperationsChangeNothing) {
    TTempDir dir;
    const std::string file = dir / "old.xml";
    WriteBytes(file, "old");
    TECXMLParser parser;
    parser.LoadFromString("<a><b/></a>");
    parser.BeforeLoad = [](TECXMLParser&, bool& allow) { allow = false; };
    parser.BeforeSave = [](TECXMLParser&, bool& allow) { allow = false; };
    parser.BeforeClear = [](TECXMLParser&, bool& allow) { allow = false; };
    parser.LoadFromString("<c/>");
    parser.Clear();
    EXPECT_EQ(Dump(parser.Root()), "a(b)");
    // A refused save leaves the old file as it was rather than an empty one.
    parser.SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_EQ(parser.SaveToString(), "");
}

// ---------------------------------------------------------------------------------------------

namespace {

// Trees in the form the reader gives back: named elements, texts without blanks at their ends,
// runs of spaces or line breaks (a text line break comes back as a "br" element, tested
// above). Values may hold anything the code page has but a run of spaces: line breaks, markup
// characters, tabs, quotes.
class TTreeMaker {
public:
    explicit TTreeMaker(unsigned seed) : FRandom(seed) {}

    void Fill(TXMLItem& item, int depth) {
        item.SetName(Pick(kNames));
        const int attributes = Below(4);
        for (int i = 0; i < attributes; ++i)
            item.SetAttribute(kNames[static_cast<std::size_t>(i)], Value());
        if (Below(3) == 0)
            item.SetText(Text());
        const int children = depth > 0 ? Below(4) : 0;
        for (int i = 0; i < children; ++i)
            Fill(item.New(), depth - 1);
    }

private:
    static constexpr const char* kNames[] = {"Key", "Клавиша", "Слой", "a", "Примечание", "br", "X-1", "Ёж"};
    static constexpr const char* kPieces[] = {"a", "Я", "&", "<", ">", "\"", "&amp;", "<br/>", "&#13;",
                                              "1", "ё", "/", "=", "'", "\t", "№",     "€",     "?>"};

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
    std::string Pick(const auto& list) { return list[static_cast<std::size_t>(Below(std::size(list)))]; }

    std::string Value() {
        std::string v;
        const int n = 1 + Below(6);
        for (int i = 0; i < n; ++i) {
            const int r = Below(10);
            if (r == 0)
                v += "\r\n";
            else if (r == 1)
                v += Below(2) ? "\n" : "\r";
            else if (r == 2 && (v.empty() || v.back() != ' '))
                v += ' ';
            else
                v += Pick(kPieces);
        }
        return v;
    }

    std::string Text() {
        std::string t = "t";
        const int n = Below(5);
        for (int i = 0; i < n; ++i)
            t += (Below(2) ? " " : "") + Pick(kPieces);
        return t + "e";
    }

    std::mt19937 FRandom;
};

} // namespace

// A tree written and read back is the same tree, and writing it again gives the same bytes.
TEST(XMLRoundTrip, WrittenTreesReadBackUnchanged) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        TECXMLParser parser;
        TTreeMaker(seed).Fill(parser.Root(), 3);
        const std::string bytes = parser.SaveToString();
        TECXMLParser again;
        again.LoadFromString(bytes);
        ASSERT_EQ(Dump(again.Root()), Dump(parser.Root())) << "seed " << seed << "\n" << Cp1251ToUtf8(bytes);
        ASSERT_EQ(again.SaveToString(), bytes) << "seed " << seed;
    }
}
