#include "UiTestSupport.h"

#include "ui/MainForm.h"
#include "ui/QtCanvas.h"

#include <QApplication>
#include <QFile>
#include <QtTest>

#include <algorithm>

namespace lay {

TAnswer TScriptedDialogs::Ask(QWidget*, const QString& title, const QString& text, bool, bool) {
    Boxes.push_back({"ask", title, text});
    if (Answers.empty()) {
        qWarning("unscripted question: %s", qPrintable(text));
        return TAnswer::Cancel;
    }
    const TAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
}

void TScriptedDialogs::Inform(QWidget*, const QString& title, const QString& text) {
    Boxes.push_back({"inform", title, text});
}

void TScriptedDialogs::Warning(QWidget*, const QString& title, const QString& text) {
    Boxes.push_back({"warning", title, text});
}

void TScriptedDialogs::Error(QWidget*, const QString& title, const QString& text) {
    Boxes.push_back({"error", title, text});
}

bool TScriptedDialogs::NextFile(const QString& filter, int& filterIndex, QString& fileName) {
    LastFilter = filter;
    LastProposedName = fileName;
    if (Files.empty()) {
        qWarning("unscripted file dialog");
        return false;
    }
    const std::optional<TFileChoice> choice = Files.front();
    Files.pop_front();
    if (!choice)
        return false;
    fileName = choice->FileName;
    filterIndex = choice->FilterIndex;
    return true;
}

bool TScriptedDialogs::OpenFile(QWidget*, const QString& filter, const QString&, int& filterIndex,
                                QString& fileName) {
    return NextFile(filter, filterIndex, fileName);
}

bool TScriptedDialogs::SaveFile(QWidget*, const QString& filter, const QString&, const QString&,
                                int& filterIndex, QString& fileName) {
    return NextFile(filter, filterIndex, fileName);
}

std::vector<TScriptedDialogs::TBox> TScriptedDialogs::Of(const QString& kind) const {
    std::vector<TBox> result;
    std::copy_if(Boxes.begin(), Boxes.end(), std::back_inserter(result),
                 [&](const TBox& b) { return b.Kind == kind; });
    return result;
}

TTestEditor::TTestEditor(const QString& settingsText, std::optional<TSimulatorChoice> simulator) {
    if (!settingsText.isEmpty()) {
        QFile file(SettingsFile());
        if (file.open(QIODevice::WriteOnly))
            file.write(settingsText.toUtf8());
    }
    TEditorSetup setup;
    setup.Manager.SettingsFile = SettingsFile().toStdString();
    setup.Manager.CatalogueFolder = LAYOMATIC_DATA "/Клавиатуры";
    setup.Manager.CodeFile = LAYOMATIC_DATA "/Клавиши/Клавиши.xml";
    setup.Manager.FirmwareFolder = Dir.filePath("Прошивки").toStdString();
    setup.Simulator = std::move(simulator);
    Main = std::make_unique<TfmMain>(setup, &Dialogs);
    Main->resize(1000, 700);
    Main->show();
    ProcessEvents();
}

TTestEditor::~TTestEditor() = default;

QString TTestEditor::SettingsFile() const {
    return Dir.filePath("layomatic.ini");
}

TKeyboardModel GappedModel(int cols, int rows, int layers, const std::vector<TPoint>& gaps) {
    TKeyboardModel model;
    model.ID = 900;
    model.Width = cols;
    model.Height = rows;
    model.Layers = layers;
    int number = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (std::find(gaps.begin(), gaps.end(), TPoint{c, r}) == gaps.end())
                model.Keys.push_back({c + 1, r + 1, ++number});
    return model;
}

void ProcessEvents() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

} // namespace lay
