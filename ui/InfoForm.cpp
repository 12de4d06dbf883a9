#include "ui/InfoForm.h"

#include "device/DeviceInfo.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lay {

namespace {

// The device side breaks lines with LF CR or CR LF; a label wants a plain line feed.
QString StateLines(const std::string& text) {
    QString lines = QString::fromStdString(text);
    lines.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace('\r', '\n');
    return lines;
}

} // namespace

TfmInfo::TfmInfo(QWidget* parent) : QDialog(parent) {
    setObjectName("fmInfo");
    setWindowTitle(SDeviceInfoCaption);
    FImages.push_back(style()->standardIcon(QStyle::SP_MessageBoxWarning));

    FList = new QTreeWidget(this);
    FList->setObjectName("lvInfo");
    FList->setColumnCount(2);
    FList->setHeaderLabels({"Наименование", "Значение"});
    FList->setHeaderHidden(true);
    FList->setRootIsDecorated(false);
    FList->setSelectionMode(QAbstractItemView::NoSelection);
    FList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    FList->header()->setStretchLastSection(true);

    FBroken = new QLabel(this);
    FBroken->setObjectName("imgBroken");
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    FBroken->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(size, size));
    FBroken->setVisible(false);
    FState = new QLabel(this);
    FState->setObjectName("lbState");
    FState->setTextFormat(Qt::PlainText);
    FState->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* state = new QHBoxLayout;
    state->addWidget(FBroken, 0, Qt::AlignTop);
    state->addWidget(FState, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FList, 1);
    layout->addLayout(state);
    layout->addWidget(buttons);
    resize(420, 320);
}

void TfmInfo::Fill(const TDeviceInfoReport& report) {
    FList->clear();
    for (const TDeviceInfoRow& row : report.Rows) {
        auto* item = new QTreeWidgetItem(
            FList, {QString::fromStdString(row.Caption), QString::fromStdString(row.Value)});
        if (row.Alarm)
            item->setIcon(0, FImages[0]);
    }
    FBroken->setVisible(!report.LayoutValid);
    FState->setText(StateLines(report.StateText));
}

} // namespace lay
