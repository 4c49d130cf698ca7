#include "Soutien.h"

#include "PFichiers.h"
#include "UMain.h"
#include "UTraitementImage.h"
#include "hh.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <sstream>
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

void PrintTo(TGenreDemande genre, std::ostream* os)
{
    static const char* const genres[] = {"Information", "Question", "Avertissement", "Erreur", "Modal",
                                         "OuvrirFichiers", "EnregistrerFichier", "Couleur", "Dossier"};
    *os << genres[static_cast<int>(genre)];
}

void PrintTo(const TDemandeDialogue& d, std::ostream* os)
{
    PrintTo(d.Genre, os);
    *os << " : " << (d.Genre == TGenreDemande::Modal ? d.NomObjet : d.Texte).toStdString();
    if (!d.Dossier.isEmpty())
        *os << " [" << d.Dossier.toStdString() << ']';
}

std::string JournalDialogues()
{
    std::ostringstream texte;
    texte << "journal des dialogues (" << Dialogues::Journal().size() << ") :";
    for (const TDemandeDialogue& d : Dialogues::Journal()) {
        texte << "\n  ";
        PrintTo(d, &texte);
    }
    return texte.str();
}

Dialogues::TRepondeur RepondreToujours(int resultat)
{
    return [resultat](const TDemandeDialogue& d) {
        TReponseDialogue r;
        r.Resultat = d.Genre == TGenreDemande::Question && resultat == mrOk ? mrYes : resultat;
        return r;
    };
}

namespace {

struct TExecution {
    int Code = -1; // -1: not started, -2: crashed, -3: killed at the deadline
    QByteArray Sortie, Erreurs;
};

TExecution Executer(const QString& programme, const QStringList& arguments, int delaiMs,
                    QProcess::ProcessChannelMode canaux = QProcess::SeparateChannels)
{
    TExecution e;
    QProcess p;
    p.setProcessChannelMode(canaux);
    p.start(programme, arguments);
    if (!p.waitForStarted(delaiMs)) {
        ADD_FAILURE() << programme.toStdString() << " could not start";
        return e;
    }
    if (!p.waitForFinished(delaiMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << programme.toStdString() << " still running after " << delaiMs << " ms";
        e.Code = -3;
    } else
        e.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    e.Sortie = p.readAllStandardOutput();
    e.Erreurs = p.readAllStandardError();
    return e;
}

} // namespace

int LancerProgramme(const QString& programme, const QStringList& arguments, QString* sortie, int delaiMs)
{
    const TExecution e = Executer(programme, arguments, delaiMs, QProcess::MergedChannels);
    if (sortie)
        *sortie = QString::fromUtf8(e.Sortie);
    return e.Code;
}

QString Python(const QString& oracle, const QStringList& arguments)
{
    const TExecution e =
        Executer(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(STELOR_SOURCE_DIR "/tests/support/oracles.py"), oracle} + arguments, 120000);
    EXPECT_EQ(e.Code, 0) << oracle.toStdString() << ": " << e.Erreurs.toStdString();
    return QString::fromUtf8(e.Sortie).trimmed();
}

::testing::AssertionResult AccepteParFitsverify(const QString& nom)
{
    const TExecution e = Executer(QStringLiteral("/usr/bin/fitsverify"), {nom}, 60000);
    if (e.Code >= 0 && e.Sortie.contains(" and 0 error(s)."))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << e.Sortie.toStdString() << e.Erreurs.toStdString();
}

QStringList RefusesParFitsverify(const QStringList& noms)
{
    // One run for all: its quiet form gives one line per file, and "FAILED"
    // there also stands for warnings alone.
    QStringList refuses;
    for (qsizetype debut = 0; debut < noms.size(); debut += 200) {
        const QStringList lot = noms.mid(debut, 200);
        const TExecution e = Executer(QStringLiteral("/usr/bin/fitsverify"), QStringList{"-q"} + lot, 120000);
        const QStringList lignes = QString::fromLocal8Bit(e.Sortie).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& nom : lot) {
            QStringList l; // the name whole: a1.fit is not a10.fit
            for (const QString& ligne : lignes) {
                const qsizetype p = ligne.indexOf(QStringLiteral(": ") + nom);
                const qsizetype fin = p + 2 + nom.size();
                if (p >= 0 && (fin == ligne.size() || ligne[fin] == QLatin1Char(' ') || ligne[fin] == QLatin1Char(',')))
                    l << ligne;
            }
            if (l.size() != 1 || !(l[0].contains(QLatin1String("verification OK")) ||
                                   l[0].contains(QLatin1String(" and 0 error"))))
                refuses << (l.isEmpty() ? nom + QStringLiteral(" (absent du rapport)") : l.join(QLatin1Char(' ')));
        }
    }
    return refuses;
}

QByteArray DecodeParDjpeg(const QString& nom)
{
    const TExecution e = Executer(QStringLiteral("/usr/bin/djpeg"), {QStringLiteral("-pnm"), nom}, 60000);
    EXPECT_EQ(e.Code, 0) << nom.toStdString() << ": " << e.Erreurs.toStdString();
    return e.Code == 0 ? e.Sortie : QByteArray();
}

void EcrireSeriesEssai(const QString& dossier)
{
    Python(QStringLiteral("series_essai"), {QStringLiteral(STELOR_TESTDATA), dossier});
}

TPiloteModal::TPiloteModal(std::function<void(QWidget&)> agir, int delaiMs)
    : Agir(std::move(agir)), FPrecedent(Dialogues::RepondeurCourant()), FDelai(delaiMs)
{
    Dialogues::RetirerRepondeur();
    FMinuterie.setInterval(10);
    QObject::connect(&FMinuterie, &QTimer::timeout, [this] { Tic(); });
    FMinuterie.start();
}

TPiloteModal::~TPiloteModal()
{
    FMinuterie.stop();
    Dialogues::InstallerRepondeur(std::move(FPrecedent));
}

void TPiloteModal::Tic()
{
    QWidget* haut = QApplication::activeModalWidget();
    if (haut != FHaut) {
        FHaut = haut;
        FDepuis.start();
    }
    if (!haut)
        return;
    if (!FEchec && FDepuis.elapsed() > FDelai) {
        FEchec = true;
        ADD_FAILURE() << haut->metaObject()->className() << " \"" << haut->windowTitle().toStdString()
                      << "\" still open " << FDelai << " ms after it was shown: closed";
    }
    if (FEchec) {
        if (auto* d = qobject_cast<QDialog*>(haut))
            d->done(QDialog::Rejected);
        else
            haut->close();
        return;
    }
    // Each action from its own event: a timer never fires inside its own
    // handler, and an action may open the next modal window.
    if (!Agir || FEnCours.contains(haut))
        return;
    FEnCours.insert(haut);
    QTimer::singleShot(0, &FMinuterie, [this, haut, garde = QPointer<QWidget>(haut)] {
        if (garde && !FEchec)
            Agir(*garde);
        FEnCours.remove(haut);
    });
}

void ChoisirDansDialogue(QFileDialog& d, const QStringList& noms)
{
    auto* nom = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* liste = d.findChild<QListView*>(QStringLiteral("listView"));
    ASSERT_TRUE(nom && liste);
    // A line chosen in the list would win over the typed names.
    liste->selectionModel()->clearSelection();
    nom->setText(noms.size() == 1 ? noms[0] : QLatin1Char('"') + noms.join(QStringLiteral("\" \"")) + QLatin1Char('"'));
    static_cast<QDialog&>(d).accept(); // the dialog's own accept, as its button
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

std::vector<double> CommeLeLecteur(std::vector<double> v)
{
    for (double& x : v)
        x = std::isfinite(x) ? x : 0;
    const double m = v.empty() ? 0 : std::min(0.0, *std::ranges::min_element(v));
    for (double& x : v)
        x -= m;
    return v;
}

QString PixelsBruts(const THistoFit& im, const QString& nom)
{
    EcrireFichierSur(nom, QByteArray(reinterpret_cast<const char*>(im.Pixels.data()),
                                     static_cast<qsizetype>(im.Pixels.size() * sizeof(double))));
    return nom;
}

Dialogues::TRepondeur TUtilisateurTest::Repondeur()
{
    return [this](const TDemandeDialogue& d) {
        Vus.push_back(d);
        TReponseDialogue r;
        r.Resultat = d.Genre == TGenreDemande::Question ? Question : mrOk;
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

TLecteurAideEssai::TLecteurAideEssai(const QString& dossier)
    : FChemin(qgetenv("PATH")), FJournal(QDir(dossier).filePath(QStringLiteral("appels.txt")))
{
    EXPECT_TRUE(QDir(dossier).mkpath(QStringLiteral("bin")));
    const QString script = QDir(dossier).filePath(QStringLiteral("bin/xchm"));
    // One write a line: viewers started together append side by side, and
    // pieces of their lines written one by one would mingle.
    EcrireFichierSur(script, "#!/bin/sh\nl=appel; for a in \"$@\"; do l=\"$l|$a\"; done; "
                             "printf '%s\\n' \"$l\" >> '" + FJournal.toUtf8() + "'\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QDir(dossier).filePath(QStringLiteral("bin")).toUtf8());
    LibererHHCtrl();
}

TLecteurAideEssai::~TLecteurAideEssai()
{
    LibererHHCtrl();
    qputenv("PATH", FChemin);
}

QStringList TLecteurAideEssai::Appels(int n) const
{
    auto lire = [this] { return QFile::exists(FJournal) ? LireFichierComplet(FJournal) : QByteArray(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return lire().count('\n') >= n; }, 10000));
    QStringList lignes = QString::fromUtf8(lire()).split(QLatin1Char('\n'));
    lignes.removeLast();
    return lignes;
}
