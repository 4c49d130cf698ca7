#include "Soutien.h"

#include <QDir>
#include <QProcess>

QString CheminDonnees(const QString& nom)
{
    return QDir(QStringLiteral(STELOR_TESTDATA)).filePath(nom);
}

TRepondeurTest::TRepondeurTest(Dialogues::TRepondeur r) : FPrecedent(Dialogues::RepondeurCourant())
{
    Dialogues::ViderJournal();
    Dialogues::InstallerRepondeur(std::move(r));
}

TRepondeurTest::~TRepondeurTest()
{
    Dialogues::InstallerRepondeur(std::move(FPrecedent));
}

TReponseDialogue ReponseParDefaut(const TDemandeDialogue& d)
{
    TReponseDialogue r;
    switch (d.Genre) {
    case TGenreDemande::Question:
        r.Resultat = mrNo;
        break;
    case TGenreDemande::Modal:
    case TGenreDemande::OuvrirFichiers:
    case TGenreDemande::EnregistrerFichier:
    case TGenreDemande::Couleur:
    case TGenreDemande::Dossier:
        r.Resultat = mrCancel;
        break;
    default:
        r.Resultat = mrOk;
    }
    return r;
}

Dialogues::TRepondeur RepondreToujours(int resultat)
{
    return [resultat](const TDemandeDialogue& d) {
        TReponseDialogue r;
        r.Resultat = d.Genre == TGenreDemande::Question && resultat == mrOk ? mrYes : resultat;
        return r;
    };
}

int LancerProgramme(const QString& programme, const QStringList& arguments, QString* sortie, int delaiMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programme, arguments);
    if (!p.waitForStarted(delaiMs))
        return -1;
    p.waitForFinished(delaiMs);
    if (sortie)
        *sortie = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}
