#include "files/XMLKeyboard.h"

#include "files/FileUtils.h"
#include "model/Errors.h"
#include "model/Text.h"
#include "model/Utils.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace lay {

namespace {

int IntAttribute(const TXMLItem& item, const char* name) {
    return StrToInt(item.Attribute(name));
}

// A byte-wide flag keeps the low 8 bits of the number, as the description's readers always did.
std::uint8_t ByteAttribute(const TXMLItem& item, const char* name) {
    return static_cast<std::uint8_t>(IntAttribute(item, name));
}

void ReadGroup(const TXMLItem& element, TParamsGroup& group) {
    group.Name = element.Attribute("Name");
    for (int i = 0; i < element.Count(); ++i) {
        const TXMLItem& child = element.Items(i);
        if (child.Name() == "Param") {
            TKeyboardParam& param = group.Params.Add();
            param.Name = child.Attribute("Name");
            param.Value = child.Attribute("Value");
        } else if (child.Name() == "Group") {
            ReadGroup(child, group.Groups.Add());
        }
    }
}

[[noreturn]] void RaiseKeyPosition() {
    throw Exception("Неверные параметры положения кнопки.");
}

// Every layout of a model is built and walked cell by cell and layer by layer, and a device
// image holds a cell's column and row in a byte each and knows four layers: a description must
// keep to sizes a keyboard can have.
constexpr int kMaxMatrixSide = 255;
constexpr int kMaxLayers = 4;

} // namespace

void TXMLKeyboard::LoadKeyboard(TKeyboard& keyboard, const std::string& fileName) {
    FParser.LoadFromFile(fileName);
    const TXMLItem& root = FParser.Root();
    if (root.Name() != "Keyboard")
        throw Exception("Неверное имя корневого элемента.");
    if (root.Count() == 0)
        throw Exception("Отсутствуют описания клавиш.");

    keyboard.ID = IntAttribute(root, "ID");
    keyboard.Name = root.Attribute("Name");
    keyboard.ClassName = root.Attribute("ClassName");
    keyboard.Height = IntAttribute(root, "Height");
    keyboard.Width = IntAttribute(root, "Width");
    keyboard.Model = IntAttribute(root, "Model");
    keyboard.Layers = IntAttribute(root, "Layers");
    if (keyboard.Width < 1 || keyboard.Width > kMaxMatrixSide || keyboard.Height < 1 ||
        keyboard.Height > kMaxMatrixSide)
        throw Exception("Неверные размеры матрицы клавиатуры.");
    if (keyboard.Layers < 1 || keyboard.Layers > kMaxLayers)
        throw Exception("Неверное количество слоев клавиатуры.");
    keyboard.HasKey = ByteAttribute(root, "HasKey");
    const std::string maxKeys = root.Attribute("MaxKeysNum");
    keyboard.MaxKeysNum = maxKeys.empty() ? 0 : StrToInt(maxKeys);
    if (keyboard.HasKey)
        keyboard.KeyPos = IntAttribute(root, "KeyPos");
    keyboard.HasReader = ByteAttribute(root, "HasReader");
    if (keyboard.HasReader) {
        keyboard.Track1 = ByteAttribute(root, "Track1");
        keyboard.Track2 = ByteAttribute(root, "Track2");
        keyboard.Track3 = ByteAttribute(root, "Track3");
    }

    for (int i = 0; i < root.Count(); ++i) {
        const TXMLItem& child = root.Items(i);
        if (child.Name() == "Key") {
            TKeyDef& key = keyboard.KeyDefs.Add();
            // Positions count from 1; a key left of or above the matrix has no cell either.
            key.Left = IntAttribute(child, "Left");
            if (key.Left < 1 || key.Left > keyboard.Width)
                RaiseKeyPosition();
            key.Top = IntAttribute(child, "Top");
            if (key.Top < 1 || key.Top > keyboard.Height)
                RaiseKeyPosition();
            key.LogicalNumber = IntAttribute(child, "LogicalNumber");
        } else if (child.Name() == "Params") {
            for (int g = 0; g < child.Count(); ++g)
                if (child.Items(g).Name() == "Group")
                    ReadGroup(child.Items(g), keyboard.ParamsGroups.Add());
        }
    }
    if (keyboard.MaxKeysNum == 0)
        keyboard.MaxKeysNum = keyboard.KeyCount();
}

void TXMLKeyboard::LoadFromFolder(const std::string& folder, TKeyboards& keyboards) {
    FSkippedErrors.clear();
    const auto dir = ToPath(folder);
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        throw Exception("Не удалось загрузить описания клавиатур:\r\nНе существует директория \"" + folder +
                        "\"");
    keyboards.Clear();

    // Files are opened by their full path; the process's current folder is never changed.
    // Names are sorted so that the first of two entries with one identifier is the same on
    // every machine.
    const std::vector<std::filesystem::path> files = ListXmlFiles(dir, ec);
    if (ec)
        throw Exception("Не удалось загрузить описания клавиатур:\r\nНе удалось прочитать директорию \"" +
                        folder + "\"");

    TKeyboards scratchList;
    TKeyboard& scratch = scratchList.Add();
    for (const auto& file : files) {
        scratch.Clear();
        try {
            LoadKeyboard(scratch, FromPath(file));
        } catch (const std::exception& e) {
            FSkippedErrors.push_back("Ошибка в файле " + FromPath(file.filename()) + ": " + e.what());
            continue;
        }
        keyboards.Add().Assign(scratch);
    }
    if (keyboards.Count() == 0)
        throw Exception("В папке " + folder + " не найдены описания клавиатур.");
}

} // namespace lay
