#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lay {

class TECXMLParser;

// One element of the tree. Text and names are UTF-8; the parser converts at the file.
class TXMLItem {
public:
    using TAttribute = std::pair<std::string, std::string>;

    TXMLItem(const TXMLItem&) = delete;
    TXMLItem& operator=(const TXMLItem&) = delete;
    ~TXMLItem();

    const std::string& Name() const { return FName; }
    void SetName(std::string name);
    const std::string& Text() const { return FText; }
    void SetText(std::string text);

    // Attributes in document order. A name that is absent reads as the empty string, and
    // setting the empty string removes the attribute, so an empty value is never written.
    const std::vector<TAttribute>& Attributes() const { return FAttributes; }
    std::string Attribute(std::string_view name) const;
    void SetAttribute(std::string_view name, std::string value);
    void ClearAttributes() { FAttributes.clear(); }

    int Count() const { return static_cast<int>(FItems.size()); }
    TXMLItem& Items(int index) const;
    TXMLItem* Parent() const { return FParent; }
    // Moves this item, with its subtree, to the end of another element's children. Only an item
    // that already has a parent can move, and never into its own subtree.
    void SetParent(TXMLItem& parent);
    TECXMLParser* Parser() const { return FParser; }

    bool CrLfInAsString() const { return FCrLfInAsString; }
    void SetCrLfInAsString(bool value) { FCrLfInAsString = value; }

    void Clear();
    TXMLItem& New();
    void Delete(int index);
    void Move(const TXMLItem& item, int newIndex);
    int IndexOf(const TXMLItem* item) const;
    // Letter case is ignored here only; everywhere else names compare exactly.
    int IndexOfName(std::string_view name, int startIndex = 0) const;

    // The element as the writer lays it out, indented by indent spaces. Children take this
    // element's CrLfInAsString on the way.
    std::string AsString(int indent);

private:
    friend class TECXMLParser;
    explicit TXMLItem(TECXMLParser* parser) : FParser(parser) {}
    void SetParserDeep(TECXMLParser* parser);
    void Changed();

    std::string FName;
    std::string FText;
    std::vector<TAttribute> FAttributes;
    std::vector<std::unique_ptr<TXMLItem>> FItems;
    TXMLItem* FParent = nullptr;
    TECXMLParser* FParser = nullptr;
    bool FNotify = true;
    bool FCrLfInAsString = true;
};

// Elements nest at most this deep in a file the parser reads, the document element counting as the
// first level. A deeper file is refused as malformed: the program's own files nest a handful of
// levels, and everything that walks a tree (the writer, the readers of the files, the tree's own
// destructor) goes down it by recursion.
inline constexpr int MaxXMLDepth = 256;

// The reader and writer of every XML file of the program: keyboard descriptions, layouts and
// the standard code file. It reads the small subset of XML those files use, and writes them the
// way they have always been written, so that earlier versions still read them: Windows-1251
// bytes under a declaration that names ISO8859-1, two-space indentation, CR LF line ends.
class TECXMLParser {
public:
    using TLoadSaveEvent = std::function<void(TECXMLParser& sender, bool& allow)>;
    using TNotifyEvent = std::function<void(TECXMLParser& sender)>;
    using TItemChangedEvent = std::function<void(TECXMLParser& sender, TXMLItem& item)>;

    TECXMLParser();
    TECXMLParser(const TECXMLParser&) = delete;
    TECXMLParser& operator=(const TECXMLParser&) = delete;
    ~TECXMLParser();

    TXMLItem& Root() const { return *FRoot; }
    const std::string& StyleSheet() const { return FStyleSheet; }
    void SetStyleSheet(std::string href) { FStyleSheet = std::move(href); }
    bool CrLfInAsString() const { return FRoot->CrLfInAsString(); }
    void SetCrLfInAsString(bool value) { FRoot->SetCrLfInAsString(value); }

    TItemChangedEvent XMLItemChanged;
    TNotifyEvent OnLoaded;
    TNotifyEvent OnCleared;
    TNotifyEvent OnSaved;
    TLoadSaveEvent BeforeLoad;
    TLoadSaveEvent BeforeSave;
    TLoadSaveEvent BeforeClear;

    void Clear();
    void LoadFromFile(const std::string& fileName);
    void LoadFromStream(std::istream& stream);
    // bytes: the file's content, Windows-1251.
    void LoadFromString(std::string_view bytes);
    // A save that BeforeSave refuses leaves the file untouched.
    void SaveToFile(const std::string& fileName);
    void SaveToStream(std::ostream& stream, bool styleSheetTarget = false);
    // The file's bytes, Windows-1251; empty when BeforeSave refuses. A character the code page
    // cannot hold raises an error naming it.
    std::string SaveToString(bool styleSheetTarget = false);

private:
    bool Allowed(const TLoadSaveEvent& event);
    bool BuildDocument(bool styleSheetTarget, std::string& bytes);

    std::unique_ptr<TXMLItem> FRoot;
    std::string FStyleSheet;
};

// The writer's escaping of text, and the reader's way back.
std::string XMLEscape(std::string_view text);
std::string XMLUnescape(std::string_view text);
// Attribute values also carry their line breaks as character references, so that no markup
// ever stands inside quotes.
std::string XMLEscapeAttribute(std::string_view value);
std::string XMLUnescapeAttribute(std::string_view value);

} // namespace lay
