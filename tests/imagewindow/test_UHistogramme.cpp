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

void Haut(QSpinBox* s, int n = 1) { while (n-- > 0) s->stepUp(); }
void Bas(QSpinBox* s, int n = 1) { while (n-- > 0) s->stepDown(); }
int Bits(const TFenetreSeuils* s) { return s->LblNbBits->text().toInt(); }
void Clic(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
// Low level, high level and curve of the image.
std::tuple<int32_t, int32_t, double> Niveaux(const TTraitementImage* f)
{
    return {f->ImageFit.SMin, f->ImageFit.SMax, f->ImageFit.TRFT};
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
        Cadre = new TMain; // opens the settings; this test's own file comes after
        FixerFichierPreferences(Dossier.filePath(QStringLiteral("Stelor.ini")));
        InstallerFenetresImage(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
    }
    void TearDown() override
    {
        FermerCadreSansQuestion(Cadre);
        Liberer();
    }

    // An image window holding a FIT image of the given largest value.
    TTraitementImage* FenetreFit(double maxi, int32_t sMin = 0, int32_t sMax = 1000, int w = 40, int h = 30)
    {
        THistoFit image = ImageFitDe(w, h, [maxi, w, h](int x, int y) { return maxi * (x + y) / (w + h - 2); });
        image.SMin = sMin;
        image.SMax = sMax;
        return dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageFit(image));
    }
    TTraitementImage* OuvrirM51()
    {
        const QString fit = Dossier.filePath(QStringLiteral("m51.fit"));
        EXPECT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), fit));
        Cadre->OuvrirFichiers({fit, CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp"))});
        return dynamic_cast<TTraitementImage*>(Cadre->TrouverImage(1));
    }
    // F2 on the window.
    TFenetreSeuils* Seuils(TTraitementImage* f)
    {
        Cadre->ZoneMDI()->setActiveSubWindow(f);
        Cadre->MnItmHistogramme_Afficher->trigger();
        return dynamic_cast<TFenetreSeuils*>(Cadre->TrouverHistogramme(f->Numero));
    }

    QTemporaryDir Dossier;
    TRepondeurTest Repondeur{RepondreToujours()};
    TMain* Cadre = nullptr;
};

TEST_F(TFenetresSeuils, NombreDeBitsEtPasSuivantLaValeurMaximaleFit)
{
    // largest value, bits, track-bar maximum, step with Pas 60
    const std::tuple<double, int, int, int> cas[] = {
        {65535, 16, 65536, 1092}, {16385, 16, 65536, 1092}, {16384, 14, 16384, 273}, {4097, 14, 16384, 273},
        {4096, 12, 4096, 68},     {1025, 12, 4096, 68},     {300, 10, 1024, 17},     {257, 10, 1024, 17},
        {256, 8, 256, 4},         {65, 8, 256, 4},          {64, 6, 64, 1},          {17, 6, 64, 1},
        {16, 4, 16, 1},           {5, 4, 16, 1},            {4, 2, 4, 1},            {2, 2, 4, 1},
        {1, 0, 1, 1},             {0.4, 0, 1, 1},           {0, 0, 1, 1},
    };
    for (const auto& [maxi, bits, maximum, pas] : cas) {
        SCOPED_TRACE(maxi);
        TTraitementImage* f = FenetreFit(maxi, 0, 1);
        TFenetreSeuils* s = Seuils(f);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(
            std::tuple(s->NombreBitsImage(), Bits(s), s->TrckBrSeuilMaxi->maximum(), s->TrckBrSeuilMini->maximum()),
            std::tuple(bits, bits, maximum, maximum));
        EXPECT_EQ(std::tuple(s->TrckBrSeuilMaxi->singleStep(), s->TrckBrSeuilMaxi->pageStep(), s->PasCurseurs()),
                  std::tuple(pas, pas, pas));
        f->close();
        Liberer();
    }
    // The step never falls below 1, nor from a settings file holding 0.
    TFenetreSeuils* s = Seuils(FenetreFit(65535));
    for (int pas : {0, -5, 1}) {
        s->FixerPas(pas);
        EXPECT_EQ(std::pair(s->Pas, s->PasCurseurs()), std::pair(1, 65536)) << pas;
    }
    s->FixerPas(240);
    EXPECT_EQ(s->PasCurseurs(), 273);
    EcrireReglSeuilsVisu(0);
    EXPECT_GE(THistogrammeFit().Pas, 1);
}

TEST_F(TFenetresSeuils, ImagesSansValeurPositiveOuSansPixels)
{
    // Black, all negative, or no pixels: the scan stops, the window opens on
    // 0 bits, the down arrow stays there and the up arrow climbs by 2 to the kind's top.
    THistoFit noire = ImageFitDe(8, 8, [](int, int) { return 0.0; });
    THistoFit negative = ImageFitDe(8, 8, [](int, int) { return -300.0; });
    THistoFit vide;
    CreerHistoFit(vide);
    THistoBmp noir = ObjetBmpDe(BitmapDe(4, 4, 3, [](int, int, int) { return 0; }));
    THistoBmp sansPixels;
    CreerHistoBmp(sansPixels);
    std::vector<std::unique_ptr<TFenetreSeuils>> fenetres;
    for (THistoFit* image : {&noire, &negative, &vide})
        static_cast<THistogrammeFit*>(fenetres.emplace_back(new THistogrammeFit).get())->Initialiser(7, *image);
    for (THistoBmp* image : {&noir, &sansPixels})
        static_cast<THistogrammeBmp*>(fenetres.emplace_back(new THistogrammeBmp).get())->Initialiser(3, *image);
    for (const auto& s : fenetres) {
        const int haut = dynamic_cast<THistogrammeBmp*>(s.get()) ? 8 : 16;
        EXPECT_EQ(std::pair(s->NombreBitsImage(), s->TrckBrSeuilMaxi->maximum()), std::pair(0, 1));
        Bas(s->UpDwnNbBits);
        EXPECT_EQ(Bits(s.get()), 0);
        Haut(s->UpDwnNbBits);
        EXPECT_EQ(Bits(s.get()), 2);
        Haut(s->UpDwnNbBits, haut);
        EXPECT_EQ(std::pair(Bits(s.get()), s->TrckBrSeuilMaxi->maximum()), std::pair(haut, 1 << haut));
    }
}

TEST_F(TFenetresSeuils, BmpBitsEtPasSelonLeDiviseur)
{
    THistoBmp image = ObjetBmpDe(BitmapDe(32, 20, 1, [](int x, int y, int) { return (x + y) * 200 / 50; }));
    image.SMin = 0;
    image.SMax = 255;
    auto* f = dynamic_cast<TTraitementImage*>(Cadre->CreerFenetreImageBmp(image));
    ASSERT_EQ(f->ImageBmp.Max, 200);
    TFenetreSeuils* s = Seuils(f);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::tuple(Bits(s), s->TrckBrSeuilMaxi->maximum(), s->PasCurseurs()), std::tuple(8, 256, 4));
    // The settings push: spinner steps follow at once, the track bars at the next reload.
    Cadre->FenetresDuGenre(GenreHistogramme).first()->FixerPas(500);
    EXPECT_EQ(std::pair(s->PasCurseurs(), s->TrckBrSeuilMaxi->singleStep()), std::pair(1, 4));
    s->Actualiser();
    EXPECT_EQ(s->TrckBrSeuilMaxi->singleStep(), 1);
    // BMP goes down to 4 bits.
    s->EdtSeuilMaxi->setText(QStringLiteral("10"));
    for (int bits : {6, 4, 4}) {
        Bas(s->UpDwnNbBits);
        EXPECT_EQ(Bits(s), bits);
    }
    // Auto: 0, 255, linear.
    f->ImageBmp.TRFT = 3.5;
    Clic(s->BtnAuto);
    EXPECT_EQ(std::tuple(f->ImageBmp.SMin, f->ImageBmp.SMax, f->ImageBmp.TRFT, Bits(s)), std::tuple(0, 255, 0.0, 8));
}

TEST_F(TFenetresSeuils, SaisieLuminositeEtContrastePlafonneesSansErreur)
{
    TTraitementImage* f = FenetreFit(65535, 100, 20000);
    TFenetreSeuils* s = Seuils(f);
    EXPECT_EQ(s->EdtSeuilMaxi->text(), QStringLiteral("20000"));
    // typed, level shown and kept
    const std::pair<const char*, int> saisies[] = {{"70000", 65536}, {"30000", 30000}, {"65536", 65536},
                                               {"99999999999999999999999", 65536}, {"4294967297", 65536}, {"12", 12}};
    for (const auto& [tape, niveau] : saisies) {
        SCOPED_TRACE(tape);
        s->EdtSeuilMaxi->setFocus();
        s->EdtSeuilMaxi->selectAll();
        QTest::keyClicks(s->EdtSeuilMaxi, QString::fromLatin1(tape));
        EXPECT_EQ(std::tuple(s->EdtSeuilMaxi->text().toInt(), s->TrckBrSeuilMaxi->value(), f->ImageFit.SMax),
                  std::tuple(niveau, niveau, niveau));
    }
    EXPECT_TRUE(Dialogues::Journal().empty()) << JournalDialogues();
    // Brightness and contrast move both levels by a step, within 0 and the top.
    ASSERT_EQ(s->PasCurseurs(), 1092);
    struct Cas {
        QSpinBox* TFenetreSeuils::*bouton;
        bool haut;
        int h, l, nh, nl; // before, after
    };
    const Cas cas[] = {
        {&TFenetreSeuils::UpDwnLuminosite, true, 500, 100, 0, 0},
        {&TFenetreSeuils::UpDwnLuminosite, false, 500, 100, 1592, 1192},
        {&TFenetreSeuils::UpDwnLuminosite, false, 65000, 64800, 65536, 65536},
        {&TFenetreSeuils::UpDwnLuminosite, true, 1093, 1092, 1, 0},
        {&TFenetreSeuils::UpDwnContraste, false, 65000, 100, 65536, 0},
        {&TFenetreSeuils::UpDwnContraste, false, 30000, 5000, 31092, 3908},
        {&TFenetreSeuils::UpDwnContraste, true, 30000, 1000, 28908, 2092},
        {&TFenetreSeuils::UpDwnContraste, true, 1000, 65000, 0, 65536},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(std::to_string(c.h) + "/" + std::to_string(c.l));
        s->EdtSeuilMaxi->setText(QString::number(c.h));
        s->EdtSeuilMini->setText(QString::number(c.l));
        (c.haut ? Haut : Bas)(s->*(c.bouton), 1);
        EXPECT_EQ(std::tuple(s->EdtSeuilMaxi->text(), s->EdtSeuilMini->text(), f->ImageFit.SMax, f->ImageFit.SMin),
                  std::tuple(QString::number(c.nh), QString::number(c.nl), c.nh, c.nl));
        EXPECT_TRUE(s->Maj);
    }
}

TEST_F(TFenetresSeuils, PasDesNiveauxEtDescenteDesBitsSansCouperUnNiveau)
{
    TTraitementImage* f = FenetreFit(300, 10, 250);
    TFenetreSeuils* s = Seuils(f);
    ASSERT_EQ(std::pair(Bits(s), s->PasCurseurs()), std::pair(10, 17));
    Haut(s->UpDwnSeuilMaxi);
    EXPECT_EQ(std::pair(s->EdtSeuilMaxi->text(), f->ImageFit.SMax), std::pair(QStringLiteral("267"), 267));
    // 267 > 256: 8 bits would cut it.
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(Bits(s), 10);
    Bas(s->UpDwnSeuilMaxi, 2);
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(std::tuple(Bits(s), s->TrckBrSeuilMaxi->maximum(), s->TrckBrSeuilMaxi->value(), f->ImageFit.SMax),
              std::tuple(8, 256, 233, 233));
    Bas(s->UpDwnNbBits);
    EXPECT_EQ(Bits(s), 8);
    // The low spinner stops at 0; the value below 0 is never written.
    Bas(s->UpDownSeuilMini, 4);
    EXPECT_EQ(std::pair(s->EdtSeuilMini->text(), f->ImageFit.SMin), std::pair(QStringLiteral("0"), 0));
    // Up climbs by 2 to 16 and stops there; the levels stay.
    Haut(s->UpDwnNbBits, 6);
    EXPECT_EQ(Bits(s), 16);
    EXPECT_EQ(std::pair(f->ImageFit.SMin, f->ImageFit.SMax), std::pair(0, 233));
}

TEST_F(TFenetresSeuils, CourbeEchelleEtLin)
{
    TTraitementImage* f = FenetreFit(65535, 0, 40000);
    TFenetreSeuils* s = Seuils(f);
    auto courbe = [&] { return std::pair(f->ImageFit.TRFT, s->LblTransfert->text()); };
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Lin"));
    Haut(s->UpDwnTransfert);
    EXPECT_EQ(courbe(), std::pair(1.25, QStringLiteral("Log")));
    Bas(s->UpDwnTransfert, 2);
    EXPECT_EQ(courbe(), std::pair(-2.001, QStringLiteral("Exp")));
    Haut(s->UpDwnTransfert, 5);
    EXPECT_EQ(f->ImageFit.TRFT, 2.0);
    Clic(s->LblTransfert);
    EXPECT_EQ(courbe(), std::pair(0.0, QStringLiteral("Lin")));
    EXPECT_EQ(s->Transfert, 0.0);
    EXPECT_EQ(f->ImgSource->Picture, RendreFit(f->ImageFit, true));
    // The band follows the curve: the log colour, then the linear one.
    Haut(s->UpDwnTransfert);
    EXPECT_EQ(s->DessinHistogramme().pixelColor(40, 2), QColor(201, 122, 122));
    Clic(s->LblTransfert);
    EXPECT_EQ(s->DessinHistogramme().pixelColor(40, 2), QColor(122, 122, 201));
}

TEST_F(TFenetresSeuils, PrecAlterneEntreDepartEtDernierReglage)
{
    TTraitementImage* f = FenetreFit(65535, 300, 9000);
    f->ImageFit.TRFT = 3.5;
    TFenetreSeuils* s = Seuils(f);
    // Right after binding nothing changes.
    Clic(s->BtnPrec);
    EXPECT_EQ(Niveaux(f), std::tuple(300, 9000, 3.5));
    s->EdtSeuilMaxi->setText(QStringLiteral("12000"));
    Bas(s->UpDwnTransfert);
    ASSERT_EQ(Niveaux(f), std::tuple(300, 12000, 3.25));
    Clic(s->BtnPrec);
    EXPECT_EQ(Niveaux(f), std::tuple(300, 9000, 3.5));
    EXPECT_EQ(s->EdtSeuilMaxi->text(), QStringLiteral("9000"));
    Clic(s->BtnPrec);
    EXPECT_EQ(Niveaux(f), std::tuple(300, 12000, 3.25));
    EXPECT_EQ(s->LblTransfert->text(), QStringLiteral("Log"));
    EXPECT_TRUE(s->Maj);
    // A reload shows the image's levels and takes those shown before as the start.
    s->ChckBxVisualisation->setChecked(false);
    f->ImageFit.SMin = 10;
    f->ImageFit.SMax = 60000;
    f->ImageFit.TRFT = -11.001;
    f->ActualiserFenetreHistogramme();
    EXPECT_TRUE(s->ChckBxVisualisation->isChecked());
    EXPECT_EQ(QStringList({s->EdtSeuilMini->text(), s->EdtSeuilMaxi->text(), s->LblTransfert->text()}),
              QStringList({"10", "60000", "Exp"}));
    EXPECT_EQ(std::tuple(s->SeuilMiniDepart, s->SeuilMaxiDepart, s->TransfertDepart), std::tuple(300, 12000, 3.25));
    Clic(s->BtnPrec);
    EXPECT_EQ(Niveaux(f), std::tuple(300, 12000, 3.25));
}

TEST_F(TFenetresSeuils, VisualisationEnDirectOuALaFermeture)
{
    TTraitementImage* f = FenetreFit(65535, 0, 65535, 64, 64);
    TFenetreSeuils* s = Seuils(f);
    auto rendue = [f] { return f->ImgSource->Picture == RendreFit(f->ImageFit, true); };
    ASSERT_TRUE(s->ChckBxVisualisation->isChecked());
    const QImage avant = f->ImgSource->Picture.copy();
    s->TrckBrSeuilMaxi->setValue(20000);
    EXPECT_TRUE(rendue() && f->ImgSource->Picture != avant);
    // Unticked: the image gets the levels, the picture waits for the close.
    Clic(s->ChckBxVisualisation);
    ASSERT_FALSE(s->ChckBxVisualisation->isChecked());
    const QImage figee = f->ImgSource->Picture.copy();
    s->TrckBrSeuilMaxi->setValue(5000);
    EXPECT_EQ(std::tuple(f->ImageFit.SMax, f->ImgSource->Picture), std::tuple(5000, figee));
    // Ticking it again renders at once.
    Clic(s->ChckBxVisualisation);
    EXPECT_TRUE(rendue());
    Clic(s->ChckBxVisualisation);
    s->TrckBrSeuilMaxi->setValue(30000);
    EXPECT_FALSE(rendue());
    s->close();
    EXPECT_TRUE(rendue());
}

TEST_F(TFenetresSeuils, SeulesLesFenetresDontLAffichageAChangeSontRendues)
{
    TTraitementImage* f1 = FenetreFit(65535, 0, 40000, 48, 48);
    TTraitementImage* f2 = FenetreFit(30000, 0, 30000, 48, 48);
    TFenetreSeuils* s = Seuils(f1);
    const qint64 cle = f2->ImgSource->Picture.cacheKey();
    s->TrckBrSeuilMaxi->setValue(20000);
    EXPECT_EQ(std::tuple(f1->ImgSource->Picture, f2->ImgSource->Picture.cacheKey()),
              std::tuple(RendreFit(f1->ImageFit, true), cle));
    // Shown at the next step: levels changed behind the window's back, marks
    // drawn by a dialog, a negative display, a pixel operation without rendering.
    const std::function<void()> changements[] = {
        [f2] { f2->ImageFit.SMax = 1000; },
        [f2] { DessinerCadre(f2->ImgSource->Picture, 20, 20, 10, 10, clRouge); },
        [f2] { f2->Positif = false; },
        [f2] {
            f2->ImageFit.Pixel(3, 3) = 65535;
            f2->PixelsModifies();
        },
    };
    int niveau = 21000;
    for (const auto& changer : changements) {
        SCOPED_TRACE(niveau);
        changer();
        s->TrckBrSeuilMaxi->setValue(niveau++);
        EXPECT_EQ(f2->ImgSource->Picture, RendreFit(f2->ImageFit, f2->Positif));
    }
}

TEST_F(TFenetresSeuils, LaFenetreDesSeuilsNeSurvitJamaisASonImage)
{
    // Close box, Fermer, Tout fermer, reload after a save, a window freed
    // without closing, quitting: the threshold window goes first, nothing
    // touches a freed image (the sanitizers watch).
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
        [this](TTraitementImage*) { Cadre->close(); },
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
    Clic(s->BtnAuto);
    Clic(s->BtnPrec);
    s->Actualiser();
    EXPECT_EQ(image.SMax, 123);
    Liberer();
    EXPECT_TRUE(garde.isNull());
}

TEST_F(TFenetresSeuils, F2SurM51AuClavierALaSourisPuisUneFenetreParImage)
{
    TTraitementImage* f1 = OuvrirM51();
    auto* f2 = dynamic_cast<TTraitementImage*>(Cadre->TrouverImage(2));
    ASSERT_TRUE(f1 && f2);
    Cadre->ZoneMDI()->setActiveSubWindow(f1);
    QApplication::setActiveWindow(Cadre);
    f1->ImgSource->setFocus();
    QTest::keyClick(f1->ImgSource, Qt::Key_F2);
    TFenetreSeuils* s1 = dynamic_cast<THistogrammeFit*>(Cadre->TrouverHistogramme(1));
    ASSERT_NE(s1, nullptr);
    const int32_t departBas = f1->ImageFit.SMin, departHaut = f1->ImageFit.SMax;
    EXPECT_GE(f1->ImageFit.Max, 1 << (s1->NombreBitsImage() - 2));

    // The high track bar dragged towards its middle.
    QSlider* c = s1->TrckBrSeuilMaxi;
    QStyleOptionSlider opt;
    opt.initFrom(c);
    opt.orientation = c->orientation();
    opt.maximum = c->maximum();
    opt.sliderPosition = opt.sliderValue = c->value();
    const QPoint depart = c->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, c).center();
    const QPoint arrivee(c->width() / 2, depart.y());
    QTest::mousePress(c, Qt::LeftButton, {}, depart);
    QMouseEvent deplacement(QEvent::MouseMove, arrivee, c->mapToGlobal(arrivee), Qt::NoButton, Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(c, &deplacement);
    QTest::mouseRelease(c, Qt::LeftButton, {}, arrivee);
    ASSERT_NE(c->value(), departHaut);
    EXPECT_EQ(std::pair(f1->ImageFit.SMin, f1->ImageFit.SMax), std::pair(departBas, c->value()));
    EXPECT_EQ(f1->ImgSource->Picture, RendreFit(f1->ImageFit, true));
    // Auto: the core's automatic levels (whose values the core tests check), linear.
    Haut(s1->UpDwnTransfert);
    ASSERT_EQ(f1->ImageFit.TRFT, 1.25);
    Clic(s1->BtnAuto);
    EXPECT_EQ(Niveaux(f1), std::tuple(SeuilMiniAutoFit(f1->ImageFit), SeuilMaxiAutoFit(f1->ImageFit), 0.0));
    EXPECT_EQ(f1->ImgSource->Picture, RendreFit(f1->ImageFit, true));

    TFenetreSeuils* s2 = Seuils(f2);
    ASSERT_NE(dynamic_cast<THistogrammeBmp*>(s2), nullptr);
    EXPECT_EQ(QStringList({s1->windowTitle(), s2->windowTitle()}),
              QStringList({"#1 Histogramme [m51.fit]", "#2 Histogramme [hubble_deep_field_8.bmp]"}));
    EXPECT_EQ(s1->NumeroDocument(), 1);
    EXPECT_EQ(Cadre->FenetreActive(), s2);
    // F2 again on #1 brings its window forward, no second one; the tool button likewise.
    EXPECT_EQ(Seuils(f1), s1);
    EXPECT_EQ(Cadre->FenetreActive(), s1);
    Cadre->ZoneMDI()->setActiveSubWindow(f2);
    Clic(Cadre->TlBttnHistogramme);
    EXPECT_EQ(Cadre->FenetresDuGenre(GenreHistogramme).size(), 2);
    EXPECT_EQ(Cadre->FenetreActive(), s2);
    // Positif/Négatif with the threshold window active inverts its image.
    Cadre->MnItmPositifNegatif->trigger();
    EXPECT_FALSE(f2->Positif);
    EXPECT_EQ(Seuils(FenetreFit(1000))->windowTitle(), QStringLiteral("#3 Histogramme [*image non enregistrée*]"));
}

} // namespace
