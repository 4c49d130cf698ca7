// What the viewer hands over through the frame's wiring: its loaded image to
// the statistics dialog, its ticked files to a new preprocessing window, its
// list to the batch save dialog.
#include "PDialogues.h"
#include "Soutien.h"
#include "UParametres.h"
#include "UEnregistrementSelection.h"
#include "UInstallationVisionneuse.h"
#include "UMain.h"
#include "UPretraitement.h"
#include "UStatistiques.h"
#include "UVisionneuse.h"

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(VisionneuseVersOutils, StatistiquesPretraitementEtEnregistrement)
{
    QTemporaryDir dossier;
    QStringList fichiers;
    for (const char* nom : {"a.fit", "b.fit"}) {
        fichiers << dossier.filePath(QString::fromLatin1(nom));
        ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), fichiers.back()));
    }
    QStringList modaux;
    TRepondeurTest repondeur([&](const TDemandeDialogue& d) {
        TReponseDialogue r = ReponseParDefaut(d);
        if (d.Genre == TGenreDemande::OuvrirFichiers)
            r.Fichiers = fichiers;
        if (d.Genre == TGenreDemande::Modal)
            modaux << d.NomObjet;
        return r;
    });
    Statistiques = new TStatistiques;
    EnregistrementSelection = new TEnregistrementSelection;
    auto* cadre = new TMain;
    Main = cadre;
    InstallerVisionneuse(*cadre);
    cadre->resize(1200, 900);
    cadre->show();
    cadre->MnItmVisionneuse->trigger();
    TVisionneuse* v = VisionneuseActive();
    ASSERT_NE(v, nullptr);
    QTest::mouseClick(v->BtBtnOuvrir, Qt::LeftButton);
    ASSERT_EQ(v->ChckLstBxImages->count(), 2);
    QTRY_VERIFY(!v->RenduEnAttente());

    cadre->TlBttnStatistiques->click();
    EXPECT_TRUE(Statistiques->windowTitle().contains(QStringLiteral("a.fit"))) << Statistiques->windowTitle().toStdString();
    QTest::mouseClick(v->BtBtnEnregistrerSelection, Qt::LeftButton);
    EXPECT_EQ(modaux, (QStringList{Statistiques->objectName(), EnregistrementSelection->objectName()}));

    // Only the ticked line goes to a new preprocessing window.
    v->ChckLstBxImages->item(0)->setCheckState(Qt::Unchecked);
    v->ChckLstBxImages->item(1)->setCheckState(Qt::Checked);
    QTest::mouseClick(v->BtBtnPretraitement, Qt::LeftButton);
    auto* p = dynamic_cast<TPretraitement*>(cadre->FenetreActive());
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->LstBxBrutes->count(), 1);
    EXPECT_EQ(TPretraitement::CheminEntree(p->LstBxBrutes, 0), fichiers[1]);
    delete cadre;
    Main = nullptr;
    delete EnregistrementSelection;
    delete Statistiques;
}
