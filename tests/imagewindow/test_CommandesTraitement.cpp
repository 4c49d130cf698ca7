// The processing commands driven through the frame's menus as a user would:
// real files copied to a temporary folder, the dialogs answered by typing
// into their edits and picking list lines, the results compared with numpy
// (astropy) or Pillow on the files saved, then undone and restored.
#include "PDialogues.h"
#include "Soutien.h"
#include "UAbandonBmp.h"
#include "UArithmetique.h"
#include "UBordures.h"
#include "UDDPNeutre.h"
#include "UDemandeValeur.h"
#include "UImages.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "URedimensionnement.h"
#include "USelectionTraitementImage.h"
#include "UStatistiques.h"
#include "UTraitementImage.h"
#include "UTranslationn.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>
#include <QMdiArea>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

// Compares the result file with the operation computed by numpy on the
// input files (FITS through astropy, rows turned top row first as the
// window shows them; BMP through Pillow). Prints the largest difference.
const char* const ScriptPython = R"PY(
import sys, numpy as np
op, res = sys.argv[1], sys.argv[2]
args = sys.argv[3:]
def fit(p):
    from astropy.io import fits
    return fits.getdata(p).astype(np.float64)[::-1, :]
def bmp(p):
    from PIL import Image
    return np.asarray(Image.open(p)).astype(np.int64)
def fin(x):
    return np.clip(np.round(x), 0, 65535)
def decale(a, dx, dy):
    r = np.zeros_like(a)
    h, w = a.shape
    if abs(dx) < w and abs(dy) < h:
        r[max(dy, 0):h + min(dy, 0), max(dx, 0):w + min(dx, 0)] = a[max(-dy, 0):h - max(dy, 0), max(-dx, 0):w - max(dx, 0)]
    return r
if op in ('gris', 'decoupe'):
    r, a = bmp(res), bmp(args[0])
    if op == 'gris':
        att = a.sum(axis=2) // 3
    else:
        t, b, g, d = map(int, args[1:5])
        att = a[t:a.shape[0] - b, g:a.shape[1] - d]
    print(np.abs(r - att).max() if r.shape == att.shape else 'taille %s %s' % (r.shape, att.shape))
    sys.exit(0)
if op == 'stats':
    a = fit(res)
    c = a.T.ravel()
    h = a.shape[0]
    print('%.4f %.4f %d %d %d %d %d %d' % (a.mean(), a.std(), c.min(), c.argmin() // h, c.argmin() % h,
                                           c.max(), c.argmax() // h, c.argmax() % h))
    sys.exit(0)
r = fit(res)
a = fit(args[0])
b = fit(args[1]) if len(args) > 1 and args[1].endswith('.fit') else None
if op == 'add': att = fin(a + b)
elif op == 'sub': att = fin(a - b)
elif op == 'div': att = fin(a / np.where(b == 0, 1, b) * b.mean())
elif op == 'mul': att = fin(a * b / b.mean())
elif op == 'moy': att = fin((a + b) / 2)
elif op == 'cst': att = fin(a * float(args[1]) + float(args[2]))
elif op == 'rot90': att = np.rot90(a, -1)
elif op == 'rot180': att = np.rot90(a, 2)
elif op == 'rot270': att = np.rot90(a, 1)
elif op == 'mirh': att = a[:, ::-1]
elif op == 'mirv': att = a[::-1, :]
elif op == 'dec': att = decale(a, int(args[1]), int(args[2]))
print(np.abs(r - att).max() if r.shape == att.shape else 'taille %s %s' % (r.shape, att.shape))
)PY";

struct TUtilisateur {
    QString AEnregistrer;
    QStringList AOuvrir;
    bool RepondreOui = true;
    // A form, by its object name.
    std::map<QString, std::function<int(QDialog&)>> Formes;
    Dialogues::TRepondeur Repondeur()
    {
        return [this](const TDemandeDialogue& d) {
            TReponseDialogue r;
            r.Resultat = d.Genre == TGenreDemande::Question ? (RepondreOui ? mrYes : mrNo) : mrOk;
            if (d.Genre == TGenreDemande::Modal) {
                const auto i = Formes.find(d.NomObjet);
                r.Resultat = i != Formes.end() && d.Dialogue ? i->second(*d.Dialogue) : mrCancel;
            } else if (d.Genre == TGenreDemande::OuvrirFichiers) {
                r.Fichiers = AOuvrir;
            } else if (d.Genre == TGenreDemande::EnregistrerFichier) {
                r.Fichiers = QStringList{AEnregistrer};
            }
            return r;
        };
    }
};

int Presser(QDialog& d, const char* bouton)
{
    QTest::mouseClick(d.findChild<QPushButton*>(QLatin1String(bouton)), Qt::LeftButton);
    d.hide();
    return d.result() == QDialog::Accepted ? mrOk : mrCancel;
}

// Types into the edits (all text replaced), then presses the button.
std::function<int(QDialog&)> Saisir(std::vector<std::pair<const char*, QString>> saisies, const char* bouton)
{
    return [saisies, bouton](QDialog& d) {
        d.show();
        for (const auto& [nom, texte] : saisies) {
            auto* e = d.findChild<QLineEdit*>(QLatin1String(nom));
            e->setFocus();
            e->selectAll();
            QTest::keyClick(e, Qt::Key_Backspace);
            QTest::keyClicks(e, texte);
        }
        return Presser(d, bouton);
    };
}

// Clicks the picker's line of window n, then "Sélectionner" (or double-clicks it).
std::function<int(QDialog&)> ChoisirImage(int n, bool doubleClic = false)
{
    return [n, doubleClic](QDialog& d) -> int {
        d.show();
        auto* liste = d.findChild<QListWidget*>(QStringLiteral("LstBxTraitementsImages"));
        for (int i = 0; i < liste->count(); ++i)
            if (liste->item(i)->text().startsWith(QStringLiteral("#%1 ").arg(n))) {
                const QPoint centre = liste->visualItemRect(liste->item(i)).center();
                QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, centre);
                if (doubleClic) {
                    QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, centre);
                    return d.result() == QDialog::Accepted ? int(mrOk) : int(mrCancel);
                }
            }
        return Presser(d, "BtnSelectionner");
    };
}

::testing::AssertionResult VerifieParFitsverify(const QString& nom)
{
    QString rapport;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/fitsverify"), {nom}, &rapport);
    if (code >= 0 && rapport.contains(QStringLiteral(" and 0 error(s).")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << rapport.toStdString();
}

QString Messages()
{
    QStringList l;
    for (const TDemandeDialogue& d : Dialogues::Journal())
        if (d.Genre == TGenreDemande::Information || d.Genre == TGenreDemande::Question ||
            d.Genre == TGenreDemande::Erreur || d.Genre == TGenreDemande::Avertissement)
            l << d.Texte;
    return l.join(QLatin1Char('|'));
}

class TCommandes : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!SelectionTraitementImage)
            SelectionTraitementImage = new TSelectionTraitementImage;
        if (!DemandeValeur)
            DemandeValeur = new TDemandeValeur;
        if (!Translationn)
            Translationn = new TTranslationn;
        if (!Redimensionnement)
            Redimensionnement = new TRedimensionnement;
        if (!Bordures)
            Bordures = new TBordures;
        if (!Statistiques)
            Statistiques = new TStatistiques;
        if (!DDPNeutre)
            DDPNeutre = new TDDPNeutre;
    }
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
        Cadre = new TMain;
        InstallerFenetresImage(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
        QFile script(Dossier.filePath(QStringLiteral("verifier.py")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(ScriptPython);
        Dialogues::ViderJournal();
    }
    void TearDown() override
    {
        for (TMDIChild* f : Cadre->FenetresDocument())
            if (auto* i = dynamic_cast<TTraitementImage*>(f))
                i->Modifiee = false;
        delete Cadre;
        Repondeur.reset();
    }

    // A copy of a test file in the temporary folder (FITS renamed .fit).
    QString Copie(const QString& donnee, const QString& nom)
    {
        const QString chemin = Dossier.filePath(nom);
        QFile::remove(chemin);
        EXPECT_TRUE(QFile::copy(CheminDonnees(donnee), chemin));
        QFile(chemin).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return chemin;
    }
    TTraitementImage* Ouvrir(const QString& chemin)
    {
        Utilisateur.AOuvrir = QStringList{chemin};
        Cadre->MnItmOuvrir->trigger();
        QApplication::processEvents();
        return FenetreImageActive(*Cadre);
    }
    void Activer(TTraitementImage* f)
    {
        Cadre->ZoneMDI()->setActiveSubWindow(f);
        QApplication::processEvents();
        ASSERT_EQ(FenetreImageActive(*Cadre), f);
    }
    // "Enregistrer sous" of the active window.
    QString EnregistrerSous(const QString& nom)
    {
        Utilisateur.AEnregistrer = Dossier.filePath(nom);
        Cadre->MnItmEnregistrerSous->trigger();
        return Utilisateur.AEnregistrer;
    }
    // The verification script's output (it must run).
    QString Python(const QStringList& arguments)
    {
        QString sortie;
        const int code = LancerProgramme(QStringLiteral("/usr/bin/python3"),
                                         QStringList{Dossier.filePath(QStringLiteral("verifier.py"))} + arguments,
                                         &sortie);
        EXPECT_EQ(code, 0) << sortie.toStdString();
        return sortie.trimmed();
    }
    // Largest difference reported by numpy, -1 when the script failed.
    double Ecart(const QStringList& arguments)
    {
        const QString s = Python(arguments);
        bool ok = false;
        const double v = s.split(QLatin1Char('\n')).last().toDouble(&ok);
        EXPECT_TRUE(ok) << s.toStdString();
        return ok ? v : -1;
    }
    // F9 gives the image before the command back, F9 again the result.
    void VerifierAnnulation(TTraitementImage* f, const THistoFit& avant, const QStringList& historiqueAvant)
    {
        const std::vector<double> apres = f->ImageFit.Pixels;
        const QStringList historiqueApres = f->Historique();
        const QSize tailleApres = f->ImgSource->Picture.size();
        Cadre->MnItmAnnulerRestaurer->trigger();
        EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
        EXPECT_EQ(std::make_pair(f->ImageFit.XMax, f->ImageFit.YMax), std::make_pair(avant.XMax, avant.YMax));
        EXPECT_EQ(f->ImgSource->Picture.size(), QSize(avant.XMax + 1, avant.YMax + 1));
        EXPECT_EQ(f->Historique(), historiqueAvant);
        Cadre->MnItmAnnulerRestaurer->trigger();
        EXPECT_EQ(f->ImageFit.Pixels, apres);
        EXPECT_EQ(f->Historique(), historiqueApres);
        EXPECT_EQ(f->ImgSource->Picture.size(), tailleApres);
    }

    QTemporaryDir Dossier;
    TUtilisateur Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
};

THistoFit Double(const THistoFit& i)
{
    THistoFit c;
    CreerHistoFit(c);
    CopierHistoFit(i, c);
    return c;
}

} // namespace

TEST_F(TCommandes, ArithmetiqueAvecUneAutreImage)
{
    // b: M51 mirrored, so that the two operands differ everywhere.
    TTraitementImage* fb = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51b.fit")));
    ASSERT_NE(fb, nullptr);
    Cadre->MnItmMiroirHorizontal->trigger();
    const QString b = EnregistrerSous(QStringLiteral("b.fit"));
    TTraitementImage* fa = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51a.fit")));
    const QString a = EnregistrerSous(QStringLiteral("a.fit"));
    struct Cas {
        QAction* item;
        const char* op;
        QString progression, historique;
        double tolerance; // the other image's mean is summed otherwise by numpy
    };
    const QString n = QString::number(fb->Numero);
    const Cas cas[] = {
        {Cadre->MnItmAdditionImage, "add", "Addition #" + n + "...", "Addition image #" + n, 0},
        {Cadre->MnItmSoustractionImage, "sub", "Soustraction #" + n + "...", "Soustraction image #" + n, 0},
        {Cadre->MnItmDivisionImage, "div", "Division #" + n + "...", "Division image #" + n, 1},
        {Cadre->MnItmMultiplicationImage, "mul", "Multiplication #" + n + "...", "Multiplication image #" + n, 1},
        {Cadre->MnItmMoyenne, "moy", "Moyenne #" + n + "...", "Moyenne image #" + n, 0},
    };
    int k = 0;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.op);
        TTraitementImage* f = Ouvrir(a);
        ASSERT_NE(f, nullptr);
        const THistoFit avant = Double(f->ImageFit);
        // A double-click on the line does as "Sélectionner".
        Utilisateur.Formes[QStringLiteral("TSelectionTraitementImage")] = ChoisirImage(fb->Numero, k++ % 2 == 1);
        c.item->trigger();
        EXPECT_EQ(SelectionTraitementImage->windowTitle(), QString(c.progression).section(QLatin1Char(' '), 0, 0));
        EXPECT_EQ(f->Historique(), (QStringList{"Ouverture", c.historique}));
        EXPECT_TRUE(f->Modifiee);
        VerifierAnnulation(f, avant, {"Ouverture"});
        const QString resultat = EnregistrerSous(QStringLiteral("r_%1.fit").arg(QLatin1String(c.op)));
        EXPECT_LE(Ecart({QLatin1String(c.op), resultat, a, b}), c.tolerance);
        EXPECT_TRUE(VerifieParFitsverify(resultat));
        f->close();
    }
    // The picker left no mark and the other window is unchanged.
    EXPECT_FALSE(fb->Modifiee);
    EXPECT_NE(fb->TexteStatut(), QStringLiteral("Sélection"));

    // Another size: a message, nothing changes.
    TTraitementImage* ngc = Ouvrir(Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("ngc.fit")));
    Activer(fa);
    const std::vector<double> origine = fa->ImageFit.Pixels;
    Utilisateur.Formes[QStringLiteral("TSelectionTraitementImage")] = ChoisirImage(ngc->Numero);
    Dialogues::ViderJournal();
    Cadre->MnItmAdditionImage->trigger();
    EXPECT_EQ(Messages(), QStringLiteral("Les images doivent être de taille identique."));
    EXPECT_EQ(fa->ImageFit.Pixels, origine);
    EXPECT_EQ(fa->Historique(), QStringList{"Ouverture"});
    // Annuler in the picker: nothing at all.
    Utilisateur.Formes[QStringLiteral("TSelectionTraitementImage")] = [](QDialog& d) { return Presser(d, "BtnAnnuler"); };
    Cadre->MnItmSoustractionImage->trigger();
    EXPECT_EQ(fa->ImageFit.Pixels, origine);
    EXPECT_FALSE(fa->Modifiee);
}

TEST_F(TCommandes, ArithmetiqueAvecUneConstante)
{
    const QString source = Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit"));
    TTraitementImage* f = Ouvrir(source);
    ASSERT_NE(f, nullptr);
    const QString a = EnregistrerSous(QStringLiteral("a.fit"));
    const THistoFit avant = Double(f->ImageFit);
    Utilisateur.Formes[QStringLiteral("TDemandeValeur")] = Saisir({{"EdtValeur", "2,5"}}, "BtnOK");
    Cadre->MnItmMultiplicationConstante->trigger();
    EXPECT_EQ(DemandeValeur->windowTitle(), QStringLiteral("Constante de multiplication ?"));
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Multiplication constante 2,50"));
    Utilisateur.Formes[QStringLiteral("TDemandeValeur")] = Saisir({{"EdtValeur", "-100,25"}}, "BtnOK");
    Cadre->MnItmAdditionConstante->trigger();
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Addition constante -100,25"));
    EXPECT_EQ(f->TexteStatut(), TexteInfoFit(f->ImageFit));
    // 0 cannot divide: a message, image and history unchanged.
    const std::vector<double> pixels = f->ImageFit.Pixels;
    const QStringList historique = f->Historique();
    Utilisateur.Formes[QStringLiteral("TDemandeValeur")] = Saisir({{"EdtValeur", "0"}}, "BtnOK");
    Dialogues::ViderJournal();
    Cadre->MnItmDivisionConstante->trigger();
    EXPECT_TRUE(Messages().startsWith(QStringLiteral("Division par zéro impossible")));
    EXPECT_EQ(f->ImageFit.Pixels, pixels);
    EXPECT_EQ(f->Historique(), historique);
    // 70000 is brought back to the maximum.
    Utilisateur.Formes[QStringLiteral("TDemandeValeur")] = Saisir({{"EdtValeur", "70000"}}, "BtnOK");
    Cadre->MnItmSoustractionConstante->trigger();
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Soustraction constante 65535,00"));
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, pixels);
    const QString resultat = EnregistrerSous(QStringLiteral("cst.fit"));
    // Rounded then clamped at each step: compare against the same order.
    EXPECT_LE(Ecart({QStringLiteral("cst"), resultat, a, QStringLiteral("2.5"), QStringLiteral("-100.25")}), 0);
    (void)avant;
}

TEST_F(TCommandes, RotationsEtMiroirs)
{
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("saao_raw_u16.fits"), QStringLiteral("saao.fit")));
    ASSERT_NE(f, nullptr);
    const QString a = EnregistrerSous(QStringLiteral("a.fit"));
    struct Cas {
        QAction* item;
        const char* op;
        QString historique;
        QSize taille;
    };
    const Cas cas[] = {
        {Cadre->MnItmRotation90, "rot90", "Rotation horaire 90 degrés", QSize(520, 536)},
        {Cadre->MnItmRotation180, "rot180", "Rotation horaire 180 degrés", QSize(536, 520)},
        {Cadre->MnItmRotation270, "rot270", "Rotation horaire 270 degrés", QSize(520, 536)},
        {Cadre->MnItmMiroirHorizontal, "mirh", "Miroir horizontal", QSize(536, 520)},
        {Cadre->MnItmMiroirVertical, "mirv", "Miroir vertical", QSize(536, 520)},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.op);
        TTraitementImage* g = Ouvrir(a);
        const THistoFit avant = Double(g->ImageFit);
        c.item->trigger();
        EXPECT_EQ(g->Historique(), (QStringList{"Ouverture", c.historique}));
        EXPECT_EQ(g->ImgSource->Picture.size(), c.taille);
        EXPECT_EQ(QSize(LargeurFit(g->ImageFit), HauteurFit(g->ImageFit)), c.taille);
        VerifierAnnulation(g, avant, {"Ouverture"});
        const QString resultat = EnregistrerSous(QStringLiteral("r_%1.fit").arg(QLatin1String(c.op)));
        EXPECT_EQ(Ecart({QLatin1String(c.op), resultat, a}), 0);
        EXPECT_TRUE(VerifieParFitsverify(resultat));
        g->close();
    }
    (void)f;
}

TEST_F(TCommandes, TranslationParSonDialogue)
{
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("saao_raw_u16.fits"), QStringLiteral("saao.fit")));
    ASSERT_NE(f, nullptr);
    const QString a = EnregistrerSous(QStringLiteral("a.fit"));
    const THistoFit avant = Double(f->ImageFit);
    // Annuler: the image and its display as they were, without marks.
    f->AfficherImage(true, true);
    const QImage affichage = f->ImgSource->Picture.copy();
    Utilisateur.Formes[QStringLiteral("TTranslationn")] = Saisir({{"Edtx", "7"}}, "BtnAnnuler");
    Cadre->MnItmTranslation->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
    EXPECT_EQ(f->ImgSource->Picture, affichage);
    EXPECT_FALSE(f->Modifiee);

    Utilisateur.Formes[QStringLiteral("TTranslationn")] = Saisir({{"Edtx", "3"}, {"Edty", "-2"}}, "BtnOK");
    Cadre->MnItmTranslation->trigger();
    EXPECT_EQ(f->Historique(), (QStringList{"Ouverture", "Translation x 3,0 y -2,0"}));
    VerifierAnnulation(f, avant, {"Ouverture"});
    const QString resultat = EnregistrerSous(QStringLiteral("dec.fit"));
    EXPECT_EQ(Ecart({QStringLiteral("dec"), resultat, a, QStringLiteral("3"), QStringLiteral("-2")}), 0);

    // A shift of the image's width or more leaves black, and can be undone.
    TTraitementImage* g = Ouvrir(a);
    const THistoFit avantG = Double(g->ImageFit);
    Utilisateur.Formes[QStringLiteral("TTranslationn")] = Saisir({{"Edtx", "-536"}, {"Edty", "0"}}, "BtnOK");
    Cadre->MnItmTranslation->trigger();
    EXPECT_TRUE(std::all_of(g->ImageFit.Pixels.begin(), g->ImageFit.Pixels.end(), [](double v) { return v == 0; }));
    VerifierAnnulation(g, avantG, {"Ouverture"});
    Utilisateur.Formes[QStringLiteral("TTranslationn")] = Saisir({{"Edtx", "99999999999"}, {"Edty", "-,"}}, "BtnOK");
    Cadre->MnItmTranslation->trigger();
    EXPECT_EQ(g->Historique().last(), QStringLiteral("Translation x 2147483647,0 y 0,0"));
    EXPECT_TRUE(std::all_of(g->ImageFit.Pixels.begin(), g->ImageFit.Pixels.end(), [](double v) { return v == 0; }));
}

TEST_F(TCommandes, AlignementStellaire)
{
    const QString source = Copie(QStringLiteral("saao_raw_u16.fits"), QStringLiteral("saao.fit"));
    TTraitementImage* f1 = Ouvrir(source);
    TTraitementImage* f2 = Ouvrir(source);
    ASSERT_NE(f1, f2);
    // The second frame is the first moved by whole pixels.
    Utilisateur.Formes[QStringLiteral("TTranslationn")] = Saisir({{"Edtx", "4"}, {"Edty", "3"}}, "BtnOK");
    Cadre->MnItmTranslation->trigger();
    Activer(f1);
    // Without a rectangle: the message only.
    Dialogues::ViderJournal();
    Cadre->MnItmAlignementStellaire->trigger();
    EXPECT_EQ(Messages(), QStringLiteral("Tracez un cadre autour d'une étoile référence pour appliquer un alignement "
                                         "stellaire."));
    int32_t x = 0, y = 0;
    PositionMaxiFit(f1->ImageFit, x, y);
    ASSERT_GT(x, 20);
    ASSERT_GT(y, 20);
    f1->FixerSelection(TSelectionImage{SelectionRectangle, x + 2, y + 2, 30, 30}, 100, true);
    Utilisateur.Formes[QStringLiteral("TSelectionTraitementImage")] = ChoisirImage(f2->Numero);
    const THistoFit avant = Double(f1->ImageFit);
    Cadre->MnItmAlignementStellaire->trigger();
    const QString n = QString::number(f2->Numero);
    EXPECT_EQ(f1->Historique().last(), "Alignement stellaire #" + n + " x 4,0 y 3,0");
    // The other window shows the same frame.
    EXPECT_EQ(f2->Selection.Genre, SelectionRectangle);
    EXPECT_EQ(f2->Selection.X, x + 2);
    double ecart = 0;
    for (size_t i = 0; i < avant.Pixels.size(); ++i)
        ecart = std::max(ecart, std::fabs(f1->ImageFit.Pixels[i] - f2->ImageFit.Pixels[i]));
    EXPECT_LT(ecart, 1.0);
    VerifierAnnulation(f1, avant, {"Ouverture"});

    // No star in either frame: a message, and neither window changes.
    THistoFit noir = ImageFitDe(60, 60, [](int x, int y) { return x > 35 && y > 35 && x < 45 && y < 45 ? 500 : 0; });
    auto* g1 = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(noir));
    auto* g2 = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(noir));
    g2->FixerSelection(TSelectionImage{SelectionPoint, 3, 3, 0, 0}, 100, false);
    Activer(g1);
    g1->FixerSelection(TSelectionImage{SelectionRectangle, 12, 12, 16, 16}, 100, true);
    Utilisateur.Formes[QStringLiteral("TSelectionTraitementImage")] = ChoisirImage(g2->Numero);
    Dialogues::ViderJournal();
    Cadre->MnItmAlignementStellaire->trigger();
    EXPECT_TRUE(Messages().startsWith(QStringLiteral("Aucune étoile n'a été trouvée"))) << Messages().toStdString();
    EXPECT_EQ(g1->Historique().size(), 1);
    EXPECT_EQ(g2->Selection.Genre, SelectionPoint);
    EXPECT_EQ(g1->ImageFit.Pixels, noir.Pixels);
    // A rectangle of no image pixel (width 0 at 100 %).
    g1->FixerSelection(TSelectionImage{SelectionRectangle, 40, 40, 0, 10}, 100, true);
    Dialogues::ViderJournal();
    Cadre->MnItmAlignementStellaire->trigger();
    EXPECT_TRUE(Messages().startsWith(QStringLiteral("Le cadre ne couvre aucun pixel")));
    EXPECT_EQ(g1->Historique().size(), 1);
}

TEST_F(TCommandes, AjustementDesNiveaux)
{
    THistoFit i1 = ImageFitDe(40, 30, [](int x, int y) { return 1000 + x + y; });
    THistoFit i2 = ImageFitDe(40, 30, [](int x, int) { return 3000 + 2 * x; });
    THistoFit i3 = ImageFitDe(20, 10, [](int, int y) { return 200 + y; });
    auto* f1 = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(i1));
    auto* f2 = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(i2));
    auto* f3 = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(i3));
    Activer(f1);
    // From one image (sizes may differ).
    Utilisateur.Formes[QStringLiteral("TSelectionTraitementImage")] = ChoisirImage(f3->Numero);
    Cadre->MnItmAjusterNiveau_AppliquerDUneImage->trigger();
    EXPECT_EQ(f1->Historique().last(),
              QStringLiteral("Ajustement du niveau #%1 niveau moyen 204,5000").arg(f3->Numero));
    EXPECT_NEAR(MoyenneFit(f1->ImageFit), 204.5, 1e-9);
    // To the others: f2 and f3 take f1's mean, f1 stays.
    const std::vector<double> p1 = f1->ImageFit.Pixels;
    Cadre->MnItmAjusterNiveau_AppliquerAuxImages->trigger();
    EXPECT_EQ(f1->ImageFit.Pixels, p1);
    for (TTraitementImage* f : {f2, f3}) {
        EXPECT_NEAR(MoyenneFit(f->ImageFit), 204.5, 1e-9);
        EXPECT_EQ(f->Historique().last(), QStringLiteral("Ajustement du niveau #%1 niveau moyen 204,5000").arg(f1->Numero));
    }
    EXPECT_EQ(f1->TexteStatut(), TexteInfoFit(f1->ImageFit));
    Activer(f2);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f2->ImageFit.Pixels, i2.Pixels);
}

TEST_F(TCommandes, CourbesEtNiveauxCopies)
{
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit")));
    TTraitementImage* g = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51b.fit")));
    Activer(f);
    struct Cas {
        QAction* item;
        double trft;
    };
    for (const Cas& c : {Cas{Cadre->MnItmHistogramme_Logarithmique, 3.5}, Cas{Cadre->MnItmHistogramme_Exponentiel, -11.001},
                         Cas{Cadre->MnItmHistogramme_Lineaire, 0.0}, Cas{Cadre->MnItmHistogramme_Logarithmique, 3.5}}) {
        c.item->trigger();
        EXPECT_EQ(f->ImageFit.TRFT, c.trft);
    }
    EXPECT_FALSE(f->Modifiee); // closing asks nothing
    EXPECT_EQ(f->Historique().size(), 1);
    // The tool buttons and the popup's items forward to the same commands.
    QTest::mouseClick(Cadre->TlBttnHistogrammeExp, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.TRFT, -11.001);
    f->PppMnImageSource->findChild<QAction*>(QStringLiteral("MenuHistogramme_Logarithmique"))->trigger();
    EXPECT_EQ(f->ImageFit.TRFT, 3.5);
    EXPECT_TRUE(f->TexteStatut().endsWith(QStringLiteral("Log")));
    f->ImageFit.SMin = 7;
    f->ImageFit.SMax = 77;
    Cadre->MnItmHistogramme_Automatique->trigger();
    EXPECT_EQ(std::make_tuple(f->ImageFit.SMin, f->ImageFit.SMax, f->ImageFit.TRFT),
              std::make_tuple(SeuilMiniAutoFit(f->ImageFit), SeuilMaxiAutoFit(f->ImageFit), 0.0));
    // Levels and curve copied to the others, and from another.
    f->ImageFit.SMin = 100;
    f->ImageFit.SMax = 900;
    Cadre->MnItmHistogramme_Exponentiel->trigger();
    Cadre->MnItmHistogramme_AppliquerAuxImages->trigger();
    EXPECT_EQ(std::make_tuple(g->ImageFit.SMin, g->ImageFit.SMax, g->ImageFit.TRFT), std::make_tuple(100, 900, -11.001));
    EXPECT_EQ(f->TexteStatut(), TexteInfoFit(f->ImageFit));
    Activer(g);
    Cadre->MnItmHistogramme_Lineaire->trigger();
    Activer(f);
    Utilisateur.Formes[QStringLiteral("TSelectionTraitementImage")] = ChoisirImage(g->Numero);
    Cadre->MnItmHistogramme_AppliquerDUneImage->trigger();
    EXPECT_EQ(f->ImageFit.TRFT, 0.0);
    EXPECT_EQ(f->TexteStatut(), TexteInfoFit(f->ImageFit));
    EXPECT_FALSE(f->Modifiee);
    EXPECT_FALSE(g->Modifiee);
}

TEST_F(TCommandes, NiveauProposeAuxDDP)
{
    TTraitementImage* b = Ouvrir(Copie(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("h.bmp")));
    ASSERT_NE(b, nullptr);
    int propose = -1;
    Utilisateur.Formes[QStringLiteral("TDDPNeutre")] = [&](QDialog& d) {
        propose = DDPNeutre->LireNiveau();
        return Presser(d, "BtnAnnuler");
    };
    Cadre->MnItmDDPNeutre->trigger();
    EXPECT_EQ(propose, 26);
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit")));
    Utilisateur.Formes[QStringLiteral("TDDPNeutre")] = [&](QDialog& d) {
        propose = DDPNeutre->LireNiveau();
        return Presser(d, "BtnOK");
    };
    Cadre->MnItmDDPNeutre->trigger();
    EXPECT_EQ(propose, MiniArrondiFit(f->AnnulationFit()));
    ASSERT_EQ(f->Historique().size(), 2);
    EXPECT_TRUE(f->Historique().last().startsWith(QStringLiteral("Filtre DDP neutre niveau ")));
}

TEST_F(TCommandes, BmpGrisDecoupeEtAvis)
{
    const QString source = Copie(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("h.bmp"));
    TTraitementImage* f = Ouvrir(source);
    ASSERT_NE(f, nullptr);
    // A FIT-only command on a bitmap: the notice naming it and nothing else.
    const QStringList NomsAvis{"Rotation 90 degrés", "Addition - Constante", "Translation", "Redimensionnement"};
    int k = 0;
    for (QAction* item : {Cadre->MnItmRotation90, Cadre->MnItmAdditionConstante, Cadre->MnItmTranslation,
                          Cadre->MnItmRedimensionnement}) {
        Dialogues::ViderJournal();
        item->trigger();
        ASSERT_EQ(Dialogues::Journal().size(), 1u);
        EXPECT_EQ(Dialogues::Journal().front().NomObjet, AbandonBmp->objectName());
        EXPECT_TRUE(AbandonBmp->Fonction() == NomsAvis[k++]) << AbandonBmp->Fonction().toStdString();
    }
    EXPECT_FALSE(f->Modifiee);
    const QImage origine = f->ImageBmp.BitmapSource.copy();
    Cadre->MnItmNiveauxDeGris->trigger();
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Conversion en mode niveaux de gris"));
    EXPECT_EQ(f->ImageBmp.BitmapSource.format(), QImage::Format_Indexed8);
    Dialogues::ViderJournal();
    Cadre->MnItmNiveauxDeGris->trigger();
    EXPECT_EQ(Messages(), QStringLiteral("L'image est déjà en niveaux de gris."));
    const QString gris = EnregistrerSous(QStringLiteral("gris.bmp"));
    EXPECT_EQ(Ecart({QStringLiteral("gris"), gris, source}), 0);

    // Crop of the bitmap through the dialog: margins typed, compared with Pillow.
    TTraitementImage* g = Ouvrir(source);
    Utilisateur.Formes[QStringLiteral("TBordures")] = Saisir(
        {{"EdtBordureHaut", "12"}, {"EdtBordureBas", "30"}, {"EdtBordureGauche", "7"}, {"EdtBordureDroite", "101"}},
        "BtnAppliquer");
    Cadre->MnItmBordures->trigger();
    EXPECT_EQ(g->ImageBmp.BitmapSource.size(), QSize(1000 - 108, 872 - 42));
    EXPECT_EQ(g->Historique(), QStringList{"Ouverture"});
    EXPECT_TRUE(g->Modifiee);
    // F9 cannot bring the uncropped picture back.
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(g->ImageBmp.BitmapSource.size(), QSize(892, 830));
    const QString coupe = EnregistrerSous(QStringLiteral("coupe.bmp"));
    EXPECT_EQ(Ecart({QStringLiteral("decoupe"), coupe, source, "12", "30", "7", "101"}), 0);
    (void)origine;
}

TEST_F(TCommandes, BorduresFitAuxZooms)
{
    const QString source = Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit"));
    struct Cas {
        const char* zoom;
        QString haut, bas, gauche, droite;
        int t, b, g, d; // in image pixels
    };
    const Cas cas[] = {
        {"200%", "20", "10", "6", "40", 10, 5, 3, 20},
        {"50%", "10", "5", "3", "20", 20, 10, 6, 40},
        {"100%", "10", "5", "3", "20", 10, 5, 3, 20},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.zoom);
        TTraitementImage* f = Ouvrir(source);
        f->ZoomParTexte(QString::fromLatin1(c.zoom));
        const THistoFit avant = Double(f->ImageFit);
        Utilisateur.Formes[QStringLiteral("TBordures")] = Saisir(
            {{"EdtBordureHaut", c.haut}, {"EdtBordureBas", c.bas}, {"EdtBordureGauche", c.gauche},
             {"EdtBordureDroite", c.droite}},
            "BtnAppliquer");
        Cadre->MnItmBordures->trigger();
        ASSERT_EQ(QSize(LargeurFit(f->ImageFit), HauteurFit(f->ImageFit)), QSize(256 - c.g - c.d, 256 - c.t - c.b));
        EXPECT_EQ(f->ImageFit.Pixel(0, 0), avant.Pixel(c.g, c.t));
        EXPECT_EQ(f->ImageFit.Pixel(LargeurFit(f->ImageFit) - 1, HauteurFit(f->ImageFit) - 1),
                  avant.Pixel(255 - c.d, 255 - c.t - c.b + c.t));
        EXPECT_EQ(LireNaxis1Fit(f->ImageFit), 256 - c.g - c.d);
        f->close();
    }
    // Margins leaving no row: a message, and nothing changes at all.
    TTraitementImage* f = Ouvrir(source);
    f->FixerSelection(TSelectionImage{SelectionRectangle, 50, 50, 20, 20}, 100, true);
    const THistoFit avant = Double(f->ImageFit);
    for (const auto& [haut, bas] : {std::pair<QString, QString>{"128", "128"}, {"256", "0"}, {"200", "56"}}) {
        Utilisateur.Formes[QStringLiteral("TBordures")] =
            Saisir({{"EdtBordureHaut", haut}, {"EdtBordureBas", bas}, {"EdtBordureGauche", "0"}, {"EdtBordureDroite", "0"}},
                   "BtnAppliquer");
        Dialogues::ViderJournal();
        Cadre->MnItmBordures->trigger();
        EXPECT_TRUE(Messages().startsWith(QStringLiteral("Les bordures ne laissent aucune ligne"))) << haut.toStdString();
        EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
        EXPECT_EQ(f->Historique(), QStringList{"Ouverture"});
        EXPECT_FALSE(f->Modifiee);
        EXPECT_EQ(f->Selection.Genre, SelectionRectangle);
    }
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
    // All four at 0: the selection goes, nothing else.
    Utilisateur.Formes[QStringLiteral("TBordures")] = [](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnRaz")), Qt::LeftButton);
        return Presser(d, "BtnAppliquer");
    };
    Cadre->MnItmBordures->trigger();
    EXPECT_EQ(f->Selection.Genre, SelectionAucune);
    EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
    EXPECT_FALSE(f->Modifiee);
    // Annuler: the display again without lines.
    f->AfficherImage(true, true);
    const QImage propre = f->ImgSource->Picture.copy();
    Utilisateur.Formes[QStringLiteral("TBordures")] = Saisir({{"EdtBordureHaut", "40"}}, "BtnAnnuler");
    Cadre->MnItmBordures->trigger();
    EXPECT_EQ(f->ImgSource->Picture, propre);
}

TEST_F(TCommandes, RedimensionnementDansUneNouvelleFenetre)
{
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit")));
    const THistoFit avant = Double(f->ImageFit);
    f->InverserPositifNegatif();
    const int fenetres = Cadre->FenetresDuGenre(GenreImage).size();
    Utilisateur.Formes[QStringLiteral("TRedimensionnement")] = Saisir({{"EdtNouvelleFacteur", "2"}}, "BtnOK");
    Cadre->MnItmRedimensionnement->trigger();
    ASSERT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), fenetres + 1);
    TTraitementImage* g = FenetreImageActive(*Cadre);
    ASSERT_NE(g, f);
    EXPECT_EQ(g->windowTitle(), QStringLiteral("#%1 [*image non enregistrée*]").arg(g->Numero));
    EXPECT_TRUE(g->Modifiee);
    EXPECT_FALSE(g->Positif);
    EXPECT_EQ(g->Historique(), QStringList{"Ouverture"});
    EXPECT_EQ(f->ImageFit.Pixels, avant.Pixels);
    EXPECT_EQ(f->Historique(), QStringList{"Ouverture"});
    ASSERT_EQ(QSize(LargeurFit(g->ImageFit), HauteurFit(g->ImageFit)), QSize(512, 512));
    // The bilinear rule, written out plainly. Columns take the rows' edge
    // rule: a destination column on the last source column reads that column
    // (the column rule as written would read the one before it).
    const int w = 256, h = 256;
    const double fct = 2;
    double ecart = 0;
    for (int j = 1; j <= 512; ++j) {
        const double sy = (j - 1) / fct + 1, fy = sy - std::trunc(sy), gy = 1 - fy;
        const int iy = static_cast<int>(sy);
        const int haut = iy > h ? h - 1 : iy - 1, bas = iy > h ? h - 1 : (iy + 1 > h ? iy - 1 : iy);
        for (int i = 1; i <= 512; ++i) {
            const double sx = (i - 1) / fct + 1, fx = sx - std::trunc(sx), gx = 1 - fx;
            const int ix = static_cast<int>(sx);
            const int gauche = ix > w ? w - 1 : ix - 1, droite = ix > w ? w - 1 : (ix + 1 > w ? ix - 1 : ix);
            const auto p = [&](int x, int y) { return avant.Pixel(x, y); };
            const double v = (p(droite, bas) * fx + p(gauche, bas) * gx) * fy +
                             (p(droite, haut) * fx + p(gauche, haut) * gx) * gy;
            ecart = std::max(ecart, std::fabs(g->ImageFit.Pixel(i - 1, j - 1) - v));
        }
    }
    EXPECT_LT(ecart, 1e-9);

    // Past 3 million pixels the user is asked; No creates nothing.
    THistoFit grande = ImageFitDe(1500, 1000, [](int x, int y) { return x + y; });
    auto* gr = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(grande));
    Activer(gr);
    Utilisateur.RepondreOui = false;
    const int avantQuestion = Cadre->FenetresDuGenre(GenreImage).size();
    for (const char* facteur : {"2", "1,5", "1,4"}) {
        Dialogues::ViderJournal();
        Utilisateur.Formes[QStringLiteral("TRedimensionnement")] = Saisir({{"EdtNouvelleFacteur", facteur}}, "BtnOK");
        Cadre->MnItmRedimensionnement->trigger();
        const bool demande = Messages().startsWith(QStringLiteral("L'image agrandie dépasse les 3 millions de pixels."));
        EXPECT_EQ(demande, QByteArray(facteur) != "1,4") << facteur;
        Activer(gr);
    }
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), avantQuestion + 1); // only the 1,4 one
    // A size beyond what an image can hold: a message, and no window at all.
    Utilisateur.RepondreOui = true;
    const int avantRefus = Cadre->FenetresDuGenre(GenreImage).size();
    Dialogues::ViderJournal();
    Utilisateur.Formes[QStringLiteral("TRedimensionnement")] = Saisir({{"EdtNouvelleFacteur", "400"}}, "BtnOK");
    Cadre->MnItmRedimensionnement->trigger();
    EXPECT_TRUE(Messages().contains(QStringLiteral("dépasserait la taille maximale"))) << Messages().toStdString();
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), avantRefus);
}

TEST_F(TCommandes, StatistiquesEtImpression)
{
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("ngc.fit")));
    ASSERT_NE(f, nullptr);
    const QString a = EnregistrerSous(QStringLiteral("a.fit"));
    QString texte;
    Utilisateur.Formes[QStringLiteral("TStatistiques")] = [&](QDialog& d) {
        texte = Statistiques->Texte();
        d.show();
        Utilisateur.AEnregistrer = Dossier.filePath(QStringLiteral("stats.pdf"));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnImprimer")), Qt::LeftButton);
        return Presser(d, "BtnFermer");
    };
    QTest::mouseClick(Cadre->TlBttnStatistiques, Qt::LeftButton);
    EXPECT_EQ(Statistiques->windowTitle(), QStringLiteral("#%1 Statistiques [a.fit]").arg(f->Numero));
    const QStringList numpy = Python({QStringLiteral("stats"), a}).split(QLatin1Char('\n')).last().split(QLatin1Char(' '));
    ASSERT_EQ(numpy.size(), 8);
    const auto ligne = [&](const char* debut) {
        for (const QString& l : texte.split(QLatin1Char('\n')))
            if (l.startsWith(QLatin1String(debut)))
                return l.mid(19);
        return QString();
    };
    EXPECT_EQ(ligne("Moyenne"), QString(numpy[0]).replace(QLatin1Char('.'), QLatin1Char(',')));
    EXPECT_EQ(ligne("Ecart-type"), QString(numpy[1]).replace(QLatin1Char('.'), QLatin1Char(',')));
    EXPECT_EQ(ligne("Minimum"), numpy[2] + " @" + numpy[3] + "," + numpy[4]);
    EXPECT_EQ(ligne("Maximum"), numpy[5] + " @" + numpy[6] + "," + numpy[7]);
    EXPECT_EQ(ligne("Nombre de pixels"), QStringLiteral("132000"));
    // The printout, read back from the PDF.
    QString pdf;
    ASSERT_EQ(LancerProgramme(QStringLiteral("/usr/bin/pdftotext"),
                              {QStringLiteral("-layout"), Dossier.filePath(QStringLiteral("stats.pdf")), QStringLiteral("-")}, &pdf),
              0) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains(QStringLiteral("#%1 Statistiques [a.fit]").arg(f->Numero))) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains(QStringLiteral("Moyenne          : ") + ligne("Moyenne"))) << pdf.toStdString();
    EXPECT_FALSE(f->Modifiee);

    // A BMP rectangle shrunk to width 0, and one against the right edge.
    TTraitementImage* b = Ouvrir(Copie(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("h.bmp")));
    b->FixerSelection(TSelectionImage{SelectionRectangle, 500, 400, 1, 40}, 100, true);
    uint16_t gauche = VK_LEFT;
    b->FormKeyDown(gauche, ssAlt);
    ASSERT_EQ(b->Selection.Largeur, 0);
    for (const TSelectionImage& s : {b->Selection, TSelectionImage{SelectionRectangle, 995, 400, 12, 40}}) {
        b->FixerSelection(s, 100, true);
        Utilisateur.Formes[QStringLiteral("TStatistiques")] = [&](QDialog& d) {
            texte = Statistiques->Texte();
            return Presser(d, "BtnFermer");
        };
        Cadre->MnItmStatistiques->trigger();
        EXPECT_FALSE(texte.contains(QStringLiteral("nan"), Qt::CaseInsensitive)) << texte.toStdString();
        EXPECT_FALSE(texte.contains(QStringLiteral("inf"), Qt::CaseInsensitive)) << texte.toStdString();
        EXPECT_FALSE(ligne("Nombre de pixels").isEmpty());
        EXPECT_NE(ligne("Nombre de pixels"), QStringLiteral("0"));
    }
}

// The dotted lines of the borders dialog on a picture shown at 200 %: on the
// rows and columns typed, every second pixel. STELOR_CAPTURE_BORDURES names
// a PNG of the screen with the dialog open (run under Xvfb to look at it).
TEST_F(TCommandes, LignesDesBorduresA200)
{
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit")));
    f->ZoomParTexte(QStringLiteral("200%"));
    f->AjusteTailleFenetreALImageSource();
    f->AfficherImage(true, true);
    const QImage propre = f->ImgSource->Picture.copy();
    ASSERT_EQ(propre.size(), QSize(512, 512));
    QImage vue;
    Utilisateur.Formes[QStringLiteral("TBordures")] = [&](QDialog& d) {
        d.show();
        d.move(f->mapToGlobal(QPoint(f->width() + 20, 40)));
        for (const auto& [nom, texte] : std::vector<std::pair<const char*, const char*>>{
                 {"EdtBordureHaut", "40"}, {"EdtBordureBas", "100"}, {"EdtBordureGauche", "60"}, {"EdtBordureDroite", "120"}}) {
            auto* e = d.findChild<QLineEdit*>(QLatin1String(nom));
            e->selectAll();
            QTest::keyClick(e, Qt::Key_Backspace);
            QTest::keyClicks(e, QString::fromLatin1(texte));
        }
        QApplication::processEvents();
        vue = f->ImgSource->Picture.copy();
        const QString capture = qEnvironmentVariable("STELOR_CAPTURE_BORDURES");
        if (!capture.isEmpty()) {
            for (int i = 0; i < 20; ++i)
                QApplication::processEvents();
            QScreen* ecran = QGuiApplication::primaryScreen();
            EXPECT_TRUE(ecran->grabWindow(0).save(capture));
        }
        return Presser(d, "BtnAppliquer");
    };
    Cadre->MnItmBordures->trigger();
    ASSERT_EQ(vue.size(), propre.size());
    const auto pointille = [&](int x, int y) { return vue.pixel(x, y) != propre.pixel(x, y); };
    int marques = 0;
    for (int x = 0; x < 512; ++x) {
        for (int y = 0; y < 512; ++y) {
            const bool surLigne = ((y == 40 || y == 412) && x % 2 == 0) || ((x == 60 || x == 392) && y % 2 == 0);
            if (pointille(x, y)) {
                ++marques;
                EXPECT_TRUE(surLigne) << x << "," << y;
            }
        }
    }
    EXPECT_GT(marques, 4 * 150);
    // The crop is what the lines framed, in image pixels.
    EXPECT_EQ(QSize(LargeurFit(f->ImageFit), HauteurFit(f->ImageFit)), QSize(256 - 30 - 60, 256 - 20 - 50));
}

// The real modal loop, no responder: the user types into the dialog the
// command opened and presses its button.
TEST_F(TCommandes, DialoguesModauxReels)
{
    TTraitementImage* f = Ouvrir(Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit")));
    ASSERT_NE(f, nullptr);
    const std::vector<double> origine = f->ImageFit.Pixels;
    struct Cas {
        QAction* item;
        std::vector<std::pair<const char*, QString>> saisies;
        const char* bouton;
        QString historique;
    };
    const Cas cas[] = {
        {Cadre->MnItmAdditionConstante, {{"EdtValeur", "12,5"}}, "BtnOK", "Addition constante 12,50"},
        {Cadre->MnItmTranslation, {{"Edtx", "-3"}, {"Edty", "2"}}, "BtnOK", "Translation x -3,0 y 2,0"},
        {Cadre->MnItmBordures, {{"EdtBordureHaut", "10"}}, "BtnAppliquer", "Ouverture"},
        {Cadre->MnItmTranslation, {{"Edtx", "5"}}, "BtnAnnuler", "Ouverture"},
    };
    QImage pendant; // the display while the last dialog was open
    Dialogues::RetirerRepondeur();
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.historique.toStdString());
        bool vu = false;
        // The dialog is the active modal window once its loop runs.
        std::function<void()> repondre;
        repondre = [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d) {
                QTimer::singleShot(10, repondre);
                return;
            }
            vu = true;
            for (const auto& [nom, texte] : c.saisies) {
                auto* e = d->findChild<QLineEdit*>(QLatin1String(nom));
                e->selectAll();
                QTest::keyClick(e, Qt::Key_Backspace);
                QTest::keyClicks(e, texte);
            }
            pendant = f->ImgSource->Picture.copy();
            QTest::mouseClick(d->findChild<QPushButton*>(QLatin1String(c.bouton)), Qt::LeftButton);
        };
        QTimer::singleShot(0, repondre);
        c.item->trigger();
        EXPECT_TRUE(vu);
        EXPECT_EQ(f->Historique().last(), c.historique);
    }
    Dialogues::InstallerRepondeur(Utilisateur.Repondeur());
    EXPECT_EQ(QSize(LargeurFit(f->ImageFit), HauteurFit(f->ImageFit)), QSize(256, 246));
    // Cancelled: the display holds no mark of the preview.
    const QImage affiche = f->ImgSource->Picture.copy();
    f->AfficherImage(true, false);
    EXPECT_EQ(f->ImgSource->Picture, affiche);
    QImage axes = affiche.copy();
    DessinerAxes(axes, clBleu);
    EXPECT_EQ(pendant, axes); // the preview was on the window while the dialog was open
    EXPECT_NE(f->ImageFit.Pixels, origine);
}
