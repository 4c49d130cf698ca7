// The frame with the real image windows plugged in, as the start-up does it.
#include "Soutien.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UParametres.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(Demarrage, DepotDeVraisFichiers)
{
    QTemporaryDir dossier;
    TMain cadre;
    FixerFichierPreferences(dossier.filePath(QStringLiteral("Stelor.ini")));
    InstallerFenetresImage(cadre);
    cadre.show();

    // The extension filter is the frame's own (its tests use stand-in windows).
    const QString m1 = dossier.filePath("m1.fit"), m3 = dossier.filePath("m3.bmp");
    ASSERT_TRUE(QFile::copy(CheminDonnees("m51_i16_256.fits"), m1));
    ASSERT_TRUE(QFile::copy(CheminDonnees("hubble_deep_field_8.bmp"), m3));
    TRepondeurTest r(RepondreToujours());
    cadre.DeposerFichiers({m1, m3});
    ASSERT_EQ(cadre.FenetresDocument().size(), 2);

    // The menus follow the active window's image kind.
    ASSERT_NE(cadre.FenetreActive(), nullptr);
    EXPECT_EQ(cadre.FenetreActive()->NumeroDocument(), 2);
    EXPECT_TRUE(cadre.MnItmNiveauxDeGris->isEnabled());
    EXPECT_FALSE(cadre.MnItmEnteteFit->isEnabled());
    cadre.ZoneMDI()->setActiveSubWindow(cadre.TrouverImage(1));
    EXPECT_TRUE(cadre.MnItmEnteteFit->isEnabled());
    EXPECT_EQ(cadre.NomFichierImage(1), m1);

    // Nothing was changed: the quit asks no question.
    Dialogues::ViderJournal();
    EXPECT_TRUE(cadre.close());
    EXPECT_TRUE(Dialogues::Journal().empty());
}

} // namespace
