#include "Soutien.h"

#include <QDir>
#include <QProcess>

QString CheminDonnees(const QString& nom)
{
    return QDir(QStringLiteral(STELOR_TESTDATA)).filePath(nom);
}

TRepondeurTest::TRepondeurTest(Dialogues::TRepondeur r)
{
    Dialogues::ViderJournal();
    Dialogues::InstallerRepondeur(std::move(r));
}

TRepondeurTest::~TRepondeurTest()
{
    Dialogues::RetirerRepondeur();
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
