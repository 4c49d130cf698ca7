// The preferences driven through the frame with an image window open, as a
// user would: Fichier > Préférences. (F1 in every window: the series tests.)
#include "PFichiers.h"
#include "Soutien.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPreferences.h"
#include "UTraitementImage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {


class TUsagePreferencesAide : public ::testing::Test {
protected:
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>([this](const TDemandeDialogue& d) {
            TReponseDialogue r = ReponseParDefaut(d);
            if (d.Genre == TGenreDemande::OuvrirFichiers)
                r.Fichiers = QStringList{AOuvrir};
            else if (d.Genre == TGenreDemande::Couleur)
                r.Couleur = QColor(200, 100, 50);
            else if (d.Genre == TGenreDemande::Modal && Modal && d.Dialogue)
                r.Resultat = Modal(*d.Dialogue);
            return r;
        });
        Cadre = new TMain;
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        InstallerFenetresImage(*Cadre);
        Preferences = new TPreferences;
        Cadre->resize(1200, 900);
        Cadre->show();
        AOuvrir = Dossier.filePath(QStringLiteral("m51.fit"));
        ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), AOuvrir));
        Cadre->MnItmOuvrir->trigger();
        QApplication::processEvents();
        Image = FenetreImageActive(*Cadre);
        ASSERT_NE(Image, nullptr);
    }
    void TearDown() override
    {
        if (Image)
            Image->Modifiee = false;
        delete Cadre;
        delete Preferences;
        Repondeur.reset();
    }
    QColor FondCadre() const { return Cadre->ZoneMDI()->background().color(); }
    bool Suivi() const { return Image->ScrllBxSource->horizontalScrollBar()->hasTracking(); }

    QTemporaryDir Dossier;
    QString AOuvrir;
    std::function<int(QDialog&)> Modal;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
    TTraitementImage* Image = nullptr;
};

} // namespace

TEST_F(TUsagePreferencesAide, PreferencesAppliqueesPuisReinitialisees)
{
    EXPECT_TRUE(Suivi());
    bool vu = false;
    Modal = [&](QDialog& d) {
        if (d.objectName() != QLatin1String("Preferences"))
            return mrCancel;
        vu = true;
        auto& p = static_cast<TPreferences&>(d);
        d.show();
        d.findChild<QCheckBox*>(QStringLiteral("ChckBxDefilementImageTpsReel"))->click();
        p.findChild<QSpinBox*>(QStringLiteral("UpDwnSigmaUpDwnSigmaGauss1"))->stepUp();
        p.EdtOffsetDetectionEtoiles()->clear();
        QTest::keyClicks(p.EdtOffsetDetectionEtoiles(), QStringLiteral("2500"));
        QTest::mouseClick(p.ImgCouleurFondApplication(), Qt::LeftButton);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnAppliquer")), Qt::LeftButton);

        // What reaches the file the dialog's own tests check; here the image window follows.
        EXPECT_EQ(std::tuple(LireSigmaGaussien(1), LireOffsetDetectEtoiles(), FondCadre()),
                  std::tuple(0.8, 2500, QColor(200, 100, 50)));
        EXPECT_FALSE(Suivi());

        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnReinitPreferences")), Qt::LeftButton);
        EXPECT_EQ(p.EdtSigmaGauss()[0]->text(), "0,7");
        EXPECT_TRUE(Suivi());
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnAnnuler")), Qt::LeftButton);
        return d.result() == QDialog::Accepted ? mrOk : mrCancel;
    };
    Cadre->MnItmPreferences->trigger();
    EXPECT_TRUE(vu);
}
