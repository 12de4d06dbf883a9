#pragma once

#include "device/KeyboardSimulator.h"
#include "model/Layout.h"
#include "ui/UserDialogs.h"

#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace lay {

class TfmMain;
class TfmDoc;

// Answers the editor's boxes and file dialogs from a script and records what was shown.
class TScriptedDialogs : public TUserDialogs {
public:
    struct TBox {
        QString Kind; // "ask", "inform", "warning", "error"
        QString Title;
        QString Text;
    };
    struct TFileChoice {
        QString FileName;
        int FilterIndex = 1;
    };
    std::vector<TBox> Boxes;
    std::deque<TAnswer> Answers;
    // nullopt: the user cancels the dialog.
    std::deque<std::optional<TFileChoice>> Files;
    // The filter and proposed name the last file dialog was given.
    QString LastFilter;
    QString LastProposedName;

    TAnswer Ask(QWidget*, const QString& title, const QString& text, bool withCancel,
                bool warning = false) override;
    void Inform(QWidget*, const QString& title, const QString& text) override;
    void Warning(QWidget*, const QString& title, const QString& text) override;
    void Error(QWidget*, const QString& title, const QString& text) override;
    bool OpenFile(QWidget*, const QString& filter, const QString& folder, int& filterIndex,
                  QString& fileName) override;
    bool SaveFile(QWidget*, const QString& filter, const QString& folder, const QString& defaultExt,
                  int& filterIndex, QString& fileName) override;
    // The boxes of one kind, in order.
    std::vector<TBox> Of(const QString& kind) const;

private:
    bool NextFile(const QString& filter, int& filterIndex, QString& fileName);
};

// A main window over a settings file in a temporary folder and the catalogue of data/; with a
// simulator choice its device commands reach a simulated keyboard.
struct TTestEditor {
    explicit TTestEditor(const QString& settingsText = {},
                         std::optional<TSimulatorChoice> simulator = std::nullopt);
    ~TTestEditor();
    QString SettingsFile() const;
    QString Path(const QString& name) const { return Dir.filePath(name); }

    QTemporaryDir Dir;
    TScriptedDialogs Dialogs;
    std::unique_ptr<TfmMain> Main;
};

// A model of columns × rows with no key at the listed zero-based cells.
TKeyboardModel GappedModel(int cols, int rows, int layers, const std::vector<TPoint>& gaps);

// Lets posted events (start-up messages, deferred refreshes) run.
void ProcessEvents();

} // namespace lay
