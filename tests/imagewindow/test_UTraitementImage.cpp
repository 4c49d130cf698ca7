// The image window on its own: loading, zoom, selection, keys, undo,
// history, saving and zone copies.
#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UEcritureFit.h"
#include "UParametres.h"
#include "UAbandonBmp.h"
#include "UBmp.h"
#include "UFit.h"
#include "UMain.h"
#include "UTraitementImage.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A window, opened on the file when one is given.
struct Fenetre {
    TTraitementImage* f = new TTraitementImage();
    explicit Fenetre(const QString& chemin = {})
    {
        if (!chemin.isEmpty())
            f->OuvrirImage(chemin, true);
    }
    ~Fenetre()
    {
        f->Modifiee = false;
        delete f;
    }
    TTraitementImage* operator->() { return f; }
    TTraitementImage& operator*() { return *f; }
};

void Glisser(TTraitementImage& f, int x0, int y0, int x1, int y1, TShiftState etat = ssLeft)
{
    f.ImgSourceMouseDown(BoutonGauche, etat, x0, y0);
    f.ImgSourceMouseMove(etat, x1, y1);
    f.ImgSourceMouseUp(BoutonGauche, etat & ~ssLeft, x1, y1);
}

void Touche(TTraitementImage& f, uint16_t cle, TShiftState etat = 0) { f.FormKeyDown(cle, etat); }

// Kind, centre x, centre y, width, height of the selection.
std::array<int, 5> Rect(const TTraitementImage& f)
{
    return {int(f.Selection.Genre), f.Selection.X, f.Selection.Y, f.Selection.Largeur, f.Selection.Hauteur};
}

class TTraitementImageTest : public ::testing::Test {
protected:
    // A FIT file w x h whose pixel (x, y) is 100 x + y + 1000 (every value tells where it came from).
    QString EcrireFit(const QString& nom, int w, int h)
    {
        THistoFit image = ImageFitDe(w, h, [](int x, int y) { return 100 * x + y + 1000; });
        EnregistrerFit(image, Dossier.filePath(nom));
        return Dossier.filePath(nom);
    }
    // An 8-bit grey BMP w x h whose pixel (x, y) is (7 x + 3 y) mod 256.
    QString EcrireBmp(const QString& nom, int w, int h)
    {
        EcrireBitmapBmp(BitmapDe(w, h, 1, [](int x, int y, int) { return (7 * x + 3 * y) % 256; }), Dossier.filePath(nom));
        return Dossier.filePath(nom);
    }
    QTemporaryDir Dossier;
    TRepondeurTest Repondeur{RepondreToujours(mrOk)};
};

} // namespace

TEST_F(TTraitementImageTest, FichierIlliblePasDeFenetreAMoitieOuverte)
{
    // Unknown extension: the message, naming the file, and the window closes.
    {
        const QString nom = Dossier.filePath(QStringLiteral("m42.fits"));
        Fenetre f(nom);
        ASSERT_FALSE(Dialogues::Journal().empty()) << JournalDialogues();
        EXPECT_EQ(std::make_pair(Dialogues::Journal().back().Texte, f->EnFermeture()),
                  std::make_pair(QStringLiteral("#%1 [%2]\n\nFormat de fichier inconnu.").arg(f->Numero).arg(nom), true))
            << JournalDialogues();
    }
    // Missing, truncated and malformed files: the error goes on and the window closes.
    const QString tronque = EcrireFit(QStringLiteral("tronque.fit"), 50, 50);
    ASSERT_TRUE(QFile::resize(tronque, 2880 + 100));
    const QString faux = Dossier.filePath(QStringLiteral("faux.bmp"));
    EcrireFichierSur(faux, QByteArray("ceci n'est pas une image"));
    for (const QString& nom : {Dossier.filePath(QStringLiteral("absent.fit")), tronque, faux}) {
        QPointer<TTraitementImage> f = new TTraitementImage();
        EXPECT_THROW(f->OuvrirImage(nom, true), EStelor) << nom.toStdString();
        EXPECT_EQ(std::make_pair(f->EnFermeture(), f->TypeImage), std::make_pair(true, 0)) << nom.toStdString();
        delete f;
    }
}

TEST_F(TTraitementImageTest, OuvertureEtZoom)
{
    Fenetre f(EcrireFit(QStringLiteral("z.FIT"), 40, 30));
    EXPECT_EQ(f->windowTitle(), "#0 [" + Dossier.filePath(QStringLiteral("z.FIT")) + "]");
    EXPECT_EQ(std::make_tuple(f->TypeImage, f->ImgSource->Picture.size(), f->Historique(), f->Modifiee),
              std::make_tuple(1, QSize(40, 30), QStringList{"Ouverture"}, false));
    // The summary kept with its mode agrees with the core's own text.
    f->ZoomParTexte(QStringLiteral("3"));
    EXPECT_EQ(f->TexteStatut(), TexteInfoFit(f->ImageFit));
    EXPECT_EQ(std::pair(f->TexteZoomDocument(), f->ImageFit.Zoom), std::pair(QStringLiteral("5%"), 5));
    f->ZoomParTexte(QStringLiteral("900%"));
    EXPECT_EQ(std::pair(f->TexteZoomDocument(), f->ImgSource->Picture.size()), std::pair(QStringLiteral("800%"), QSize(320, 240)));
    // Steps: 0 larger, 1 smaller; nothing past 25 % and 500 %.
    const struct { const char* depart; int sens; const char* arrivee; } pas[] = {
        {"110%", 0, "125%"}, {"110%", 1, "100%"}, {"25%", 1, "25%"}, {"500%", 0, "500%"}};
    for (const auto& p : pas) {
        f->ZoomParTexte(QString::fromLatin1(p.depart));
        f->ZoomPasAPas(p.sens);
        EXPECT_EQ(f->TexteZoomDocument(), QString::fromLatin1(p.arrivee)) << p.depart << " " << p.sens;
    }
    // Displayed to image pixels, halves to even.
    f->ZoomParTexte(QStringLiteral("200%"));
    EXPECT_EQ(std::pair(f->EcranVersImage(101), f->EcranVersImage(103)), std::pair(50, 52));
    // Any zoom change clears the selection.
    f->MenuSelection_CentreClick();
    ASSERT_EQ(f->Selection.Genre, SelectionPoint);
    f->ZoomPasAPas(1);
    EXPECT_EQ(f->Selection.Genre, SelectionAucune);
    // A text that is not a number is the default error, not a crash.
    EXPECT_THROW(f->ZoomParTexte(QStringLiteral("ab%")), EStelor);
}

TEST_F(TTraitementImageTest, TailleAjusteeDansLaZoneTextesEntiers)
{
    // In a frame whose tool panel leaves a document area narrower than itself.
    auto* cadre = new TMain;
    cadre->FabriqueFenetreImage = [cadre] { return static_cast<TMDIChild*>(cadre->ZoneMDI()->addSubWindow(new TTraitementImage)); };
    cadre->showNormal();
    cadre->resize(900, 700);
    const QString m51 = Dossier.filePath(QStringLiteral("m51.fit")), petite = Dossier.filePath(QStringLiteral("p.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), m51) &&
                QFile::copy(CheminDonnees(QStringLiteral("scale_bscale_bzero_i16.fits")), petite));
    cadre->OuvrirFichiers({m51, petite, EcrireFit(QStringLiteral("g.fit"), 1200, 900), EcrireFit(QStringLiteral("r.fit"), 200, 100)});
    QApplication::processEvents(); // the status bars take their texts' room
    // Per window: inside the area with its caption and status line whole; its height.
    const QRect vue(QPoint(0, 0), cadre->ZoneMDI()->viewport()->size());
    QStringList vu;
    for (TMDIChild* f : cadre->FenetresDocument()) {
        QStyleOptionTitleBar barre;
        barre.initFrom(f);
        barre.titleBarFlags = f->windowFlags();
        barre.rect = QRect(0, 0, f->width(), f->style()->pixelMetric(QStyle::PM_TitleBarHeight, &barre, f));
        const int legende = f->style()->subControlRect(QStyle::CC_TitleBar, &barre, QStyle::SC_TitleBarLabel, f).width();
        const QLabel* statut = f->findChild<QLabel*>(QStringLiteral("LblStatut"));
        const bool entiers = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(f->windowTitle()) <= legende &&
                             statut->fontMetrics().horizontalAdvance(statut->text()) <= statut->contentsRect().width();
        vu << QStringLiteral("%1%2 %3").arg(vue.contains(f->frameGeometry())).arg(entiers).arg(f->height());
    }
    // The small pictures' windows still fit them in height; the large one is capped.
    EXPECT_EQ(vu.join(QStringLiteral(", ")).toStdString(),
              QStringLiteral("11 341, 11 106, 11 %1, 11 185").arg(std::min(cadre->frameGeometry().height() - 90, vue.height())).toStdString());
    FermerCadreSansQuestion(cadre);
}

TEST_F(TTraitementImageTest, SelectionALaSourisEtAuClavier)
{
    Fenetre f(EcrireFit(QStringLiteral("s.fit"), 40, 30));
    // Press and release at the same place: a point.
    Glisser(*f, 12, 7, 12, 7);
    EXPECT_EQ(std::make_pair(f->Selection.Genre, f->TexteStatut()), std::make_pair(uint8_t(SelectionPoint), QStringLiteral("x = 12 y = 7")));
    // A press on a selected picture only clears it.
    f->ImgSourceMouseDown(BoutonGauche, ssLeft, 3, 3);
    EXPECT_EQ(f->Selection.Genre, SelectionAucune);
    // Either direction gives the same rectangle, which the popup then names.
    Glisser(*f, 15, 20, 5, 4);
    EXPECT_EQ(Rect(*f), (std::array{int(SelectionRectangle), 10, 12, 10, 16}));
    EXPECT_EQ(f->MenuExporterImgSource->title(), QStringLiteral("Exporter la sélection"));
    // Past the edge: clamped to the last column and row.
    f->MenuSelection_AucuneClick();
    Glisser(*f, 30, 20, 70, 90);
    EXPECT_EQ(std::pair(f->Selection.Largeur, f->Selection.Hauteur), std::pair(9, 9));
    // With Shift the band is not drawn but the release still makes a rectangle.
    f->MenuSelection_AucuneClick();
    Glisser(*f, 2, 2, 8, 9, ssLeft | ssShift);
    EXPECT_EQ(f->Selection.Genre, SelectionRectangle);

    // Keys keep the point inside: Ctrl moves by 10, up to W - 2.
    f->MenuSelection_CentreClick();
    ASSERT_EQ(f->Selection.X, 20);
    for (const auto& [etat, x] : {std::pair<TShiftState, int>(ssCtrl, 30), {ssCtrl, 38}, {0, 38}}) {
        Touche(*f, VK_RIGHT, etat);
        EXPECT_EQ(f->Selection.X, x);
    }
    // Alt+Left on a rectangle of width 0 does nothing; resizing keeps the top-left corner.
    f->MenuSelection_AucuneClick();
    Glisser(*f, 10, 5, 10, 15);
    ASSERT_EQ(f->Selection.Largeur, 0);
    uint16_t cle = VK_LEFT;
    f->FormKeyDown(cle, ssAlt);
    EXPECT_EQ(std::make_pair(cle, f->Selection.Largeur), std::make_pair(uint16_t(VK_LEFT), 0));
    Touche(*f, VK_RIGHT, ssAlt | ssCtrl);
    EXPECT_EQ(std::make_pair(f->Selection.Largeur, f->Selection.X - f->Selection.Largeur / 2), std::make_pair(10, 10));
    // A rectangle wider than the picture never moves against the key.
    f->FixerSelection(TSelectionImage{SelectionRectangle, 20, 15, 60, 50}, 100, false);
    for (uint16_t cle : {VK_LEFT, VK_RIGHT, VK_DOWN, VK_UP}) {
        Touche(*f, cle);
        EXPECT_EQ(Rect(*f), (std::array{int(SelectionRectangle), 20, 15, 60, 50})) << cle;
    }
}

TEST_F(TTraitementImageTest, CopiesDeZone)
{
    Fenetre f(EcrireFit(QStringLiteral("c.fit"), 40, 30));
    THistoFit zone;
    CreerHistoFit(zone);
    // A FIT rectangle keeps both edges: width 6 at 100 % is columns 10..16;
    // a straight drag is a one-row (or one-column) strip.
    const struct { int x0, y0, x1, y1, l, h, xDernier, yDernier; } fit[] = {
        {10, 5, 16, 9, 7, 5, 16, 9}, {10, 5, 20, 5, 11, 1, 20, 5}, {7, 3, 7, 12, 1, 10, 7, 12}};
    for (const auto& c : fit) {
        SCOPED_TRACE(c.x1);
        f->MenuSelection_AucuneClick();
        Glisser(*f, c.x0, c.y0, c.x1, c.y1);
        ASSERT_EQ(f->Selection.Genre, SelectionRectangle);
        f->CopierZoneFit(zone);
        EXPECT_EQ(std::pair(LargeurFit(zone), HauteurFit(zone)), std::pair(c.l, c.h));
        EXPECT_DOUBLE_EQ(ValeurPixelFit(zone, 0, 0), 100 * c.x0 + c.y0 + 1000);
        EXPECT_DOUBLE_EQ(ValeurPixelFit(zone, c.l - 1, c.h - 1), 100 * c.xDernier + c.yDernier + 1000);
    }
    // A rectangle under one image pixel (1 pixel at 500 %): one pixel.
    f->ZoomParTexte(QStringLiteral("500%"));
    Glisser(*f, 100, 100, 101, 101);
    EXPECT_EQ(f->RenduZone().size(), QSize(1, 1));
    DetruireHistoFit(zone);

    Fenetre b(EcrireBmp(QStringLiteral("c.bmp"), 20, 10));
    EXPECT_EQ(b->TexteStatut(), TexteInfoBmp(b->ImageBmp));
    Glisser(*b, 4, 2, 10, 6);
    THistoBmp zb;
    CreerHistoBmp(zb);
    b->CopierZoneBmp(zb);
    EXPECT_EQ(std::make_pair(zb.BitmapSource.size(), int(zb.BitmapSource.scanLine(0)[0])), std::make_pair(QSize(6, 4), 7 * 4 + 3 * 2));
    // A BMP rectangle of width 0 would be empty: the whole picture, as a point.
    b->MenuSelection_AucuneClick();
    Glisser(*b, 4, 2, 4, 8);
    ASSERT_EQ(b->Selection.Genre, SelectionRectangle);
    b->CopierZoneBmp(zb);
    EXPECT_EQ(zb.BitmapSource.size(), QSize(20, 10));
    // Past the top-left corner the far edges stay where the rectangle puts
    // them: at 200 %, centre 1 and size 3 are image columns and rows -1..0.
    b->ZoomParTexte(QStringLiteral("200%"));
    b->FixerSelection(TSelectionImage{SelectionRectangle, 1, 1, 3, 3}, 200, false);
    b->CopierZoneBmp(zb);
    EXPECT_EQ(std::make_pair(zb.BitmapSource.size(), int(zb.BitmapSource.scanLine(0)[0])), std::make_pair(QSize(1, 1), 0));
    b->ZoomParTexte(QStringLiteral("100%"));
    DetruireHistoBmp(zb);
    // Copy: the rectangle at 100 % whatever the zoom.
    b->ZoomParTexte(QStringLiteral("200%"));
    Glisser(*b, 8, 4, 20, 12);
    b->MenuCopierImgSourceClick();
    EXPECT_EQ(std::make_pair(QApplication::clipboard()->image().size(), b->TexteStatut()), std::make_pair(QSize(6, 4), QStringLiteral("Image copiée.")));
}

TEST_F(TTraitementImageTest, AnnulerRestaurerEtHistorique)
{
    Fenetre f(EcrireFit(QStringLiteral("u.fit"), 40, 30));
    const std::vector<double> origine = f->ImageFit.Pixels;
    // Right after opening: the undo copy is the image, and F9 changes nothing.
    EXPECT_EQ(f->AnnulationFit().Pixels, origine);
    f->MenuAnnulerRestaurerImgSourceClick();
    EXPECT_EQ(std::make_pair(f->ImageFit.Pixels, f->Historique()), std::make_pair(origine, QStringList{"Ouverture"}));
    // A, F9, F9, F9, B, F9: back to before B, and A's line is not put back.
    f->AppliquerGaussien(true, 0.7);
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Filtre gaussien sigma 0,7 préservatif"));
    for (int i = 0; i < 3; ++i)
        f->MenuAnnulerRestaurerImgSourceClick();
    f->AppliquerPasseBas(3, false);
    f->MenuAnnulerRestaurerImgSourceClick();
    EXPECT_EQ(std::make_pair(f->ImageFit.Pixels, f->Historique()), std::make_pair(origine, QStringList{"Ouverture"}));
    // The text shown follows the history line by line: appended (in any
    // script), undone, restored, started again.
    for (const std::function<void()>& etape : std::initializer_list<std::function<void()>>{
             [&] { f->AjouterHistorique(QStringLiteral("Essai é€𝛼")); }, [&] { f->MenuAnnulerRestaurerImgSourceClick(); },
             [&] { f->MenuAnnulerRestaurerImgSourceClick(); }, [&] { f->DemarrerHistorique(); }}) {
        etape();
        EXPECT_EQ(f->RchEdtHistorique->toPlainText().split('\n'), f->Historique());
    }
    // The undo keeps the zoom shown.
    f->ZoomParTexte(QStringLiteral("50%"));
    f->MenuAnnulerRestaurerImgSourceClick();
    EXPECT_EQ(f->ImageFit.Zoom, 50);
}

TEST_F(TTraitementImageTest, PositifNegatifAnnulationEtEnregistrement)
{
    // FIT: the display only, nothing to save; a save keeps the negative display.
    Fenetre f(EcrireFit(QStringLiteral("p.fit"), 10, 10));
    f->InverserPositifNegatif();
    EXPECT_EQ(std::make_tuple(f->Positif, f->Modifiee, f->Historique().size()), std::make_tuple(false, false, 1));
    f->EnregistrerImage(Dossier.filePath(QStringLiteral("p2.fit")));
    EXPECT_FALSE(f->Positif);

    // BMP: inversion, undo and save all tell the same story.
    Fenetre b(EcrireBmp(QStringLiteral("p.bmp"), 20, 10));
    const uchar avant = b->ImgSource->Picture.scanLine(1)[1];
    b->InverserPositifNegatif();
    EXPECT_EQ(std::make_tuple(b->Modifiee, b->Historique().last(), b->ImgSource->Picture.scanLine(1)[1]),
              std::make_tuple(true, QStringLiteral("Inversion des valeurs"), uchar(255 - avant)));
    b->MenuAnnulerRestaurerImgSourceClick();
    EXPECT_EQ(std::make_pair(b->Positif, b->ImgSource->Picture.scanLine(1)[1]), std::make_pair(true, avant));
    b->EnregistrerImage(Dossier.filePath(QStringLiteral("p2.bmp")));
    EXPECT_EQ(LireBitmapBmp(Dossier.filePath(QStringLiteral("p2.bmp"))).scanLine(1)[1], avant);
    // The save took the pending redo away.
    b->MenuAnnulerRestaurerImgSourceClick();
    EXPECT_EQ(b->Historique().size(), 1);

    // A negative shown at 50 % is saved inverted at its own size, then shown positive at 100 %.
    b->ZoomParTexte(QStringLiteral("50%"));
    b->InverserPositifNegatif();
    const QString nom = Dossier.filePath(QStringLiteral("n2.bmp"));
    b->EnregistrerImage(nom);
    const QImage ecrit = LireBitmapBmp(nom);
    EXPECT_EQ(std::make_pair(ecrit.size(), int(ecrit.scanLine(2)[3])), std::make_pair(QSize(20, 10), 255 - (7 * 3 + 3 * 2)));
    EXPECT_EQ(std::make_tuple(b->Positif, b->ImageBmp.Zoom, b->TexteZoomDocument(), b->Modifiee),
              std::make_tuple(true, 100, QStringLiteral("100%"), false));
    EXPECT_EQ(b->Historique(), (QStringList{"Ouverture", "Inversion des valeurs"}));

    // A BMP takes no préservatif, but its history line tells what was asked.
    b->AppliquerGaussien(true, 0.7);
    EXPECT_EQ(b->Historique().last(), QStringLiteral("Filtre gaussien sigma 0,7 préservatif"));
    // The median is FIT only: the notice names it and nothing changes, not even the status line.
    const QString statut = b->TexteStatut();
    b->AppliquerMediane3x3();
    ASSERT_NE(AbandonBmp, nullptr);
    EXPECT_EQ(std::make_tuple(AbandonBmp->Fonction(), b->Historique().size(), b->TexteStatut()),
              std::make_tuple(QStringLiteral("Filtre - Médiane 3x3"), qsizetype(3), statut));
}

TEST_F(TTraitementImageTest, EnregistrerSousAutreExtensionEtAnnulation)
{
    Fenetre f(EcrireFit(QStringLiteral("m42.fit"), 30, 20));
    f->AppliquerPasseHaut(2, false);
    const std::vector<double> filtre = f->ImageFit.Pixels;
    // Written under the name chosen, whatever its extension.
    const QString attendu = Dossier.filePath(QStringLiteral("M42.fits"));
    f->EnregistrerImage(attendu);
    EXPECT_EQ(std::make_tuple(f->NomFichier, f->TypeImage, f->Modifiee), std::make_tuple(attendu, 1, false));
    for (size_t i = 0; i < filtre.size(); ++i)
        ASSERT_DOUBLE_EQ(f->ImageFit.Pixels[i], std::nearbyint(filtre[i]));
    // The saved operation's line cannot be undone away.
    f->MenuAnnulerRestaurerImgSourceClick();
    EXPECT_EQ(f->Historique(), (QStringList{"Ouverture", "Filtre passe haut force 2"}));

    Fenetre b(EcrireBmp(QStringLiteral("x.bmp"), 8, 8));
    b->EnregistrerImage(Dossier.filePath(QStringLiteral("x.fit")));
    EXPECT_EQ(std::make_pair(b->NomFichier, b->TypeImage), std::make_pair(Dossier.filePath(QStringLiteral("x.fit")), 2));
    EXPECT_EQ(LireBitmapBmp(Dossier.filePath(QStringLiteral("x.fit"))).size(), QSize(8, 8));
    EXPECT_FALSE(QFile::exists(Dossier.filePath(QStringLiteral("x.fit.bmp"))));
}

namespace {
// Preview pages that fail to keep their values, as a damaged edit would.
struct TOngletsEspion : TOngletsImage {
    int* Appels;
    explicit TOngletsEspion(int* appels) : Appels(appels) {}
    void EnregistrerParametres() override
    {
        ++*Appels;
        LeverErreur(QStringLiteral("'abc' n'est pas une valeur en virgule flottante correcte"));
    }
};
} // namespace

TEST_F(TTraitementImageTest, DuplicationEtFermeture)
{
    Fenetre source(EcrireFit(QStringLiteral("d.fit"), 30, 20));
    source->ZoomParTexte(QStringLiteral("200%"));
    int appels = 0;
    TTraitementImage::InstallerFabriqueOnglets([&appels](TTraitementImage&) { return std::make_unique<TOngletsEspion>(&appels); });
    QPointer<TTraitementImage> copie = new TTraitementImage();
    TTraitementImage::InstallerFabriqueOnglets({});
    copie->DupliquerImage(*source);
    // The zoom text and the one check mark follow the zoom the image came with.
    EXPECT_EQ(copie->TexteZoomDocument(), QStringLiteral("200%"));
    QStringList coches;
    for (QAction* a : copie->MenuZoomImgSource->actions())
        if (a->isChecked())
            coches << a->data().toString();
    EXPECT_EQ(coches, QStringList{"200"});
    const QString titre = QStringLiteral("#0 [*image non enregistrée*]");
    EXPECT_EQ(std::make_tuple(copie->ImgSource->Picture.size(), copie->Modifiee, copie->windowTitle()),
              std::make_tuple(QSize(60, 40), true, titre));
    EXPECT_EQ(copie->ImageFit.Pixels, source->ImageFit.Pixels);
    {
        TRepondeurTest non(RepondreToujours(mrNo));
        EXPECT_FALSE(copie->close());
        ASSERT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
        EXPECT_EQ(Dialogues::Journal()[0].Texte, titre + "\n\nL'image n'a pas été enregistrée. Fermer quand même ?") << JournalDialogues();
    }
    EXPECT_EQ(std::make_pair(copie->EnFermeture(), appels), std::make_pair(false, 0)); // No: the pages keep nothing
    {
        // Yes to a quit that another window then cancels: the window stays,
        // and a later change is asked about again.
        TRepondeurTest oui(RepondreToujours(mrOk));
        TActionFermeture action = TActionFermeture::Liberer;
        copie->FormClose(action);
        EXPECT_EQ(action, TActionFermeture::Liberer);
    }
    copie->AppliquerPasseBas(1, false);
    {
        TRepondeurTest non(RepondreToujours(mrNo));
        EXPECT_FALSE(copie->close());
        EXPECT_EQ(Dialogues::Journal().size(), 1u) << JournalDialogues();
    }
    // Pages that fail to keep their values never keep the window open; the error is shown first.
    TRepondeurTest oui(RepondreToujours(mrOk));
    EXPECT_TRUE(copie->close());
    ASSERT_FALSE(Dialogues::Journal().empty()) << JournalDialogues();
    EXPECT_EQ(std::make_tuple(appels, Dialogues::Journal().back().Genre, Dialogues::Journal().back().Texte, copie->EnFermeture()),
              std::make_tuple(2, TGenreDemande::Erreur, QStringLiteral("'abc' n'est pas une valeur en virgule flottante correcte"), true))
        << JournalDialogues();
    delete copie;
}

TEST_F(TTraitementImageTest, OperationEnEchecLaisseLImage)
{
    Fenetre f(EcrireFit(QStringLiteral("x.fit"), 12, 12));
    const std::vector<double> avant = f->ImageFit.Pixels;
    f->FixerTexteStatut(QStringLiteral("Image copiée."));
    const auto echec = [&] {
        return f->ExecuterOperation(QStringLiteral("Essai..."), [&] {
            FixerPixelFit(f->ImageFit, 3, 3, 9);
            LeverErreur(QStringLiteral("échec"));
        }, QStringLiteral("Essai"));
    };
    EXPECT_THROW(echec(), EStelor);
    EXPECT_EQ(f->ImageFit.Pixels, avant);
    EXPECT_EQ(std::make_tuple(f->TexteStatut(), f->Modifiee, f->Historique().size()), std::make_tuple(QStringLiteral("Image copiée."), false, 1));
    // After a filter, a failed command leaves nothing that F9 could undo:
    // picture and history stay together.
    f->AppliquerPasseBas(1, false);
    const std::vector<double> filtre = f->ImageFit.Pixels;
    EXPECT_THROW(echec(), EStelor);
    f->MenuAnnulerRestaurerImgSourceClick();
    EXPECT_EQ(f->ImageFit.Pixels, filtre);
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Filtre passe bas force 1"));
}

// A selection from a window at another zoom: each field scaled to this
// window's zoom, halves to even; the kind copied.
TEST_F(TTraitementImageTest, SelectionVenueDUnAutreZoom)
{
    Fenetre f(EcrireFit(QStringLiteral("s.fit"), 80, 60));
    const struct {
        const char* Zoom;
        int ZoomSource;
        std::array<int, 5> Attendu;
    } cas[] = {
        {"100%", 100, {int(SelectionRectangle), 1, 3, 5, 7}},
        {"200%", 50, {int(SelectionRectangle), 4, 12, 20, 28}},
        {"150%", 100, {int(SelectionRectangle), 2, 4, 8, 10}}, // 1,5 4,5 7,5 10,5
        {"100%", 200, {int(SelectionRectangle), 0, 2, 2, 4}},  // 0,5 1,5 2,5 3,5
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Zoom + std::to_string(c.ZoomSource));
        f->ZoomParTexte(QString::fromLatin1(c.Zoom));
        f->FixerSelection(TSelectionImage{SelectionRectangle, 1, 3, 5, 7}, c.ZoomSource, false);
        EXPECT_EQ(Rect(*f), c.Attendu);
    }
}
