#include "PFichiers.h"

#include "PErreurs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

int CodeErreurOuverture(const QString& nom)
{
    QFileInfo info(nom);
    if (!info.exists())
        return info.dir().exists() ? ES_FichierIntrouvable : ES_CheminIntrouvable;
    if (!info.isReadable() || info.isDir())
        return ES_AccesRefuse;
    return ES_AccesRefuse;
}

QByteArray LireFichierComplet(const QString& nom)
{
    QFile f(nom);
    if (!f.open(QIODevice::ReadOnly))
        LeverErreurFichier(CodeErreurOuverture(nom));
    const qint64 taille = f.size();
    QByteArray donnees;
    donnees.resize(taille);
    qint64 lus = 0;
    while (lus < taille) {
        const qint64 n = f.read(donnees.data() + lus, taille - lus);
        if (n < 0)
            LeverErreurFichier(ES_LectureApresFin);
        if (n == 0)
            break;
        lus += n;
    }
    if (lus != taille)
        LeverErreurFichier(ES_LectureApresFin);
    return donnees;
}

void EcrireFichierSur(const QString& nom, const std::function<void(QIODevice&)>& ecrire)
{
    QSaveFile f(nom);
    if (!f.open(QIODevice::WriteOnly)) {
        const QFileInfo info(nom);
        LeverErreurFichier(info.dir().exists() ? ES_AccesRefuse : ES_CheminIntrouvable);
    }
    ecrire(f); // may throw: QSaveFile then discards the temporary file
    if (f.error() != QFileDevice::NoError) {
        f.cancelWriting();
        LeverErreurFichier(ES_ErreurEcriture);
    }
    if (!f.commit())
        LeverErreurFichier(ES_ErreurEcriture);
}

void EcrireFichierSur(const QString& nom, const QByteArray& contenu)
{
    EcrireFichierSur(nom, [&](QIODevice& d) {
        if (d.write(contenu) != contenu.size())
            LeverErreurFichier(ES_ErreurEcriture);
    });
}
