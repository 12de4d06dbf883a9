#include "ui/ProgressForm.h"

#include "device/Progress.h"
#include "ui/DocForm.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace lay {

namespace {

// Whole percent of the work done, 0 to 100; nothing is done of no work.
int Percent(int position, int max) {
    if (max <= 0)
        return 0;
    const std::int64_t percent = static_cast<std::int64_t>(position) * 100 / max;
    return static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
}

} // namespace

TfmProgress::TfmProgress(TUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), FDialogs(dialogs) {
    setObjectName("fmProgress");
    // The operation runs under this window; nothing else of the program may be used meanwhile.
    setWindowModality(Qt::ApplicationModal);

    FBar = new QProgressBar(this);
    FBar->setObjectName("pbProgress");
    FBar->setTextVisible(false);
    FBar->setRange(0, 0);
    FPercent = new QLabel("0 %", this);
    FPercent->setObjectName("lbPercent");
    FElapsed = new QLabel("0", this);
    FElapsed->setObjectName("lbElapsed");
    FCancel = new QPushButton("Прервать", this);
    FCancel->setObjectName("btnCancel");
    FCancel->setAutoDefault(false);
    connect(FCancel, &QPushButton::clicked, this, &TfmProgress::reject);

    auto* values = new QFormLayout;
    values->addRow("Выполнено:", FPercent);
    values->addRow("Прошло времени, с:", FElapsed);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FBar);
    layout->addLayout(values);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

void TfmProgress::Update(TProgress& progress) {
    switch (progress.State) {
    case psStarted:
        FProgress = &progress;
        FBar->setRange(0, std::max(progress.Max, 0));
        FBar->setValue(0);
        FPercent->setText("0 %");
        FElapsed->setText("0");
        setWindowTitle(QString::fromStdString(progress.Caption));
        adjustSize();
        CentreOnScreen();
        show();
        raise();
        break;
    case psStep:
        FProgress = &progress;
        FPercent->setText(QString("%1 %").arg(Percent(progress.Position, progress.Max)));
        FBar->setValue(std::clamp(progress.Position, FBar->minimum(), FBar->maximum()));
        FElapsed->setText(QString::number(progress.Elapsed));
        break;
    case psFinished:
        FElapsed->setText(QString::number(progress.Elapsed));
        FProgress = nullptr;
        hide();
        break;
    default:
        break;
    }
    // The operation holds the program's thread: let the window paint and its button answer.
    QCoreApplication::processEvents();
}

bool TfmProgress::Running() const {
    return FProgress && FProgress->State != psFinished;
}

void TfmProgress::reject() {
    if (!Running()) {
        QDialog::reject();
        return;
    }
    if (FDialogs.Ask(this, SAppTitle, SCancelOperation, false, true) == TAnswer::Yes && FProgress)
        FProgress->Cancel();
}

void TfmProgress::CentreOnScreen() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

} // namespace lay
