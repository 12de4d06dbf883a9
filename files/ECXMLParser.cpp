#include "files/ECXMLParser.h"

#include "files/FileUtils.h"
#include "files/XMLTokenizer.h"
#include "model/Errors.h"
#include "model/Text.h"
#include "model/Utils.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <iterator>
#include <ostream>

namespace lay {

namespace {

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view by) {
    return ReplaceText(text, what, by, rfReplaceAll).Text;
}

bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 1 && b <= 32;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\0'))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

[[noreturn]] void RaiseIndex(int index) {
    throw EListError("Индекс списка вне допустимых пределов (" + std::to_string(index) + ")");
}

const std::string kHead = "<?xml version=\"1.0\" encoding=\"ISO8859-1\" ?>\r\n";

} // namespace

namespace {

// The characters that would be read as markup; "&" first so the references stay whole.
std::string EscapeMarkup(std::string_view text) {
    std::string s = ReplaceAll(text, "&", "&amp;");
    s = ReplaceAll(s, "<", "&lt;");
    s = ReplaceAll(s, ">", "&gt;");
    return ReplaceAll(s, "\"", "&quot;");
}

// The way back, all but "&amp;", which the callers undo last.
std::string UnescapeMarkup(std::string_view text) {
    std::string s = ReplaceAll(text, "&lt;", "<");
    s = ReplaceAll(s, "&gt;", ">");
    return ReplaceAll(s, "&quot;", "\"");
}

} // namespace

std::string XMLEscape(std::string_view text) {
    return ReplaceAll(EscapeMarkup(text), "\r\n", "<br/>");
}

std::string XMLUnescape(std::string_view text) {
    return ReplaceAll(UnescapeMarkup(ReplaceAll(text, "<br/>", "\r\n")), "&amp;", "&");
}

// Earlier versions wrote a line break in a value as "<br/>" inside the quotes, which their own
// reader took for the end of the tag. A character reference keeps the tag whole for every reader.
std::string XMLEscapeAttribute(std::string_view value) {
    std::string s = ReplaceAll(EscapeMarkup(value), "\r", "&#13;");
    return ReplaceAll(s, "\n", "&#10;");
}

// "&amp;" goes last, so "&amp;#13;" comes back as the five characters it stood for.
std::string XMLUnescapeAttribute(std::string_view value) {
    std::string s = UnescapeMarkup(ReplaceAll(value, "<br/>", "\r\n"));
    s = ReplaceAll(s, "&#13;", "\r");
    s = ReplaceAll(s, "&#10;", "\n");
    return ReplaceAll(s, "&amp;", "&");
}

// ---------------------------------------------------------------------------------------------

TXMLItem::~TXMLItem() = default;

void TXMLItem::Changed() {
    if (FNotify && FParser && FParser->XMLItemChanged)
        FParser->XMLItemChanged(*FParser, *this);
}

void TXMLItem::SetName(std::string name) {
    FName = std::move(name);
    Changed();
}

void TXMLItem::SetText(std::string text) {
    FText = std::move(text);
    Changed();
}

std::string TXMLItem::Attribute(std::string_view name) const {
    for (const auto& [n, v] : FAttributes)
        if (n == name)
            return v;
    return {};
}

void TXMLItem::SetAttribute(std::string_view name, std::string value) {
    auto it =
        std::find_if(FAttributes.begin(), FAttributes.end(), [&](const auto& a) { return a.first == name; });
    if (value.empty()) {
        if (it != FAttributes.end())
            FAttributes.erase(it);
    } else if (it != FAttributes.end()) {
        it->second = std::move(value);
    } else {
        FAttributes.emplace_back(std::string(name), std::move(value));
    }
}

TXMLItem& TXMLItem::Items(int index) const {
    if (index < 0 || index >= Count())
        RaiseIndex(index);
    return *FItems[static_cast<std::size_t>(index)];
}

void TXMLItem::SetParserDeep(TECXMLParser* parser) {
    FParser = parser;
    for (auto& child : FItems)
        child->SetParserDeep(parser);
}

void TXMLItem::SetParent(TXMLItem& parent) {
    if (&parent == FParent)
        return;
    if (!FParent)
        throw EInvalidOperation("Элемент без родителя нельзя перенести");
    for (const TXMLItem* p = &parent; p; p = p->FParent)
        if (p == this)
            throw EInvalidOperation("Элемент нельзя перенести внутрь него самого");
    auto& siblings = FParent->FItems;
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& p) { return p.get() == this; });
    std::unique_ptr<TXMLItem> self = std::move(*it);
    siblings.erase(it);
    FParent = &parent;
    SetParserDeep(parent.FParser);
    parent.FItems.push_back(std::move(self));
}

void TXMLItem::Clear() {
    FNotify = false;
    FItems.clear();
    FAttributes.clear();
    SetName({});
    SetText({});
    FNotify = true;
}

TXMLItem& TXMLItem::New() {
    FItems.push_back(std::unique_ptr<TXMLItem>(new TXMLItem(FParser)));
    TXMLItem& child = *FItems.back();
    child.FParent = this;
    Changed();
    return child;
}

void TXMLItem::Delete(int index) {
    if (index < 0 || index >= Count())
        RaiseIndex(index);
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TXMLItem::Move(const TXMLItem& item, int newIndex) {
    const int from = IndexOf(&item);
    if (from < 0)
        RaiseIndex(from);
    if (newIndex < 0 || newIndex >= Count())
        RaiseIndex(newIndex);
    std::unique_ptr<TXMLItem> moving = std::move(FItems[static_cast<std::size_t>(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + newIndex, std::move(moving));
}

int TXMLItem::IndexOf(const TXMLItem* item) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

int TXMLItem::IndexOfName(std::string_view name, int startIndex) const {
    for (int i = std::max(startIndex, 0); i < Count(); ++i)
        if (AnsiSameText(FItems[static_cast<std::size_t>(i)]->FName, name))
            return i;
    return -1;
}

std::string TXMLItem::AsString(int indent) {
    const std::string eol = FCrLfInAsString ? "\r\n" : "";
    const int step = FCrLfInAsString ? 2 : 0;
    std::string out(static_cast<std::size_t>(indent), ' ');
    out += '<';
    out += FName;
    for (const auto& [name, value] : FAttributes) {
        out += ' ';
        out += name;
        out += "=\"";
        out += XMLEscapeAttribute(value);
        out += '"';
    }
    const bool hasText = !Trim(FText).empty();
    // The document element is never written as an empty-element tag: the reader would take
    // that for a child of an unnamed root.
    if (!hasText && FItems.empty() && FParent)
        return out + "/>" + eol;
    out += '>';
    out += eol;
    if (hasText) {
        out.append(static_cast<std::size_t>(indent + step), ' ');
        out += XMLEscape(FText);
        out += eol;
    }
    for (auto& child : FItems) {
        child->FCrLfInAsString = FCrLfInAsString;
        out += child->AsString(indent + step);
    }
    out.append(static_cast<std::size_t>(indent), ' ');
    out += "</";
    out += FName;
    out += '>';
    out += eol;
    return out;
}

// ---------------------------------------------------------------------------------------------

namespace {

// The tag's name: up to the first space, or else up to the first "/", or else all but the ">".
std::string TagName(std::string_view tag) {
    std::string_view body = tag.substr(1);
    std::size_t end = body.find(' ');
    if (end == std::string_view::npos)
        end = body.find('/');
    if (end == std::string_view::npos)
        end = body.empty() ? 0 : body.size() - 1;
    return std::string(body.substr(0, end));
}

void ReadAttributes(std::string_view tag, TXMLItem& item) {
    item.ClearAttributes();
    const std::size_t space = tag.find(' ');
    if (space == std::string_view::npos)
        return;
    std::size_t end = tag.size() - 1; // the ">"
    if (end >= 1 && tag[end - 1] == '/')
        --end;
    if (end <= space + 1)
        return;
    std::string stretch(tag.substr(space + 1, end - space - 1));
    // A space before ">" or "/>" is not part of the last value.
    while (!stretch.empty() && stretch.back() == ' ')
        stretch.pop_back();
    bool inQuotes = false;
    for (char& c : stretch) {
        if (c == '"')
            inQuotes = !inQuotes;
        else if (c == ' ' && !inQuotes)
            c = '\n';
    }
    std::size_t from = 0;
    while (from <= stretch.size()) {
        std::size_t to = stretch.find_first_of("\r\n", from);
        if (to == std::string::npos)
            to = stretch.size();
        const std::string_view line = std::string_view(stretch).substr(from, to - from);
        if (to < stretch.size() && stretch[to] == '\r' && to + 1 < stretch.size() && stretch[to + 1] == '\n')
            ++to;
        from = to + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue; // a name without a value reads as absent
        std::string value(line.substr(eq + 1));
        if (value.size() >= 2) {
            if (value.front() == '"')
                value.erase(0, 1);
            if (!value.empty() && value.back() == '"')
                value.pop_back();
        }
        item.SetAttribute(line.substr(0, eq), XMLUnescapeAttribute(value));
    }
}

std::string AsciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

TECXMLParser::TECXMLParser() : FRoot(new TXMLItem(this)) {}

TECXMLParser::~TECXMLParser() = default;

bool TECXMLParser::Allowed(const TLoadSaveEvent& event) {
    bool allow = true;
    if (event)
        event(*this, allow);
    return allow;
}

void TECXMLParser::Clear() {
    if (!Allowed(BeforeClear))
        return;
    FRoot->Clear();
    if (OnCleared)
        OnCleared(*this);
}

void TECXMLParser::LoadFromFile(const std::string& fileName) {
    LoadFromString(ReadFileBytes(fileName));
}

void TECXMLParser::LoadFromStream(std::istream& stream) {
    const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    LoadFromString(bytes);
}

void TECXMLParser::LoadFromString(std::string_view bytes) {
    if (!Allowed(BeforeLoad))
        return;
    // Building the tree is not an edit: the handler hears nothing until the load is over.
    struct THandlerAside {
        TECXMLParser& Parser;
        TItemChangedEvent Saved;
        explicit THandlerAside(TECXMLParser& p) : Parser(p), Saved(std::move(p.XMLItemChanged)) {
            p.XMLItemChanged = nullptr;
        }
        ~THandlerAside() { Parser.XMLItemChanged = std::move(Saved); }
    } aside(*this);

    const std::string text = Cp1251ToUtf8(bytes);
    TXMLTokenizer tokens(text);
    FRoot->Clear();
    FRoot->SetName({});
    TXMLItem* current = FRoot.get();
    int depth = 1; // of current
    int lastLine = 1;
    auto deeper = [&] {
        if (depth >= MaxXMLDepth)
            RaiseXMLError(lastLine);
    };
    for (; tokens.Kind() != TXMLTokenKind::End; tokens.Next()) {
        lastLine = tokens.Line();
        if (!current)
            RaiseXMLError(lastLine);
        const std::string& token = tokens.Text();
        switch (tokens.Kind()) {
        case TXMLTokenKind::Declaration: {
            const std::string upper = AsciiUpper(token);
            if (upper.find("XML-STYLESHEET") == std::string::npos)
                break;
            const std::size_t href = upper.find("HREF=\"");
            if (href == std::string::npos)
                break;
            const std::size_t from = href + 6;
            const std::size_t to = token.find('"', from);
            if (to != std::string::npos)
                FStyleSheet = token.substr(from, to - from);
            break;
        }
        case TXMLTokenKind::Text:
            if (Trim(current->Text()).empty())
                current->SetText(XMLUnescape(token));
            else
                current->SetText(current->Text() + "\r\n" + XMLUnescape(token));
            break;
        case TXMLTokenKind::StartTag:
            if (!Trim(current->Name()).empty()) {
                deeper();
                current = &current->New();
                ++depth;
            }
            current->SetName(TagName(token));
            ReadAttributes(token, *current);
            break;
        case TXMLTokenKind::EmptyTag: {
            deeper();
            TXMLItem& child = current->New();
            child.SetName(TagName(token));
            ReadAttributes(token, child);
            break;
        }
        case TXMLTokenKind::EndTag:
            current = current->Parent();
            --depth;
            break;
        default: // comments
            break;
        }
    }
    // An element still open at the end means the file was cut short after its last token.
    if (current && (current != FRoot.get() || !Trim(FRoot->Name()).empty()))
        RaiseXMLError(lastLine);
    if (OnLoaded)
        OnLoaded(*this);
}

bool TECXMLParser::BuildDocument(bool styleSheetTarget, std::string& bytes) {
    if (!Allowed(BeforeSave))
        return false;
    std::string text = kHead;
    if (!styleSheetTarget && !Trim(FStyleSheet).empty())
        text += "<?xml-stylesheet type=\"text/xsl\" href=\"" + FStyleSheet + "\"?>\r\n";
    text += FRoot->AsString(2);
    try {
        bytes = Utf8ToCp1251(text);
    } catch (const EConvertError& e) {
        // What the user typed, not a fault of the program.
        throw Exception(e.Message());
    }
    return true;
}

std::string TECXMLParser::SaveToString(bool styleSheetTarget) {
    std::string bytes;
    if (!BuildDocument(styleSheetTarget, bytes))
        return {};
    if (OnSaved)
        OnSaved(*this);
    return bytes;
}

void TECXMLParser::SaveToStream(std::ostream& stream, bool styleSheetTarget) {
    std::string bytes;
    if (!BuildDocument(styleSheetTarget, bytes))
        return;
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!stream)
        throw EWriteError("Ошибка записи потока");
    if (OnSaved)
        OnSaved(*this);
}

void TECXMLParser::SaveToFile(const std::string& fileName) {
    const std::string extension = FromPath(ToPath(fileName).extension());
    std::string bytes;
    if (!BuildDocument(AnsiUpperCase(extension) == ".XSL", bytes))
        return;
    WriteFileAtomically(fileName, bytes);
    if (OnSaved)
        OnSaved(*this);
}

} // namespace lay
