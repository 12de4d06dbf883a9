#include "device/DriverSetup.h"
#include "files/FormatRegistry.h"
#include "ui/DocForm.h"
#include "ui/EditorArgs.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    // Installing or removing the driver happens without any window, before anything else.
    std::vector<std::string> params(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        if (lay::InitialCheck(params))
            return 0;
    } catch (const std::exception& e) {
        QApplication app(argc, argv);
        QMessageBox::critical(nullptr, lay::SError, QString::fromUtf8(e.what()));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(lay::SAppTitle);
    QApplication::setApplicationDisplayName(lay::SAppTitle);
    std::unique_ptr<lay::TfmMain> main;
    lay::TEditorArgs args;
    try {
        // The platform's own options are gone from the arguments by now.
        std::vector<std::string> words;
        const QStringList arguments = QApplication::arguments();
        for (qsizetype i = 1; i < arguments.size(); ++i)
            words.push_back(arguments[i].toStdString());
        args = lay::ParseEditorArgs(words);
        main = std::make_unique<lay::TfmMain>(args.Setup);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, lay::SError, QString::fromUtf8(e.what()));
        return 1;
    }
    // Centred on the screen it starts on.
    if (const QScreen* screen = main->screen()) {
        const QRect area = screen->availableGeometry();
        main->resize(std::min(1280, area.width()), std::min(760, area.height()));
        main->move(area.center() - main->rect().center());
    }
    main->show();
    for (const std::string& file : args.Files)
        main->Guard([&] { main->OpenLayoutFile(lay::OpenFormatFor(file), file); });
    return QApplication::exec();
}
