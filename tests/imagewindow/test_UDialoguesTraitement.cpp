// The small dialogs of the processing commands on their own: statistics
// text, value bounds, resize factor, translation preview, border lines and
// the image picker.
#include "PApplication.h"
#include "Soutien.h"
#include "UBordures.h"
#include "UDemandeValeur.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "URedimensionnement.h"
#include "USelectionTraitementImage.h"
#include "UStatistiques.h"
#include "UTraitementImage.h"
#include "UTranslationn.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

void Cliquer(QDialog& d, const char* nom) { QTest::mouseClick(d.findChild<QPushButton*>(QLatin1String(nom)), Qt::LeftButton); }

// One click on an up-down of the dialog.
void Fleche(QDialog& d, const char* nom, bool haut)
{
    auto* s = d.findChild<QSpinBox*>(QLatin1String(nom));
    if (haut)
        s->stepUp();
    else
        s->stepDown();
}

} // namespace

TEST(Statistiques, LignesEtLegende)
{
    TStatistiquesImage s;
    s.Largeur = 100;
    s.Hauteur = 50;
    s.NombrePixels = 5000;
    s.Minimum = 2.5; // halves to even
    s.XMinimum = 3;
    s.YMinimum = 4;
    s.Maximum = 65535;
    s.XMaximum = 99;
    s.YMaximum = 0;
    s.Somme = 6172500;
    s.Moyenne = 1234.5;
    s.EcartType = std::sqrt(3.0);
    s.BackGround = 1200;
    const QStringList l = LignesStatistiques(s);
    EXPECT_EQ(l, (QStringList{
                     QStringLiteral("Largeur          : 100"), QStringLiteral("Hauteur          : 50"),
                     QStringLiteral("Nombre de pixels : 5000"), QStringLiteral("Minimum          : 2 @3,4"),
                     QStringLiteral("Maximum          : 65535 @99,0"), QStringLiteral("Somme            : 6172500"),
                     QStringLiteral("Moyenne          : 1234,5000"), QStringLiteral("Ecart-type       : 1,7321"),
                     QStringLiteral("BackGround       : 1200,0000")}));
    // Measures of an empty zone never show as NaN.
    s.Moyenne = std::numeric_limits<double>::quiet_NaN();
    s.EcartType = std::numeric_limits<double>::infinity();
    s.Somme = std::numeric_limits<double>::quiet_NaN();
    const QString texte = LignesStatistiques(s).join(QLatin1Char('\n'));
    EXPECT_FALSE(texte.contains(QStringLiteral("nan"), Qt::CaseInsensitive)) << texte.toStdString();
    EXPECT_TRUE(texte.contains(QStringLiteral("Moyenne          : 0,0000")));

    // The viewer's caption: no number, the name given.
    TStatistiques d;
    d.Afficher(0, QStringLiteral("m51.fit"), s);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Statistiques [m51.fit]"));
}

TEST(DemandeValeur, BornesEtReparations)
{
    TDemandeValeur d;
    d.PreparerDemande(QStringLiteral("Constante à additionner ?"), -65535, 65535);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Constante à additionner ?"));
    EXPECT_EQ(d.EdtValeur->text(), QStringLiteral("0,00"));
    struct Cas {
        QString saisie, apresOK;
    };
    for (const Cas& c : {Cas{"70000", "65535,00"}, Cas{"", "0,00"}, Cas{"-70000", "-65535,00"}, Cas{"12,5", "12,5"}}) {
        d.EdtValeur->setText(c.saisie);
        d.BtnOKClick();
        EXPECT_EQ(d.EdtValeur->text(), c.apresOK) << c.saisie.toStdString();
    }
    // The down arrow at the minimum does nothing; up adds 1.
    d.EdtValeur->setText(QStringLiteral("-65535,00"));
    Fleche(d, "UpDwnValeur", false);
    EXPECT_EQ(d.EdtValeur->text(), QStringLiteral("-65535,00"));
    Fleche(d, "UpDwnValeur", true);
    EXPECT_EQ(d.EdtValeur->text(), QStringLiteral("-65534,00"));
    // A lone "-" does not close the dialog: the conversion error is shown.
    d.show();
    d.EdtValeur->setText(QStringLiteral("-"));
    Dialogues::ViderJournal();
    Cliquer(d, "BtnOK");
    EXPECT_TRUE(d.isVisible());
    ASSERT_FALSE(Dialogues::Journal().empty());
    EXPECT_EQ(Dialogues::Journal().back().Genre, TGenreDemande::Erreur);
    d.hide();
}

// The caption is the question: the title bar holds it whole beside the icon
// and three border buttons (16 pixels each at least), and a short one gives
// the form back its own width.
TEST(DemandeValeur, LegendeEntiere)
{
    TDemandeValeur d;
    QFont gras = QApplication::font();
    gras.setBold(true);
    for (const QString& question : {QStringLiteral("Constante de multiplication ?"),
                                    QStringLiteral("Constante à additionner ?")}) {
        d.PreparerDemande(question, -65535, 65535);
        EXPECT_GE(d.width(), QFontMetrics(gras).horizontalAdvance(question) + 4 * 16) << question.toStdString();
    }
    d.PreparerDemande(QStringLiteral("?"), 0, 1);
    EXPECT_EQ(d.width(), 197);
}

TEST(Redimensionnement, FacteurEtNouvellesDimensions)
{
    TRedimensionnement d;
    d.InitialiserDimensions(3, 5);
    EXPECT_EQ(d.LblOriginalLargeur->text(), QStringLiteral("3"));
    struct Cas {
        QString facteur, largeur, hauteur;
    };
    for (const Cas& c : {Cas{"2", "6", "10"}, Cas{"1,5", "5", "8"}, Cas{"1,000", "3", "5"}}) {
        d.EdtNouvelleFacteur->setText(c.facteur);
        EXPECT_EQ(std::make_pair(d.LblNouvelLargeur->text(), d.LblNouvelHauteur->text()),
                  std::make_pair(c.largeur, c.hauteur))
            << c.facteur.toStdString();
    }
    // Partial entries keep the labels as they were, with no error box.
    Dialogues::ViderJournal();
    for (const char* partiel : {",", "", "-", "1,5,"}) {
        d.EdtNouvelleFacteur->setText(QString::fromLatin1(partiel));
        EXPECT_EQ(d.LblNouvelLargeur->text(), QStringLiteral("3")) << partiel;
    }
    EXPECT_TRUE(Dialogues::Journal().empty());
    // A factor no image can take: the labels stay positive and on one line.
    d.InitialiserDimensions(4000, 3000);
    d.EdtNouvelleFacteur->setText(QStringLiteral("99999999"));
    EXPECT_EQ(d.LblNouvelLargeur->text(), QStringLiteral("2147483647"));
    EXPECT_FALSE(d.LblNouvelLargeur->wordWrap());
    EXPECT_GE(d.LblNouvelLargeur->width(), d.LblNouvelLargeur->fontMetrics().horizontalAdvance(QStringLiteral("2147483647")));

    d.EdtNouvelleFacteur->setText(QStringLiteral("0,01"));
    EXPECT_DOUBLE_EQ(d.FacteurRedimensionnement(), 0.05);
    EXPECT_EQ(d.EdtNouvelleFacteur->text(), QStringLiteral("0,050"));
    d.EdtNouvelleFacteur->setText(QString());
    EXPECT_DOUBLE_EQ(d.FacteurRedimensionnement(), 1.0);
    // The stepper never goes under 0,05; the speed buttons write 3 decimals.
    d.EdtNouvelleFacteur->setText(QStringLiteral("0,100"));
    Fleche(d, "UpDwnNouvelleFacteur", false);
    EXPECT_EQ(d.EdtNouvelleFacteur->text(), QStringLiteral("0,050"));
    QTest::mouseClick(d.findChild<QToolButton*>(QStringLiteral("SpdBttn0Point75")), Qt::LeftButton);
    EXPECT_EQ(d.EdtNouvelleFacteur->text(), QStringLiteral("0,750"));
}

TEST(Bordures, LignesMargesEtSelection)
{
    TBordures d;
    QImage affiche = BitmapDe(200, 100, 3, [](int, int, int) { return 40; });
    const QImage origine = affiche.copy();
    d.BtnRazClick();
    d.Initialiser(affiche, TSelectionImage());
    // Typing beyond the height leaves the height.
    d.EdtBordureHaut->setText(QStringLiteral("150"));
    EXPECT_EQ(d.EdtBordureHaut->text(), QStringLiteral("100"));
    // The up arrow at the height stays there.
    Fleche(d, "UpDwnBordureHaut", true);
    EXPECT_EQ(d.EdtBordureHaut->text(), QStringLiteral("100"));

    d.EdtBordureHaut->setText(QStringLiteral("10"));
    int32_t t, b, dr, g;
    d.LireBordures(t, b, dr, g);
    EXPECT_EQ((std::array<int32_t, 4>{t, b, dr, g}), (std::array<int32_t, 4>{10, 0, 0, 0}));
    // One dotted line across row 10, every second pixel, nothing elsewhere.
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(affiche.pixel(x, 10) != origine.pixel(x, 10), x % 2 == 0) << x;
    EXPECT_EQ(affiche.copy(0, 0, 200, 10), origine.copy(0, 0, 200, 10));
    EXPECT_EQ(affiche.copy(0, 11, 200, 89), origine.copy(0, 11, 200, 89));

    // Lines the wrong way round describe the band between them.
    d.EdtBordureHaut->setText(QStringLiteral("80"));
    d.EdtBordureBas->setText(QStringLiteral("50"));
    d.LireBordures(t, b, dr, g);
    EXPECT_EQ(std::make_pair(t, b), std::make_pair(50, 20));

    // Raz takes every line away.
    d.BtnRazClick();
    EXPECT_EQ(affiche, origine);

    // From a rectangle selection; a point changes nothing.
    TSelectionImage point;
    point.Genre = SelectionPoint;
    point.X = 100;
    point.Y = 60;
    d.Initialiser(affiche, point);
    d.BtnDApresSelectionClick();
    EXPECT_EQ(d.EdtBordureGauche->text(), QStringLiteral("0"));
    TSelectionImage cadre = point;
    cadre.Genre = SelectionRectangle;
    cadre.Largeur = 41;
    cadre.Hauteur = 20;
    d.Initialiser(affiche, cadre);
    d.BtnDApresSelectionClick();
    EXPECT_EQ((QStringList{d.EdtBordureGauche->text(), d.EdtBordureDroite->text(), d.EdtBordureHaut->text(),
                           d.EdtBordureBas->text()}),
              (QStringList{"80", "79", "50", "30"}));
    // Margins left from a bigger picture are repaired against the new one.
    QImage petite = BitmapDe(60, 40, 1, [](int, int, int) { return 0; });
    d.Initialiser(petite, TSelectionImage());
    EXPECT_EQ((QStringList{d.EdtBordureGauche->text(), d.EdtBordureDroite->text(), d.EdtBordureHaut->text(),
                           d.EdtBordureBas->text()}),
              (QStringList{"0", "0", "0", "30"}));
    d.BtnRazClick();
}

namespace {

class TAvecCadre : public ::testing::Test {
protected:
    void SetUp() override
    {
        Cadre = new TMain;
        InstallerFenetresImage(*Cadre);
        Cadre->resize(1000, 800);
        Cadre->show();
    }
    void TearDown() override
    {
        for (TMDIChild* f : Cadre->FenetresDocument())
            if (auto* i = dynamic_cast<TTraitementImage*>(f))
                i->Modifiee = false;
        delete Cadre;
    }
    TTraitementImage* Nouvelle(int w, int h, const QString& nom = {})
    {
        THistoFit image = ImageFitDe(w, h, [](int x, int y) { return 100 * x + y; });
        auto* f = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(image));
        if (!nom.isEmpty()) {
            f->EnregistrerImage(Dossier.filePath(nom));
        }
        return f;
    }
    QTemporaryDir Dossier;
    TMain* Cadre = nullptr;
};

} // namespace

TEST_F(TAvecCadre, ChoixDUneImage)
{
    TTraitementImage* f1 = Nouvelle(10, 10, QStringLiteral("un.fit"));
    TTraitementImage* f2 = Nouvelle(10, 10);
    TTraitementImage* f3 = Nouvelle(10, 10, QStringLiteral("trois.fit"));
    Cadre->ZoneMDI()->setActiveSubWindow(f2);
    ASSERT_EQ(Cadre->FenetreActive(), f2);
    TSelectionTraitementImage d;
    d.PreparerSelection(QStringLiteral("Addition"), tiFit);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Addition"));
    QStringList lignes;
    for (int i = 0; i < d.LstBxTraitementsImages->count(); ++i)
        lignes << d.LstBxTraitementsImages->item(i)->text();
    // One line per window, in the frame's reverse order of its children.
    QStringList attendues;
    for (TMDIChild* w : Cadre->FenetresDuGenre(GenreImage)) {
        const int n = w->NumeroDocument();
        attendues << (n == 1   ? QStringLiteral("#1 un.fit")
                      : n == 2 ? QStringLiteral("#2 *image non enregistrée* [Self]")
                               : QStringLiteral("#3 trois.fit"));
    }
    EXPECT_EQ(lignes, attendues);
    EXPECT_EQ(d.ImageSelectionnee(), 0);
    // A click marks the window of the line; closing takes the mark away and
    // brings the asking window back.
    d.show();
    const int ligne3 = attendues.indexOf(QStringLiteral("#3 trois.fit"));
    QListWidgetItem* item = d.LstBxTraitementsImages->item(ligne3);
    QTest::mouseClick(d.LstBxTraitementsImages->viewport(), Qt::LeftButton, {},
                      d.LstBxTraitementsImages->visualItemRect(item).center());
    EXPECT_EQ(d.ImageSelectionnee(), 3);
    EXPECT_EQ(f3->TexteStatut(), QStringLiteral("Sélection"));
    QTest::mouseDClick(d.LstBxTraitementsImages->viewport(), Qt::LeftButton, {},
                       d.LstBxTraitementsImages->visualItemRect(item).center());
    EXPECT_TRUE(d.DoubleClic);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(d.ImageSelectionnee(), 3);
    EXPECT_NE(f3->TexteStatut(), QStringLiteral("Sélection"));
    EXPECT_EQ(Cadre->FenetreActive(), f2);
    // BMP windows only: none here.
    d.PreparerSelection(QStringLiteral("Addition"), tiBmp);
    EXPECT_EQ(d.LstBxTraitementsImages->count(), 0);
    (void)f1;
}

TEST_F(TAvecCadre, ApercuDeLaTranslation)
{
    TTraitementImage* f = Nouvelle(100, 80);
    f->ZoomParTexte(QStringLiteral("200%"));
    f->ImgSourceMouseDown(BoutonGauche, ssLeft, 40, 30);
    ASSERT_EQ(f->Selection.Genre, SelectionPoint);
    const QImage propre = [&] {
        f->AfficherImage(false, false);
        QImage p = f->ImgSource->Picture.copy();
        f->AfficherImage(true, false);
        return p;
    }();
    const QImage avecPoint = f->ImgSource->Picture.copy();
    TTranslationn d;
    d.Edtx->setText(QStringLiteral("2,5"));
    d.Edty->setText(QStringLiteral("-1"));
    d.show();
    QImage attendue = avecPoint.copy();
    DessinerAxes(attendue, clBleu);
    DessinerCroixTexte(attendue, 45, 28, clRouge, QStringLiteral("2,5 -1,0"));
    EXPECT_EQ(f->ImgSource->Picture, attendue);

    // Partial entries count as 0 and raise nothing.
    Dialogues::ViderJournal();
    for (const char* partiel : {",", "-,", "-", ""}) {
        d.Edtx->setText(QString::fromLatin1(partiel));
        QImage zero = avecPoint.copy();
        DessinerAxes(zero, clBleu);
        DessinerCroixTexte(zero, 40, 28, clRouge, QStringLiteral("0,0 -1,0"));
        EXPECT_EQ(f->ImgSource->Picture, zero) << partiel;
    }
    EXPECT_TRUE(Dialogues::Journal().empty());
    // Shifts stay within 32 bits, typed or stepped; off the picture nothing
    // but the axes is drawn.
    d.Edtx->setText(QStringLiteral("99999999999"));
    EXPECT_EQ(d.Edtx->text(), QStringLiteral("2147483647,0"));
    QImage axes = avecPoint.copy();
    DessinerAxes(axes, clBleu);
    EXPECT_EQ(f->ImgSource->Picture, axes);
    Fleche(d, "UpDwnx", true);
    EXPECT_EQ(d.Edtx->text(), QStringLiteral("2147483647,0"));
    d.Edtx->setText(QStringLiteral("-2147483647"));
    Fleche(d, "UpDwnx", false); // at the lower bound: nothing
    EXPECT_EQ(d.Edtx->text(), QStringLiteral("-2147483647"));
    d.Edtx->setText(QStringLiteral(","));
    Cliquer(d, "BtnOK");
    EXPECT_DOUBLE_EQ(d.TranslationX(), 0.0);
    EXPECT_DOUBLE_EQ(d.TranslationY(), -1.0);
    EXPECT_TRUE(Dialogues::Journal().empty());
    (void)propre;
}
