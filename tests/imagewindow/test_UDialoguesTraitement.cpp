// The small dialogs of the processing commands on their own: statistics
// text, value bounds, resize factor, translation preview, border lines and
// the image picker.
#include "PApplication.h"
#include "PErreurs.h"
#include "Soutien.h"
#include "UParametres.h"
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
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

// One click on an up-down of the dialog.
void Fleche(QDialog& d, const char* nom, bool haut)
{
    auto* s = d.findChild<QSpinBox*>(QLatin1String(nom));
    haut ? s->stepUp() : s->stepDown();
}

QStringList Marges(const TBordures& d)
{
    return {d.EdtBordureGauche->text(), d.EdtBordureDroite->text(), d.EdtBordureHaut->text(), d.EdtBordureBas->text()};
}

} // namespace

TEST(Statistiques, LignesEtLegende)
{
    // Minimum 2,5 halves to even.
    TStatistiquesImage s{100, 50, 2.5, 65535, 3, 4, 99, 0, 5000, 6172500, 1234.5, std::sqrt(3.0), 1200};
    EXPECT_EQ(LignesStatistiques(s),
              (QStringList{"Largeur          : 100", "Hauteur          : 50", "Nombre de pixels : 5000",
                           "Minimum          : 2 @3,4", "Maximum          : 65535 @99,0", "Somme            : 6172500",
                           "Moyenne          : 1234,5000", "Ecart-type       : 1,7321", "BackGround       : 1200,0000"}));
    // Measures of an empty zone never show as NaN.
    s.Moyenne = s.Somme = std::numeric_limits<double>::quiet_NaN();
    s.EcartType = std::numeric_limits<double>::infinity();
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
    EXPECT_EQ(d.EdtValeur->text(), QStringLiteral("0,00"));
    // However many digits: the bound.
    for (const auto& [saisie, apresOK] : {std::pair<QString, QString>{"70000", "65535,00"}, {"", "0,00"},
                                          {"-70000", "-65535,00"}, {"12,5", "12,5"}, {QString(500, '9'), "65535,00"},
                                          {"-" + QString(500, '9') + ",5", "-65535,00"}, {"1e999", "65535,00"}}) {
        d.EdtValeur->setText(saisie);
        d.BtnOKClick();
        EXPECT_EQ(d.EdtValeur->text(), apresOK) << saisie.toStdString();
    }
    // The down arrow at the minimum does nothing; up adds 1.
    d.EdtValeur->setText(QStringLiteral("-65535,00"));
    Fleche(d, "UpDwnValeur", false);
    const QString enBas = d.EdtValeur->text();
    Fleche(d, "UpDwnValeur", true);
    EXPECT_EQ(QStringList({enBas, d.EdtValeur->text()}), QStringList({"-65535,00", "-65534,00"}));
    // A lone "-" does not close the dialog: the conversion error is shown.
    d.show();
    d.EdtValeur->setText(QStringLiteral("-"));
    Dialogues::ViderJournal();
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnOK")), Qt::LeftButton);
    ASSERT_FALSE(Dialogues::Journal().empty()) << JournalDialogues();
    EXPECT_EQ(std::make_pair(d.isVisible(), Dialogues::Journal().back().Genre), std::make_pair(true, TGenreDemande::Erreur)) << JournalDialogues();
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
    // Partial entries keep the labels as they were, with no error box.
    Dialogues::ViderJournal();
    for (const auto& [facteur, largeur, hauteur] : {std::tuple<QString, QString, QString>{"2", "6", "10"},
                                                    {"1,5", "5", "8"}, {"1,000", "3", "5"}, {",", "3", "5"}, {"", "3", "5"},
                                                    {"-", "3", "5"}, {"1,5,", "3", "5"}}) {
        d.EdtNouvelleFacteur->setText(facteur);
        EXPECT_EQ(QStringList({d.LblNouvelLargeur->text(), d.LblNouvelHauteur->text()}), QStringList({largeur, hauteur}))
            << facteur.toStdString();
    }
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
    // A factor no image can take: the labels stay positive and on one line.
    d.InitialiserDimensions(4000, 3000);
    d.EdtNouvelleFacteur->setText(QStringLiteral("99999999"));
    EXPECT_EQ(std::make_pair(d.LblNouvelLargeur->text(), d.LblNouvelLargeur->wordWrap()), std::make_pair(QStringLiteral("2147483647"), false));
    EXPECT_GE(d.LblNouvelLargeur->width(), d.LblNouvelLargeur->fontMetrics().horizontalAdvance(QStringLiteral("2147483647")));

    // Under 0,05 the factor is 0,05, empty 1; the stepper never goes under
    // 0,05 and the speed buttons write 3 decimals.
    d.EdtNouvelleFacteur->setText(QStringLiteral("0,01"));
    const double facteur = d.FacteurRedimensionnement(); // repairs the edit
    EXPECT_EQ(std::make_pair(facteur, d.EdtNouvelleFacteur->text()), std::make_pair(0.05, QStringLiteral("0,050")));
    d.EdtNouvelleFacteur->setText(QString());
    EXPECT_EQ(d.FacteurRedimensionnement(), 1.0);
    d.EdtNouvelleFacteur->setText(QStringLiteral("0,100"));
    Fleche(d, "UpDwnNouvelleFacteur", false);
    const QString auPas = d.EdtNouvelleFacteur->text();
    QTest::mouseClick(d.findChild<QToolButton*>(QStringLiteral("SpdBttn0Point75")), Qt::LeftButton);
    EXPECT_EQ(QStringList({auPas, d.EdtNouvelleFacteur->text()}), QStringList({"0,050", "0,750"}));
}

TEST(Bordures, LignesMargesEtSelection)
{
    TBordures d;
    QImage affiche = BitmapDe(200, 100, 3, [](int, int, int) { return 40; });
    const QImage origine = affiche.copy();
    d.BtnRazClick();
    d.Initialiser(affiche, TSelectionImage());
    // Typing beyond the height, or the up arrow there, leaves the height.
    d.EdtBordureHaut->setText(QStringLiteral("150"));
    const QString tape = d.EdtBordureHaut->text();
    Fleche(d, "UpDwnBordureHaut", true);
    d.EdtBordureGauche->setText(QString(500, '9'));
    EXPECT_EQ(QStringList({tape, d.EdtBordureHaut->text(), d.EdtBordureGauche->text()}),
              QStringList({"100", "100", "200"}));
    // A text that is no number stays, for the reading to refuse.
    d.EdtBordureGauche->setText(QStringLiteral("abc"));
    int32_t t, b, dr, g;
    EXPECT_THROW(d.LireBordures(t, b, dr, g), EStelor);
    d.EdtBordureGauche->setText(QStringLiteral("0"));

    d.EdtBordureHaut->setText(QStringLiteral("10"));
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
    d.Initialiser(affiche, TSelectionImage{SelectionPoint, 100, 60, 0, 0});
    d.BtnDApresSelectionClick();
    EXPECT_EQ(d.EdtBordureGauche->text(), QStringLiteral("0"));
    d.Initialiser(affiche, TSelectionImage{SelectionRectangle, 100, 60, 41, 20});
    d.BtnDApresSelectionClick();
    EXPECT_EQ(Marges(d), (QStringList{"80", "79", "50", "30"}));
    // Margins left from a bigger picture are repaired against the new one.
    QImage petite = BitmapDe(60, 40, 1, [](int, int, int) { return 0; });
    d.Initialiser(petite, TSelectionImage());
    EXPECT_EQ(Marges(d), (QStringList{"0", "0", "0", "30"}));
    d.BtnRazClick();
}

namespace {

class TAvecCadre : public ::testing::Test {
protected:
    void SetUp() override
    {
        Cadre = new TMain;
        // Settings of this test's own: the file beside the test programs is
        // rewritten by the other tests running at the same time.
        InstallerFenetresImage(*Cadre);
        Cadre->resize(1000, 800);
        Cadre->show();
    }
    void TearDown() override
    {
        FermerCadreSansQuestion(Cadre);
    }
    TTraitementImage* Nouvelle(int w, int h, const QString& nom = {})
    {
        THistoFit image = ImageFitDe(w, h, [](int x, int y) { return 100 * x + y; });
        auto* f = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(image));
        if (!nom.isEmpty())
            f->EnregistrerImage(Dossier.filePath(nom));
        return f;
    }
    QTemporaryDir Dossier;
    TMain* Cadre = nullptr;
};

} // namespace

TEST_F(TAvecCadre, ChoixDUneImage)
{
    Nouvelle(10, 10, QStringLiteral("un.fit"));
    TTraitementImage* f2 = Nouvelle(10, 10);
    TTraitementImage* f3 = Nouvelle(10, 10, QStringLiteral("trois.fit"));
    Cadre->ZoneMDI()->setActiveSubWindow(f2);
    ASSERT_EQ(Cadre->FenetreActive(), f2);
    TSelectionTraitementImage d;
    d.PreparerSelection(QStringLiteral("Addition"), tiFit);
    auto* liste = d.LstBxTraitementsImages;
    QStringList lignes;
    for (int i = 0; i < liste->count(); ++i)
        lignes << liste->item(i)->text();
    // One line per window, in the frame's reverse order of its children.
    QStringList attendues;
    const QString noms[] = {"#1 un.fit", "#2 *image non enregistrée* [Self]", "#3 trois.fit"};
    for (TMDIChild* w : Cadre->FenetresDuGenre(GenreImage))
        attendues << noms[w->NumeroDocument() - 1];
    EXPECT_EQ(lignes, attendues);
    EXPECT_EQ(d.ImageSelectionnee(), 0);
    // A click marks the window of the line; closing takes the mark away and
    // brings the asking window back.
    d.show();
    const QPoint centre = liste->visualItemRect(liste->item(attendues.indexOf(noms[2]))).center();
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(std::make_pair(d.ImageSelectionnee(), f3->TexteStatut()), std::make_pair(3, QStringLiteral("Sélection")));
    QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(std::make_tuple(d.DoubleClic, d.isVisible(), d.result(), d.ImageSelectionnee()),
              std::make_tuple(true, false, int(QDialog::Rejected), 3));
    EXPECT_NE(f3->TexteStatut(), QStringLiteral("Sélection"));
    EXPECT_EQ(Cadre->FenetreActive(), f2);
    // BMP windows only: none here.
    d.PreparerSelection(QStringLiteral("Addition"), tiBmp);
    EXPECT_EQ(liste->count(), 0);
}

TEST_F(TAvecCadre, ApercuDeLaTranslation)
{
    TTraitementImage* f = Nouvelle(100, 80);
    f->ZoomParTexte(QStringLiteral("200%"));
    f->ImgSourceMouseDown(BoutonGauche, ssLeft, 40, 30);
    ASSERT_EQ(f->Selection.Genre, SelectionPoint);
    f->AfficherImage(true, false);
    const QImage avecPoint = f->ImgSource->Picture.copy();
    // The point's cross moved by the shift typed, and the axes.
    const auto apercu = [&](int x, const QString& texte) {
        QImage i = avecPoint.copy();
        DessinerAxes(i, clBleu);
        if (!texte.isEmpty())
            DessinerCroixTexte(i, x, 28, clRouge, texte);
        return i;
    };
    TTranslationn d;
    d.Edtx->setText(QStringLiteral("2,5"));
    d.Edty->setText(QStringLiteral("-1"));
    d.show();
    EXPECT_EQ(f->ImgSource->Picture, apercu(45, QStringLiteral("2,5 -1,0")));
    // Partial entries count as 0 and raise nothing.
    Dialogues::ViderJournal();
    for (const char* partiel : {",", "-,", "-", ""}) {
        d.Edtx->setText(QString::fromLatin1(partiel));
        EXPECT_EQ(f->ImgSource->Picture, apercu(40, QStringLiteral("0,0 -1,0"))) << partiel;
    }
    // Shifts stay within 32 bits, typed or stepped; off the picture nothing
    // but the axes is drawn.
    d.Edtx->setText(QStringLiteral("99999999999"));
    EXPECT_EQ(f->ImgSource->Picture, apercu(0, {}));
    Fleche(d, "UpDwnx", true);
    const QString enHaut = d.Edtx->text();
    d.Edtx->setText(QStringLiteral("-2147483647"));
    Fleche(d, "UpDwnx", false); // at the lower bound: nothing
    EXPECT_EQ(QStringList({enHaut, d.Edtx->text()}), QStringList({"2147483647,0", "-2147483647"}));
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
    // Only a number is brought to the bound, however many digits it has;
    // a text that is no number stays as it is.
    for (const auto& [texte, borne] : {std::pair<QString, QString>{"1e999", "2147483647,0"},
                                       {"-" + QString(500, '9'), "-2147483647,0"},
                                       {"abc", "abc"},
                                       {"é€𝛼", "é€𝛼"}}) {
        d.Edtx->setText(texte);
        EXPECT_EQ(d.Edtx->text(), borne);
    }
}
