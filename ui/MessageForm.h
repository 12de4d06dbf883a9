#pragma once

#include <QDockWidget>

#include <functional>
#include <string>

class QListWidget;
class QMenu;

namespace lay {

class TUserDialogs;

// The list of check and search lines, docked along the bottom of the main window or floating
// on its own. Each line remembers the layout it concerns.
class TfmMessageWindow : public QDockWidget {
    Q_OBJECT
public:
    TfmMessageWindow(TUserDialogs& dialogs, QWidget* parent);

    void AddMessage(const std::string& text, int tag);
    void ClearMessages();
    // Chooses the selected line: OnMessageClick gets its text and tag.
    void GotoMessage();
    // Writes every line into a text file the user chooses.
    void SaveMessages();
    int Count() const;
    QString Text(int index) const;
    QListWidget* List() const { return FList; }
    QMenu* Menu() const { return FMenu; }

    // Shows the window where it is: docked with the panel height restored, or floating.
    void ShowDockable();
    void HideDockable();
    bool Docked() const;
    // The height the bottom panel takes when the window is docked again; below 2 means unknown.
    int DockHeight = 0;

    std::function<void(const std::string& text, int tag)> OnMessageClick;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TUserDialogs& FDialogs;
    QListWidget* FList;
    QMenu* FMenu;
};

inline constexpr const char* SMessagesCaption = "Сообщения";

} // namespace lay
