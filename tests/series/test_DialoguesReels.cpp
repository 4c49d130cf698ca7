// The real dialogs, without the test responder: the batch dialog shown
// modally as the viewer shows it, its folder picker, its conversion options
// and its overwrite confirmation; the tricolour window's open and save
// dialogs, played by hand.
#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UConfirmationFichiers.h"
#include "UConversionImages.h"
#include "UEnregistrementSelection.h"
#include "UParametres.h"
#include "UTrichromieRVB.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class TDialoguesReels : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dossier.isValid());
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
    }

    QTemporaryDir Dossier;
    TPiloteModal Pilote;
};

TEST_F(TDialoguesReels, LotParLesVraisDialogues)
{
    if (!ConfirmationFichiers)
        ConfirmationFichiers = new TConfirmationFichiers;
    if (!ConversionImages)
        ConversionImages = new TConversionImages;
    const QString source = Dossier.filePath(QStringLiteral("a.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("ngc1316_optical_i16.fits")), source));
    const QString destination = Dossier.filePath(QStringLiteral("sortie"));
    QDir().mkpath(destination);
    EcrireFichierSur(destination + QStringLiteral("/img1.jpg"), QByteArray("ancien"));
    TEnregistrementSelection dialogue;
    QStringList vus;
    int tour = 0;
    Pilote.Agir = [&](QWidget& m) {
        vus << m.metaObject()->className();
        if (auto* d = qobject_cast<QFileDialog*>(&m))
            ChoisirDansDialogue(*d, {destination});
        else if (&m == &dialogue) {
            // The folder through its button, the options, OK, then "Terminé".
            if (tour == 0) {
                m.findChild<QLineEdit*>(QStringLiteral("EdtDossier"))->clear();
                m.findChild<QLineEdit*>(QStringLiteral("EdtEntete"))->setText(QStringLiteral("img"));
            }
            const char* boutons[] = {"BtBtnDossier", "ChckBxConversion", "BtnOK", "BtnTermine"};
            m.findChild<QAbstractButton*>(QString::fromLatin1(boutons[std::min(tour++, 3)]))->click();
        } else if (&m == ConversionImages) {
            m.findChild<QComboBox*>(QStringLiteral("CmbBxFormat"))->setCurrentIndex(TConversionImages::FormatJpeg);
            m.findChild<QPushButton*>(QStringLiteral("BtnOk"))->click();
        } else if (&m == ConfirmationFichiers) {
            m.findChild<QPushButton*>(QStringLiteral("BtnConfirmer"))->click();
        }
    };
    dialogue.Initialiser({TFichierSelection{QStringLiteral("a.fit"), Dossier.path() + QLatin1Char('/'), true}},
                         Dossier.path());
    EXPECT_EQ(Dialogues::ExecuterModal(dialogue), mrOk);
    EXPECT_EQ(vus, (QStringList{"TEnregistrementSelection", "QFileDialog", "TEnregistrementSelection",
                                "TConversionImages", "TEnregistrementSelection", "TConfirmationFichiers",
                                "TEnregistrementSelection"}));
    EXPECT_EQ(dialogue.findChild<QLineEdit*>(QStringLiteral("EdtDossier"))->text(), destination);
    EXPECT_TRUE(LireFichierComplet(destination + QStringLiteral("/img1.jpg")).startsWith("\xFF\xD8\xFF"));
}

TEST_F(TDialoguesReels, TrichromieParLesVraisDialoguesDeFichiers)
{
    const QString plan = Dossier.filePath(QStringLiteral("plan.bmp"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp")), plan));
    const QString sortie = Dossier.filePath(QStringLiteral("couleur"));
    QStringList filtres;
    Pilote.Agir = Sur<QFileDialog>([&](QFileDialog& d) {
        filtres << d.nameFilters().join(QLatin1Char('|'));
        ChoisirDansDialogue(d, {d.acceptMode() == QFileDialog::AcceptOpen ? plan : sortie});
    });
    TTrichromieRVB f;
    f.show();
    f.ImgMiniClick(TTrichromieRVB::PlanVert);
    EXPECT_EQ(f.Plans[1].NomFichier, plan);
    f.BtBtnEnregistrerClick();
    EXPECT_EQ(filtres, (QStringList{"Fichier fit (*.fit)|Fichier bitmap (*.bmp)", "Fichier Bmp (*.bmp)"}));
    // The save dialog adds its extension.
    const QImage relu = LireBitmapBmp(sortie + QStringLiteral(".bmp"));
    EXPECT_EQ(relu.width(), 1000);
    EXPECT_EQ(FormatPixelBitmap(relu), pf24bit);
}

} // namespace
