#include "files/CodeSetFile.h"

#include "files/ECXMLParser.h"
#include "files/FileUtils.h"
#include "model/Errors.h"
#include "model/Utils.h"

namespace lay {

void TCodeSetFile::LoadFromFile(TCodeSet& codeSet, const std::string& fileName) {
    TECXMLParser parser;
    parser.LoadFromFile(fileName);
    const TXMLItem& root = parser.Root();
    if (root.Name() != "Root")
        throw Exception("Неверное имя корневого элемента в файле описания стандартных кодов.");
    if (root.Count() == 0)
        throw Exception("Отсутствуют группы клавиш в файле описания стандартных кодов.");
    for (int g = 0; g < root.Count(); ++g) {
        const TXMLItem& groupItem = root.Items(g);
        TCodeTable& group = codeSet.AddGroup(groupItem.Attribute("Name"));
        for (int k = 0; k < groupItem.Count(); ++k) {
            const TXMLItem& key = groupItem.Items(k);
            group.AddCode(key.Attribute("Name"), HexToBytes(key.Attribute("Scancode")),
                          HexToBytes(key.Attribute("Makecode")), HexToBytes(key.Attribute("Breakcode")));
        }
    }
}

std::string TCodeSetFile::DefaultFileName() {
    return FromPath(ToPath(ProgramFolder()) / ToPath("Клавиши") / ToPath("Клавиши.xml"));
}

bool TCodeSetFile::Load(TCodeSet& codeSet) {
    return Load(codeSet, DefaultFileName());
}

bool TCodeSetFile::Load(TCodeSet& codeSet, const std::string& fileName) {
    try {
        codeSet.Clear();
        LoadFromFile(codeSet, fileName);
        return true;
    } catch (const std::exception&) {
        // Whatever was read is dropped: a half-read table would name keys inconsistently.
        codeSet.LoadDefault();
        return false;
    }
}

void TCodeSetFile::SaveToFile(const TCodeSet& codeSet, const std::string& fileName) {
    TECXMLParser parser;
    TXMLItem& root = parser.Root();
    root.SetName("Root");
    for (int g = 0; g < codeSet.Count(); ++g) {
        const TCodeTable& group = codeSet.Items(g);
        TXMLItem& groupItem = root.New();
        groupItem.SetName("Group");
        groupItem.SetAttribute("Name", group.Name());
        for (int k = 0; k < group.Count(); ++k) {
            const TStdCode& code = group.Items(k);
            TXMLItem& key = groupItem.New();
            key.SetName("Key");
            key.SetAttribute("Name", code.Name);
            auto hex = [](const TBytes& bytes) {
                std::string text = BytesToHexSpaced(bytes);
                if (!text.empty())
                    text.pop_back();
                return text;
            };
            key.SetAttribute("Scancode", hex(code.Scancode));
            key.SetAttribute("Makecode", hex(code.Makecode));
            key.SetAttribute("Breakcode", hex(code.Breakcode));
        }
    }
    parser.SaveToFile(fileName);
}

} // namespace lay
