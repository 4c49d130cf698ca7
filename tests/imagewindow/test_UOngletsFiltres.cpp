#include "PDialogues.h"
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UFit.h"
#include "UOngletsFiltres.h"
#include "UParametres.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
class OngletsFiltres : public ::testing::Test {
protected:
    void SetUp() override
    {
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        LireFichierFit(Fit, CheminDonnees(QStringLiteral("m51_i16_256.fits")));
        // Levels that show the galaxy's core rather than saturate it.
        Fit.SMin = 0;
        Fit.SMax = static_cast<int32_t>(Fit.Max);
        TContexteOngletsFiltres c;
        c.ImageFit = &Fit;
        c.ImageBmp = &Bmp;
        c.TypeImage = [this] { return Type; };
        c.Positif = [] { return true; };
        c.CentreSelection = [this] { return Centre; };
        c.SelectionParDefaut = [this] { ++SelectionsParDefaut; };
        c.TexteStatut = [this](const QString& t) { Statuts << t; };
        c.AfficherSource = [this] { Pages.setCurrentIndex(0); };
        c.AppliquerGaussien = [this](bool p, double s) { Appels << QStringLiteral("G %1 %2").arg(p).arg(s); };
        c.AppliquerMasqueFlou = [this](bool p, double s, double k) { Appels << QStringLiteral("MF %1 %2 %3").arg(p).arg(s).arg(k); };
        Pages.addTab(new QWidget, QStringLiteral("Source"));
        Onglets = std::make_unique<TOngletsFiltres>(std::move(c));
        Onglets->AjouterOnglets(&Pages);
    }
    void TearDown() override { FermerPreferences(); }

    QString Libelle(TOngletFiltre o, int i) { return Onglets->Libelles[static_cast<int>(o)][i]->text(); }
    QImage Apercu(TOngletFiltre o, int i) { return Onglets->Apercus[static_cast<int>(o)][i]->Picture; }
    void Cliquer(TOngletFiltre o, int i) { QTest::mouseClick(Onglets->Apercus[static_cast<int>(o)][i], Qt::LeftButton); }
    static QImage EnRgb(const QImage& i) { return i.convertToFormat(QImage::Format_RGB32); }

    // An image window with the real filter pages, opened on a copy of M51.
    TTraitementImage* FenetreM51()
    {
        TTraitementImage::InstallerFabriqueOnglets(CreerOngletsFiltres);
        auto* f = new TTraitementImage();
        TTraitementImage::InstallerFabriqueOnglets({});
        const QString nom = Dossier.filePath(QStringLiteral("m51.fit"));
        QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), nom);
        f->OuvrirImage(nom, true);
        return f;
    }

    QTemporaryDir Dossier;
    THistoFit Fit;
    THistoBmp Bmp;
    int Type = tiFit;
    QPoint Centre{128, 128};
    int SelectionsParDefaut = 0;
    QStringList Statuts;
    QStringList Appels;
    QTabWidget Pages;
    std::unique_ptr<TOngletsFiltres> Onglets;
};
} // namespace

TEST_F(OngletsFiltres, CreationEtChangementDOnglet)
{
    // Grey until a tab is entered; entering makes sure there is a selection and shows the crop.
    ASSERT_EQ(Pages.count(), 5);
    EXPECT_EQ(Apercu(TOngletFiltre::PasseBas, 0).pixel(50, 50), qRgb(0x80, 0x80, 0x80));
    Pages.setCurrentIndex(1);
    Onglets->PageChangee(1);
    EXPECT_EQ(SelectionsParDefaut, 1);
    const QImage rendu = EnRgb(RendreFit(Fit, true));
    EXPECT_EQ(EnRgb(Apercu(TOngletFiltre::PasseBas, 2)), rendu.copy(78, 78, 100, 100));
}

TEST_F(OngletsFiltres, GaussienCinqApercusDifferents)
{
    // A click before "Appliquer le filtre" is refused.
    TRepondeurTest repondeur(RepondreToujours());
    Cliquer(TOngletFiltre::Gaussien, 2);
    ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    EXPECT_TRUE(Appels.isEmpty());

    Onglets->EdtSigmaGaussien[0]->clear();
    Onglets->TlBttnAppliquer[2]->click();
    EXPECT_EQ(Onglets->EdtSigmaGaussien[0]->text(), QStringLiteral("0,2"));
    EXPECT_EQ(QStringList({Libelle(TOngletFiltre::Gaussien, 0), Libelle(TOngletFiltre::Gaussien, 4),
                           Onglets->Apercus[2][1]->toolTip()}),
              QStringList({"0,2", "1,8", "Gaussien Sigma 1,0"}));
    EXPECT_EQ(Statuts, (QStringList{"Application Gaussien...", "Terminé."}));
    for (int i = 0; i < 5; ++i)
        for (int j = i + 1; j < 5; ++j)
            EXPECT_NE(Apercu(TOngletFiltre::Gaussien, i), Apercu(TOngletFiltre::Gaussien, j)) << i << " " << j;

    // A click applies the preview's own values and shows the picture.
    Cliquer(TOngletFiltre::Gaussien, 3);
    EXPECT_EQ(std::make_pair(Appels, Pages.currentIndex()), std::make_pair(QStringList{"G 0 1.5"}, 0));
    // A refresh starts again from the unfiltered state.
    Onglets->Rafraichir(TOngletFiltre::Gaussien);
    EXPECT_EQ(QStringList({Libelle(TOngletFiltre::Gaussien, 0), Onglets->Apercus[2][1]->toolTip()}), QStringList({"-", ""}));

    // The unsharp mask's grid: coefficient by row, sigma by column.
    Onglets->EdtCoefMF[1]->setText(QStringLiteral("3,5"));
    Onglets->EdtSigmaMF[3]->setText(QStringLiteral("2,4"));
    Onglets->TlBttnAppliquer[3]->click();
    EXPECT_EQ(QStringList({Libelle(TOngletFiltre::MasqueFlou, 5 + 3), Onglets->Apercus[3][8]->toolTip()}),
              QStringList({"3,5/2,4", "Masque flou Sigma 2,4 Coefficient 3,5"}));
    Cliquer(TOngletFiltre::MasqueFlou, 8);
    EXPECT_EQ(Appels.last(), QStringLiteral("MF 0 2.4 3.5"));
}

TEST_F(OngletsFiltres, HautBasDesCinqValeurs)
{
    const QString valeurs[5] = {"0,2", "0,5", "1,0", "2,0", "3,0"};
    for (int i = 0; i < 5; ++i)
        Onglets->EdtSigmaGaussien[i]->setText(valeurs[i]);
    Onglets->UpDwnSigmasGaussien->stepDown();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Onglets->EdtSigmaGaussien[i]->text(), valeurs[i]);
    Onglets->UpDwnSigmasGaussien->stepUp();
    EXPECT_EQ(std::pair(Onglets->EdtSigmaGaussien[0]->text(), Onglets->EdtSigmaGaussien[4]->text()),
              std::pair(QStringLiteral("0,3"), QStringLiteral("3,1")));
    Onglets->EdtCoefMF[2]->setText(QStringLiteral("-1"));
    Onglets->UpDwnCoefMF[2]->stepDown();
    Onglets->UpDwnSigmaMF[3]->stepUp();
    EXPECT_EQ(std::pair(Onglets->EdtCoefMF[2]->text(), Onglets->EdtSigmaMF[3]->text()), std::pair(QStringLiteral("0,0"), QStringLiteral("1,6")));
}

TEST_F(OngletsFiltres, ApercusFitMontrentLeMemeEndroit)
{
    // An unsharp mask of coefficient 0 changes nothing: its previews must
    // show exactly the unfiltered crop, whatever the zoom.
    for (QLineEdit* e : Onglets->EdtCoefMF)
        e->setText(QStringLiteral("0,0"));
    for (const int zoom : {100, 50}) {
        Fit.Zoom = zoom;
        Centre = QPoint(256 * zoom / 200, 256 * zoom / 200);
        Onglets->Rafraichir(TOngletFiltre::MasqueFlou);
        const QImage brut = EnRgb(Apercu(TOngletFiltre::MasqueFlou, 0));
        Onglets->TlBttnAppliquer[3]->click();
        EXPECT_EQ(EnRgb(Apercu(TOngletFiltre::MasqueFlou, 12)), brut) << "zoom " << zoom;
    }
    // Near the top-left corner the crop is clamped: columns and rows -40..60
    // give 0..60, shown from the preview's corner, grey beyond.
    Fit.Zoom = 100;
    Centre = QPoint(10, 10);
    Onglets->TlBttnAppliquer[3]->click();
    const QImage apercu = EnRgb(Apercu(TOngletFiltre::MasqueFlou, 12));
    EXPECT_EQ(apercu.copy(0, 0, 61, 61), EnRgb(RendreFit(Fit, true)).copy(0, 0, 61, 61));
    EXPECT_EQ(std::make_pair(apercu.pixel(61, 30), apercu.pixel(30, 61)), std::make_pair(qRgb(0x80, 0x80, 0x80), qRgb(0x80, 0x80, 0x80)));
}

TEST_F(OngletsFiltres, ImageBmp)
{
    ChargerBmp(Bmp, CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp")));
    Type = tiBmp;
    Centre = QPoint(10, 10); // the crop leaves the picture: grey there
    Onglets->Rafraichir(TOngletFiltre::PasseHaut);
    const QImage brut = EnRgb(Apercu(TOngletFiltre::PasseHaut, 0));
    EXPECT_EQ(brut.pixel(5, 5), qRgb(0x80, 0x80, 0x80));
    Onglets->TlBttnAppliquer[1]->click();
    EXPECT_NE(EnRgb(Apercu(TOngletFiltre::PasseHaut, 4)), brut);
    EXPECT_EQ(Libelle(TOngletFiltre::PasseHaut, 4), QStringLiteral("5")); // the force
}

TEST_F(OngletsFiltres, ValeursEnregistreesALaFermeture)
{
    Onglets->EdtSigmaGaussien[1]->setText(QStringLiteral("2,3"));
    Onglets->EdtCoefMF[0]->setText(QStringLiteral(","));
    Onglets->EdtSigmaMF[4]->setText(QStringLiteral("4,4"));
    Onglets->EnregistrerParametres();
    EXPECT_DOUBLE_EQ(LireSigmaGaussien(2), 2.3);
    EXPECT_DOUBLE_EQ(LireSigmaMasqueFlou(5), 4.4);
    EXPECT_DOUBLE_EQ(LireCoefMasqueFlou(1), CoefficientsParDefaut[0]);
    Onglets->EdtSigmaGaussien[1]->setText(QStringLiteral("9,9"));
    Onglets->EdtSigmaMF[4]->setText(QStringLiteral("9,9"));
    Onglets->TlBttnRestaurerPreferencesGaussien->click();
    Onglets->TlBttnRestaurerPreferencesMF->click();
    EXPECT_EQ(std::pair(Onglets->EdtSigmaGaussien[1]->text(), Onglets->EdtSigmaMF[4]->text()),
              std::pair(QStringLiteral("2,3"), QStringLiteral("4,4")));
}

TEST_F(OngletsFiltres, DansUneFenetreImage)
{
    TRepondeurTest repondeur(RepondreToujours());
    TTraitementImage* f = FenetreM51();
    ASSERT_EQ(f->Selection.Genre, SelectionAucune);
    // Entering a tab without selection: a 100 x 100 rectangle at the centre.
    f->PgCtrlPrincipale->setCurrentIndex(1);
    EXPECT_EQ(std::make_tuple(f->Selection.Genre, f->Selection.X, f->Selection.Y, f->Selection.Largeur, f->Selection.Hauteur),
              std::make_tuple(uint8_t(SelectionRectangle), 128, 128, 100, 100));
    f->findChild<QCheckBox*>(QStringLiteral("ChckBxPreservatifPasseBas"))->setChecked(true);
    f->findChild<QToolButton*>(QStringLiteral("TlBttnPasseBas"))->click();
    auto* apercu = f->findChild<TApercuFiltre*>(QStringLiteral("ImgPasseBas3"));
    EXPECT_EQ(apercu->toolTip(), QStringLiteral("Passe bas Force 3"));
    QTest::mouseClick(apercu, Qt::LeftButton);
    EXPECT_EQ(f->PgCtrlPrincipale->currentWidget(), f->TbShtSource);
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Filtre passe bas force 3 préservatif"));
    f->Modifiee = false;
    delete f;
}

// "Appliquer le filtre" refused by a value that is no number: the error, the
// unfiltered previews, and a status line that does not say the filter runs.
TEST_F(OngletsFiltres, AppliquerRefuseLaisseLeStatut)
{
    TRepondeurTest repondeur(RepondreToujours());
    TTraitementImage* f = FenetreM51();
    f->PgCtrlPrincipale->setCurrentIndex(4);
    const QString statut = f->TexteStatut();
    auto* coefficient = f->findChild<QLineEdit*>(QStringLiteral("EdtCoefMF2"));
    coefficient->setFocus();
    coefficient->selectAll();
    QTest::keyClick(coefficient, ',');
    ASSERT_EQ(coefficient->text(), QStringLiteral(","));
    auto* appliquer = f->findChild<QToolButton*>(QStringLiteral("TlBttnMasqueFlou"));
    appliquer->click();
    ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    EXPECT_EQ(std::make_tuple(Dialogues::Journal()[0].Genre, f->TexteStatut(), f->findChild<QLabel*>("LblValeursMF22")->text()),
              std::make_tuple(TGenreDemande::Erreur, statut, QStringLiteral("-/-")))
        << JournalDialogues();
    // With a number there, the filter runs to its end.
    coefficient->setText(QStringLiteral("1,5"));
    appliquer->click();
    EXPECT_EQ(std::make_pair(f->TexteStatut(), f->findChild<QLabel*>("LblValeursMF22")->text()),
              std::make_pair(QStringLiteral("Terminé."), QStringLiteral("1,5/1,0")));
    EXPECT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    f->Modifiee = false;
    delete f;
}

TEST_F(OngletsFiltres, EcritureRefuseeALaFermetureMontreeFenetreFermee)
{
    TTraitementImage* f = FenetreM51();
    f->setAttribute(Qt::WA_DeleteOnClose, false);
    // The settings folder is a file: the write is refused.
    EcrireFichierSur(Dossier.filePath(QStringLiteral("fichier")), QByteArray("x"));
    FixerFichierPreferences(Dossier.filePath(QStringLiteral("fichier/Stelor.ini")));
    TRepondeurTest repondeur(RepondreToujours());
    EXPECT_TRUE(f->close());
    ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::Erreur) << JournalDialogues();
    try {
        EcrireSigmasGaussien(1, 1, 1, 1, 1);
        ADD_FAILURE() << "the write went through";
    } catch (const EStelor& e) {
        EXPECT_EQ(Dialogues::Journal()[0].Texte, e.Message()) << JournalDialogues();
    }
    delete f;
}
