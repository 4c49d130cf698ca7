#include "PApplication.h"

#include "PDialogues.h"
#include "PErreurs.h"

#include <new>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Stelor"));
    // Set, and empty: Qt then appends nothing to the windows' captions, which
    // read exactly as the forms give them.
    setApplicationDisplayName(QString());
}

QString TexteExceptionCourante()
{
    try {
        throw;
    } catch (const EStelor& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Mémoire insuffisante");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Erreur inconnue");
    }
}

bool ExecuterCommande(const std::function<void()>& commande)
{
    try {
        commande();
        return true;
    } catch (...) {
        const QString texte = TexteExceptionCourante();
        Dialogues::Erreur(texte);
        return false;
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool resultat = false;
    ExecuterCommande([&] { resultat = QApplication::notify(receiver, event); });
    return resultat;
}
