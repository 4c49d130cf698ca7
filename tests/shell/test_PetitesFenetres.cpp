// The small windows: zoom dialog, splash and about box, notices, test chart.
#include "Soutien.h"
#include "UAPropos.h"
#include "UAbandonBmp.h"
#include "UAccueil.h"
#include "UAvertissementVersionTest.h"
#include "UMain.h"
#include "UMire.h"
#include "UZoom.h"

#include <QApplication>
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
    EXPECT_EQ(std::pair(accueil.TmrAccueil->isActive(), accueil.TmrAccueil->interval()), std::pair(true, 5000));
    // A shorter period, so that the test sees the tick close the box.
    accueil.TmrAccueil->start(30);
    accueil.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !accueil.isVisible(); }, 3000));

    // Shown again: a new full period starts, and a click closes at once.
    accueil.show();
    EXPECT_EQ(std::pair(accueil.TmrAccueil->isActive(), accueil.TmrAccueil->interval()), std::pair(true, 30));
    accueil.TmrAccueil->start(5000);
    QTest::mouseClick(accueil.findChild<QLabel*>("ImgLogo"), Qt::LeftButton);
    EXPECT_EQ(std::pair(accueil.isVisible(), accueil.TmrAccueil->isActive()), std::pair(false, false));
}

TEST(APropos, SansMinuterieFermeAuClic)
{
    TAPropos apropos; // never closes by itself
    EXPECT_TRUE(apropos.findChildren<QTimer*>().isEmpty());
    apropos.show();
    QTest::mouseClick(apropos.findChild<QLabel*>("LblDroits"), Qt::LeftButton);
    EXPECT_FALSE(apropos.isVisible());
}

TEST(AbandonBmp, NommeLOperation)
{
    AbandonBmp = new TAbandonBmp;
    QStringList lignes;
    TRepondeurTest r([&](const TDemandeDialogue& d) {
        lignes << d.Dialogue->findChild<QLabel*>("LblFonction")->text();
        return TReponseDialogue{mrOk, {}, {}};
    });
    AvertirFonctionBmp(QStringLiteral("Médiane 3x3"));
    EXPECT_EQ(lignes, QStringList({"Médiane 3x3"}));
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
    // The addresses are filled in, the text cannot be edited.
    EXPECT_EQ(std::tuple(avant.contains(AdresseCourrielAuteur), avant.endsWith(AdresseSiteStelor)),
              std::tuple(true, true));
    avertissement.show();
    auto* texte = avertissement.findChild<QTextEdit*>("RchEdtAvertissement");
    QTest::keyClicks(texte, QStringLiteral("abc"));
    QTest::keyClick(texte, Qt::Key_Delete);
    EXPECT_EQ(avertissement.Texte(), avant);
}

// Escape is the notice's cancel button, Quitter: the run ends. The notice
// is played in the application's own loop, which Quitter ends.
TEST(AvertissementVersionTest, EchapQuitteLApplication)
{
    TAvertissementVersionTest avertissement;
    bool finDemandee = true;
    int resultat = -1;
    TPiloteModal pilote(Sur<TAvertissementVersionTest>([](TAvertissementVersionTest& a) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && a.isAncestorOf(focus) ? focus : &a, Qt::Key_Escape);
    }));
    QTimer::singleShot(0, &avertissement, [&] {
        resultat = Dialogues::ExecuterModal(avertissement);
        // Reached only when the loop goes on: the notice merely closed.
        QTimer::singleShot(0, &avertissement, [&] {
            finDemandee = false;
            QApplication::quit();
        });
    });
    QApplication::exec();
    EXPECT_TRUE(finDemandee);
    EXPECT_EQ(resultat, mrCancel);
}

TEST(Mire, DixSeptNiveauxDuNoirAuBlanc)
{
    TMire mire;
    const int attendus[17] = {0, 15, 32, 48, 65, 81, 98, 114, 131, 147, 164, 180, 197, 205, 221, 238, 255};
    for (int i = 1; i <= 17; ++i) {
        ASSERT_NE(mire.Patch(i), nullptr);
        const QImage image = mire.Patch(i)->pixmap().toImage();
        ASSERT_EQ(image.size(), QSize(41, 73));
        const QColor gris(attendus[i - 1], attendus[i - 1], attendus[i - 1]);
        EXPECT_EQ(std::pair(image.pixelColor(0, 0), image.pixelColor(40, 72)), std::pair(gris, gris)) << i;
    }
    // The buttons lie below the visible client area.
    EXPECT_EQ(mire.size(), QSize(712, 120));
    EXPECT_GE(mire.findChild<QPushButton*>("BtnOK")->y(), 120);
    for (auto [w, p] : {std::pair<QWidget*, QPoint>(mire.Patch(14), {5, 5}), {&mire, {5, 110}}}) {
        mire.show();
        QTest::mouseClick(w, Qt::LeftButton, {}, p);
        EXPECT_FALSE(mire.isVisible());
    }
    // Enter reaches the default button although it lies out of sight.
    mire.show();
    QTest::keyClick(&mire, Qt::Key_Return);
    EXPECT_EQ(mire.result(), QDialog::Accepted);
}

TEST(PetitesFenetres, TextesNonRognes)
{
    TZoom zoom;
    TAPropos aPropos;
    TAbandonBmp abandon;
    TAccueil accueil;
    TMire mire;
    abandon.FixerFonction(QStringLiteral("Statistiques de la sélection"));
    for (QDialog* d : std::initializer_list<QDialog*>{&zoom, &aPropos, &abandon, &accueil, &mire}) {
        d->show();
        QApplication::processEvents();
        for (QLabel* l : d->findChildren<QLabel*>()) {
            if (l->wordWrap() || !l->pixmap().isNull() || !l->isVisible())
                continue;
            EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
        }
        d->hide();
    }
}

} // namespace
