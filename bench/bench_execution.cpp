// The whole preprocessing run on 2048 x 2048 frames: 20 raw frames with 5
// darks, 5 flats and 5 offsets, stellar registration, level adjustment and
// mean, against a numpy/astropy script doing the same arithmetic in memory.
//   bench_execution                   both times and their ratio
//   bench_execution --memoire N       one run on N raw frames (no calibration
//                                     frames): peak memory above the baseline
#include "UExecutionPretraitement.h"
#include "UFit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int Cote = 2048;

// Noise around a level, one star at (cx, cy); written row by row.
void EcrireFichier(const QString& nom, int graine, double niveau, double cx, double cy)
{
    QFile f(nom);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    QStringList entete;
    CreerEnteteFit(Cote, Cote, 16, 0, 65535, 0, entete);
    QByteArray cartes;
    for (const QString& c : entete)
        cartes += c.toLatin1().leftJustified(80, ' ', true);
    f.write(cartes.leftJustified(2880 * ((entete.size() + 35) / 36), ' '));
    QByteArray ligne(2 * Cote, 0);
    uint32_t etat = 2463534242u + static_cast<uint32_t>(graine) * 7919u;
    for (int r = 0; r < Cote; ++r) {
        const int y = Cote - 1 - r;
        for (int x = 0; x < Cote; ++x) {
            etat ^= etat << 13;
            etat ^= etat >> 17;
            etat ^= etat << 5;
            double v = niveau + (etat % 64);
            if (cx >= 0) {
                const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                if (r2 < 100)
                    v += 20000 * std::exp(-r2 / 6.0);
            }
            const uint16_t u = static_cast<uint16_t>(std::clamp(v, 0.0, 65535.0));
            ligne[2 * x] = static_cast<char>(u >> 8);
            ligne[2 * x + 1] = static_cast<char>(u & 0xFF);
        }
        f.write(ligne);
    }
}

struct TSerie {
    QTemporaryDir Dossier;
    TReglagesPretraitement Reglages;
    TSerie(int brutes, int calibration)
    {
        TReglagesPretraitement& r = Reglages;
        r.TypeImages = 1;
        r.Cadre = {980, 980, 1060, 1060};
        auto ajouter = [this](QList<TFichierSerie>& liste, const QString& nom, int graine, double niveau, double cx,
                              double cy) {
            EcrireFichier(Dossier.filePath(nom), graine, niveau, cx, cy);
            liste << TFichierSerie{Dossier.path(), nom};
        };
        for (int k = 0; k < brutes; ++k)
            ajouter(r.Brutes, QStringLiteral("brute%1.fit").arg(k), k, 2000 + 10 * k, 1020 + (k % 7) * 0.7,
                    1018 + (k % 5) * 0.9);
        for (int k = 0; k < calibration; ++k) {
            ajouter(r.Darks, QStringLiteral("dark%1.fit").arg(k), 100 + k, 300, -1, -1);
            ajouter(r.Flats, QStringLiteral("flat%1.fit").arg(k), 200 + k, 20000, -1, -1);
            ajouter(r.Offsets, QStringLiteral("offset%1.fit").arg(k), 300 + k, 200, -1, -1);
        }
    }
};

// The same arithmetic in memory: masters by median, calibration, centroid
// in the frame, whole then linear shift, level, mean, result written.
const char* kNumpy = R"PY(
import sys, glob, numpy as np
from astropy.io import fits
d = sys.argv[1]
lire = lambda n: fits.getdata(n).astype(np.float64)
lot = lambda m: np.median(np.stack([lire(f) for f in sorted(glob.glob(f'{d}/{m}*.fit'))]), axis=0)
dark, offset = lot('dark'), lot('offset')
flat = np.median(np.stack([np.clip(lire(f) - offset, 0, 65535) for f in sorted(glob.glob(f'{d}/flat*.fit'))]), axis=0)
moy = flat.mean(); flat[flat == 0] = 1
def centre(i):
    c = i[980:1060, 980:1060]
    y, x = np.unravel_index(np.argmax(c), c.shape)
    f = c[max(y-2,0):y+2, max(x-2,0):x+2]; m = f >= f.mean(); yy, xx = np.nonzero(m); v = f[m]
    return (xx*v).sum()/v.sum() + max(x-2,0), (yy*v).sum()/v.sum() + max(y-2,0)
def decaler(i, dx, dy):
    for axe, dd in ((1, dx), (0, dy)):
        n = int(np.trunc(dd)); f = dd - n
        i = np.roll(i, n, axis=axe)
        i = (1 - abs(f)) * i + abs(f) * np.roll(i, int(np.sign(f)), axis=axe)
    return i
somme = None; ref = None
for f in sorted(glob.glob(f'{d}/brute*.fit')):
    i = np.rint(np.clip(np.clip(lire(f) - dark, 0, 65535) / flat * moy, 0, 65535))
    if ref is None: ref = (centre(i), i.mean())
    (xr, yr), niveau = ref; xi, yi = centre(i)
    i = decaler(i, xr - xi, yr - yi); i = np.clip(i + niveau - i.mean(), 0, 65535)
    somme = i if somme is None else somme + i
fits.PrimaryHDU(np.rint(somme / 20).astype(np.uint16)).writeto(f'{d}/numpy.fit', overwrite=True)
)PY";

long PicMemoireKo()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double Mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "--memoire") == 0) {
        TSerie serie(std::atoi(argv[2]), 0);
        const long avant = PicMemoireKo();
        THistoFit fit;
        THistoBmp bmp;
        ExecuterPretraitement(serie.Reglages, {}, {}, fit, bmp);
        const double image = static_cast<double>(Cote) * Cote * sizeof(double) / 1024.0;
        std::printf("%s raw frames %dx%d: peak RSS %ld KiB, %ld KiB above the baseline, %.2f frames\n", argv[2], Cote,
                    Cote, PicMemoireKo(), PicMemoireKo() - avant, (PicMemoireKo() - avant) / image);
        return 0;
    }
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    TSerie serie(20, 5);
    std::vector<double> stelor, numpy;
    for (int k = 0; k < repetitions; ++k) {
        QElapsedTimer t;
        t.start();
        THistoFit fit;
        THistoBmp bmp;
        ExecuterPretraitement(serie.Reglages, {}, {}, fit, bmp);
        stelor.push_back(t.elapsed() / 1000.0);
        t.start();
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kNumpy), serie.Dossier.path()});
        p.waitForFinished(-1);
        if (p.exitCode() != 0) {
            std::fprintf(stderr, "%s\n", p.readAllStandardError().constData());
            return 1;
        }
        numpy.push_back(t.elapsed() / 1000.0);
    }
    const double s = Mediane(stelor), n = Mediane(numpy);
    std::printf("preprocessing run, 20 raw + 5 darks + 5 flats + 5 offsets of %dx%d, medians of %d runs:\n"
                "  Stelor %.2f s, numpy/astropy %.2f s, ratio %.2f (goal <= 1.5)\n",
                Cote, Cote, repetitions, s, n, s / n);
    return 0;
}
