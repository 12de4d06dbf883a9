#pragma once

#include <QString>

class QWidget;

namespace lay {

enum class TAnswer { Yes, No, Cancel };

// Every box and file dialog the editor shows goes through this, so that tests can answer them.
// Filters are written "description|pattern|description|pattern", as the format registries give
// them; filter indexes count from 1.
class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;
    // Yes and No, with Cancel when asked for; a warning rather than a question when asked for.
    virtual TAnswer Ask(QWidget* parent, const QString& title, const QString& text, bool withCancel,
                        bool warning = false) = 0;
    virtual void Inform(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void Warning(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void Error(QWidget* parent, const QString& title, const QString& text) = 0;
    // False when the user cancelled; otherwise fileName and filterIndex hold the choice.
    virtual bool OpenFile(QWidget* parent, const QString& filter, const QString& folder, int& filterIndex,
                          QString& fileName) = 0;
    virtual bool SaveFile(QWidget* parent, const QString& filter, const QString& folder,
                          const QString& defaultExt, int& filterIndex, QString& fileName) = 0;
};

// The platform's message boxes and file dialogs.
class TQtDialogs : public TUserDialogs {
public:
    TAnswer Ask(QWidget* parent, const QString& title, const QString& text, bool withCancel,
                bool warning = false) override;
    void Inform(QWidget* parent, const QString& title, const QString& text) override;
    void Warning(QWidget* parent, const QString& title, const QString& text) override;
    void Error(QWidget* parent, const QString& title, const QString& text) override;
    bool OpenFile(QWidget* parent, const QString& filter, const QString& folder, int& filterIndex,
                  QString& fileName) override;
    bool SaveFile(QWidget* parent, const QString& filter, const QString& folder, const QString& defaultExt,
                  int& filterIndex, QString& fileName) override;
};

// "A (*.a)|*.a|B|*.b" as the platform's name filters: "A (*.a)", "B (*.b)".
QStringList NameFilters(const QString& filter);

} // namespace lay
