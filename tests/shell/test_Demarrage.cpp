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

    const QString m1 = dossier.filePath("m1.fit"), m2 = dossier.filePath("m2.BMP"), m3 = dossier.filePath("m3.bmp");
    ASSERT_TRUE(QFile::copy(CheminDonnees("m51_i16_256.fits"), m1));
    ASSERT_TRUE(QFile::copy(CheminDonnees("hubble_deep_field_8.bmp"), m2));
    ASSERT_TRUE(QFile::copy(CheminDonnees("hubble_deep_field_8.bmp"), m3));
    TRepondeurTest r(RepondreToujours());
    cadre.DeposerFichiers({m1, m2, m3});

    QStringList titres;
    for (TMDIChild* f : cadre.FenetresDocument())
        titres << f->windowTitle();
    // The caption names the file as it was opened (with or without its folder).
    ASSERT_EQ(titres.size(), 2);
    EXPECT_TRUE(titres[0].startsWith("#1 [") && titres[0].endsWith("m1.fit]")) << titres[0].toStdString();
    EXPECT_TRUE(titres[1].startsWith("#2 [") && titres[1].endsWith("m3.bmp]")) << titres[1].toStdString();
    ASSERT_EQ(Dialogues::Journal().size(), 1u);
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::Information);

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
