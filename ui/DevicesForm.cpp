#include "ui/DevicesForm.h"

#include "files/Keyboards.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lay {

TfmDevices::TfmDevices(const TKeyboards& keyboards, int keyboardID, QWidget* parent)
    : QDialog(parent), FKeyboards(keyboards) {
    setObjectName("fmDevices");
    setWindowTitle(SDevicesCaption);

    FList = new QListWidget(this);
    FList->setObjectName("lbDevices");
    FDescription = new QPlainTextEdit(this);
    FDescription->setObjectName("memDescription");
    FDescription->setReadOnly(true);
    FDescription->setLineWrapMode(QPlainTextEdit::NoWrap);
    FClose = new QPushButton("Закрыть", this);
    FClose->setObjectName("btnClose");
    connect(FClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* panes = new QHBoxLayout;
    panes->addWidget(FList, 1);
    panes->addWidget(FDescription, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addLayout(buttons);
    resize(600, 360);

    if (keyboards.Count() == 0) {
        FClose->setEnabled(false);
        return;
    }
    for (const TKeyboard& keyboard : keyboards) {
        auto* item = new QListWidgetItem(QString::fromStdString(keyboard.Name), FList);
        item->setData(Qt::UserRole, keyboard.ID);
        if (keyboard.ID == keyboardID && !FList->currentItem())
            FList->setCurrentItem(item);
    }
    ShowDescription(FList->currentRow());
    connect(FList, &QListWidget::currentRowChanged, this, &TfmDevices::ShowDescription);
    FClose->setDefault(true);
}

void TfmDevices::ShowDescription(int row) {
    // The list follows the catalogue's order, so a row is a model even when identifiers repeat.
    QStringList lines;
    if (row >= 0 && row < FKeyboards.Count())
        for (const std::string& line : ParamsGroupsLines(FKeyboards.Items(row).ParamsGroups))
            lines << QString::fromStdString(line);
    FDescription->setPlainText(lines.join('\n'));
}

} // namespace lay
