// Varimel: start-up creates the one main window and runs until it closes.
#include "Main.h"
#include "data/Paths.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

namespace {

void ShowException(const QString& text) { QMessageBox::critical(nullptr, QApplication::applicationName(), text); }

// An error that escapes a command is shown, and the window carries on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowException(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowException(QString());
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    // A window closed by a signal during a save leaves no hidden temporary.
    varimel::RemoveTemporariesOnSignals();
    try {
        TApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Varimel"));
        QApplication::setOrganizationName(QStringLiteral("Korvath"));
        TMainForm form;
        form.show();
        QApplication::exec();
    } catch (const std::exception& e) {
        if (QApplication::instance())
            ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        if (QApplication::instance())
            ShowException(QString());
    }
    return 0;
}
