// The tricolour window driven through the frame as a user would: the hidden
// "Trichromie RVB" action, planes chosen by clicking the thumbnails, sliders,
// offset buttons, level matching and the outputs, checked by Pillow, astropy,
// numpy, fitsverify and djpeg.
#include "PDialogues.h"
#include "Soutien.h"
#include "UExportationJpeg.h"
#include "UImages.h"
#include "UInstallationImage.h"
#include "UInstallationTrichromie.h"
#include "UMain.h"
#include "UParametres.h"
#include "UTrichromieRVB.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

// Runs a Python script with arguments; the test fails with its output when it
// does not end with 0.
::testing::AssertionResult Peer(const QString& script, const QStringList& arguments)
{
    QTemporaryDir dossier;
    const QString nom = dossier.path() + QStringLiteral("/verifier.py");
    QFile f(nom);
    if (!f.open(QIODevice::WriteOnly))
        return ::testing::AssertionFailure() << "script";
    f.write(script.toUtf8());
    f.close();
    QString sortie;
    const int code = LancerProgramme(Python, QStringList{nom} + arguments, &sortie, 120000);
    if (code == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "code " << code << ": " << sortie.toStdString();
}

::testing::AssertionResult VerifieParFitsverify(const QString& nom)
{
    QString rapport;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/fitsverify"), {nom}, &rapport);
    if (code >= 0 && rapport.contains(QStringLiteral(" and 0 error(s).")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << rapport.toStdString();
}

// numpy's rendering of a FITS file through the linear curve at the given
// levels, in display orientation (the file's first row at the bottom).
const char* const RenduNumpy = R"(
import numpy as np
from astropy.io import fits
def rendu(nom, bas, haut):
    d = np.flipud(fits.getdata(nom).astype(np.float64))
    v = np.rint(d).astype(np.int64)
    r = np.where(v < bas, 0, np.where(v > haut, 255, (v - bas) * 255 // max(haut - bas, 1)))
    return r.astype(np.int64)
def decaler(a, dx, dy):
    b = np.zeros_like(a)
    h, w = a.shape
    b[max(dy, 0):h + min(dy, 0), max(dx, 0):w + min(dx, 0)] = a[max(-dy, 0):h - max(dy, 0), max(-dx, 0):w - max(dx, 0)]
    return b
)";

// A control of the window, found by its name as a user finds it by its place.
template <class T>
T* Enfant(QWidget& fenetre, const char* nom)
{
    T* w = fenetre.findChild<T*>(QString::fromLatin1(nom));
    EXPECT_NE(w, nullptr) << nom;
    return w;
}

// A click on a check box's box, at its left edge.
void Cliquer(QCheckBox* boite)
{
    QTest::mouseClick(boite, Qt::LeftButton, {}, QPoint(6, boite->height() / 2));
}

struct TUtilisateur {
    QStringList AOuvrir;
    QString AEnregistrer;
    std::function<int(QDialog&)> Modal;
    std::vector<TDemandeDialogue> Vus;
    Dialogues::TRepondeur Repondeur()
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
    int Compter(TGenreDemande genre, const QString& texte = {}) const
    {
        int n = 0;
        for (const auto& d : Vus)
            n += d.Genre == genre && (texte.isEmpty() || d.Texte.contains(texte));
        return n;
    }
};

class TUsageTrichromie : public ::testing::Test {
protected:
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
        ASSERT_TRUE(Dossier.isValid());
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        Cadre = new TMain;
        if (!ExportationJpeg)
            ExportationJpeg = new TExportationJpeg;
        ExportationJpeg->DossierTemporaire = Dossier.path();
        InstallerFenetresImage(*Cadre);
        InstallerTrichromie(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
    }
    void TearDown() override
    {
        delete Cadre;
        Repondeur.reset();
    }

    TTrichromieRVB* Ouvrir()
    {
        Cadre->MnItmTrichromie->trigger();
        QApplication::processEvents();
        return dynamic_cast<TTrichromieRVB*>(Cadre->FenetreActive());
    }
    // A copy in the test's folder, under a new name.
    QString Copie(const QString& donnee, const QString& nom)
    {
        const QString cible = Dossier.filePath(nom);
        QFile::remove(cible);
        EXPECT_TRUE(QFile::copy(CheminDonnees(donnee), cible));
        QFile(cible).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return cible;
    }
    // Clicks the plane's thumbnail, answering the open dialog with the file.
    void Choisir(TTrichromieRVB& f, int plan, const QString& nom)
    {
        Utilisateur.AOuvrir = QStringList{nom};
        QTest::mouseClick(f.Plans[plan].ImgMini, Qt::LeftButton, {}, QPoint(50, 50));
        QApplication::processEvents();
    }
    void Enregistrer(TTrichromieRVB& f, const QString& nom)
    {
        Utilisateur.AEnregistrer = nom;
        QTest::mouseClick(Enfant<QToolButton>(f, "BtBtnEnregistrer"), Qt::LeftButton);
    }
    static QAction* ActionMenu(QMenu* menu, const QString& nom)
    {
        for (QAction* a : menu->actions()) {
            if (a->objectName() == nom)
                return a;
            if (a->menu())
                if (QAction* s = ActionMenu(a->menu(), nom))
                    return s;
        }
        return nullptr;
    }

    TUtilisateur Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    QTemporaryDir Dossier;
    TMain* Cadre = nullptr;
};

TEST_F(TUsageTrichromie, LaFenetreVientDeLActionCacheeDuCadre)
{
    EXPECT_FALSE(Cadre->MnItmTrichromie->isVisible());
    EXPECT_FALSE(Cadre->MnItmSeparateurTrichromie->isVisible());
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Tag(), GenreTrichromie);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("#1 Trichromie RVB"));
    TTrichromieRVB* g = Ouvrir();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->windowTitle(), QStringLiteral("#2 Trichromie RVB"));
    EXPECT_EQ(Enfant<QLineEdit>(*f, "EdtPas")->text(), QStringLiteral("1,0"));
    EXPECT_EQ(f->FiltreOuverture(), QStringLiteral("Fichier fit (*.fit);;Fichier bitmap (*.bmp)"));
    // Nothing composed yet: the outputs do nothing.
    Enregistrer(*f, Dossier.filePath(QStringLiteral("rien.bmp")));
    EXPECT_FALSE(QFile::exists(Dossier.filePath(QStringLiteral("rien.bmp"))));
}

TEST_F(TUsageTrichromie, HubbleEnTroisPlansRedonneLOriginal)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    const QString hubble = Copie(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("hubble.bmp"));
    for (int p = 0; p < 3; ++p)
        Choisir(*f, p, hubble);
    for (int p = 0; p < 3; ++p) {
        EXPECT_TRUE(f->Plans[p].ChckBx->isChecked());
        EXPECT_EQ(f->Plans[p].TrckBrSeuilHaut->maximum(), 255);
        EXPECT_EQ(f->Plans[p].LblNbBits->text(), QStringLiteral("8"));
    }
    EXPECT_EQ(f->FiltreOuverture(), QStringLiteral("Fichier bitmap (*.bmp)"));
    const QString sortie = Dossier.filePath(QStringLiteral("composite.bmp"));
    Enregistrer(*f, sortie);
    ASSERT_TRUE(QFile::exists(sortie));
    EXPECT_TRUE(Peer(QStringLiteral("import sys, numpy as np\nfrom PIL import Image\n"
                                    "a = np.asarray(Image.open(sys.argv[1]).convert('RGB'))\n"
                                    "b = np.asarray(Image.open(sys.argv[2]).convert('RGB'))\n"
                                    "sys.exit(0 if a.shape == b.shape and (a == b).all() else 1)\n"),
                     {sortie, CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp"))}));
}

TEST_F(TUsageTrichromie, PlansFitAvecSeuilsDecalagesEtVertDecoche)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    const QString r = Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("r.fit"));
    const QString v = Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("v.fit"));
    const QString b = Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("b.fit"));
    Choisir(*f, 0, r);
    EXPECT_EQ(f->FiltreOuverture(), QStringLiteral("Fichier fit (*.fit)"));
    Choisir(*f, 1, v);
    Choisir(*f, 2, b);
    EXPECT_EQ(f->Plans[0].TrckBrSeuilHaut->maximum(), 65535);
    // The user drags the sliders: red 100..600, blue 50..900.
    f->Plans[0].TrckBrSeuilHaut->setValue(600);
    f->Plans[0].TrckBrSeuilBas->setValue(100);
    EXPECT_EQ(Enfant<QTabWidget>(*f, "PgCntrlPrincipal")->currentIndex(), 1);
    EXPECT_TRUE(Enfant<QToolButton>(*f, "BtBtnAjusterVertBleu")->isVisibleTo(f));
    EXPECT_EQ(f->Plans[0].TrckBrSeuilHaut->toolTip(), QStringLiteral("Seuil haut : 600"));
    f->Plans[2].TrckBrSeuilHaut->setValue(900);
    f->Plans[2].TrckBrSeuilBas->setValue(50);
    // Red two pixels right and one up; blue three down.
    QTest::mouseClick(f->Plans[0].BtBtnDroite, Qt::LeftButton);
    QTest::mouseClick(f->Plans[0].BtBtnDroite, Qt::LeftButton);
    QTest::mouseClick(f->Plans[0].BtBtnHaut, Qt::LeftButton);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(f->Plans[2].BtBtnBas, Qt::LeftButton);
    EXPECT_EQ(f->Plans[0].SttcTxtH->text(), QStringLiteral("2,0"));
    EXPECT_EQ(f->Plans[0].SttcTxtV->text(), QStringLiteral("-1,0"));
    EXPECT_EQ(f->Plans[2].SttcTxtV->text(), QStringLiteral("3,0"));
    Cliquer(f->Plans[1].ChckBx); // green off: composes
    EXPECT_FALSE(f->Plans[1].ChckBx->isChecked());
    const QString sortie = Dossier.filePath(QStringLiteral("rvb.bmp"));
    Enregistrer(*f, sortie);
    ASSERT_TRUE(QFile::exists(sortie));
    EXPECT_TRUE(Peer(QString::fromLatin1(RenduNumpy) +
                         QStringLiteral("import sys\nfrom PIL import Image\n"
                                        "s = np.asarray(Image.open(sys.argv[2]).convert('RGB')).astype(np.int64)\n"
                                        "r = decaler(rendu(sys.argv[1], 100, 600), 2, -1)\n"
                                        "b = decaler(rendu(sys.argv[1], 50, 900), 0, 3)\n"
                                        "ok = (s[:, :, 0] == r).all() and (s[:, :, 1] == 0).all() and (s[:, :, 2] == b).all()\n"
                                        "print(np.abs(s[:, :, 0] - r).max(), np.abs(s[:, :, 2] - b).max())\n"
                                        "sys.exit(0 if ok else 1)\n"),
                     {CheminDonnees(QStringLiteral("ngc1316_optical_i16.fits")), sortie}));

    // A fractional step: half a pixel right on red, within 1 of numpy's interpolation.
    Enfant<QLineEdit>(*f, "EdtPas")->setText(QStringLiteral("0,5"));
    QTest::mouseClick(Enfant<QToolButton>(*f, "BtBtnRazDecalages"), Qt::LeftButton);
    QTest::mouseClick(f->Plans[0].BtBtnDroite, Qt::LeftButton);
    QTest::mouseClick(Enfant<QToolButton>(*f, "BtBtnTrichromie"), Qt::LeftButton);
    EXPECT_EQ(Enfant<QTabWidget>(*f, "PgCntrlPrincipal")->currentIndex(), 0);
    const QString demi = Dossier.filePath(QStringLiteral("demi.bmp"));
    Enregistrer(*f, demi);
    EXPECT_TRUE(Peer(QString::fromLatin1(RenduNumpy) +
                         QStringLiteral("import sys\nfrom PIL import Image\n"
                                        "s = np.asarray(Image.open(sys.argv[2]).convert('RGB')).astype(np.float64)\n"
                                        "r = rendu(sys.argv[1], 100, 600).astype(np.float64)\n"
                                        "i = r.copy(); i[:, 1:] = 0.5 * r[:, 1:] + 0.5 * r[:, :-1]; i[:, 0] = 0.5 * r[:, 0]\n"
                                        "e = np.abs(s[:, :, 0] - i).max(); print(e)\n"
                                        "sys.exit(0 if e <= 1 else 1)\n"),
                     {CheminDonnees(QStringLiteral("ngc1316_optical_i16.fits")), demi}));
}

TEST_F(TUsageTrichromie, VertSeulDonneVertSurNoir)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    Choisir(*f, TTrichromieRVB::PlanVert, Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("v.fit")));
    ASSERT_TRUE(f->ImageComposee);
    const QImage& c = f->ImageRVB.BitmapSource;
    ASSERT_EQ(c.size(), QSize(440, 300));
    const QImage vert = f->Plans[1].Rendu;
    int differences = 0, nonNoirs = 0;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            differences += OctetDe(c, x, y, 1) != OctetDe(vert, x, y); // green byte
            nonNoirs += OctetDe(c, x, y, 0) != 0 || OctetDe(c, x, y, 2) != 0;
        }
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(nonNoirs, 0);
    // A plane slider renders its plane only; the composite waits for "Trichromie".
    const QImage composite = f->RenduRVB;
    f->Plans[1].TrckBrSeuilHaut->setValue(300);
    EXPECT_EQ(f->RenduRVB, composite);
    EXPECT_NE(f->Plans[1].Rendu, vert);
    // The composite's own levels stay from one composition to the next.
    QSlider* hautRVB = Enfant<QSlider>(*f, "TrckBrSeuilHautRVB");
    hautRVB->setValue(128);
    EXPECT_EQ(f->ImageRVB.SMax, 128);
    EXPECT_NE(f->RenduRVB, composite);
    QTest::mouseClick(Enfant<QToolButton>(*f, "BtBtnTrichromie"), Qt::LeftButton);
    EXPECT_EQ(f->ImageRVB.SMax, 128);
    EXPECT_EQ(hautRVB->value(), 128);
    EXPECT_EQ(hautRVB->toolTip(), QStringLiteral("Seuil haut : 128"));
    // Unchecking it empties the picture; the outputs still act on the last composite.
    Cliquer(f->Plans[1].ChckBx);
    EXPECT_TRUE(f->ImgRVB->Image().isNull());
    const QString sortie = Dossier.filePath(QStringLiteral("dernier.bmp"));
    Enregistrer(*f, sortie);
    EXPECT_TRUE(QFile::exists(sortie));
}

TEST_F(TUsageTrichromie, TailleDifferenteRefuseeEtTaillesLuesDesPlansCharges)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    const QString r = Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("r.fit"));
    Choisir(*f, 0, r);
    const QString m51 = Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fit"));
    Choisir(*f, 1, m51);
    EXPECT_EQ(Utilisateur.Compter(TGenreDemande::Information,
                                  QStringLiteral("La taille de l'image sélectionnée est différente")),
              1);
    EXPECT_TRUE(f->Plans[1].NomFichier.isEmpty());
    EXPECT_FALSE(f->Plans[1].ChckBx->isChecked());

    // The red file changes on disk after loading: sizes still come from the
    // loaded red plane, so the merge never sees two sizes.
    QFile::remove(r);
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), r));
    Choisir(*f, 1, Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("v.fit")));
    EXPECT_FALSE(f->Plans[1].NomFichier.isEmpty());
    Choisir(*f, 2, m51);
    EXPECT_TRUE(f->Plans[2].NomFichier.isEmpty());
    QFile::remove(r);
    QTest::mouseClick(Enfant<QToolButton>(*f, "BtBtnTrichromie"), Qt::LeftButton);
    EXPECT_EQ(f->ImageRVB.BitmapSource.size(), QSize(440, 300));
    EXPECT_EQ(Utilisateur.Compter(TGenreDemande::Erreur), 0);
}

TEST_F(TUsageTrichromie, FichierIlliscibleLaisseLePlanIntact)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    const QString r = Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("r.fit"));
    Choisir(*f, 0, r);
    f->Plans[0].TrckBrSeuilHaut->setValue(700);
    const QImage avant = f->ImageRVB.BitmapSource.copy();
    QFile pasBmp(Dossier.filePath(QStringLiteral("faux.bmp")));
    ASSERT_TRUE(pasBmp.open(QIODevice::WriteOnly));
    pasBmp.write("ceci n'est pas une image");
    pasBmp.close();
    const QString fits = Copie(QStringLiteral("m51_i16_256.fits"), QStringLiteral("m51.fits"));
    struct TCas {
        const char* nom;
        QString fichier;
    } cas[] = {{"pas un BMP", pasBmp.fileName()},
               {"nom .fits", fits},
               {"absent", Dossier.filePath(QStringLiteral("absent.fit"))}};
    for (const TCas& c : cas) {
        SCOPED_TRACE(c.nom);
        Utilisateur.Vus.clear();
        Choisir(*f, 0, c.fichier);
        EXPECT_EQ(Utilisateur.Compter(TGenreDemande::Erreur), 1);
        EXPECT_EQ(f->Plans[0].NomFichier, r);
        EXPECT_EQ(LargeurFit(f->Plans[0].ImageFit), 440);
        EXPECT_EQ(f->Plans[0].TrckBrSeuilHaut->value(), 700);
        EXPECT_EQ(f->Plans[0].TrckBrSeuilHaut->maximum(), 65535);
        EXPECT_TRUE(f->Plans[0].ChckBx->isChecked());
        EXPECT_EQ(f->ImageRVB.BitmapSource, avant);
        // The same through the box of a plane without a file: it stays unchecked.
        Choisir(*f, 1, c.fichier);
        EXPECT_TRUE(f->Plans[1].NomFichier.isEmpty());
        EXPECT_EQ(Utilisateur.Compter(TGenreDemande::Erreur), 2);
        Utilisateur.AOuvrir = QStringList{c.fichier};
        Cliquer(f->Plans[2].ChckBx);
        EXPECT_FALSE(f->Plans[2].ChckBx->isChecked());
        EXPECT_TRUE(f->Plans[2].NomFichier.isEmpty());
    }
}

TEST_F(TUsageTrichromie, ProfondeurDesCurseurs)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    Choisir(*f, 0, Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("r.fit")));
    Choisir(*f, 1, Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("v.fit")));
    Choisir(*f, 2, Copie(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("b.bmp")));
    // The BMP was refused (size): choose a BMP window for the BMP ladder.
    TTrichromieRVB* g = Ouvrir();
    Choisir(*g, 2, Copie(QStringLiteral("hubble_deep_field_24.bmp"), QStringLiteral("b.bmp")));

    auto pas = [](TTrichromieRVB::TPlan& p, bool haut) {
        haut ? p.UpDwnNbBits->stepUp() : p.UpDwnNbBits->stepDown();
    };
    TTrichromieRVB::TPlan& fit = f->Plans[0];
    fit.TrckBrSeuilHaut->setValue(200);
    fit.TrckBrSeuilBas->setValue(10);
    const int echelleFit[] = {16383, 4095, 1023, 255};
    for (int attendu : echelleFit) {
        pas(fit, false);
        EXPECT_EQ(fit.TrckBrSeuilHaut->maximum(), attendu);
        EXPECT_EQ(fit.TrckBrSeuilBas->maximum(), attendu);
    }
    EXPECT_EQ(fit.LblNbBits->text(), QStringLiteral("8"));
    pas(fit, false); // 8 is the floor
    EXPECT_EQ(fit.TrckBrSeuilHaut->maximum(), 255);
    for (int attendu : {1023, 4095, 16383, 65535, 65535}) {
        pas(fit, true);
        EXPECT_EQ(fit.TrckBrSeuilHaut->maximum(), attendu);
    }
    // A slider above what 14 bits hold refuses the step down.
    TTrichromieRVB::TPlan& autre = f->Plans[1];
    autre.TrckBrSeuilHaut->setValue(16384);
    pas(autre, false);
    EXPECT_EQ(autre.TrckBrSeuilHaut->maximum(), 65535);
    autre.TrckBrSeuilHaut->setValue(16383);
    pas(autre, false);
    EXPECT_EQ(autre.TrckBrSeuilHaut->maximum(), 16383);
    EXPECT_EQ(autre.LblNbBits->text(), QStringLiteral("14"));

    TTrichromieRVB::TPlan& bmp = g->Plans[2];
    bmp.TrckBrSeuilHaut->setValue(15);
    bmp.TrckBrSeuilBas->setValue(0);
    for (int attendu : {63, 15, 15}) {
        pas(bmp, false);
        EXPECT_EQ(bmp.TrckBrSeuilHaut->maximum(), attendu);
    }
    for (int attendu : {63, 255, 255}) {
        pas(bmp, true);
        EXPECT_EQ(bmp.TrckBrSeuilHaut->maximum(), attendu);
    }
}

TEST_F(TUsageTrichromie, LuminositeEtContrasteDeplacentLesSeuils)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    Choisir(*f, 0, Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("r.fit")));
    TTrichromieRVB::TPlan& p = f->Plans[0];
    p.TrckBrSeuilHaut->setValue(30000);
    p.TrckBrSeuilBas->setValue(5000);
    const int pas = 65535 / LireReglSeuilsVisu();
    struct TCas {
        const char* nom;
        QSpinBox* hautBas;
        bool haut;
        int seuilHaut, seuilBas;
    } cas[] = {
        {"L haut", p.UpDwnLum, true, 30000 - pas, 5000 - pas},
        {"L bas", p.UpDwnLum, false, 30000, 5000},
        {"C haut", p.UpDwnCont, true, 30000 - pas, 5000 + pas},
        {"C bas", p.UpDwnCont, false, 30000, 5000},
        {"L bas au bord", p.UpDwnLum, false, 30000 + pas, 5000 + pas},
    };
    for (const TCas& c : cas) {
        SCOPED_TRACE(c.nom);
        c.haut ? c.hautBas->stepUp() : c.hautBas->stepDown();
        EXPECT_EQ(p.TrckBrSeuilHaut->value(), c.seuilHaut);
        EXPECT_EQ(p.TrckBrSeuilBas->value(), c.seuilBas);
        EXPECT_EQ(p.ImageFit.SMax, c.seuilHaut);
        EXPECT_EQ(p.ImageFit.SMin, c.seuilBas);
    }
    // Positions stay within the slider.
    p.TrckBrSeuilBas->setValue(100);
    p.UpDwnLum->stepUp();
    EXPECT_EQ(p.TrckBrSeuilBas->value(), 0);
    p.TrckBrSeuilHaut->setValue(65000);
    p.UpDwnLum->stepDown();
    EXPECT_EQ(p.TrckBrSeuilHaut->value(), 65535);
}

TEST_F(TUsageTrichromie, PasDesDecalages)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    QLineEdit* pas = Enfant<QLineEdit>(*f, "EdtPas");
    QSpinBox* hautBas = Enfant<QSpinBox>(*f, "UpDwnPas");
    struct {
        const char* avant;
        bool haut;
        const char* apres;
    } cas[] = {{"", true, "1,1"}, {"", false, "0,9"}, {"0,1", false, "0,0"}, {"0,0", false, "0,0"}, {"2,5", true, "2,6"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.avant);
        pas->setText(QString::fromUtf8(c.avant));
        c.haut ? hautBas->stepUp() : hautBas->stepDown();
        EXPECT_EQ(pas->text(), QString::fromUtf8(c.apres));
    }
    // A step that is no number: the error box, the offsets stay.
    pas->setText(QStringLiteral("x"));
    QTest::mouseClick(f->Plans[1].BtBtnGauche, Qt::LeftButton);
    EXPECT_EQ(Utilisateur.Compter(TGenreDemande::Erreur), 1);
    EXPECT_EQ(f->Plans[1].DecalageX, 0.0);
    pas->setText(QStringLiteral("0,3"));
    QTest::mouseClick(f->Plans[1].BtBtnGauche, Qt::LeftButton);
    QTest::mouseClick(f->Plans[1].BtBtnGauche, Qt::LeftButton);
    EXPECT_EQ(f->Plans[1].SttcTxtH->text(), QStringLiteral("-0,6"));
}

TEST_F(TUsageTrichromie, AjustementDesNiveauxEtExportations)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    const QString r = Copie(QStringLiteral("ngc1316_optical_i16.fits"), QStringLiteral("r.fit"));
    const QString v = Dossier.filePath(QStringLiteral("v.fit"));
    // A green plane of another level, made by astropy: half the values plus 40.
    ASSERT_TRUE(Peer(QStringLiteral("import sys, numpy as np\nfrom astropy.io import fits\n"
                                    "d = fits.getdata(sys.argv[1]).astype(np.float64)\n"
                                    "fits.writeto(sys.argv[2], (np.rint(d * 0.5) + 40).astype(np.int16), overwrite=True)\n"),
                     {r, v}));
    Choisir(*f, 0, r);
    Choisir(*f, 1, v);
    f->Plans[0].TrckBrSeuilHaut->setValue(800);
    f->Plans[0].TrckBrSeuilBas->setValue(120);
    ASSERT_EQ(Enfant<QTabWidget>(*f, "PgCntrlPrincipal")->currentIndex(), 1);
    QTest::mouseClick(Enfant<QToolButton>(*f, "BtBtnAjusterVertBleu"), Qt::LeftButton);
    EXPECT_EQ(Enfant<QTabWidget>(*f, "PgCntrlPrincipal")->currentIndex(), 0);
    EXPECT_NEAR(MoyenneFit(f->Plans[1].ImageFit), MoyenneFit(f->Plans[0].ImageFit), 1e-6);
    EXPECT_NEAR(MoyenneFit(f->Plans[0].ImageFit), 260.741446969697, 1e-6); // astropy's mean of the file
    EXPECT_EQ(f->Plans[1].TrckBrSeuilHaut->value(), 800);
    EXPECT_EQ(f->Plans[1].TrckBrSeuilBas->value(), 120);
    EXPECT_EQ(f->Plans[1].ImageFit.SMax, 800);

    // Exporter > Fit: the grey notice, then a file fitsverify accepts and
    // astropy reads as (R + G + B) div 3 of the composite.
    const QString composite = Dossier.filePath(QStringLiteral("c.bmp"));
    Enregistrer(*f, composite);
    const QString fit = Dossier.filePath(QStringLiteral("c.fit"));
    Utilisateur.AEnregistrer = fit;
    Utilisateur.Vus.clear();
    QAction* exporterFit = ActionMenu(f->PppMnImgRGBBmp, QStringLiteral("MnItmExporterFit"));
    ASSERT_NE(exporterFit, nullptr);
    exporterFit->trigger();
    EXPECT_EQ(Utilisateur.Compter(TGenreDemande::Information, QStringLiteral("convertie en niveaux de gris")), 1);
    ASSERT_TRUE(QFile::exists(fit));
    EXPECT_TRUE(VerifieParFitsverify(fit));
    EXPECT_TRUE(Peer(QStringLiteral("import sys, numpy as np\nfrom astropy.io import fits\nfrom PIL import Image\n"
                                    "s = np.asarray(Image.open(sys.argv[1]).convert('RGB')).astype(np.int64)\n"
                                    "g = s.sum(axis=2) // 3\n"
                                    "d = np.flipud(fits.getdata(sys.argv[2]).astype(np.int64))\n"
                                    "sys.exit(0 if d.shape == g.shape and (d == g).all() else 1)\n"),
                     {composite, fit}));

    // Exporter > Jpeg through the export dialog.
    const QString jpeg = Dossier.filePath(QStringLiteral("c.jpg"));
    Utilisateur.Modal = [&](QDialog& d) {
        Utilisateur.AEnregistrer = jpeg;
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnExporter")), Qt::LeftButton);
        return mrOk;
    };
    QAction* exporterJpeg = ActionMenu(f->PppMnImgRGBBmp, QStringLiteral("MnItmExporterJpeg"));
    ASSERT_NE(exporterJpeg, nullptr);
    exporterJpeg->trigger();
    ASSERT_TRUE(QFile::exists(jpeg));
    EXPECT_TRUE(Peer(QStringLiteral("import sys\nfrom PIL import Image\n"
                                    "i = Image.open(sys.argv[1]); i.load()\n"
                                    "sys.exit(0 if i.size == (440, 300) else 1)\n"),
                     {jpeg}));
    QString sortie;
    EXPECT_EQ(LancerProgramme(QStringLiteral("/usr/bin/djpeg"), {QStringLiteral("-outfile"),
                                                                 Dossier.filePath(QStringLiteral("c.ppm")), jpeg},
                              &sortie),
              0)
        << sortie.toStdString();

    // Ouvrir: a new image window holds the composite.
    const int avant = Cadre->FenetresDuGenre(GenreImage).size();
    ActionMenu(f->PppMnImgRGBBmp, QStringLiteral("MnItmOuvrir"))->trigger();
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), avant + 1);
}

TEST_F(TUsageTrichromie, ChargerPlansBmpCouleurEtCapture)
{
    TTrichromieRVB* f = Ouvrir();
    ASSERT_NE(f, nullptr);
    f->ChargerPlansBmpCouleur(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    const THistoBmp original = [] {
        THistoBmp b;
        CreerHistoBmp(b);
        ChargerBmp(b, CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
        return b;
    }();
    EXPECT_EQ(f->ImageRVB.BitmapSource.convertToFormat(QImage::Format_RGB32),
              original.BitmapSource.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(f->FiltreOuverture(), QStringLiteral("Fichier bitmap (*.bmp)"));
    // What a user sees; kept when a folder is named for captures.
    const QByteArray captures = qgetenv("STELOR_CAPTURES");
    if (!captures.isEmpty()) {
        Cadre->resize(1100, 760);
        f->resize(1000, 680);
        QTest::mouseClick(f->Plans[0].BtBtnDroite, Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_TRUE(f->grab().save(QString::fromLocal8Bit(captures) + QStringLiteral("/trichromie.png")));
    }
}

} // namespace
