// Varimel: start-up creates the one main window and runs until it closes.
#include "Main.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv)
{
    try {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Varimel"));
        QApplication::setOrganizationName(QStringLiteral("Korvath"));
        TMainForm form;
        form.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        if (QApplication::instance())
            QMessageBox::critical(nullptr, QStringLiteral("Varimel"), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        if (QApplication::instance())
            QMessageBox::critical(nullptr, QStringLiteral("Varimel"), QString());
    }
    return 0;
}
