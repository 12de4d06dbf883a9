#pragma once

#include <QDialog>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace lay {

class TKeyboards;

// The keyboard models of the catalogue, each with its description. Made for one showing.
class TfmDevices : public QDialog {
    Q_OBJECT
public:
    // Selects the model with keyboardID; none is selected when the catalogue has no such model.
    TfmDevices(const TKeyboards& keyboards, int keyboardID, QWidget* parent = nullptr);

    QListWidget* List() const { return FList; }
    QPlainTextEdit* Description() const { return FDescription; }
    QPushButton* CloseButton() const { return FClose; }

private:
    void ShowDescription(int row);

    const TKeyboards& FKeyboards;
    QListWidget* FList;
    QPlainTextEdit* FDescription;
    QPushButton* FClose;
};

inline constexpr const char* SDevicesCaption = "Поддерживаемые устройства";

} // namespace lay
