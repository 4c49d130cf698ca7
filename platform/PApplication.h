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

// The slot of a connection that runs a command: an error the command raises
// is shown there and never crosses Qt's code. The signal's arguments are not
// passed; a slot that needs them calls ExecuterCommande itself.
inline auto Commande(std::function<void()> commande)
{
    return [commande = std::move(commande)] { ExecuterCommande(commande); };
}

// The text the error box shows for the exception being handled.
QString TexteExceptionCourante();
