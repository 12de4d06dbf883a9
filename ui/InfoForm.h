#pragma once

#include <QDialog>
#include <QIcon>

#include <vector>

class QLabel;
class QTreeWidget;

namespace lay {

struct TDeviceInfoReport;

// What the keyboard told about itself: its versions, memory, model and matrix, and whether the
// layout in it works.
class TfmInfo : public QDialog {
    Q_OBJECT
public:
    explicit TfmInfo(QWidget* parent = nullptr);

    // Replaces the list with the report's rows; a row with an alarm gets the warning picture.
    void Fill(const TDeviceInfoReport& report);

    QTreeWidget* List() const { return FList; }
    // The pictures the rows can carry; the first one is the warning.
    const std::vector<QIcon>& Images() const { return FImages; }

private:
    QTreeWidget* FList;
    QLabel* FBroken;
    QLabel* FState;
    std::vector<QIcon> FImages;
};

inline constexpr const char* SDeviceInfoCaption = "Информация об устройстве";

} // namespace lay
