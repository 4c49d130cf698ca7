#pragma once
// The application object: no exception ever crosses the event loop; a failing
// command ends there and its French text is shown in the "Stelor" error box.
#include <QApplication>
#include <functional>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Runs a command handler; an error it raises is shown, never propagated.
// Returns false when the command failed.
bool ExecuterCommande(const std::function<void()>& commande);

// The text the error box shows for the exception being handled.
QString TexteExceptionCourante();
