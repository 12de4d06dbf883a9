#include "cli/Session.h"

#include "files/CodeSetFile.h"
#include "files/FileUtils.h"
#include "files/FormatRegistry.h"
#include "files/XMLKeyboard.h"
#include "model/Errors.h"

#include <filesystem>
#include <ostream>

namespace lay::cli {

TSession::TSession(const TArgs& args, std::ostream& err) {
    TCodeSetFile::Load(FCodeSet);
    FCodeTable.BuildFlat(FCodeSet);
    SetCodeTable(&FCodeTable);

    const std::string folder =
        args.ValueOr("--catalogue", FromPath(ToPath(ProgramFolder()) / ToPath("Клавиатуры")));
    TXMLKeyboard reader;
    try {
        reader.LoadFromFolder(folder, Keyboards);
    } catch (const std::exception& e) {
        err << "Каталог клавиатур " << folder << ": " << e.what() << "\n";
    }
    for (const std::string& skipped : reader.SkippedErrors())
        err << skipped << "\n";

    FillSaveRegistry(SaveFormats);
    FillOpenRegistry(OpenFormats);
}

TSession::~TSession() {
    SetCodeTable(nullptr);
}

void TSession::Open(TLayout& layout, const std::string& fileName) {
    OpenFormats.Items(OpenFormatFor(fileName)).LoadFromFile(layout, fileName);
}

TLayoutFormat& TSession::SaveFormat(const std::string& name) {
    const int index = SaveFormatIndex(SaveFormats, name);
    if (index < 0) {
        std::string known;
        for (int i = 0; i < SaveFormats.Count(); ++i)
            known += (known.empty() ? "" : ", ") + SaveFormatName(SaveFormats, i);
        throw EUsage{"Неизвестный формат «" + name + "»; доступны: " + known};
    }
    return SaveFormats.Items(index);
}

} // namespace lay::cli
