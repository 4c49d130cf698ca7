// The image window driven through the frame as a user would: open, select
// with the mouse, read the pixel, filter through the dialogs (the kernel
// editor's result checked by astropy / Pillow against a numpy convolution),
// undo, redo, save as, reopen and compare.
#include "PDialogues.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UConvolution.h"
#include "UEnteteFit.h"
#include "UFit.h"
#include "UGaussien.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UPasseBas.h"
#include "UTraitementImage.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Answers the open and save dialogs with the names queued, a modal form
// through Modal when set, OK to the rest.
struct TUtilisateur {
    QStringList AOuvrir;
    QString AEnregistrer;
    std::function<int(QDialog&)> Modal;
    Dialogues::TRepondeur Repondeur()
    {
        return [this](const TDemandeDialogue& d) {
            TReponseDialogue r;
            r.Resultat = d.Genre == TGenreDemande::Question ? mrYes : mrOk;
            if (d.Genre == TGenreDemande::Modal && Modal && d.Dialogue)
                r.Resultat = Modal(*d.Dialogue);
            else if (d.Genre == TGenreDemande::OuvrirFichiers)
                r.Fichiers = AOuvrir;
            else if (d.Genre == TGenreDemande::EnregistrerFichier)
                r.Fichiers = QStringList{AEnregistrer};
            return r;
        };
    }
};

// fitsverify finds no error in the file.
::testing::AssertionResult VerifieParFitsverify(const QString& nom)
{
    QString rapport;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/fitsverify"), {nom}, &rapport);
    if (code >= 0 && rapport.contains(QStringLiteral(" and 0 error(s).")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << rapport.toStdString();
}

// Types a card before END in the header editor, then presses one of its buttons.
std::function<int(QDialog&)> EditerEntete(const QString& carte, const char* bouton)
{
    return [carte, bouton](QDialog& d) {
        d.show();
        auto* editeur = d.findChild<QPlainTextEdit*>(QStringLiteral("RchEdtEntete"));
        editeur->moveCursor(QTextCursor::End);
        editeur->moveCursor(QTextCursor::StartOfLine);
        QTest::keyClicks(editeur, carte);
        QTest::keyClick(editeur, Qt::Key_Return);
        QTest::mouseClick(d.findChild<QPushButton*>(QString::fromLatin1(bouton)), Qt::LeftButton);
        d.hide();
        return d.result() == QDialog::Accepted ? mrOk : mrCancel;
    };
}

// Reads the image before and after with the peer, convolves the first with
// the kernel (edges repeated, divided by the sum or by 1 when it is 0,
// clamped), rounds, and compares. FITS rows run bottom up: the kernel's top
// row goes with the row above, that is the next file row.
const char* const ScriptVerification = R"PY(
import sys
import numpy as np
genre, avant, apres = sys.argv[1:4]
k = np.array([float(v) for v in sys.argv[4:29]]).reshape(5, 5)
somme = k.sum()
diviseur = somme if somme != 0 else 1.0
if genre == "fit":
    from astropy.io import fits
    a = fits.getdata(avant).astype(np.float64)[..., None]
    b = fits.getdata(apres).astype(np.float64)[..., None]
    k = k[::-1, :]
    haut = 65535.0
else:
    from PIL import Image
    a = np.asarray(Image.open(avant).convert("RGB"), dtype=np.float64)
    b = np.asarray(Image.open(apres).convert("RGB"), dtype=np.float64)
    haut = 255.0
if a.shape != b.shape:
    print("TAILLES", a.shape, b.shape)
    sys.exit(2)
h, w = a.shape[:2]
p = np.pad(a, ((2, 2), (2, 2), (0, 0)), mode="edge")
s = np.zeros_like(a)
for r in range(5):
    for c in range(5):
        s += k[r, c] * p[r:r + h, c:c + w, :]
e = np.clip(s / diviseur, 0.0, haut)
attendu = np.rint(e)
ecart = np.abs(b - attendu)
# A value within a hair of a half may round either way after another summing order.
limite = np.abs(e - np.floor(e) - 0.5) < 1e-6
faux = (ecart > 0) & ~(limite & (ecart <= 1))
if faux.any():
    y, x, c = np.argwhere(faux)[0]
    print("DIFFERENT", int(faux.sum()), "ex", y, x, c, b[y, x, c], e[y, x, c])
    sys.exit(1)
print("IDENTIQUE", h, w, int((a != b).sum()))
)PY";

// Clicks a preset, types each (cell, text) over the cell's text, then Appliquer.
std::function<int(QDialog&)> Editer(const char* preset, QList<std::pair<const char*, QString>> saisies)
{
    return [preset, saisies](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(QString::fromLatin1(preset)), Qt::LeftButton);
        for (const auto& [cellule, texte] : saisies) {
            auto* e = d.findChild<QLineEdit*>(QString::fromLatin1(cellule));
            e->setFocus();
            e->selectAll();
            QTest::keyClicks(e, texte);
        }
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnAppliquer")), Qt::LeftButton);
        d.hide();
        return d.result() == QDialog::Accepted ? mrOk : mrCancel;
    };
}

class TUsageFenetreImage : public ::testing::Test {
protected:
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
        Cadre = new TMain;
        if (!Gaussien)
            Gaussien = new TGaussien;
        if (!PasseBas)
            PasseBas = new TPasseBas;
        if (!Convolution)
            Convolution = new TConvolution;
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
        Repondeur.reset();
    }

    TTraitementImage* Ouvrir(const QString& nom)
    {
        Utilisateur.AOuvrir = QStringList{nom};
        Cadre->MnItmOuvrir->trigger();
        QApplication::processEvents();
        return FenetreImageActive(*Cadre);
    }

    // Drags with the real mouse events on the picture control.
    void Glisser(TTraitementImage& f, QPoint de, QPoint a)
    {
        QTest::mousePress(f.ImgSource, Qt::LeftButton, {}, de);
        QMouseEvent deplacement(QEvent::MouseMove, a, f.ImgSource->mapToGlobal(a), Qt::NoButton, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(f.ImgSource, &deplacement);
        QTest::mouseRelease(f.ImgSource, Qt::LeftButton, {}, a);
    }

    QString LectureCadre() { return Cadre->statusBar()->currentMessage(); }

    void EnregistrerSous(const QString& nom)
    {
        Utilisateur.AEnregistrer = nom;
        Cadre->MnItmEnregistrerSous->trigger();
    }

    // The peer convolves the pixels before with the kernel and compares.
    ::testing::AssertionResult VerifieParLePair(const char* genre, const QString& avant, const QString& apres,
                                                const TNoyau5x5& noyau)
    {
        const QString script = Dossier.filePath(QStringLiteral("verifier.py"));
        EcrireFichierSur(script, QByteArray(ScriptVerification));
        QStringList arguments{script, QString::fromLatin1(genre), avant, apres};
        for (double v : noyau)
            arguments << QString::number(v, 'g', 17);
        QString sortie;
        const int code = LancerProgramme(QStringLiteral("/usr/bin/python3"), arguments, &sortie, 120000);
        if (code == 0 && sortie.contains(QStringLiteral("IDENTIQUE")))
            return ::testing::AssertionSuccess() << sortie.toStdString();
        return ::testing::AssertionFailure() << "code " << code << ": " << sortie.toStdString();
    }

    QTemporaryDir Dossier;
    TUtilisateur Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
};

} // namespace

TEST_F(TUsageFenetreImage, FitDeBoutEnBout)
{
    // The real file carries no program cards: levels come from its histogram.
    const QString source = Dossier.filePath(QStringLiteral("m51.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), source));
    TTraitementImage* f = Ouvrir(source);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("#1 [") + source + "]");
    const std::vector<double> origine = f->ImageFit.Pixels;

    // The header editor: Annuler from the tool button changes nothing.
    if (!EnteteFit)
        EnteteFit = new TEnteteFit;
    const QStringList entete = f->ImageFit.Entete;
    Utilisateur.Modal = EditerEntete(QStringLiteral("OBJECT= 'M51 essai'"), "BtnAnnuler");
    QTest::mouseClick(Cadre->TlBttnEnteteFit, Qt::LeftButton);
    EXPECT_EQ(EnteteFit->windowTitle(), QStringLiteral("#1 Entete Fit [m51.fit]"));
    EXPECT_EQ(f->ImageFit.Entete, entete);
    EXPECT_FALSE(f->Modifiee);
    // OK from the menu: the card is normalised, the image modified, the edit recorded.
    Utilisateur.Modal = EditerEntete(QStringLiteral("OBJECT= 'M51 essai'"), "BtnOK");
    Cadre->MnItmEnteteFit->trigger();
    const auto aCarte = [](const QStringList& l) {
        return l.contains(QStringLiteral("OBJECT  = 'M51 essai'").leftJustified(80));
    };
    EXPECT_TRUE(aCarte(f->ImageFit.Entete));
    EXPECT_TRUE(f->Modifiee);
    EXPECT_EQ(f->Historique(), (QStringList{QStringLiteral("Ouverture"), LigneHistoriqueEnteteFit()}));
    // Undo brings the former header back with the history; redo both again.
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Entete, entete);
    EXPECT_EQ(f->Historique().size(), 1);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_TRUE(aCarte(f->ImageFit.Entete));
    Utilisateur.Modal = nullptr;

    Glisser(*f, QPoint(40, 50), QPoint(120, 140));
    EXPECT_EQ(f->Selection.Genre, SelectionRectangle);
    EXPECT_EQ(f->Selection.Largeur, 80);
    EXPECT_EQ(f->Selection.Hauteur, 90);
    EXPECT_EQ(Cadre->MnItmExporter->text(), QStringLiteral("Exporter la sélection"));
    // Ctrl+Right on the picture moves the rectangle by 10 displayed pixels.
    const int x = f->Selection.X;
    QTest::keyClick(f->ImgSource, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(f->Selection.X, x + 10);
    // The read-out names the pixel under the mouse.
    QTest::mouseMove(f->ImgSource, QPoint(100, 37));
    QApplication::processEvents();
    EXPECT_EQ(LectureCadre(), QStringLiteral("x=100 y=37 valeur=") +
                                  ReelEnTexte(ValeurPixelFit(f->ImageFit, 100, 37), 0));

    // The gaussian through its dialog, answered OK.
    Cadre->MnItmGaussien->trigger();
    ASSERT_EQ(f->Historique().size(), 3);
    EXPECT_TRUE(f->Historique().last().startsWith(QStringLiteral("Filtre gaussien sigma ")));
    const std::vector<double> filtre = f->ImageFit.Pixels;
    EXPECT_NE(filtre, origine);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, origine);
    EXPECT_EQ(f->Historique().size(), 2);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, filtre);
    const QStringList historique = f->Historique();

    Utilisateur.AEnregistrer = Dossier.filePath(QStringLiteral("m51_gauss.fit"));
    Cadre->MnItmEnregistrerSous->trigger();
    EXPECT_EQ(f->NomFichier, Utilisateur.AEnregistrer);
    EXPECT_EQ(f->Historique(), historique);
    EXPECT_FALSE(f->Modifiee);
    // The only remark allowed is the EPOCH card the source file brought.
    EXPECT_TRUE(VerifieParFitsverify(Utilisateur.AEnregistrer));

    TTraitementImage* relu = Ouvrir(Utilisateur.AEnregistrer);
    ASSERT_NE(relu, f);
    ASSERT_EQ(relu->ImageFit.Pixels.size(), filtre.size());
    for (size_t i = 0; i < filtre.size(); ++i)
        ASSERT_DOUBLE_EQ(relu->ImageFit.Pixels[i], std::nearbyint(filtre[i])) << i;
    EXPECT_EQ(relu->Historique(), QStringList{QStringLiteral("Ouverture")});
    EXPECT_TRUE(aCarte(relu->ImageFit.Entete));
}

TEST_F(TUsageFenetreImage, Bmp24DeBoutEnBout)
{
    // Smaller than any screen, so that the frame keeps this size.
    Cadre->resize(780, 760);
    QApplication::processEvents();
    TTraitementImage* f = Ouvrir(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->ImageBmp.BitmapSource.format(), QImage::Format_BGR888);
    const QImage origine = f->ImageBmp.BitmapSource.copy();
    // A BMP picture has no header: "Entête Fit" does nothing.
    Dialogues::ViderJournal();
    f->AfficherEnteteFit();
    EXPECT_TRUE(Dialogues::Journal().empty());
    // 1000 x 872 in a 1200 x 900 frame: the height is capped, the width fits.
    const QSize cadre = Cadre->frameGeometry().size();
    EXPECT_EQ(f->height(), std::min(872 + 85, cadre.height() - 90));
    EXPECT_EQ(f->width(), std::min(1000 + 20, cadre.width() - 50));
    // The popup's zoom items go through the frame's handlers and check marks.
    for (QAction* a : f->MenuZoomImgSource->actions())
        if (a->data().toInt() == 50)
            a->trigger();
    EXPECT_EQ(f->TexteZoomDocument(), QStringLiteral("50%"));
    EXPECT_EQ(f->ImgSource->Picture.size(), QSize(500, 436));
    for (QAction* a : Cadre->ItemsZoom)
        EXPECT_EQ(a->isChecked(), a->data().toInt() == 50) << a->text().toStdString();
    f->ZoomParTexte(QStringLiteral("100%"));

    Glisser(*f, QPoint(200, 100), QPoint(20, 10));
    EXPECT_EQ(f->Selection.Genre, SelectionRectangle);
    EXPECT_EQ(f->Selection.Largeur, 180);
    QTest::mouseMove(f->ImgSource, QPoint(7, 9));
    QApplication::processEvents();
    EXPECT_EQ(LectureCadre(), QStringLiteral("x=7 y=9"));

    Cadre->MnItmPasseBas->trigger();
    ASSERT_EQ(f->Historique().size(), 2);
    EXPECT_TRUE(f->Historique().last().startsWith(QStringLiteral("Filtre passe bas force ")));
    const QImage filtre = f->ImageBmp.BitmapSource.copy();
    EXPECT_NE(filtre, origine);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageBmp.BitmapSource, origine);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageBmp.BitmapSource, filtre);

    // Saved as a new file in the temporary folder, never beside the test data.
    Utilisateur.AEnregistrer = Dossier.filePath(QStringLiteral("hubble_pb.bmp"));
    Cadre->MnItmEnregistrerSous->trigger();
    EXPECT_EQ(f->NomFichier, Utilisateur.AEnregistrer);
    // Enregistrer proposes the image's own name; for a duplicate never saved, none.
    Dialogues::ViderJournal();
    Cadre->MnItmEnregistrer->trigger();
    Cadre->MnItmDuppliquer->trigger();
    Cadre->MnItmEnregistrer->trigger();
    QStringList proposes;
    for (const TDemandeDialogue& d : Dialogues::Journal())
        if (d.Genre == TGenreDemande::EnregistrerFichier)
            proposes << d.Dossier;
    EXPECT_EQ(proposes, (QStringList{Utilisateur.AEnregistrer, QString()}));
    TTraitementImage* relu = Ouvrir(Utilisateur.AEnregistrer);
    ASSERT_NE(relu, f);
    EXPECT_EQ(relu->ImageBmp.BitmapSource, filtre); // format included
    EXPECT_EQ(f->Historique().size(), 2);

    // The rectangle exported as FIT: 180 x 90 grey pixels, a valid file.
    relu->FixerSelection(TSelectionImage{SelectionRectangle, 110, 55, 180, 90}, 100, true);
    Utilisateur.AEnregistrer = Dossier.filePath(QStringLiteral("zone.fit"));
    Cadre->MnItmExporterFit->trigger();
    int32_t l = 0, h = 0;
    DimensionsFichierFit(Utilisateur.AEnregistrer, l, h);
    EXPECT_EQ(l, 180);
    EXPECT_EQ(h, 90);
    EXPECT_TRUE(VerifieParFitsverify(Utilisateur.AEnregistrer));
}

// Two windows side by side with their rectangles and histories; the picture
// of the frame goes where STELOR_CAPTURE says (run under Xvfb to look at it).
TEST_F(TUsageFenetreImage, DeuxFenetresAvecSelectionEtHistorique)
{
    const QString source = Dossier.filePath(QStringLiteral("ngc1316.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("ngc1316_optical_i16.fits")), source));
    TTraitementImage* fit = Ouvrir(source);
    ASSERT_NE(fit, nullptr);
    Cadre->MnItmGaussien->trigger();
    Glisser(*fit, QPoint(150, 90), QPoint(260, 190));
    Cadre->MnItmHistorique->trigger();
    TTraitementImage* bmp = Ouvrir(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    ASSERT_NE(bmp, nullptr);
    bmp->ZoomParTexte(QStringLiteral("50%"));
    Cadre->MnItmPasseBas->trigger();
    Glisser(*bmp, QPoint(120, 60), QPoint(300, 200));
    Cadre->MnItmHistorique->trigger();
    Cadre->ZoneMDI()->tileSubWindows();
    QApplication::processEvents();

    for (TTraitementImage* f : {fit, bmp}) {
        EXPECT_EQ(f->Selection.Genre, SelectionRectangle);
        EXPECT_TRUE(f->RchEdtHistorique->isVisibleTo(f));
        EXPECT_EQ(f->Historique().size(), 2);
    }
    // The frame was drawn with the dotted frame on each picture: red on the
    // colour picture, black on the grey one.
    const QImage couleur = bmp->ImgSource->Picture.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(couleur.pixel(120, 60), qRgb(255, 0, 0));
    const QImage capture = Cadre->grab().toImage();
    ASSERT_FALSE(capture.isNull());
    // Laid out as drawn: the page control takes the height, the status bar
    // keeps its one line.
    for (TTraitementImage* f : {fit, bmp})
        EXPECT_EQ(f->SttsBrPrincipale->height(), f->SttsBrPrincipale->sizeHint().height());
    const QString chemin = qEnvironmentVariable("STELOR_CAPTURE");
    if (!chemin.isEmpty()) {
        EXPECT_TRUE(capture.save(chemin));
    }
}

TEST_F(TUsageFenetreImage, FitGaussienEtCelluleTapeeContreAstropy)
{
    const QString source = Dossier.filePath(QStringLiteral("m51.fit"));
    ASSERT_TRUE(QFile::copy(CheminDonnees(QStringLiteral("m51_i16_256.fits")), source));
    TTraitementImage* f = Ouvrir(source);
    ASSERT_NE(f, nullptr);
    // The pixels as Stelor reads them, saved unchanged: the peer's input.
    const QString avant = Dossier.filePath(QStringLiteral("avant.fit"));
    EnregistrerSous(avant);
    const std::vector<double> origine = f->ImageFit.Pixels;
    const QStringList historique = f->Historique();

    // A cell that is not a number: the conversion error, nothing changes.
    Dialogues::ViderJournal();
    Utilisateur.Modal = Editer("Button2", {{"EdtCoef42", QStringLiteral(",")}});
    Cadre->MnItmConvolution->trigger();
    bool erreur = false;
    for (const TDemandeDialogue& d : Dialogues::Journal())
        erreur |= d.Genre == TGenreDemande::Erreur && d.Texte.contains(QStringLiteral("','"));
    EXPECT_TRUE(erreur);
    EXPECT_EQ(f->ImageFit.Pixels, origine);
    EXPECT_EQ(f->Historique(), historique);
    EXPECT_FALSE(f->Modifiee);

    // The gaussian preset with its top-right corner typed as -4: not symmetric.
    Utilisateur.Modal = Editer("Button2", {{"EdtCoef42", QStringLiteral("1,6")}, {"EdtCoef15", QStringLiteral("-4")}});
    Cadre->MnItmConvolution->trigger();
    const TNoyau5x5 noyau = Convolution->LireNoyau();
    EXPECT_DOUBLE_EQ(noyau[4], -4.0);
    EXPECT_DOUBLE_EQ(noyau[12], 9.0);
    ASSERT_NE(f->ImageFit.Pixels, origine);
    EXPECT_TRUE(f->Modifiee);
    EXPECT_EQ(f->Historique().last(), QStringLiteral("Filtre convolution"));

    const QString apres = Dossier.filePath(QStringLiteral("apres.fit"));
    EnregistrerSous(apres);
    EXPECT_TRUE(VerifieParLePair("fit", avant, apres, noyau));
}

TEST_F(TUsageFenetreImage, Bmp24LaplacienDeSommeNulleContrePillow)
{
    const QString source = CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp"));
    TTraitementImage* f = Ouvrir(source);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->TypeImage, 2);
    const QImage origine = f->ImageBmp.BitmapSource.copy();
    // The high-pass preset with its centre typed as 4: the kernel sums to 0.
    Utilisateur.Modal = Editer("Button1", {{"EdtCoef33", QStringLiteral("4")}});
    // Through the window's popup item, which takes the frame's road.
    f->MenuConvolutionImgSourceClick();
    const TNoyau5x5 noyau = Convolution->LireNoyau();
    EXPECT_DOUBLE_EQ(SommeNoyau(noyau.data(), 5), 0.0);
    ASSERT_NE(f->ImageBmp.BitmapSource, origine);

    const QString apres = Dossier.filePath(QStringLiteral("apres.bmp"));
    EnregistrerSous(apres);
    EXPECT_TRUE(VerifieParLePair("bmp", source, apres, noyau));
}

TEST_F(TUsageFenetreImage, ConvolutionAnnuleeNeChangeRien)
{
    TTraitementImage* f = Ouvrir(CheminDonnees(QStringLiteral("hubble_deep_field_8.bmp")));
    ASSERT_NE(f, nullptr);
    const QImage origine = f->ImageBmp.BitmapSource.copy();
    Utilisateur.Modal = [](QDialog& d) {
        d.show();
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnPasseBas")), Qt::LeftButton);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("BtnAnnuler")), Qt::LeftButton);
        d.hide();
        return d.result() == QDialog::Accepted ? mrOk : mrCancel;
    };
    Cadre->MnItmConvolution->trigger();
    EXPECT_EQ(f->ImageBmp.BitmapSource, origine);
    EXPECT_FALSE(f->Modifiee);
    EXPECT_EQ(f->Historique().size(), 1);
}

// Files dropped on the frame open in real image windows, whose kind the
// menus follow; nothing was changed, so quitting asks nothing.
TEST_F(TUsageFenetreImage, DepotDeVraisFichiersEtMenusSelonLeGenre)
{
    const QString m1 = Dossier.filePath("m1.fit"), m3 = Dossier.filePath("m3.bmp");
    ASSERT_TRUE(QFile::copy(CheminDonnees("m51_i16_256.fits"), m1));
    ASSERT_TRUE(QFile::copy(CheminDonnees("hubble_deep_field_8.bmp"), m3));
    Cadre->DeposerFichiers({m1, m3});
    ASSERT_EQ(Cadre->FenetresDocument().size(), 2);
    ASSERT_EQ(Cadre->FenetreActive()->NumeroDocument(), 2);
    EXPECT_TRUE(Cadre->MnItmNiveauxDeGris->isEnabled());
    EXPECT_FALSE(Cadre->MnItmEnteteFit->isEnabled());
    Cadre->ZoneMDI()->setActiveSubWindow(Cadre->TrouverImage(1));
    EXPECT_TRUE(Cadre->MnItmEnteteFit->isEnabled());
    EXPECT_EQ(Cadre->NomFichierImage(1), m1);
    Dialogues::ViderJournal();
    EXPECT_TRUE(Cadre->close());
    EXPECT_TRUE(Dialogues::Journal().empty());
}
