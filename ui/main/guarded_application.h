#pragma once
// The window program's application: every event, and so every slot and every core call reached
// from one, runs inside one boundary that turns an exception (memory running short, say) into a
// message instead of ending the program with the unsaved edits.
#include <QApplication>

#include <functional>

namespace varnotile {

class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
    // Where the message goes (a message box unless set; tests record it).
    static void setReporter(std::function<void(const QString&)> reporter);
    // The message for an exception that reached the event loop.
    static QString failureText(const char* what);
};

} // namespace varnotile
