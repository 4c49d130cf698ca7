#include "PErreurs.h"

#include <cerrno>

EStelor::EStelor(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toStdString()) {}

QString TexteErreurES(int code)
{
    switch (code) {
    case ES_FichierIntrouvable:
    case ES_CheminIntrouvable:
        return QStringLiteral("Fichier introuvable");
    case ES_AccesRefuse:
        return QStringLiteral("Accès au fichier refusé");
    case ES_LectureApresFin:
        return QStringLiteral("Lecture au-delà de la fin de fichier");
    default:
        return QStringLiteral("Erreur E/S %1").arg(code);
    }
}

EErreurFichier::EErreurFichier(int code) : EStelor(TexteErreurES(code)), FCode(code) {}
EErreurFichier::EErreurFichier(int code, const QString& message) : EStelor(message), FCode(code) {}

QString TexteErreurFichier(TSensFichier sens, const QString& nom, const QString& cause)
{
    return (sens == TSensFichier::Lecture ? QStringLiteral("Impossible de lire le fichier « %1 » : %2.")
                                          : QStringLiteral("Impossible d'écrire le fichier « %1 » : %2."))
        .arg(nom, cause);
}

QString CauseErreurSysteme(int erreur)
{
    switch (erreur) {
    case ENOENT:
        return QStringLiteral("il n'existe pas");
    case ENOTDIR:
        return QStringLiteral("un élément de son chemin n'est pas un dossier");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission refusée");
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case ENOSPC:
        return QStringLiteral("le disque est plein");
    case EDQUOT:
        return QStringLiteral("le quota de disque est atteint");
    case EISDIR:
        return QStringLiteral("c'est un dossier, pas un fichier");
    case ELOOP:
        return QStringLiteral("ses liens symboliques forment une boucle");
    case ENAMETOOLONG:
        return QStringLiteral("son nom est trop long");
    case EFBIG:
        return QStringLiteral("il dépasse la taille que le disque permet");
    case EIO:
        return QStringLiteral("erreur matérielle d'entrée-sortie");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers sont ouverts");
    case ETXTBSY:
    case EBUSY:
        return QStringLiteral("il est occupé par le système");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("ce n'est pas un fichier ordinaire");
    default:
        return QStringLiteral("erreur système n° %1").arg(erreur);
    }
}

int CodeErreurSysteme(int erreur, TSensFichier sens)
{
    switch (erreur) {
    case ENOENT:
        return ES_FichierIntrouvable;
    case ENOTDIR:
    case ENAMETOOLONG:
        return ES_CheminIntrouvable;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ELOOP:
    case ETXTBSY:
    case EBUSY:
    case ENXIO:
    case ENODEV:
        return ES_AccesRefuse;
    default:
        return sens == TSensFichier::Lecture ? ES_LectureApresFin : ES_ErreurEcriture;
    }
}

void LeverErreur(const QString& message) { throw EStelor(message); }
void LeverErreurFichier(int code) { throw EErreurFichier(code); }

void LeverErreurFichier(int code, TSensFichier sens, const QString& nom, const QString& cause)
{
    throw EErreurFichier(code, TexteErreurFichier(sens, nom, cause));
}

void LeverErreurSysteme(TSensFichier sens, const QString& nom, int erreur)
{
    LeverErreurFichier(CodeErreurSysteme(erreur, sens), sens, nom, CauseErreurSysteme(erreur));
}
