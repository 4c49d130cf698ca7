#include "Soutien.h"

#include "UMain.h"
#include "UTraitementImage.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QProcess>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

#ifdef STELOR_AVEC_CFITSIO
#include <fitsio.h>
#endif

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

bool EcrireFitCfitsio(const QString& nom, int bitpix, const std::vector<long>& axes, const std::vector<double>& bruts,
                      double bscale, double bzero)
{
#ifdef STELOR_AVEC_CFITSIO
    fitsfile* f = nullptr;
    int status = 0;
    std::vector<long> n = axes;
    fits_create_file(&f, ("!" + QFile::encodeName(nom)).constData(), &status);
    fits_create_img(f, bitpix, static_cast<int>(n.size()), n.data(), &status);
    if (bscale != 1 || bzero != 0) {
        fits_write_key_dbl(f, "BSCALE", bscale, -17, nullptr, &status);
        fits_write_key_dbl(f, "BZERO", bzero, -17, nullptr, &status);
    }
    fits_set_bscale(f, 1.0, 0.0, &status); // the samples as given
    std::vector<double> d = bruts;
    fits_write_img(f, TDOUBLE, 1, static_cast<LONGLONG>(d.size()), d.data(), &status);
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0) << "cfitsio " << nom.toStdString();
    return status == 0;
#else
    (void)nom, (void)bitpix, (void)axes, (void)bruts, (void)bscale, (void)bzero;
    ADD_FAILURE() << "cfitsio is missing: the comparison cannot run (install libcfitsio-dev)";
    return false;
#endif
}

std::vector<double> LireFitCfitsio(const QString& nom)
{
    std::vector<double> r;
#ifdef STELOR_AVEC_CFITSIO
    fitsfile* f = nullptr;
    int status = 0, anynul = 0;
    long n[2] = {0, 0};
    double nul = 0;
    fits_open_file(&f, QFile::encodeName(nom).constData(), READONLY, &status);
    fits_get_img_size(f, 2, n, &status);
    std::vector<double> v(static_cast<size_t>(n[0] * n[1]));
    fits_read_img(f, TDOUBLE, 1, n[0] * n[1], &nul, v.data(), &anynul, &status);
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0) << "cfitsio " << nom.toStdString();
    if (status != 0)
        return r;
    for (long x = 0; x < n[0]; ++x)
        for (long y = 0; y < n[1]; ++y)
            r.push_back(v[static_cast<size_t>((n[1] - 1 - y) * n[0] + x)]);
#else
    (void)nom;
    ADD_FAILURE() << "cfitsio is missing: the comparison cannot run (install libcfitsio-dev)";
#endif
    return r;
}

Dialogues::TRepondeur TUtilisateurTest::Repondeur()
{
    return [this](const TDemandeDialogue& d) {
        Vus.push_back(d);
        TReponseDialogue r;
        r.Resultat = d.Genre == TGenreDemande::Question ? mrYes : mrOk;
        if (d.Genre == TGenreDemande::Modal)
            r.Resultat = Modal && d.Dialogue ? Modal(*d.Dialogue) : mrCancel;
        else if (d.Genre == TGenreDemande::OuvrirFichiers)
            r.Fichiers = AOuvrir;
        else if (d.Genre == TGenreDemande::EnregistrerFichier)
            r.Fichiers = QStringList{AEnregistrer};
        return r;
    };
}

int TUtilisateurTest::Compter(TGenreDemande genre, const QString& texte) const
{
    return static_cast<int>(std::count_if(Vus.begin(), Vus.end(), [&](const TDemandeDialogue& d) {
        return d.Genre == genre && d.Texte.contains(texte);
    }));
}

void FermerCadreSansQuestion(TMain* cadre)
{
    for (TMDIChild* f : cadre->FenetresDocument())
        if (auto* i = dynamic_cast<TTraitementImage*>(f))
            i->Modifiee = false;
    delete cadre;
}

qint64 OctetsLusParLeProcessus()
{
    QFile f(QStringLiteral("/proc/self/io"));
    f.open(QIODevice::ReadOnly);
    const QByteArray io = f.readAll();
    const qsizetype i = io.indexOf("rchar:");
    EXPECT_GE(i, 0) << "/proc/self/io illisible";
    return i < 0 ? -1 : io.mid(i + 6, io.indexOf('\n', i) - i - 6).trimmed().toLongLong();
}

TTubeNomme::TTubeNomme(QString nom) : FDelai("lecture d'un tube nommé", 60), FNom(std::move(nom))
{
    EXPECT_EQ(::mkfifo(QFile::encodeName(FNom).constData(), 0600), 0) << FNom.toStdString();
}

TTubeNomme::~TTubeNomme() { QFile::remove(FNom); }
