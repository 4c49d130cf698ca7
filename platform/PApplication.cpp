#include "PApplication.h"

#include "PDialogues.h"
#include "PErreurs.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <new>
#include <stdexcept>

namespace {

// The few texts of Qt's file list that its French catalogue lacks: the kind
// of a folder, a drive or a link.
class TTraductionTypesFichiers : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* contexte, const char* source, const char*, int) const override
    {
        if (qstrcmp(contexte, "QAbstractFileIconProvider") != 0)
            return {};
        static const std::pair<const char*, const char*> textes[] = {
            {"Folder", "Dossier"}, {"File Folder", "Dossier"}, {"Drive", "Lecteur"}, {"File", "Fichier"},
            {"Shortcut", "Raccourci"}, {"Alias", "Alias"}, {"Unknown", "Inconnu"}};
        for (const auto& [anglais, francais] : textes)
            if (qstrcmp(source, anglais) == 0)
                return QString::fromUtf8(francais);
        return {};
    }
};

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Stelor"));
    // Set, and empty: Qt then appends nothing to the windows' captions, which
    // read exactly as the forms give them.
    setApplicationDisplayName(QString());
    // Qt's own texts (Oui/Non buttons, the file dialogs and the kinds of
    // files they list, the windows' system menus) speak French like the rest,
    // whatever the system's language. Our numbers never go through QLocale.
    const QLocale francais(QLocale::French, QLocale::France);
    QLocale::setDefault(francais);
    auto* qt = new QTranslator(this);
    if (qt->load(francais, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qt);
    installTranslator(new TTraductionTypesFichiers(this));
}

QString TexteExceptionCourante()
{
    try {
        throw;
    } catch (const EStelor& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Mémoire insuffisante");
    } catch (const std::length_error&) {
        return QStringLiteral("Mémoire insuffisante : la taille demandée dépasse ce qu'un bloc peut contenir.");
    } catch (const std::exception&) {
        // The library's own text ("vector::reserve") tells the user nothing.
        return QStringLiteral("Erreur interne : l'opération a été abandonnée.");
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
