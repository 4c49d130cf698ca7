#include "PErreurs.h"

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

void LeverErreur(const QString& message) { throw EStelor(message); }
void LeverErreurFichier(int code) { throw EErreurFichier(code); }
