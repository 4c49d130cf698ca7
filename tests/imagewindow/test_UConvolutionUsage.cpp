// Filtre > Convolution through the frame as a user does it: the kernel editor
// answered by clicking a preset and typing a cell, Appliquer, undo, then the
// result saved with "Enregistrer sous" and checked by astropy / Pillow
// against a numpy convolution.
#include "PDialogues.h"
#include "Soutien.h"
#include "UConvolution.h"
#include "UInstallationImage.h"
#include "UMain.h"
#include "UTraitementImage.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

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

class TUsageConvolution : public ::testing::Test {
protected:
    void SetUp() override
    {
        Repondeur = std::make_unique<TRepondeurTest>(Utilisateur.Repondeur());
        Cadre = new TMain;
        if (!Convolution)
            Convolution = new TConvolution;
        InstallerFenetresImage(*Cadre);
        Cadre->resize(1200, 900);
        Cadre->show();
        Script = Dossier.filePath(QStringLiteral("verifier.py"));
        QFile f(Script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ScriptVerification);
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

    void EnregistrerSous(const QString& nom)
    {
        Utilisateur.AEnregistrer = nom;
        Cadre->MnItmEnregistrerSous->trigger();
    }

    ::testing::AssertionResult VerifieParLePair(const char* genre, const QString& avant, const QString& apres,
                                                const TNoyau5x5& noyau)
    {
        QStringList arguments{Script, QString::fromLatin1(genre), avant, apres};
        for (double v : noyau)
            arguments << QString::number(v, 'g', 17);
        QString sortie;
        const int code = LancerProgramme(QStringLiteral("/usr/bin/python3"), arguments, &sortie, 120000);
        if (code == 0 && sortie.contains(QStringLiteral("IDENTIQUE")))
            return ::testing::AssertionSuccess() << sortie.toStdString();
        return ::testing::AssertionFailure() << "code " << code << ": " << sortie.toStdString();
    }

    QTemporaryDir Dossier;
    QString Script;
    TUtilisateur Utilisateur;
    std::unique_ptr<TRepondeurTest> Repondeur;
    TMain* Cadre = nullptr;
};

TEST_F(TUsageConvolution, FitGaussienEtCelluleTapeeContreAstropy)
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
    const std::vector<double> filtre = f->ImageFit.Pixels;
    // Undo restores, redo brings the filtered image back.
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, origine);
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageFit.Pixels, filtre);

    const QString apres = Dossier.filePath(QStringLiteral("apres.fit"));
    EnregistrerSous(apres);
    EXPECT_TRUE(VerifieParLePair("fit", avant, apres, noyau));
}

TEST_F(TUsageConvolution, Bmp24LaplacienDeSommeNulleContrePillow)
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
    Cadre->MnItmAnnulerRestaurer->trigger();
    EXPECT_EQ(f->ImageBmp.BitmapSource, origine);
    Cadre->MnItmAnnulerRestaurer->trigger();
    ASSERT_NE(f->ImageBmp.BitmapSource, origine);

    const QString apres = Dossier.filePath(QStringLiteral("apres.bmp"));
    EnregistrerSous(apres);
    EXPECT_TRUE(VerifieParLePair("bmp", source, apres, noyau));
}

TEST_F(TUsageConvolution, AnnulerNeChangeRien)
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

} // namespace
