#include "PErreurs.h"
#include "Soutien.h"
#include "UBmp.h"
#include "UJpeg.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {
// A picture with smooth areas and sharp detail, so that quality matters.
QImage ImageCouleur(int l, int h)
{
    QImage image(l, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
        {
            // Detail in brightness: the chroma is subsampled by the encoder.
            const int detail = ((x / 3 + y / 5) % 2) * 60;
            image.setPixel(x, y, qRgb((x * 180) / l + detail, (y * 180) / h + detail, 100 + detail));
        }
    return image;
}

QImage ImageGrise(int l, int h)
{
    QImage image(l, h, QImage::Format_Indexed8);
    image.setColorTable(TablePaletteGris());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x)
            image.scanLine(y)[x] = static_cast<uchar>((x + 2 * y) % 256);
    return image;
}

// Mean absolute difference over the three channels.
double EcartMoyen(const QImage& a, const QImage& b)
{
    double somme = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            somme += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return somme / (3.0 * a.width() * a.height());
}
} // namespace

TEST(UJpeg, FichiersLusParDjpegEtPillowALaTailleDeLImage)
{
    QTemporaryDir dossier;
    const QString couleur = dossier.filePath(QStringLiteral("couleur.jpg"));
    const QString gris = dossier.filePath(QStringLiteral("gris.jpg"));
    EnregistrerJpeg(ImageCouleur(123, 45), 90, couleur);
    EnregistrerJpeg(ImageGrise(64, 33), 90, gris);

    QString sortie;
    // djpeg writes a PNM whose header gives the size: P6 for colour, P5 for grey.
    const QString pnm = dossier.filePath(QStringLiteral("sortie.pnm"));
    ASSERT_EQ(LancerProgramme(QStringLiteral("djpeg"), {QStringLiteral("-pnm"), QStringLiteral("-outfile"), pnm, couleur}), 0);
    QFile f(pnm);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(16).startsWith("P6\n123 45"));
    f.close();
    ASSERT_EQ(LancerProgramme(QStringLiteral("djpeg"), {QStringLiteral("-pnm"), QStringLiteral("-outfile"), pnm, gris}), 0);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(16).startsWith("P5\n64 33"));

    ASSERT_EQ(LancerProgramme(QStringLiteral("/usr/bin/python3"),
                              {QStringLiteral("-c"),
                               QStringLiteral("import sys; from PIL import Image\n"
                                              "for n in sys.argv[1:]:\n"
                                              "  i = Image.open(n); i.load(); print(i.format, i.mode, i.size[0], i.size[1])"),
                               couleur, gris},
                              &sortie),
              0)
        << sortie.toStdString();
    EXPECT_TRUE(sortie.contains(QStringLiteral("JPEG RGB 123 45"))) << sortie.toStdString();
    EXPECT_TRUE(sortie.contains(QStringLiteral("JPEG L 64 33"))) << sortie.toStdString();
}

TEST(UJpeg, QualiteEtRelecture)
{
    const QImage image = ImageCouleur(200, 150);
    const QByteArray q1 = CompresserJpeg(image, 1);
    const QByteArray q50 = CompresserJpeg(image, 50);
    const QByteArray q100 = CompresserJpeg(image, 100);
    EXPECT_LT(q1.size(), q50.size());
    EXPECT_LT(q50.size(), q100.size());
    // Out-of-range qualities are clamped rather than refused.
    EXPECT_EQ(CompresserJpeg(image, 0), q1);
    EXPECT_EQ(CompresserJpeg(image, 250), q100);

    const QImage relue = DecompresserJpeg(q100);
    ASSERT_EQ(relue.size(), image.size());
    EXPECT_LT(EcartMoyen(image, relue), 3.0);
    EXPECT_GT(EcartMoyen(image, DecompresserJpeg(q1)), EcartMoyen(image, relue));

    // A grey picture comes back as 8-bit grey with its levels.
    const QImage grise = ImageGrise(40, 30);
    const QImage griseRelue = DecompresserJpeg(CompresserJpeg(grise, 100));
    EXPECT_EQ(griseRelue.format(), QImage::Format_Indexed8);
    EXPECT_LT(EcartMoyen(grise, griseRelue), 2.0);
}

TEST(UJpeg, ErreursDeLaBibliothequeSansArretNiFichierPartiel)
{
    // libjpeg's own handler would end the process here.
    EXPECT_THROW(DecompresserJpeg(QByteArray("ceci n'est pas un jpeg")), EStelor);
    EXPECT_THROW(DecompresserJpeg(QByteArray()), EStelor);
    QByteArray tronque = CompresserJpeg(ImageCouleur(50, 50), 80).left(100);
    // A cut file is either refused or decoded to its full size, never more.
    bool refuse = false;
    QImage partielle;
    try {
        partielle = DecompresserJpeg(tronque);
    } catch (const EStelor&) {
        refuse = true;
    }
    EXPECT_TRUE(refuse || partielle.size() == QSize(50, 50));

    QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("existant.jpg"));
    {
        QFile f(nom);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("ancien contenu");
    }
    EXPECT_THROW(EnregistrerJpeg(QImage(), 80, nom), EStelor);
    QFile f(nom);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("ancien contenu"));
    EXPECT_THROW(EnregistrerJpeg(ImageCouleur(10, 10), 80, dossier.filePath(QStringLiteral("absent/x.jpg"))), EStelor);
    EXPECT_EQ(QDir(dossier.path()).entryList(QDir::Files).size(), 1);
}

TEST(UJpeg, ImageReelle)
{
    const QImage bmp = LireBitmapBmp(CheminDonnees(QStringLiteral("hubble_deep_field_24.bmp")));
    ASSERT_FALSE(bmp.isNull());
    const QImage relue = DecompresserJpeg(CompresserJpeg(bmp, 95));
    EXPECT_EQ(relue.size(), bmp.size());
    EXPECT_LT(EcartMoyen(bmp, relue), 4.0);
}
