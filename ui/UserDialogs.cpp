#include "ui/UserDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace lay {

QStringList NameFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(';', ' ');
        // The platform reads the patterns from the parentheses of the description.
        result << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + pattern + ")");
    }
    return result;
}

namespace {

// The device side breaks its lines with CR LF, as the keyboard's tools always have; a box
// wants plain line feeds.
QString BoxText(QString text) {
    text.remove('\r');
    return text.trimmed();
}

} // namespace

TAnswer TQtDialogs::Ask(QWidget* parent, const QString& title, const QString& text, bool withCancel,
                        bool warning) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, title, BoxText(text),
                    withCancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                               : QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, withCancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        return TAnswer::Cancel;
    }
}

void TQtDialogs::Inform(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::information(parent, title, BoxText(text));
}

void TQtDialogs::Warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::warning(parent, title, BoxText(text));
}

void TQtDialogs::Error(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox::critical(parent, title, BoxText(text));
}

namespace {

bool RunFileDialog(QFileDialog& dialog, const QString& filter, int& filterIndex, QString& fileName) {
    const QStringList filters = NameFilters(filter);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (filterIndex < 1)
        filterIndex = 1;
    return true;
}

} // namespace

bool TQtDialogs::OpenFile(QWidget* parent, const QString& filter, const QString& folder, int& filterIndex,
                          QString& fileName) {
    QFileDialog dialog(parent, QString(), folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return RunFileDialog(dialog, filter, filterIndex, fileName);
}

bool TQtDialogs::SaveFile(QWidget* parent, const QString& filter, const QString& folder,
                          const QString& defaultExt, int& filterIndex, QString& fileName) {
    QFileDialog dialog(parent, QString(), folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!RunFileDialog(dialog, filter, filterIndex, fileName))
        return false;
    // A name typed without an extension takes the one of the chosen file type.
    if (QFileInfo(fileName).suffix().isEmpty()) {
        const QStringList parts = filter.split('|');
        QString ext = defaultExt;
        const qsizetype at = 2 * (filterIndex - 1) + 1;
        if (at < parts.size() && parts[at].startsWith("*.") && !parts[at].contains(';'))
            ext = parts[at].mid(2);
        if (!ext.isEmpty() && !ext.contains('*'))
            fileName += "." + ext;
    }
    return true;
}

} // namespace lay
