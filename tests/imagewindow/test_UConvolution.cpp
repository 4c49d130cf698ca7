// The 5 x 5 kernel editor: presets, highlighting, typing through the key
// filter, completion of empty cells on both buttons, and the kernel read.
#include "PErreurs.h"
#include "Soutien.h"
#include "UConvolution.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <array>
#include <gtest/gtest.h>

namespace {

bool EnRouge(const QLineEdit* e)
{
    return e->font().bold() && e->palette().color(QPalette::Text) == QColor(255, 0, 0);
}

// The 25 cells row by row, a red one marked with '!'.
QStringList Grille(const TConvolution& d)
{
    QStringList t;
    for (int i = 0; i < 25; ++i)
        t << d.Coefficient(i / 5 + 1, i % 5 + 1)->text() + (EnRouge(d.Coefficient(i / 5 + 1, i % 5 + 1)) ? "!" : "");
    return t;
}

void Cliquer(TConvolution& d, const char* nom)
{
    QWidget* b = d.findChild<QWidget*>(QString::fromLatin1(nom));
    ASSERT_NE(b, nullptr) << nom;
    QTest::mouseClick(b, Qt::LeftButton);
}

// Types into a cell as the user does: select all, then keys.
void Taper(QLineEdit* e, const QString& touches)
{
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, touches);
}

class TEditeurConvolution : public ::testing::Test {
protected:
    TConvolution D;
};

TEST_F(TEditeurConvolution, PremierAffichageGrilleNulleCentreRougeEtFocus)
{
    D.show();
    QApplication::setActiveWindow(&D);
    QApplication::processEvents();
    QStringList attendu(25, QStringLiteral("0"));
    attendu[12] = QStringLiteral("1!");
    EXPECT_EQ(Grille(D), attendu);
    EXPECT_EQ(QApplication::focusWidget(), D.Coefficient(3, 3));
    D.hide();
}

// Each preset writes all 25 cells (row by row) and reddens its non-zero ones.
TEST_F(TEditeurConvolution, PresetsEcriventToutesLeursCellules)
{
    const std::pair<const char*, const char*> cas[] = {
        {"BtnNeutre", "0 0 0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0"},
        {"BtBtnHorizontal", "0 0 0 0 0 0 0 0 0 0 0 1 1 1 0 0 0 0 0 0 0 0 0 0 0"},
        {"BtBtnVertical", "0 0 0 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 0 0 0"},
        {"BtBtnDiagonalHaut", "0 0 0 0 0 0 0 0 1 0 0 0 1 0 0 0 1 0 0 0 0 0 0 0 0"},
        {"BtBtnDiagonalBas", "0 0 0 0 0 0 1 0 0 0 0 0 1 0 0 0 0 0 1 0 0 0 0 0 0"},
        {"BtnPasseBas", "0 0 0 0 0 0 1 2 1 0 0 2 8 2 0 0 1 2 1 0 0 0 0 0 0"},
        // High pass: the zero corners of the 3 x 3 stay black.
        {"Button1", "0 0 0 0 0 0 0 -1 0 0 0 -1 7 -1 0 0 0 -1 0 0 0 0 0 0 0"},
        // Gaussian sigma 1.2, one decimal.
        {"Button2",
         "0,6 1,6 2,3 1,6 0,6 1,6 4,5 6,4 4,5 1,6 2,3 6,4 9,0 6,4 2,3 1,6 4,5 6,4 4,5 1,6 0,6 1,6 2,3 1,6 0,6"},
    };
    for (const auto& [bouton, grille] : cas) {
        SCOPED_TRACE(bouton);
        D.Coefficient(1, 1)->setText(QStringLiteral("5"));
        Cliquer(D, bouton);
        QStringList attendu = QString::fromLatin1(grille).split(' ');
        for (QString& t : attendu)
            t += t == "0" ? "" : "!";
        EXPECT_EQ(Grille(D), attendu);
    }
}

TEST_F(TEditeurConvolution, SaisiesPartiellesRestentNoiresSansErreur)
{
    const std::tuple<const char*, const char*, bool> cas[] = {
        {"-", "-", false},   {"-2", "-2", true},  {",", ",", false},     {"-,", "-,", false},
        {"-,5", "-,5", true}, {"0", "0", false},   {"0,0", "0,0", false}, {"1.5", "1,5", true},
        {"1,55", "1,5", true}, {"--3", "-3", true}, {"2,,1", "2,1", true}, {"a7", "7", true},
    };
    TRepondeurTest repondeur(RepondreToujours());
    QLineEdit* e = D.Coefficient(2, 4);
    for (const auto& [touches, texte, rouge] : cas) {
        Taper(e, QString::fromLatin1(touches));
        EXPECT_EQ(std::pair(e->text(), EnRouge(e)), std::pair(QString(texte), rouge)) << touches;
    }
    e->clear();
    EXPECT_FALSE(EnRouge(e));
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
}

TEST_F(TEditeurConvolution, AppliquerCompleteLesCellulesEtLitLeNoyau)
{
    Cliquer(D, "Button2");
    D.Coefficient(1, 1)->clear();
    D.Coefficient(5, 5)->setText(QStringLiteral("-"));
    D.Coefficient(2, 4)->setText(QStringLiteral("-3,5"));
    // Too big to hold: the bound; a large number stays as typed.
    D.Coefficient(3, 1)->setText(QStringLiteral("70000"));
    D.Coefficient(4, 1)->setText("-" + QString(500, '9'));
    D.show();
    Cliquer(D, "BtnAppliquer");
    EXPECT_EQ(D.result(), QDialog::Accepted);
    EXPECT_EQ(QStringList({D.Coefficient(1, 1)->text(), D.Coefficient(5, 5)->text(), D.Coefficient(3, 1)->text(),
                           D.Coefficient(4, 1)->text()}),
              QStringList({"0", "0", "70000", "-65535"}));
    const TNoyau5x5 n = D.LireNoyau();
    // EdtCoef24 is row 2, column 4: the ninth element.
    EXPECT_EQ((std::array{n[0], n[1], n[8], n[12], n[24]}), (std::array{0.0, 1.6, -3.5, 9.0, 0.0}));
}

TEST_F(TEditeurConvolution, AnnulerGardeLeNoyauEditeCompleteAuProchainAffichage)
{
    D.Coefficient(1, 2)->setText(QStringLiteral("4"));
    D.Coefficient(3, 3)->clear();
    D.findChild<QCheckBox*>(QStringLiteral("ChckBxPreservatif"))->setChecked(true);
    D.show();
    Cliquer(D, "BtnAnnuler");
    EXPECT_EQ(D.result(), QDialog::Rejected);
    D.show();
    EXPECT_EQ(D.Coefficient(1, 2)->text() + D.Coefficient(3, 3)->text(), QStringLiteral("40"));
    EXPECT_TRUE(D.LirePreservatif());
    // Escape takes the same road.
    D.Coefficient(4, 4)->setText(QStringLiteral("-"));
    QTest::keyClick(&D, Qt::Key_Escape);
    EXPECT_EQ(D.Coefficient(4, 4)->text(), QStringLiteral("0"));
    D.hide();
}

TEST_F(TEditeurConvolution, CelluleNonNumeriqueLeveLErreurDeConversion)
{
    for (const char* texte : {",", "-,", "2-", "1,5,"}) {
        D.Coefficient(4, 2)->setText(QString::fromLatin1(texte));
        EXPECT_THROW(D.LireNoyau(), EStelor) << texte;
    }
}

TEST_F(TEditeurConvolution, OrdreDeTabulationEtBoutonsHorsTabulation)
{
    D.show();
    QApplication::setActiveWindow(&D);
    D.Coefficient(1, 1)->setFocus();
    QApplication::processEvents();
    QStringList parcours;
    for (int i = 0; i < 27; ++i) {
        parcours << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QStringList attendu;
    for (int i = 0; i < 25; ++i)
        attendu << QStringLiteral("EdtCoef%1%2").arg(i / 5 + 1).arg(i % 5 + 1);
    attendu << QStringLiteral("ChckBxPreservatif") << QStringLiteral("BtBtnAide");
    EXPECT_EQ(parcours, attendu);
    EXPECT_EQ(QApplication::focusWidget(), D.Coefficient(1, 1));
    D.hide();
}

} // namespace
