#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace lay {

class TProgress;
class TUserDialogs;

// The progress of a device operation: shown when it starts, kept up to date on every step,
// hidden when it finishes. The operation can be cancelled from it; the window stays until the
// operation ends.
class TfmProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfmProgress(TUserDialogs& dialogs, QWidget* parent = nullptr);

    // The handler for TProgress::OnProgress: shows the progress's state and remembers the object
    // for cancelling until it finishes.
    void Update(TProgress& progress);
    // Asks whether to cancel the running operation and cancels it on Yes. The cancel button,
    // Escape and closing the window all come here.
    void reject() override;

    QLabel* PercentLabel() const { return FPercent; }
    QLabel* ElapsedLabel() const { return FElapsed; }
    QProgressBar* Bar() const { return FBar; }
    QPushButton* CancelButton() const { return FCancel; }

private:
    bool Running() const;
    void CentreOnScreen();

    TUserDialogs& FDialogs;
    TProgress* FProgress = nullptr;
    QLabel* FPercent;
    QLabel* FElapsed;
    QProgressBar* FBar;
    QPushButton* FCancel;
};

inline constexpr const char* SCancelOperation = "Прервать операцию ?";

} // namespace lay
