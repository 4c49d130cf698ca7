// Registration of real and synthetic series against numpy: series made by
// /usr/bin/python3 from the SAAO frame (integer, noisy and sub-pixel
// shifts) and a synthetic planet, registered by the preprocessing run.
#include "Soutien.h"
#include "UExecutionPretraitement.h"
#include "UParametres.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Writes the frames as e0.fit, e1.fit, ... and prints one line per frame:
// the true shift (x, y) and the report text numpy's centroid predicts.
const char* kScript = R"PY(
import sys, numpy as np
from astropy.io import fits
mode, source, dossier, largeur = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
rng = np.random.default_rng(7)

def decaler(img, sx, sy):
    # content moves right by sx and down by sy, vacated pixels 0
    h, w = img.shape
    if float(sx).is_integer() and float(sy).is_integer():
        sx, sy = int(sx), int(sy)
        out = np.zeros_like(img)
        out[max(sy, 0):h + min(sy, 0), max(sx, 0):w + min(sx, 0)] = \
            img[max(-sy, 0):h + min(-sy, 0), max(-sx, 0):w + min(-sx, 0)]
        return out
    fy = np.fft.fftfreq(h)[:, None]
    fx = np.fft.fftfreq(w)[None, :]
    return np.real(np.fft.ifft2(np.fft.fft2(img) * np.exp(-2j * np.pi * (fx * sx + fy * sy))))

def centroide(img):
    # brightest pixel first in column order, window of 2*(L div 2), mean threshold
    h, w = img.shape
    half = largeur // 2
    k = np.argmax(img.T)
    xm, ym = divmod(int(k), h)
    if img.T.flat[k] <= 0:
        xm, ym = 0, 0
    l, t = max(xm - half, 0), max(ym - half, 0)
    r, b = max(w - xm - half, 0), max(h - ym - half, 0)
    fen = img[t:h - b, l:w - r]
    seuil = fen.mean()
    ys, xs = np.nonzero(fen >= seuil)
    v = fen[ys, xs]
    return (xs * v).sum() / v.sum() + l, (ys * v).sum() / v.sum() + t

def disque(cx, cy):
    h = w = 256
    n = 4
    yy, xx = np.mgrid[0:h * n, 0:w * n]
    dedans = ((xx + 0.5) / n - 0.5 - cx) ** 2 + ((yy + 0.5) / n - 0.5 - cy) ** 2 <= 60 ** 2
    return 300 + 4700 * dedans.reshape(h, n, w, n).mean(axis=(1, 3))

if mode == 'planete':
    centres = [(128.0, 128.0), (131.3, 125.6), (124.7, 133.2), (126.45, 127.8)]
    images = [disque(cx, cy) + rng.normal(0, 10, (256, 256)) for cx, cy in centres]
    decalages = [(cx - centres[0][0], cy - centres[0][1]) for cx, cy in centres]
else:
    img = fits.getdata(source)[::-1, :].astype(float)
    decalages = {'entier': [(0, 0), (3, -2), (-4, 5), (1, 1)],
                 'bruit': [(0, 0), (3, -2), (-4, 5), (2, 3)],
                 'fraction': [(0, 0), (0.3, -0.6), (1.7, 2.2), (-2.45, 0.8)]}[mode]
    images = [decaler(img, sx, sy) for sx, sy in decalages]
    if mode != 'entier':
        images = [i + rng.normal(0, 10, i.shape) for i in images]
images = [np.clip(np.rint(i), 0, 65535).astype(np.uint16) for i in images]
for k, i in enumerate(images):
    fits.PrimaryHDU(i[::-1, :]).writeto(f'{dossier}/e{k}.fit', overwrite=True)

def texte(d):
    return f'{d:+.5f}'.replace('.', ',')

cadre = lambda i: i[70:100, 436:466].astype(float)
if mode != 'planete':
    xr, yr = centroide(cadre(images[0]))
for (sx, sy), i in zip(decalages, images):
    if mode == 'planete':
        print(sx, sy, '-')
    else:
        xi, yi = centroide(cadre(i))
        print(sx, sy, texte(xr - xi) + '...\t' + texte(yr - yi) + '...\t')
)PY";

struct TAttendu {
    double Sx, Sy;
    QString Texte;
};

class TAlignementSeries : public ::testing::Test {
protected:
    QTemporaryDir Dossier;
    QTemporaryDir Reglages;

    void SetUp() override { FixerFichierPreferences(Reglages.filePath(QStringLiteral("Stelor.ini"))); }
    void TearDown() override { FermerPreferences(); }

    std::vector<TAttendu> Serie(const char* mode, int largeur)
    {
        QString sortie;
        const int code = LancerProgramme(QStringLiteral("/usr/bin/python3"),
                                         {QStringLiteral("-c"), QString::fromUtf8(kScript), QString::fromLatin1(mode),
                                          CheminDonnees(QStringLiteral("saao_raw_u16.fits")), Dossier.path(),
                                          QString::number(largeur)},
                                         &sortie, 120000);
        EXPECT_EQ(code, 0) << sortie.toStdString();
        std::vector<TAttendu> attendus;
        for (const QString& ligne : sortie.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList champs = ligne.split(QLatin1Char(' '));
            if (champs.size() == 3)
                attendus.push_back({champs[0].toDouble(), champs[1].toDouble(), champs[2]});
        }
        return attendus;
    }

    // The shifts the run reports, frame by frame.
    std::vector<std::pair<double, double>> Executer(TReglagesPretraitement r, size_t n, QStringList* textes)
    {
        r.TypeImages = 1;
        r.AjustementNiveaux = false;
        for (size_t k = 0; k < n; ++k)
            r.Brutes << TFichierSerie{Dossier.path(), QStringLiteral("e%1.fit").arg(k)};
        std::vector<std::pair<double, double>> d;
        THistoFit fit;
        THistoBmp bmp;
        ExecuterPretraitement(
            r,
            [&](const QString& t, const QColor&) {
                if (!t.contains(QStringLiteral("pretbrg~")))
                    return;
                const QStringList champs = t.split(QLatin1Char('\t'));
                auto nombre = [](QString c) {
                    return c.remove(QStringLiteral("...")).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
                };
                d.emplace_back(nombre(champs[0]), nombre(champs[1]));
                if (textes)
                    *textes << champs[0] + QLatin1Char('\t') + champs[1] + QLatin1Char('\t');
            },
            {}, fit, bmp);
        return d;
    }
};

TEST_F(TAlignementSeries, EtoileReelleDecalagesRetrouves)
{
    struct TCas {
        const char* Mode;
        int Largeur;
        double Tolerance;
    };
    for (const TCas& c : {TCas{"entier", 5, 0.001}, TCas{"bruit", 11, 0.25}, TCas{"fraction", 11, 0.35}}) {
        SCOPED_TRACE(c.Mode);
        EcrireValeurIni(QStringLiteral("General"), QStringLiteral("LargMatriceCentroide"), QString::number(c.Largeur));
        const std::vector<TAttendu> attendus = Serie(c.Mode, c.Largeur);
        ASSERT_EQ(attendus.size(), 4u);
        TReglagesPretraitement r;
        r.Cadre = {436, 70, 466, 100};
        QStringList textes;
        const auto d = Executer(r, attendus.size(), &textes);
        ASSERT_EQ(d.size(), attendus.size());
        for (size_t k = 0; k < d.size(); ++k) {
            EXPECT_NEAR(d[k].first, -attendus[k].Sx, c.Tolerance) << k;
            EXPECT_NEAR(d[k].second, -attendus[k].Sy, c.Tolerance) << k;
            // The same cut measured by numpy gives the same five decimals.
            EXPECT_EQ(textes[k], attendus[k].Texte) << k;
        }
    }
}

TEST_F(TAlignementSeries, DisqueSynthetiqueAuDixiemeDePixel)
{
    const std::vector<TAttendu> attendus = Serie("planete", 5);
    ASSERT_EQ(attendus.size(), 4u);
    TReglagesPretraitement r;
    r.Registration = RegistrationPlanetaire;
    r.CoefPlanetaire = 1;
    const auto d = Executer(r, attendus.size(), nullptr);
    ASSERT_EQ(d.size(), attendus.size());
    for (size_t k = 0; k < d.size(); ++k) {
        EXPECT_NEAR(d[k].first, -attendus[k].Sx, 0.1) << k;
        EXPECT_NEAR(d[k].second, -attendus[k].Sy, 0.1) << k;
    }
}

} // namespace
