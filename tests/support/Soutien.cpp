#include "Soutien.h"

#include <QDir>
#include <QProcess>
#include <cmath>

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

THistoFit ImageFitDe(int w, int h, const std::function<double(int, int)>& f)
{
    THistoFit im;
    CreerHistoFit(im);
    InitialiserImageFit(im, w, h, 0);
    im.Min = HUGE_VAL;
    im.Max = -HUGE_VAL;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            FixerPixelFit(im, x, y, f(x, y));
    return im;
}

THistoFit FitLu(const QString& nom)
{
    THistoFit im;
    CreerHistoFit(im);
    LireFichierFit(im, nom);
    return im;
}

QImage BitmapDe(int w, int h, int canaux, const std::function<int(int, int, int)>& f)
{
    QImage b(w, h, canaux == 1 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (canaux == 1)
        PaletteGris(b);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < canaux; ++c)
                b.scanLine(y)[x * canaux + c] = static_cast<uchar>(f(x, y, c));
    return b;
}

uchar OctetDe(const QImage& b, int x, int y, int c)
{
    return b.constScanLine(y)[x * (b.format() == QImage::Format_BGR888 ? 3 : 1) + c];
}

THistoBmp ObjetBmpDe(const QImage& b)
{
    THistoBmp o;
    CreerHistoBmp(o);
    o.BitmapSource = b;
    MinMaxBmp(o.BitmapSource, o.Min, o.Max);
    return o;
}
