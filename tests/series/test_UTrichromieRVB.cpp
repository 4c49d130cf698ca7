// The tricolour window driven through the frame as a user would: the hidden
// "Trichromie RVB" action, planes chosen by clicking the thumbnails, sliders,
// offset buttons, level matching and the outputs, checked by Pillow, astropy,
// numpy, fitsverify and djpeg.
#include "PFichiers.h"
#include "Soutien.h"
#include "UExportationJpeg.h"
#include "UInstallationImage.h"
#include "UInstallationTrichromie.h"
#include "UImages.h"
#include "UMain.h"
#include "UParametres.h"
#include "UTrichromieRVB.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QString Ngc = QStringLiteral("ngc1316_optical_i16.fits"), M51 = QStringLiteral("m51_i16_256.fits"),
              Hubble = QStringLiteral("hubble_deep_field_24.bmp");

void Clic(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

// A click on a check box's box, at its left edge.
void Cocher(QCheckBox* boite) { QTest::mouseClick(boite, Qt::LeftButton, {}, QPoint(6, boite->height() / 2)); }

class TUsageTrichromie : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dossier.isValid());
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
        Cadre = new TMain; // opens the settings; this test's own file comes after
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        if (!ExportationJpeg)
            ExportationJpeg = new TExportationJpeg;
        ExportationJpeg->DossierTemporaire = Dossier.path();
        InstallerFenetresImage(*Cadre);
        InstallerTrichromie(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
        F = Ouvrir();
        ASSERT_NE(F, nullptr);
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
    QString Copie(const QString& donnee, const QString& nom)
    {
        const QString cible = Dossier.filePath(nom);
        QFile::remove(cible);
        EXPECT_TRUE(QFile::copy(CheminDonnees(donnee), cible));
        return cible;
    }
    // Clicks the plane's thumbnail, answering the open dialog with the file.
    void Choisir(int plan, const QString& fichier)
    {
        Utilisateur.AOuvrir = QStringList{fichier};
        QTest::mouseClick(F->Plans[plan].ImgMini, Qt::LeftButton, {}, QPoint(50, 50));
        QApplication::processEvents();
    }
    QString Charger(int plan, const QString& donnee, const QString& nom)
    {
        const QString copie = Copie(donnee, nom);
        Choisir(plan, copie);
        return copie;
    }
    void Enregistrer(const QString& nom)
    {
        Utilisateur.AEnregistrer = nom;
        Clic(Enfant("BtBtnEnregistrer"));
    }
    template <class T = QToolButton> T* Enfant(const char* nom)
    {
        T* w = F->findChild<T*>(QString::fromLatin1(nom));
        EXPECT_NE(w, nullptr) << nom;
        return w;
    }
    int Page() { return Enfant<QTabWidget>("PgCntrlPrincipal")->currentIndex(); }
    void Menu(const char* nom)
    {
        QAction* a = F->PppMnImgRGBBmp->findChild<QAction*>(QString::fromLatin1(nom));
        ASSERT_NE(a, nullptr) << nom;
        a->trigger();
    }
    int Compter(TGenreDemande genre, const QString& texte = {}) const { return Utilisateur.Compter(genre, texte); }

    TUtilisateurTest Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    QTemporaryDir Dossier;
    TMain* Cadre = nullptr;
    TTrichromieRVB* F = nullptr;
};

TEST_F(TUsageTrichromie, ActionCacheeEtHubbleEnTroisPlansRedonneLOriginal)
{
    EXPECT_FALSE(Cadre->MnItmTrichromie->isVisible() || Cadre->MnItmSeparateurTrichromie->isVisible());
    EXPECT_EQ(F->Tag(), GenreTrichromie);
    // Nothing composed yet: the outputs do nothing.
    const QString sortie = Dossier.filePath(QStringLiteral("composite.bmp")), hubble = Copie(Hubble, "hubble.bmp");
    Enregistrer(sortie);
    EXPECT_FALSE(QFile::exists(sortie));
    for (int p = 0; p < 3; ++p)
        Choisir(p, hubble);
    Enregistrer(sortie);
    EXPECT_EQ(Python(QStringLiteral("identiques"), {sortie, CheminDonnees(Hubble)}), QStringLiteral("1"));
    // The same three planes from the colour file at once.
    TTrichromieRVB* g = Ouvrir();
    EXPECT_EQ(g->windowTitle(), QStringLiteral("#2 Trichromie RVB"));
    g->ChargerPlansBmpCouleur(CheminDonnees(Hubble));
    EXPECT_EQ(g->ImageRVB.BitmapSource, F->ImageRVB.BitmapSource);
    EXPECT_EQ(g->FiltreOuverture(), QStringLiteral("Fichier bitmap (*.bmp)"));
    // What a user sees; kept when a folder is named for captures.
    const QByteArray captures = qgetenv("STELOR_CAPTURES");
    if (!captures.isEmpty()) {
        Cadre->resize(1100, 760);
        g->resize(1000, 680);
        Clic(g->Plans[0].BtBtnDroite);
        QApplication::processEvents();
        EXPECT_TRUE(g->grab().save(QString::fromLocal8Bit(captures) + QStringLiteral("/trichromie.png")));
    }
}

TEST_F(TUsageTrichromie, PlansFitAvecSeuilsDecalagesEtVertDecoche)
{
    Charger(0, Ngc, QStringLiteral("r.fit"));
    EXPECT_EQ(F->FiltreOuverture(), QStringLiteral("Fichier fit (*.fit)"));
    Charger(1, Ngc, QStringLiteral("v.fit"));
    Charger(2, Ngc, QStringLiteral("b.fit"));
    // The user drags the sliders (red 100..600, blue 50..900): the plane's page shows.
    F->Plans[0].TrckBrSeuilHaut->setValue(600);
    F->Plans[0].TrckBrSeuilBas->setValue(100);
    EXPECT_EQ(Page(), 1);
    EXPECT_TRUE(Enfant("BtBtnAjusterVertBleu")->isVisibleTo(F));
    EXPECT_EQ(F->Plans[0].TrckBrSeuilHaut->toolTip(), QStringLiteral("Seuil haut : 600"));
    F->Plans[2].TrckBrSeuilHaut->setValue(900);
    F->Plans[2].TrckBrSeuilBas->setValue(50);
    // Red two pixels right and one up, blue three down, then green off composes.
    const TTrichromieRVB::TPlan &r = F->Plans[0], &b = F->Plans[2];
    for (QToolButton* fleche : {r.BtBtnDroite, r.BtBtnDroite, r.BtBtnHaut, b.BtBtnBas, b.BtBtnBas, b.BtBtnBas})
        Clic(fleche);
    Cocher(F->Plans[1].ChckBx);
    const QString sortie = Dossier.filePath(QStringLiteral("rvb.bmp"));
    Enregistrer(sortie);
    const QString ngc = CheminDonnees(Ngc);
    EXPECT_EQ(QStringList({Python("ecart_plan", {sortie, "0", ngc, "100", "600", "2", "-1"}),
                           Python("ecart_plan", {sortie, "1", "-", "0", "0", "0", "0"}),
                           Python("ecart_plan", {sortie, "2", ngc, "50", "900", "0", "3"})}),
              QStringList({"0", "0", "0"}));

    // A fractional step: half a pixel right on red, within 1 of numpy's interpolation.
    Enfant<QLineEdit>("EdtPas")->setText(QStringLiteral("0,5"));
    Clic(Enfant("BtBtnRazDecalages"));
    Clic(r.BtBtnDroite);
    Clic(Enfant("BtBtnTrichromie"));
    EXPECT_EQ(Page(), 0);
    const QString demi = Dossier.filePath(QStringLiteral("demi.bmp"));
    Enregistrer(demi);
    EXPECT_LE(Python("ecart_demi_pas", {demi, ngc, "100", "600"}).toDouble(), 1);
}

TEST_F(TUsageTrichromie, VertSeulEtNiveauxDuComposite)
{
    Charger(TTrichromieRVB::PlanVert, Ngc, QStringLiteral("v.fit"));
    const QImage vert = F->Plans[1].Rendu;
    // Green on black, at the size of the only plane.
    EXPECT_EQ(F->ImageRVB.BitmapSource,
              BitmapDe(440, 300, 3, [&](int x, int y, int c) { return c == 1 ? OctetDe(vert, x, y) : 0; }));
    // A plane slider renders its plane only; the composite waits for "Trichromie".
    const QImage composite = F->RenduRVB;
    F->Plans[1].TrckBrSeuilHaut->setValue(300);
    EXPECT_EQ(F->RenduRVB, composite);
    EXPECT_NE(F->Plans[1].Rendu, vert);
    // The composite's own levels stay from one composition to the next.
    QSlider* hautRVB = Enfant<QSlider>("TrckBrSeuilHautRVB");
    hautRVB->setValue(128);
    EXPECT_NE(F->RenduRVB, composite);
    Clic(Enfant("BtBtnTrichromie"));
    EXPECT_EQ(F->ImageRVB.SMax, 128);
    EXPECT_EQ(hautRVB->toolTip(), QStringLiteral("Seuil haut : 128"));
    // Unchecking it empties the picture; the outputs still act on the last composite.
    Cocher(F->Plans[1].ChckBx);
    EXPECT_TRUE(F->ImgRVB->Image().isNull());
    Enregistrer(Dossier.filePath(QStringLiteral("dernier.bmp")));
    EXPECT_TRUE(QFile::exists(Dossier.filePath(QStringLiteral("dernier.bmp"))));
}

TEST_F(TUsageTrichromie, FichierIlliscibleOuDAutreTailleLaisseLePlanIntact)
{
    const QString r = Charger(0, Ngc, QStringLiteral("r.fit"));
    F->Plans[0].TrckBrSeuilHaut->setValue(700);
    const QImage avant = F->ImageRVB.BitmapSource.copy();
    EcrireFichierSur(Dossier.filePath(QStringLiteral("faux.bmp")), QByteArray("ceci n'est pas une image"));
    // Not a BMP, a FITS file named .fits (taken for a bitmap), a missing file.
    for (const QString& fichier : {Dossier.filePath(QStringLiteral("faux.bmp")), Copie(M51, QStringLiteral("m51.fits")),
                                   Dossier.filePath(QStringLiteral("absent.fit"))}) {
        SCOPED_TRACE(fichier.toStdString());
        Utilisateur.Vus.clear();
        Choisir(0, fichier);
        EXPECT_EQ(Compter(TGenreDemande::Erreur), 1);
        EXPECT_EQ(F->Plans[0].NomFichier, r);
        EXPECT_EQ(LargeurFit(F->Plans[0].ImageFit), 440);
        EXPECT_EQ(F->Plans[0].TrckBrSeuilHaut->value(), 700);
        EXPECT_EQ(F->Plans[0].TrckBrSeuilHaut->maximum(), 65535);
        EXPECT_EQ(F->ImageRVB.BitmapSource, avant);
        // The same through the box of a plane without a file: it stays unchecked.
        Cocher(F->Plans[2].ChckBx);
        EXPECT_FALSE(F->Plans[2].ChckBx->isChecked());
        EXPECT_TRUE(F->Plans[2].NomFichier.isEmpty());
    }
    // Another size, chosen through the box: refused with its notice, the box unchecked.
    Utilisateur.Vus.clear();
    const QString m51 = Copie(M51, QStringLiteral("m51.fit"));
    Utilisateur.AOuvrir = QStringList{m51};
    Cocher(F->Plans[1].ChckBx);
    EXPECT_EQ(Compter(TGenreDemande::Information, QStringLiteral("La taille de l'image sélectionnée est différente")), 1);
    EXPECT_TRUE(F->Plans[1].NomFichier.isEmpty());
    EXPECT_FALSE(F->Plans[1].ChckBx->isChecked());
    // The red file changes on disk after loading: sizes still come from the
    // loaded red plane, so the merge never sees two sizes.
    Copie(M51, QStringLiteral("r.fit"));
    Charger(1, Ngc, QStringLiteral("v.fit"));
    EXPECT_FALSE(F->Plans[1].NomFichier.isEmpty());
    Choisir(2, m51);
    EXPECT_TRUE(F->Plans[2].NomFichier.isEmpty());
    QFile::remove(r);
    Clic(Enfant("BtBtnTrichromie"));
    EXPECT_EQ(F->ImageRVB.BitmapSource.size(), QSize(440, 300));
    EXPECT_EQ(Compter(TGenreDemande::Erreur), 0);
}

TEST_F(TUsageTrichromie, LuminositeContrasteProfondeurEtPas)
{
    Charger(0, Ngc, QStringLiteral("r.fit"));
    Charger(1, Ngc, QStringLiteral("v.fit"));
    TTrichromieRVB::TPlan& p = F->Plans[0];
    p.TrckBrSeuilHaut->setValue(30000);
    p.TrckBrSeuilBas->setValue(5000);
    const int ecart = 65535 / LireReglSeuilsVisu();
    const struct {
        QSpinBox* HautBas;
        bool Haut;
        int SeuilHaut, SeuilBas;
    } cas[] = {{p.UpDwnLum, true, 30000 - ecart, 5000 - ecart},  {p.UpDwnLum, false, 30000, 5000},
               {p.UpDwnCont, true, 30000 - ecart, 5000 + ecart}, {p.UpDwnCont, false, 30000, 5000},
               {p.UpDwnLum, false, 30000 + ecart, 5000 + ecart}};
    for (const auto& c : cas) {
        SCOPED_TRACE(&c - cas);
        c.Haut ? c.HautBas->stepUp() : c.HautBas->stepDown();
        EXPECT_EQ(p.TrckBrSeuilHaut->value(), c.SeuilHaut);
        EXPECT_EQ(p.TrckBrSeuilBas->value(), c.SeuilBas);
        EXPECT_EQ(p.ImageFit.SMax, c.SeuilHaut);
    }
    // Positions stay within the slider.
    p.TrckBrSeuilBas->setValue(100);
    p.UpDwnLum->stepUp();
    EXPECT_EQ(p.TrckBrSeuilBas->value(), 0);
    p.TrckBrSeuilHaut->setValue(65000);
    p.UpDwnLum->stepDown();
    EXPECT_EQ(p.TrckBrSeuilHaut->value(), 65535);

    TTrichromieRVB* g = Ouvrir();
    g->ChargerPlansBmpCouleur(CheminDonnees(Hubble));
    TTrichromieRVB::TPlan &fit = F->Plans[0], &haut = F->Plans[1], &bmp = g->Plans[2];
    fit.TrckBrSeuilHaut->setValue(200);
    fit.TrckBrSeuilBas->setValue(10);
    haut.TrckBrSeuilHaut->setValue(16384);
    bmp.TrckBrSeuilHaut->setValue(15);
    // Two bits a step, 8 to 16 on a FIT plane, 4 to 8 on a BMP one; a slider
    // above what 14 bits hold refuses the step down.
    const struct {
        TTrichromieRVB::TPlan* Plan;
        bool Haut;
        int Maximum;
    } bits[] = {{&fit, false, 16383}, {&fit, false, 4095}, {&fit, false, 1023},  {&fit, false, 255},
               {&fit, false, 255},   {&fit, true, 1023},  {&fit, true, 4095},   {&fit, true, 16383},
               {&fit, true, 65535},  {&fit, true, 65535}, {&haut, false, 65535}, {&bmp, false, 63},
               {&bmp, false, 15},    {&bmp, false, 15},   {&bmp, true, 63},     {&bmp, true, 255},
               {&bmp, true, 255}};
    for (const auto& c : bits) {
        c.Haut ? c.Plan->UpDwnNbBits->stepUp() : c.Plan->UpDwnNbBits->stepDown();
        EXPECT_EQ(c.Plan->TrckBrSeuilHaut->maximum(), c.Maximum) << &c - bits;
    }
    haut.TrckBrSeuilHaut->setValue(16383);
    haut.UpDwnNbBits->stepDown();
    EXPECT_EQ(haut.TrckBrSeuilBas->maximum(), 16383);
    EXPECT_EQ(haut.LblNbBits->text(), QStringLiteral("14"));

    // An empty step counts as 1,0; a step never goes below 0.
    QLineEdit* pas = Enfant<QLineEdit>("EdtPas");
    pas->clear();
    Enfant<QSpinBox>("UpDwnPas")->stepUp();
    EXPECT_EQ(pas->text(), QStringLiteral("1,1"));
    pas->setText(QStringLiteral("0,0"));
    Enfant<QSpinBox>("UpDwnPas")->stepDown();
    EXPECT_EQ(pas->text(), QStringLiteral("0,0"));
    // A step that is no number: the error box, the offsets stay.
    pas->setText(QStringLiteral("x"));
    Clic(F->Plans[1].BtBtnGauche);
    EXPECT_EQ(Compter(TGenreDemande::Erreur), 1);
    EXPECT_EQ(F->Plans[1].DecalageX, 0.0);
    pas->setText(QStringLiteral("0,3"));
    Clic(F->Plans[1].BtBtnGauche);
    Clic(F->Plans[1].BtBtnGauche);
    EXPECT_EQ(F->Plans[1].SttcTxtH->text(), QStringLiteral("-0,6"));
}

TEST_F(TUsageTrichromie, AjustementDesNiveauxEtExportations)
{
    const QString r = Charger(0, Ngc, QStringLiteral("r.fit")), v = Dossier.filePath(QStringLiteral("v.fit"));
    // A green plane of another level, made by astropy: half the values plus 40.
    const double moyenne = Python(QStringLiteral("moyenne_puis_moitie"), {r, v}).toDouble();
    Choisir(1, v);
    F->Plans[0].TrckBrSeuilHaut->setValue(800);
    F->Plans[0].TrckBrSeuilBas->setValue(120);
    Clic(Enfant("BtBtnAjusterVertBleu"));
    EXPECT_EQ(Page(), 0);
    EXPECT_NEAR(MoyenneFit(F->Plans[1].ImageFit), moyenne, 1e-6);
    EXPECT_EQ(F->Plans[1].TrckBrSeuilBas->value(), 120);
    EXPECT_EQ(F->Plans[1].ImageFit.SMax, 800);

    // Exporter > Fit: the grey notice, then a file fitsverify accepts and
    // astropy reads as (R + G + B) div 3 of the composite; Exporter > Jpeg
    // through the export dialog, read by Pillow and djpeg.
    const QString composite = Dossier.filePath(QStringLiteral("c.bmp")), fit = Dossier.filePath(QStringLiteral("c.fit")),
                  jpeg = Dossier.filePath(QStringLiteral("c.jpg"));
    Enregistrer(composite);
    Utilisateur.AEnregistrer = fit;
    Utilisateur.Vus.clear();
    Menu("MnItmExporterFit");
    EXPECT_EQ(Compter(TGenreDemande::Information, QStringLiteral("convertie en niveaux de gris")), 1);
    Utilisateur.Modal = [&](QDialog& d) {
        Utilisateur.AEnregistrer = jpeg;
        Clic(d.findChild<QPushButton*>(QStringLiteral("BtnExporter")));
        return mrOk;
    };
    Menu("MnItmExporterJpeg");
    EXPECT_TRUE(AccepteParFitsverify(fit));
    EXPECT_EQ(QStringList({Python("ecart_fit", {composite, "gris", fit}), Python("image", {jpeg})}),
              QStringList({"0", "JPEG RGB 440 300"}));
    EXPECT_EQ(DecodeParDjpeg(jpeg).left(11), QByteArray("P6\n440 300\n"));

    // Ouvrir: a new image window holds the composite.
    const auto avant = Cadre->FenetresDuGenre(GenreImage).size();
    Menu("MnItmOuvrir");
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreImage).size(), avant + 1);
}

} // namespace
