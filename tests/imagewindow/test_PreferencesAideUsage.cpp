// The preferences and the help driven through the frame with an image
// window open, as a user would: Fichier > Préférences, F1 in the frame and
// in the image window.
#include "OnHelpFix.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UHelp.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UParametres.h"
#include "UPreferences.h"
#include "UTraitementImage.h"
#include "hh.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QByteArray Lire(const QString& nom) { return QFile::exists(nom) ? LireFichierComplet(nom) : QByteArray(); }

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
        Ini = Dossier.filePath(QStringLiteral("Stelor.ini"));
        FixerFichierPreferences(Ini);
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
    QString SigmaOnglet(int i) const
    {
        return Image->findChild<QLineEdit*>(QStringLiteral("EdtSigmaGaussien%1").arg(i))->text();
    }
    void RestaurerOnglet() const
    {
        Image->findChild<QToolButton*>(QStringLiteral("TlBttnRestaurerPreferencesGaussien"))->click();
    }
    bool Suivi() const { return Image->ScrllBxSource->horizontalScrollBar()->hasTracking(); }

    QTemporaryDir Dossier;
    QString Ini, AOuvrir;
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

        const QByteArray texte = Lire(Ini);
        EXPECT_TRUE(texte.contains("[Sigmas Gaussien]\nSigma1=0,8\n")) << texte.constData();
        EXPECT_TRUE(texte.contains("OffsetDetectEtoiles=2500\n"));
        EXPECT_TRUE(texte.contains("DefilImgTpsReel=0\n"));
        EXPECT_TRUE(texte.contains(QByteArray("CoulFondApp=") + QByteArray::number(50 * 65536 + 100 * 256 + 200)));
        EXPECT_EQ(FondCadre(), QColor(200, 100, 50));
        EXPECT_FALSE(Suivi());
        RestaurerOnglet();
        EXPECT_EQ(SigmaOnglet(1), "0,8");

        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnReinitPreferences")), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(LireSigmaGaussien(1), 0.7);
        EXPECT_EQ(LireOffsetDetectEtoiles(), 1000);
        EXPECT_EQ(p.EdtSigmaGauss()[0]->text(), "0,7");
        EXPECT_EQ(FondCadre(), CouleurEnQColor(clAppWorkSpace));
        EXPECT_TRUE(Suivi());
        RestaurerOnglet();
        EXPECT_EQ(SigmaOnglet(1), "0,7");
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnAnnuler")), Qt::LeftButton);
        return d.result() == QDialog::Accepted ? mrOk : mrCancel;
    };
    Cadre->MnItmPreferences->trigger();
    EXPECT_TRUE(vu);
}

TEST_F(TUsagePreferencesAide, F1DansLeCadreEtDansLaFenetreImage)
{
    const QByteArray chemin = qgetenv("PATH");
    ASSERT_TRUE(QDir(Dossier.path()).mkpath(QStringLiteral("bin")));
    const QString journal = Dossier.filePath(QStringLiteral("appels.txt"));
    QFile script(Dossier.filePath(QStringLiteral("bin/xchm")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n{ printf 'appel'; for a in \"$@\"; do printf '|%s' \"$a\"; done; printf '\\n'; } >> '" +
                 journal.toUtf8() + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", Dossier.filePath(QStringLiteral("bin")).toUtf8());
    LibererHHCtrl();
    const QString aide = Dossier.filePath(QStringLiteral("Stelor.chm"));
    QFile chm(aide);
    ASSERT_TRUE(chm.open(QIODevice::WriteOnly));
    chm.close();
    FixerFichierAide(aide);
    InstallerOnHelpFix();

    Cadre->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Cadre));
    // In the image window: its topic.
    Image->ImgSource->setFocus();
    QTest::keyClick(Image->ImgSource, Qt::Key_F1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lire(journal).count('\n') >= 1; }, 10000));
    // The focus on the document area: the active window's topic again.
    Cadre->ZoneMDI()->setFocus();
    QTest::keyClick(Cadre->ZoneMDI(), Qt::Key_F1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lire(journal).count('\n') >= 2; }, 10000));
    // In the frame, outside any window: the contents.
    Cadre->ZoneMDI()->setActiveSubWindow(nullptr);
    Cadre->menuBar()->setFocus();
    QTest::keyClick(Cadre->menuBar(), Qt::Key_F1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lire(journal).count('\n') >= 3; }, 10000));
    EXPECT_EQ(QString::fromUtf8(Lire(journal)),
              "appel|-c|1001|" + aide + "\nappel|-c|1001|" + aide + "\nappel|" + aide + "\n");

    RetirerOnHelpFix();
    FixerFichierAide({});
    LibererHHCtrl();
    qputenv("PATH", chemin);
}
