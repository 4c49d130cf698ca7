#include "PErreurs.h"
#include "PFichiers.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UJpeg.h"

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// A part of a real sky picture: smooth background, stars and galaxies.
QImage Ciel(int l, int h, bool gris = false)
{
    QImage b = LireBitmapBmp(CheminDonnees("hubble_deep_field_24.bmp")).copy(400, 300, l, h);
    if (gris)
        ConvertirBitmapGris(b);
    return b;
}

// Mean absolute difference over the three channels.
double EcartMoyen(const QImage& a, const QImage& b)
{
    double somme = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            somme += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return somme / (3.0 * a.width() * a.height());
}

} // namespace

// The colour export is read by the peers in the export window's tests.
TEST(UJpeg, GrisLuParDjpegEtPillow)
{
    QTemporaryDir dossier;
    const QString gris = dossier.filePath("gris.jpg");
    EnregistrerJpeg(Ciel(64, 33, true), 90, gris);
    EXPECT_EQ(std::pair(DecodeParDjpeg(gris).left(8), Python("image", {gris})),
              std::pair(QByteArray("P5\n64 33"), QString("JPEG L 64 33"))); // P5: one grey channel
}

TEST(UJpeg, QualiteEtRelecture)
{
    const QImage image = Ciel(200, 150);
    const QByteArray q1 = CompresserJpeg(image, 1), q50 = CompresserJpeg(image, 50), q100 = CompresserJpeg(image, 100);
    EXPECT_TRUE(q1.size() < q50.size() && q50.size() < q100.size());
    // out-of-range qualities are clamped rather than refused
    EXPECT_EQ(std::tuple(CompresserJpeg(image, 0), CompresserJpeg(image, 250)), std::tuple(q1, q100));

    const QImage relue = DecompresserJpeg(q100, image.size());
    ASSERT_EQ(relue.size(), image.size());
    EXPECT_LT(EcartMoyen(image, relue), 3.0);
    EXPECT_GT(EcartMoyen(image, DecompresserJpeg(q1)), EcartMoyen(image, relue));
    // a grey picture comes back as 8-bit grey with its levels
    const QImage grise = Ciel(40, 30, true);
    const QImage griseRelue = DecompresserJpeg(CompresserJpeg(grise, 100));
    EXPECT_EQ(std::tuple(griseRelue.format(), griseRelue.colorTable()),
              std::tuple(QImage::Format_Indexed8, TablePaletteGris()));
    EXPECT_LT(EcartMoyen(grise, griseRelue), 2.0);
}

TEST(UJpeg, ErreursDeLaBibliothequeSansArretNiFichierPartiel)
{
    // libjpeg's own handler would end the process here
    EXPECT_THROW(DecompresserJpeg(QByteArray("ceci n'est pas un jpeg")), EStelor);
    EXPECT_THROW(DecompresserJpeg(QByteArray()), EStelor);
    // a cut file is either refused or decoded to its full size, never more
    try {
        EXPECT_EQ(DecompresserJpeg(CompresserJpeg(Ciel(50, 50), 80).left(100)).size(), QSize(50, 50));
    } catch (const EStelor&) {
    }
    QTemporaryDir dossier;
    const QString nom = dossier.filePath("existant.jpg");
    EcrireFichierSur(nom, "ancien contenu");
    EXPECT_THROW(EnregistrerJpeg(QImage(), 80, nom), EStelor);
    EXPECT_EQ(LireFichierComplet(nom), QByteArray("ancien contenu"));
}

// libjpeg's failures reach the user in French, never in its own English.
TEST(UJpeg, MessagesDErreurEnFrancais)
{
    const QByteArray bon = CompresserJpeg(Ciel(40, 30), 80);
    QByteArray sansImage = bon.left(2); // SOI, then EOI straight away
    sansImage += QByteArray("\xFF\xD9", 2);
    // The frame header announces 8668 x 65024 pixels (height, then width).
    QByteArray geant = bon;
    geant.replace(geant.indexOf("\xFF\xC0") + 5, 4, QByteArray("\xFE\x00\x21\xDC", 4));
    const struct {
        const char* Nom;
        QByteArray Donnees;
        const char* Texte;
        QSize Attendue = {}; // a preview knows the size of its picture
    } cas[] = {
        {"taille annoncée autre", geant, "Fichier Jpeg illisible : il annonce une image de 8668 x 65024 pixels au lieu de "
                                         "40 x 30", QSize(40, 30)},
        {"vide", QByteArray(), "Fichier Jpeg illisible : le fichier est vide"},
        {"autre format", QByteArray("BM pas un jpeg"), "Fichier Jpeg illisible : ce n'est pas un fichier Jpeg"},
        {"entête coupé", bon.left(20), "Fichier Jpeg illisible : le fichier ne contient pas d'image"},
        {"sans image", sansImage, "Fichier Jpeg illisible : le fichier ne contient pas d'image"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.Nom);
        try {
            DecompresserJpeg(c.Donnees, c.Attendue);
            ADD_FAILURE() << "accepted";
        } catch (const EStelor& e) {
            EXPECT_EQ(e.Message().toStdString(), std::string(c.Texte));
        }
    }
}
