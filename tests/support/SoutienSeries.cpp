#include "SoutienSeries.h"

#include "Soutien.h"

#include <gtest/gtest.h>

namespace {

const char* const Prelude = R"(
import sys, warnings, numpy as np
warnings.simplefilter('ignore')
from astropy.io import fits
from PIL import Image
def lire(n): return fits.getdata(n).astype(np.float64)[::-1]
def ecrire(n, a): fits.PrimaryHDU(np.clip(np.rint(a), 0, 65535).astype(np.uint16)[::-1]).writeto(n, overwrite=True)
def bmp(n): return np.asarray(Image.open(n).convert('RGB' if Image.open(n).mode == 'RGB' else 'L'), dtype=np.float64)
def pile(ns): return np.array([lire(n) for n in ns])
def decaler(a, sx, sy):
    # content moved right by sx and down by sy: whole pixels leave black, fractions go through the FFT
    h, w = a.shape
    if float(sx).is_integer() and float(sy).is_integer():
        sx, sy = int(sx), int(sy); b = np.zeros_like(a)
        b[max(sy, 0):h + min(sy, 0), max(sx, 0):w + min(sx, 0)] = a[max(-sy, 0):h + min(-sy, 0), max(-sx, 0):w + min(-sx, 0)]
        return b
    fy, fx = np.fft.fftfreq(h)[:, None], np.fft.fftfreq(w)[None, :]
    return np.real(np.fft.ifft2(np.fft.fft2(a) * np.exp(-2j * np.pi * (fx * sx + fy * sy))))
rng = np.random.default_rng(14)
)";

const char* const ScriptSeries = R"(
d, o = sys.argv[1], sys.argv[2]
saao = lire(d + '/saao_raw_u16.fits'); h, w = saao.shape; yy, xx = np.mgrid[0:h, 0:w]
for i in range(3): ecrire(f'{o}/brute{i + 1}.fit', saao + rng.normal(0, 12, saao.shape))
for i in range(4):
    a = 300 + rng.normal(0, 15, saao.shape); a[[40, 300, 511], [50, 200, 100]] = 9000 + 500 * i  # hot pixels
    ecrire(f'{o}/dark{i + 1}.fit', a)
vignette = 1 - 0.35 * (((xx - w / 2) / (w / 2)) ** 2 + ((yy - h / 2) / (h / 2)) ** 2)
for i in range(3): ecrire(f'{o}/flat{i + 1}.fit', 20000 * vignette + rng.normal(0, 60, saao.shape))
for i in range(5): ecrire(f'{o}/offset{i + 1}.fit', 200 + rng.normal(0, 5, saao.shape))
ngc = lire(d + '/ngc1316_optical_i16.fits'); ecrire(o + '/ngc.fit', ngc + rng.normal(0, 5, ngc.shape))
m51 = lire(d + '/m51_i16_256.fits')
for i in range(2): ecrire(f'{o}/m51_{i}.fit', m51 + rng.normal(0, 8, m51.shape))
bruit = lambda a: Image.fromarray(np.clip(np.rint(a + rng.normal(0, 6, a.shape)), 0, 255).astype(np.uint8))
g, c = bmp(d + '/hubble_deep_field_8.bmp'), bmp(d + '/hubble_deep_field_24.bmp')
for i in range(4): bruit(g).save(f'{o}/gris{i}.bmp')
for i in range(3): bruit(c).save(f'{o}/couleur{i}.bmp')
)";

} // namespace

QString Python(const QString& script, const QStringList& arguments)
{
    QString sortie;
    const int code = LancerProgramme(QStringLiteral("/usr/bin/python3"),
                                     QStringList{QStringLiteral("-c"), QString::fromUtf8(Prelude) + script} + arguments,
                                     &sortie, 180000);
    EXPECT_EQ(code, 0) << sortie.toStdString();
    return sortie.trimmed();
}

void EcrireSeriesEssai(const QString& dossier)
{
    Python(QString::fromUtf8(ScriptSeries), {QStringLiteral(STELOR_TESTDATA), dossier});
}
