// The display-threshold windows bound to image windows inside the frame:
// bit depth, steps, level edits, brightness, contrast, curve, Auto, Prec,
// the update flag, live re-rendering and the window's lifecycle.
#include "PDialogues.h"
#include "Soutien.h"
#include "UHistogrammeBmp.h"
#include "UHistogrammeFit.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UParametres.h"
#include "UTraitementImage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

void Haut(QSpinBox* s) { s->stepUp(); }
void Bas(QSpinBox* s) { s->stepDown(); }

bool ErreurMontree()
{
    for (const TDemandeDialogue& d : Dialogues::Journal())
        if (d.Genre == TGenreDemande::Erreur)
            return true;
    return false;
}

// Lets the windows closed or let go of be freed.
void Liberer()
{
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class TFenetresSeuils : public ::testing::Test {
protected:
    void SetUp() override
    {
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        Repondeur = std::make_unique<TRepondeurTest>(RepondreToujours());
        Cadre = new TMain;
        InstallerFenetresImage(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
    }
    void TearDown() override
    {
        for (TMDIChild* f : Cadre->FenetresDocument())
            if (auto* i = dynamic_cast<TTraitementImage*>(f))
                i->Modifiee = false;
        delete Cadre;
        Liberer();
        Repondeur.reset();
    }

    // An image window holding a FIT image of the given largest value.
    TTraitementImage* FenetreFit(double maxi, int32_t sMin = 0, int32_t sMax = 1000, int w = 40, int h = 30)
    {
        THistoFit image = ImageFitDe(w, h, [maxi, w, h](int x, int y) { return maxi * (x + y) / (w + h - 2); });
        image.SMin = sMin;
        image.SMax = sMax;
        return dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(image));
    }

    TTraitementImage* FenetreBmp(int maxi)
    {
        THistoBmp image = ObjetBmpDe(BitmapDe(32, 20, 1, [maxi](int x, int y, int) { return (x + y) * maxi / 50; }));
        image.SMin = 0;
        image.SMax = 255;
        return dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageBmp(image));
    }

    // F2 on the window.
    TFenetreSeuils* Seuils(TTraitementImage* f)
    {
        Cadre->ZoneMDI()->setActiveSubWindow(f);
        Cadre->MnItmHistogramme_Afficher->trigger();
        return dynamic_cast<TFenetreSeuils*>(Cadre->TrouverHistogramme(f->Numero));
    }

    QTemporaryDir Dossier;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
};

TEST_F(TFenetresSeuils, NombreDeBitsEtPasSuivantLaValeurMaximaleFit)
{
    struct Cas {
        double maxi;
        int bits;
        int maximum;
        int pas; // with Pas 60
    };
    const Cas cas[] = {
        {65535, 16, 65536, 1092}, {16385, 16, 65536, 1092}, {16384, 14, 16384, 273}, {4097, 14, 16384, 273},
        {4096, 12, 4096, 68},     {1025, 12, 4096, 68},     {300, 10, 1024, 17},     {257, 10, 1024, 17},
        {256, 8, 256, 4},         {65, 8, 256, 4},          {64, 6, 64, 1},          {17, 6, 64, 1},
        {16, 4, 16, 1},           {5, 4, 16, 1},            {4, 2, 4, 1},            {2, 2, 4, 1},
        {1, 0, 1, 1},             {0.4, 0, 1, 1},           {0, 0, 1, 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.maxi);
        TTraitementImage* f = FenetreFit(c.maxi, 0, 1);
        TFenetreSeuils* s = Seuils(f);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->NombreBitsImage(), c.bits);
        EXPECT_EQ(s->LblNbBits->text(), QString::number(c.bits));
        EXPECT_EQ(s->TrckBrSeuilMaxi->maximum(), c.maximum);
        EXPECT_EQ(s->TrckBrSeuilMini->maximum(), c.maximum);
        EXPECT_EQ(s->TrckBrSeuilMaxi->singleStep(), c.pas);
        EXPECT_EQ(s->TrckBrSeuilMaxi->pageStep(), c.pas);
        EXPECT_EQ(s->PasCurseurs(), c.pas);
        f->close();
        Liberer();
    }
}

TEST_F(TFenetresSeuils, ImagesSansValeurPositiveOuSansPixels)
{
    // A black image, one whose pixels are all negative, and one with none:
    // the scan stops, the window opens on 0 bits and the up arrow climbs.
    THistoFit noire = ImageFitDe(8, 8, [](int, int) { return 0.0; });
    THistoFit negative = ImageFitDe(8, 8, [](int, int) { return -300.0; });
    THistoFit vide;
    CreerHistoFit(vide);
    for (THistoFit* image : {&noire, &negative, &vide}) {
        THistogrammeFit s;
        s.Initialiser(7, *image);
        EXPECT_EQ(s.NombreBitsImage(), 0);
        EXPECT_EQ(s.TrckBrSeuilMaxi->maximum(), 1);
        Bas(s.UpDwnNbBits);
        EXPECT_EQ(s.LblNbBits->text(), QStringLiteral("0"));
        for (int bits = 2; bits <= 16; bits += 2) {
            Haut(s.UpDwnNbBits);
            EXPECT_EQ(s.LblNbBits->text(), QString::number(bits));
        }
        Haut(s.UpDwnNbBits);
        EXPECT_EQ(s.LblNbBits->text(), QStringLiteral("16"));
        EXPECT_EQ(s.TrckBrSeuilMaxi->maximum(), 65536);
    }
    THistoBmp noir = ObjetBmpDe(BitmapDe(4, 4, 3, [](int, int, int) { return 0; }));
    THistoBmp sansPixels;
    CreerHistoBmp(sansPixels);
    for (THistoBmp* image : {&noir, &sansPixels}) {
        THistogrammeBmp s;
        s.Initialiser(3, *image);
        EXPECT_EQ(s.NombreBitsImage(), 0);
        for (int bits = 2; bits <= 8; bits += 2) {
            Haut(s.UpDwnNbBits);
            EXPECT_EQ(s.LblNbBits->text(), QString::number(bits));
        }
        Haut(s.UpDwnNbBits);
        EXPECT_EQ(s.LblNbBits->text(), QStringLiteral("8"));
    }
}

TEST_F(TFenetresSeuils, BmpBitsEtPasSelonLeDiviseur)
{
    TTraitementImage* f = FenetreBmp(200);
    ASSERT_EQ(f->ImageBmp.Max, 200);
    TFenetreSeuils* s = Seuils(f);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("8"));
    EXPECT_EQ(s->TrckBrSeuilMaxi->maximum(), 256);
    EXPECT_EQ(s->PasCurseurs(), 4);
    // The settings push: spinner steps follow at once, the track bars at the next reload.
    Cadre->FenetresDuGenre(GenreHistogramme).first()->FixerPas(500);
    EXPECT_EQ(s->PasCurseurs(), 1);
    EXPECT_EQ(s->TrckBrSeuilMaxi->singleStep(), 4);
    s->Actualiser();
    EXPECT_EQ(s->TrckBrSeuilMaxi->singleStep(), 1);
    // Down from 8 bits to 6 cuts the high level 255: refused. BMP goes down to 4.
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("8"));
    s->EdtSeuilMaxi->setText(QStringLiteral("10"));
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("6"));
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("4"));
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("4"));
    // Auto: 0, 255, linear.
    f->ImageBmp.TRFT = 3.5;
    QTest::mouseClick(s->BtnAuto, Qt::LeftButton);
    EXPECT_EQ(f->ImageBmp.SMin, 0);
    EXPECT_EQ(f->ImageBmp.SMax, 255);
    EXPECT_EQ(f->ImageBmp.TRFT, 0.0);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("8"));
}

TEST_F(TFenetresSeuils, PasJamaisInferieurAUn)
{
    TFenetreSeuils* s = Seuils(FenetreFit(65535));
    for (int pas : {0, -5, 1}) {
        SCOPED_TRACE(pas);
        s->FixerPas(pas);
        EXPECT_EQ(s->Pas, 1);
        EXPECT_EQ(s->PasCurseurs(), 65536);
    }
    s->FixerPas(240);
    EXPECT_EQ(s->PasCurseurs(), 273);
    // A settings file holding 0 gives 1 as well.
    EcrireReglSeuilsVisu(0);
    THistogrammeFit t;
    EXPECT_GE(t.Pas, 1);
}

TEST_F(TFenetresSeuils, SaisieDesNiveauxPlafonneeSansErreur)
{
    TTraitementImage* f = FenetreFit(65535, 100, 20000);
    TFenetreSeuils* s = Seuils(f);
    EXPECT_EQ(s->EdtSeuilMaxi->text(), QStringLiteral("20000"));
    struct Cas {
        const char* tape;
        const char* texte;
        int position;
    };
    const Cas cas[] = {
        {"70000", "65536", 65536},
        {"30000", "30000", 30000},
        {"65536", "65536", 65536},
        {"99999999999999999999999", "65536", 65536},
        {"4294967297", "65536", 65536},
        {"12", "12", 12},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.tape);
        s->EdtSeuilMaxi->setFocus();
        s->EdtSeuilMaxi->selectAll();
        QTest::keyClicks(s->EdtSeuilMaxi, QString::fromLatin1(c.tape));
        EXPECT_EQ(s->EdtSeuilMaxi->text(), QString::fromLatin1(c.texte));
        EXPECT_EQ(s->TrckBrSeuilMaxi->value(), c.position);
        EXPECT_EQ(f->ImageFit.SMax, c.position);
    }
    EXPECT_FALSE(ErreurMontree());
    EXPECT_TRUE(Dialogues::Journal().empty());
}

TEST_F(TFenetresSeuils, LuminositeEtContrasteAuxBornes)
{
    TTraitementImage* f = FenetreFit(65535, 100, 500);
    TFenetreSeuils* s = Seuils(f);
    ASSERT_EQ(s->PasCurseurs(), 1092);
    struct Cas {
        QSpinBox* TFenetreSeuils::*bouton;
        bool haut;
        int h, l;         // before
        const char *nh, *nl; // after
    };
    const Cas cas[] = {
        {&TFenetreSeuils::UpDwnLuminosite, true, 500, 100, "0", "0"},
        {&TFenetreSeuils::UpDwnLuminosite, false, 500, 100, "1592", "1192"},
        {&TFenetreSeuils::UpDwnLuminosite, false, 65000, 64800, "65536", "65536"},
        {&TFenetreSeuils::UpDwnLuminosite, true, 1093, 1092, "1", "0"},
        {&TFenetreSeuils::UpDwnContraste, false, 65000, 100, "65536", "0"},
        {&TFenetreSeuils::UpDwnContraste, false, 30000, 5000, "31092", "3908"},
        {&TFenetreSeuils::UpDwnContraste, true, 30000, 1000, "28908", "2092"},
        {&TFenetreSeuils::UpDwnContraste, true, 1000, 65000, "0", "65536"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::string(c.nh) + "/" + c.nl);
        s->EdtSeuilMaxi->setText(QString::number(c.h));
        s->EdtSeuilMini->setText(QString::number(c.l));
        (c.haut ? Haut : Bas)(s->*(c.bouton));
        EXPECT_EQ(s->EdtSeuilMaxi->text(), QString::fromLatin1(c.nh));
        EXPECT_EQ(s->EdtSeuilMini->text(), QString::fromLatin1(c.nl));
        EXPECT_EQ(f->ImageFit.SMax, QString::fromLatin1(c.nh).toInt());
        EXPECT_EQ(f->ImageFit.SMin, QString::fromLatin1(c.nl).toInt());
        EXPECT_TRUE(s->Maj);
    }
}

TEST_F(TFenetresSeuils, PasDesNiveauxEtDescenteDesBitsSansCouperUnNiveau)
{
    TTraitementImage* f = FenetreFit(300, 10, 250);
    TFenetreSeuils* s = Seuils(f);
    ASSERT_EQ(s->LblNbBits->text(), QStringLiteral("10"));
    ASSERT_EQ(s->PasCurseurs(), 17);
    Haut(s->UpDwnSeuilMaxi);
    EXPECT_EQ(s->EdtSeuilMaxi->text(), QStringLiteral("267"));
    EXPECT_EQ(f->ImageFit.SMax, 267);
    // 267 > 256: 8 bits would cut it.
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("10"));
    Bas(s->UpDwnSeuilMaxi);
    Bas(s->UpDwnSeuilMaxi);
    EXPECT_EQ(s->EdtSeuilMaxi->text(), QStringLiteral("233"));
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("8"));
    EXPECT_EQ(s->TrckBrSeuilMaxi->maximum(), 256);
    EXPECT_EQ(s->TrckBrSeuilMaxi->value(), 233);
    EXPECT_EQ(f->ImageFit.SMax, 233);
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("8"));
    // The low spinner stops at 0; the value below 0 is never written.
    for (int i = 0; i < 4; ++i)
        Bas(s->UpDownSeuilMini);
    EXPECT_EQ(s->EdtSeuilMini->text(), QStringLiteral("0"));
    EXPECT_EQ(f->ImageFit.SMin, 0);
    // Up climbs by 2 to 16 and stops there; the levels stay.
    for (int i = 0; i < 6; ++i)
        Haut(s->UpDwnNbBits);
    EXPECT_EQ(s->LblNbBits->text(), QStringLiteral("16"));
    EXPECT_EQ(std::pair(f->ImageFit.SMin, f->ImageFit.SMax), std::pair(0, 233));
}

TEST_F(TFenetresSeuils, CourbeEchelleEtLin)
{
    TTraitementImage* f = FenetreFit(65535, 0, 40000);
    TFenetreSeuils* s = Seuils(f);
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Lin"));
    Haut(s->UpDwnTransfert);
    EXPECT_EQ(f->ImageFit.TRFT, 1.25);
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Log"));
    Bas(s->UpDwnTransfert);
    Bas(s->UpDwnTransfert);
    EXPECT_EQ(f->ImageFit.TRFT, -2.001);
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Exp"));
    for (int i = 0; i < 5; ++i)
        Haut(s->UpDwnTransfert);
    EXPECT_EQ(f->ImageFit.TRFT, 2.0);
    QTest::mouseClick(s->LblTransfert, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.TRFT, 0.0);
    EXPECT_EQ(s->Transfert, 0.0);
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Lin"));
    EXPECT_EQ(f->ImgSource->Picture, RendreFit(f->ImageFit, true));
    // The band follows the curve: the log colour, then the linear one.
    Haut(s->UpDwnTransfert);
    EXPECT_EQ(s->DessinHistogramme().pixelColor(40, 2), QColor(201, 122, 122));
    QTest::mouseClick(s->LblTransfert, Qt::LeftButton);
    EXPECT_EQ(s->DessinHistogramme().pixelColor(40, 2), QColor(122, 122, 201));
}

TEST_F(TFenetresSeuils, PrecAlterneEntreDepartEtDernierReglage)
{
    TTraitementImage* f = FenetreFit(65535, 300, 9000);
    f->ImageFit.TRFT = 3.5;
    TFenetreSeuils* s = Seuils(f);
    // Right after binding nothing changes.
    QTest::mouseClick(s->BtnPrec, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.SMin, 300);
    EXPECT_EQ(f->ImageFit.SMax, 9000);
    EXPECT_EQ(f->ImageFit.TRFT, 3.5);
    s->EdtSeuilMaxi->setText(QStringLiteral("12000"));
    Bas(s->UpDwnTransfert);
    ASSERT_EQ(f->ImageFit.SMax, 12000);
    ASSERT_EQ(f->ImageFit.TRFT, 3.25);
    QTest::mouseClick(s->BtnPrec, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.SMax, 9000);
    EXPECT_EQ(f->ImageFit.TRFT, 3.5);
    EXPECT_EQ(s->EdtSeuilMaxi->text(), QStringLiteral("9000"));
    QTest::mouseClick(s->BtnPrec, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.SMax, 12000);
    EXPECT_EQ(f->ImageFit.TRFT, 3.25);
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Log"));
    QTest::mouseClick(s->BtnPrec, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.SMax, 9000);
    EXPECT_TRUE(s->Maj);
}

TEST_F(TFenetresSeuils, MajRetabliApresUneErreurDeConversion)
{
    TTraitementImage* f = FenetreFit(65535, 100, 20000);
    TFenetreSeuils* s = Seuils(f);
    struct Cas {
        const char* nom;
        std::function<void()> clic;
    };
    const Cas cas[] = {
        {"Lum", [s] { Haut(s->UpDwnLuminosite); }},
        {"Cont", [s] { Bas(s->UpDwnContraste); }},
        {"Bits", [s] { Bas(s->UpDwnNbBits); }},
        {"Prec", [s] { QTest::mouseClick(s->BtnPrec, Qt::LeftButton); }},
        {"Pas", [s] { Haut(s->UpDwnSeuilMaxi); }},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        s->EdtSeuilMaxi->setText(QStringLiteral("20000"));
        s->EdtSeuilMaxi->clear();
        Dialogues::ViderJournal();
        c.clic();
        EXPECT_TRUE(ErreurMontree());
        EXPECT_TRUE(s->Maj);
        EXPECT_EQ(f->ImageFit.SMax, 20000);
        // A later track-bar move still reaches the image.
        s->TrckBrSeuilMaxi->setValue(15000 + s->TrckBrSeuilMini->value());
        EXPECT_EQ(f->ImageFit.SMax, 15000 + s->TrckBrSeuilMini->value());
        EXPECT_EQ(s->EdtSeuilMaxi->text(), QString::number(f->ImageFit.SMax));
        s->TrckBrSeuilMaxi->setValue(20000);
    }
}

TEST_F(TFenetresSeuils, ActualiserPrendLesReglagesAffichesCommeDepart)
{
    TTraitementImage* f = FenetreFit(65535, 200, 5000);
    TFenetreSeuils* s = Seuils(f);
    s->ChckBxVisualisation->setChecked(false);
    f->ImageFit.SMin = 10;
    f->ImageFit.SMax = 60000;
    f->ImageFit.TRFT = -11.001;
    f->ActualiserFenetreHistogramme();
    EXPECT_TRUE(s->ChckBxVisualisation->isChecked());
    EXPECT_EQ(s->EdtSeuilMini->text(), QStringLiteral("10"));
    EXPECT_EQ(s->EdtSeuilMaxi->text(), QStringLiteral("60000"));
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Exp"));
    EXPECT_EQ(s->SeuilMiniDepart, 200);
    EXPECT_EQ(s->SeuilMaxiDepart, 5000);
    EXPECT_EQ(s->TransfertDepart, 0.0);
    // Prec now goes back to the settings shown before the change.
    QTest::mouseClick(s->BtnPrec, Qt::LeftButton);
    EXPECT_EQ(f->ImageFit.SMin, 200);
    EXPECT_EQ(f->ImageFit.SMax, 5000);
    EXPECT_EQ(f->ImageFit.TRFT, 0.0);
}

TEST_F(TFenetresSeuils, VisualisationEnDirectOuALaFermeture)
{
    TTraitementImage* f = FenetreFit(65535, 0, 65535, 64, 64);
    TFenetreSeuils* s = Seuils(f);
    ASSERT_TRUE(s->ChckBxVisualisation->isChecked());
    const QImage avant = f->ImgSource->Picture.copy();
    s->TrckBrSeuilMaxi->setValue(20000);
    EXPECT_EQ(f->ImgSource->Picture, RendreFit(f->ImageFit, true));
    EXPECT_NE(f->ImgSource->Picture, avant);
    // Unticked: the image gets the levels, the picture waits for the close.
    QTest::mouseClick(s->ChckBxVisualisation, Qt::LeftButton);
    ASSERT_FALSE(s->ChckBxVisualisation->isChecked());
    const QImage figee = f->ImgSource->Picture.copy();
    s->TrckBrSeuilMaxi->setValue(5000);
    EXPECT_EQ(f->ImageFit.SMax, 5000);
    EXPECT_EQ(f->ImgSource->Picture, figee);
    // Ticking it again renders at once.
    QTest::mouseClick(s->ChckBxVisualisation, Qt::LeftButton);
    EXPECT_EQ(f->ImgSource->Picture, RendreFit(f->ImageFit, true));
    QTest::mouseClick(s->ChckBxVisualisation, Qt::LeftButton);
    s->TrckBrSeuilMaxi->setValue(30000);
    EXPECT_NE(f->ImgSource->Picture, RendreFit(f->ImageFit, true));
    s->close();
    EXPECT_EQ(f->ImgSource->Picture, RendreFit(f->ImageFit, true));
}

TEST_F(TFenetresSeuils, SeulesLesFenetresDontLAffichageAChangeSontRendues)
{
    TTraitementImage* f1 = FenetreFit(65535, 0, 40000, 48, 48);
    TTraitementImage* f2 = FenetreFit(30000, 0, 30000, 48, 48);
    TFenetreSeuils* s = Seuils(f1);
    const qint64 cle = f2->ImgSource->Picture.cacheKey();
    s->TrckBrSeuilMaxi->setValue(20000);
    EXPECT_EQ(f1->ImgSource->Picture, RendreFit(f1->ImageFit, true));
    EXPECT_EQ(f2->ImgSource->Picture.cacheKey(), cle);
    // Levels changed behind the window's back are shown at the next step.
    f2->ImageFit.SMax = 1000;
    s->TrckBrSeuilMaxi->setValue(21000);
    EXPECT_EQ(f2->ImgSource->Picture, RendreFit(f2->ImageFit, true));
    // So are marks drawn on the picture by a dialog, and a negative display.
    DessinerCadre(f2->ImgSource->Picture, 20, 20, 10, 10, clRouge);
    s->TrckBrSeuilMaxi->setValue(22000);
    EXPECT_EQ(f2->ImgSource->Picture, RendreFit(f2->ImageFit, true));
    f2->Positif = false;
    s->TrckBrSeuilMaxi->setValue(23000);
    EXPECT_EQ(f2->ImgSource->Picture, RendreFit(f2->ImageFit, false));
    // A pixel operation followed by no rendering of its own.
    f2->ImageFit.Pixel(3, 3) = 65535;
    f2->PixelsModifies();
    s->TrckBrSeuilMaxi->setValue(24000);
    EXPECT_EQ(f2->ImgSource->Picture, RendreFit(f2->ImageFit, false));
}

TEST_F(TFenetresSeuils, F2UneFenetreParImageLegendeEtPremierPlan)
{
    const QString fit = Dossier.filePath(QStringLiteral("m51.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), fit));
    Cadre->OuvrirFichiers({fit, CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp"))});
    QList<TMDIChild*> images = Cadre->FenetresDuGenre(GenreImage);
    ASSERT_EQ(images.size(), 2);
    auto* f1 = dynamic_cast<TTraitementImage*>(Cadre->TrouverImage(1));
    auto* f2 = dynamic_cast<TTraitementImage*>(Cadre->TrouverImage(2));
    TFenetreSeuils* s1 = Seuils(f1);
    TFenetreSeuils* s2 = Seuils(f2);
    ASSERT_TRUE(s1 && s2);
    EXPECT_NE(dynamic_cast<THistogrammeFit*>(s1), nullptr);
    EXPECT_NE(dynamic_cast<THistogrammeBmp*>(s2), nullptr);
    EXPECT_EQ(s1->windowTitle(), QStringLiteral("#1 Histogramme [m51.fit]"));
    EXPECT_EQ(s2->windowTitle(), QStringLiteral("#2 Histogramme [hubble_deep_field_8.bmp]"));
    EXPECT_EQ(s1->NumeroDocument(), 1);
    EXPECT_EQ(Cadre->FenetreActive(), s2);
    // F2 again on #1 brings its window forward, no second one.
    EXPECT_EQ(Seuils(f1), s1);
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreHistogramme).size(), 2);
    EXPECT_EQ(Cadre->FenetreActive(), s1);
    // The tool button takes the same road.
    Cadre->ZoneMDI()->setActiveSubWindow(f2);
    QTest::mouseClick(Cadre->TlBttnHistogramme, Qt::LeftButton);
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreHistogramme).size(), 2);
    EXPECT_EQ(Cadre->FenetreActive(), s2);
    // Positif/Négatif with the threshold window active inverts its image.
    Cadre->MnItmPositifNegatif->trigger();
    EXPECT_FALSE(f2->Positif);
    // An unsaved image is named so.
    TTraitementImage* f3 = FenetreFit(1000);
    EXPECT_EQ(Seuils(f3)->windowTitle(), QStringLiteral("#3 Histogramme [*image non enregistrée*]"));
}

TEST_F(TFenetresSeuils, LaFenetreDesSeuilsNeSurvitJamaisASonImage)
{
    // Close box, Fermer, Tout fermer, reload after a save, a window freed
    // without closing: the threshold window goes first, nothing touches a
    // freed image (the sanitizers watch).
    const std::vector<std::function<void(TTraitementImage*)>> fins = {
        [](TTraitementImage* f) { f->close(); },
        [this](TTraitementImage* f) {
            Cadre->ZoneMDI()->setActiveSubWindow(f);
            Cadre->MnItmFermer->trigger();
        },
        [this](TTraitementImage*) { Cadre->MnItmToutFermer->trigger(); },
        [this](TTraitementImage* f) {
            f->ImageFit.SMax = 777;
            f->EnregistrerImage(Dossier.filePath(QStringLiteral("recharge.fit")));
        },
        [](TTraitementImage* f) { delete f; },
    };
    int n = 0;
    for (const auto& fin : fins) {
        SCOPED_TRACE(n++);
        TTraitementImage* f = FenetreFit(65535, 10, 2000);
        const int numero = f->Numero;
        QPointer<TFenetreSeuils> s = Seuils(f);
        ASSERT_TRUE(s);
        s->ChckBxVisualisation->setChecked(false);
        fin(f);
        Liberer();
        EXPECT_TRUE(s.isNull());
        EXPECT_FALSE(Cadre->ExisteHistogramme(numero));
        for (TMDIChild* autre : Cadre->FenetresDuGenre(GenreImage))
            dynamic_cast<TTraitementImage*>(autre)->Modifiee = false;
        Cadre->MnItmToutFermer->trigger();
        Liberer();
    }
    // Quitting closes them as well.
    TTraitementImage* f = FenetreFit(65535);
    QPointer<TFenetreSeuils> s = Seuils(f);
    Cadre->close();
    Liberer();
    EXPECT_TRUE(s.isNull());
}

TEST_F(TFenetresSeuils, UneFenetreLacheeNeTouchePlusRien)
{
    THistoFit image = ImageFitDe(8, 8, [](int x, int) { return 100.0 * x; });
    auto* s = new THistogrammeFit;
    QPointer<THistogrammeFit> garde = s;
    s->Initialiser(9, image);
    TFenetreSeuils::OublierImage(&image);
    EXPECT_FALSE(s->Liee());
    image.SMax = 123;
    s->TrckBrSeuilMaxi->setValue(5);
    QTest::mouseClick(s->BtnAuto, Qt::LeftButton);
    QTest::mouseClick(s->BtnPrec, Qt::LeftButton);
    s->Actualiser();
    EXPECT_EQ(image.SMax, 123);
    Liberer();
    EXPECT_TRUE(garde.isNull());
}

TEST_F(TFenetresSeuils, F2SurM51AuClavierEtALaSouris)
{
    const QString fit = Dossier.filePath(QStringLiteral("m51.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), fit));
    Cadre->OuvrirFichiers({fit});
    auto* f = dynamic_cast<TTraitementImage*>(Cadre->TrouverImage(1));
    ASSERT_NE(f, nullptr);
    QApplication::setActiveWindow(Cadre);
    f->ImgSource->setFocus();
    QTest::keyClick(f->ImgSource, Qt::Key_F2);
    TFenetreSeuils* s = dynamic_cast<TFenetreSeuils*>(Cadre->TrouverHistogramme(1));
    ASSERT_NE(s, nullptr);
    const int32_t departBas = f->ImageFit.SMin, departHaut = f->ImageFit.SMax;
    const int bits = s->NombreBitsImage();
    EXPECT_GE(f->ImageFit.Max, 1 << (bits - 2));

    // The high track bar dragged towards its middle.
    QSlider* c = s->TrckBrSeuilMaxi;
    QStyleOptionSlider opt;
    opt.initFrom(c);
    opt.orientation = c->orientation();
    opt.minimum = c->minimum();
    opt.maximum = c->maximum();
    opt.sliderPosition = opt.sliderValue = c->value();
    const QPoint depart =
        c->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, c).center();
    const QPoint arrivee(c->width() / 2, depart.y());
    QTest::mousePress(c, Qt::LeftButton, {}, depart);
    QMouseEvent deplacement(QEvent::MouseMove, arrivee, c->mapToGlobal(arrivee), Qt::NoButton, Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(c, &deplacement);
    QTest::mouseRelease(c, Qt::LeftButton, {}, arrivee);
    const int32_t haut = c->value();
    ASSERT_NE(haut, departHaut);
    EXPECT_EQ(f->ImageFit.SMax, haut);
    EXPECT_EQ(f->ImageFit.SMin, departBas);
    EXPECT_EQ(f->ImgSource->Picture, RendreFit(f->ImageFit, true));

    // Auto: the core's automatic levels (half and twice the mode), linear.
    // The curves' values are the core's tests; here the picture must follow.
    Haut(s->UpDwnTransfert);
    ASSERT_EQ(f->ImageFit.TRFT, 1.25);
    QTest::mouseClick(s->BtnAuto, Qt::LeftButton);
    const int32_t bas = SeuilMiniAutoFit(f->ImageFit), hautAuto = SeuilMaxiAutoFit(f->ImageFit);
    EXPECT_EQ(std::pair(f->ImageFit.SMin, f->ImageFit.SMax), std::pair(bas, hautAuto));
    EXPECT_EQ(f->ImageFit.TRFT, 0.0);
    EXPECT_EQ(f->ImgSource->Picture, RendreFit(f->ImageFit, true));
}

} // namespace
