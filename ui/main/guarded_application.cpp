#include "guarded_application.h"

#include <QMessageBox>

#include <exception>
#include <new>

namespace varnotile {
namespace {

std::function<void(const QString&)>& reporter() {
    static std::function<void(const QString&)> shown;
    return shown;
}

void report(const QString& text) {
    if (reporter()) {
        reporter()(text);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Varnotile"), text);
}

} // namespace

void GuardedApplication::setReporter(std::function<void(const QString&)> shown) { reporter() = std::move(shown); }

QString GuardedApplication::failureText(const char* what) {
    return QStringLiteral("The last command could not be finished: %1. The program goes on; if the table looks "
                          "wrong, save it under another name and compare.")
        .arg(QString::fromLocal8Bit(what));
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        report(failureText("there is not enough memory"));
    } catch (const std::exception& error) {
        report(failureText(error.what()));
    } catch (...) {
        report(failureText("an unknown error"));
    }
    return false;
}

} // namespace varnotile
