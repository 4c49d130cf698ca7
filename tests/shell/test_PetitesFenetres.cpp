// The small windows: zoom dialog, splash and about box, notices, test chart.
#include "Soutien.h"
#include "UAPropos.h"
#include "UAbandonBmp.h"
#include "UAccueil.h"
#include "UAvertissementVersionTest.h"
#include "UMain.h"
#include "UMire.h"
#include "UZoom.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Types the text as a user would, presses OK (or Annuler) and returns the edit's text.
QString Corriger(TZoom& zoom, const QString& tape, bool ok = true)
{
    zoom.show();
    QLineEdit* edit = zoom.EdtZoom();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, tape);
    QTest::mouseClick(zoom.findChild<QPushButton*>(ok ? "BtnOK" : "BtnAnnuler"), Qt::LeftButton);
    EXPECT_FALSE(zoom.isVisible());
    return edit->text();
}

TEST(DialogueZoom, CorrectionsAuOK)
{
    TZoom zoom;
    EXPECT_EQ(zoom.findChild<QLabel*>("LblPourcent")->text(), "% (5-800)");
    EXPECT_EQ(zoom.EdtZoom()->text(), "100");
    // Typed -> kept after OK. Only digits, at most four of them: a huge number cannot be typed.
    const std::pair<const char*, const char*> cas[] = {{"", "100"},     {"3", "5"},     {"0", "5"},
                                                       {"5", "5"},      {"801", "800"}, {"800", "800"},
                                                       {"12a,5", "125"}, {"123456789", "800"}};
    for (const auto& [tape, garde] : cas) {
        EXPECT_EQ(Corriger(zoom, tape), garde) << tape;
        EXPECT_EQ(zoom.result(), QDialog::Accepted);
    }
    EXPECT_EQ(zoom.LireZoom(), 800);
    // Cancel leaves the typed text as it is.
    EXPECT_EQ(Corriger(zoom, "3", false), "3");
    EXPECT_EQ(zoom.result(), QDialog::Rejected);
    // A pasted text that is no number reads as 100.
    zoom.show();
    zoom.EdtZoom()->setText(QStringLiteral("x1"));
    QTest::mouseClick(zoom.findChild<QPushButton*>("BtnOK"), Qt::LeftButton);
    EXPECT_EQ(zoom.EdtZoom()->text(), "100");
}

TEST(Accueil, SeFermeSeulOuAuClic)
{
    TAccueil accueil;
    // The period runs from the creation, 5 s.
    EXPECT_TRUE(accueil.TmrAccueil->isActive());
    EXPECT_EQ(accueil.TmrAccueil->interval(), 5000);
    EXPECT_EQ(accueil.LblVersion()->text(), "Version 2.0 Avril 2008");
    // A shorter period, so that the test sees the tick close the box.
    accueil.TmrAccueil->start(30);
    accueil.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !accueil.isVisible(); }, 3000));
    EXPECT_FALSE(accueil.TmrAccueil->isActive());

    // Shown again: a new full period starts, and a click closes at once.
    accueil.show();
    EXPECT_TRUE(accueil.TmrAccueil->isActive());
    EXPECT_EQ(accueil.TmrAccueil->interval(), 30);
    accueil.TmrAccueil->setInterval(5000);
    accueil.TmrAccueil->start();
    QTest::mouseClick(accueil.findChild<QLabel*>("ImgLogo"), Qt::LeftButton);
    EXPECT_FALSE(accueil.isVisible());
    EXPECT_FALSE(accueil.TmrAccueil->isActive());
}

TEST(APropos, SansMinuterieFermeAuClic)
{
    TAPropos apropos;
    EXPECT_TRUE(apropos.findChildren<QTimer*>().isEmpty()); // never closes by itself
    apropos.show();
    QTest::mouseClick(apropos.findChild<QLabel*>("LblDroits"), Qt::LeftButton);
    EXPECT_FALSE(apropos.isVisible());
}

TEST(AbandonBmp, NommeLOperation)
{
    AbandonBmp = new TAbandonBmp;
    QStringList lignes;
    TRepondeurTest r([&](const TDemandeDialogue& d) {
        for (const char* nom : {"LblLaFonction", "LblFonction", "LblNonSupportee"})
            lignes << d.Dialogue->findChild<QLabel*>(nom)->text();
        TReponseDialogue rep;
        rep.Resultat = mrOk;
        return rep;
    });
    AvertirFonctionBmp(QStringLiteral("Médiane 3x3"));
    ASSERT_EQ(Dialogues::Journal().size(), 1u);
    EXPECT_EQ(Dialogues::Journal()[0].Genre, TGenreDemande::Modal);
    EXPECT_EQ(lignes, QStringList({"La fonction", "Médiane 3x3",
                                   "n'est pas supportée pour les images au format bitmap."}));
    EXPECT_EQ(AbandonBmp->windowTitle(), "Fonction non supportée");
    // OK is also the cancel button: Escape closes with OK.
    AbandonBmp->show();
    QTest::keyClick(AbandonBmp, Qt::Key_Escape);
    EXPECT_FALSE(AbandonBmp->isVisible());
    EXPECT_EQ(AbandonBmp->result(), QDialog::Accepted);
    delete AbandonBmp;
    EXPECT_EQ(AbandonBmp, nullptr);
}

TEST(AvertissementVersionTest, TexteIntouchable)
{
    TAvertissementVersionTest avertissement;
    const QString avant = avertissement.Texte();
    EXPECT_EQ(avant, QStringLiteral("Stelor Version 1.4 Beta - Janvier 2004\n\n%1\n\nCeci est une version test destinée\n"
                                    "à des utilisateurs testeurs.\n\nLa documentation en cours de réalisation\n"
                                    "n'est pas fournie avec cette version.\n\nTéléchargez prochainement la version\n"
                                    "gratuite sur internet à l'adresse :\n\n%2")
                         .arg(AdresseCourrielAuteur, AdresseSiteStelor));
    avertissement.show();
    auto* texte = avertissement.findChild<QTextEdit*>("RchEdtAvertissement");
    QTest::keyClicks(texte, QStringLiteral("abc"));
    QTest::keyClick(texte, Qt::Key_Delete);
    EXPECT_EQ(avertissement.Texte(), avant);
}

TEST(Mire, DixSeptNiveauxDuNoirAuBlanc)
{
    TMire mire;
    const int attendus[17] = {0, 15, 32, 48, 65, 81, 98, 114, 131, 147, 164, 180, 197, 205, 221, 238, 255};
    for (int i = 1; i <= 17; ++i) {
        QLabel* patch = mire.Patch(i);
        ASSERT_NE(patch, nullptr);
        EXPECT_EQ(patch->geometry(), QRect(16 + 40 * (i - 1), 24, 41, 73)) << i;
        const QImage image = patch->pixmap().toImage();
        ASSERT_EQ(image.size(), QSize(41, 73));
        const int n = attendus[i - 1];
        EXPECT_EQ(image.pixelColor(0, 0), QColor(n, n, n)) << i;
        EXPECT_EQ(image.pixelColor(40, 72), QColor(n, n, n)) << i;
    }
    // The buttons lie below the visible client area.
    EXPECT_EQ(mire.size(), QSize(712, 120));
    EXPECT_GE(mire.findChild<QPushButton*>("BtnOK")->y(), 120);
    mire.show();
    QTest::mouseClick(mire.Patch(14), Qt::LeftButton);
    EXPECT_FALSE(mire.isVisible());
    mire.show();
    QTest::mouseClick(&mire, Qt::LeftButton, {}, QPoint(5, 110));
    EXPECT_FALSE(mire.isVisible());
    // Enter reaches the default button although it lies out of sight.
    mire.show();
    QTest::keyClick(&mire, Qt::Key_Return);
    EXPECT_EQ(mire.result(), QDialog::Accepted);
}

} // namespace
