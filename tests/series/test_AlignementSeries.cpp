// Registration of real and synthetic series against numpy: the SAAO frame
// shifted (integer, noisy, sub-pixel, drifting out of a small frame) and a
// synthetic planet, registered by the preprocessing run.
#include "PErreurs.h"
#include "Soutien.h"
#include "SoutienSeries.h"
#include "UExecutionPretraitement.h"
#include "UParametres.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Writes e0.fit, e1.fit, ... and prints per frame the true shift and the
// report text numpy's centroid predicts ('-' for the planet).
const char* const kScript = R"PY(
mode, o, L, source = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
x1, y1, x2, y2 = map(int, sys.argv[5:9])
rng = np.random.default_rng(7)
def centroide(a):
    # brightest pixel first in column order, window of 2*(L div 2), mean threshold
    h, w = a.shape; m = L // 2
    xm, ym = divmod(int(np.argmax(a.T)), h) if a.max() > 0 else (0, 0)
    l, t = max(xm - m, 0), max(ym - m, 0)
    f = a[t:h - max(h - ym - m, 0), l:w - max(w - xm - m, 0)]
    ys, xs = np.nonzero(f >= f.mean()); v = f[ys, xs]
    return (xs * v).sum() / v.sum() + l, (ys * v).sum() / v.sum() + t
def disque(cx, cy, n=4):
    yy, xx = np.mgrid[0:256 * n, 0:256 * n]
    dedans = ((xx + 0.5) / n - 0.5 - cx) ** 2 + ((yy + 0.5) / n - 0.5 - cy) ** 2 <= 60 ** 2
    return 300 + 4700 * dedans.reshape(256, n, 256, n).mean(axis=(1, 3))
if mode == 'planete':
    c = [(128.0, 128.0), (131.3, 125.6), (124.7, 133.2), (126.45, 127.8)]
    d = [(x - 128, y - 128) for x, y in c]
    im = [disque(x, y) + rng.normal(0, 10, (256, 256)) for x, y in c]
else:
    d = {'entier': [(0, 0), (3, -2), (-4, 5), (1, 1)], 'bruit': [(0, 0), (3, -2), (-4, 5), (2, 3)],
         'fraction': [(0, 0), (0.3, -0.6), (1.7, 2.2), (-2.45, 0.8)],
         'derive': [(0, 0), (3, -2), (-5, -8), (6, 12)]}[mode]
    saao = lire(source)
    im = [decaler(saao, x, y) + (0 if mode in ('entier', 'derive') else rng.normal(0, 10, saao.shape)) for x, y in d]
im = [np.clip(np.rint(i), 0, 65535) for i in im]
for k, i in enumerate(im): ecrire(f'{o}/e{k}.fit', i)
t = lambda v: f'{v:+.5f}'.replace('.', ',') + '...'
k = lambda i: centroide(i[y1:y2, x1:x2])
for (sx, sy), i in zip(d, im):
    print(sx, sy, '-' if mode == 'planete' else '\t'.join(t(a - b) for a, b in zip(k(im[0]), k(i))))
)PY";

} // namespace

TEST(AlignementSeries, DecalagesRetrouvesCommeNumpy)
{
    QTemporaryDir reglages;
    FixerFichierPreferences(reglages.filePath(QStringLiteral("Stelor.ini")));
    const struct {
        const char* Mode;
        int Largeur;
        double Tolerance;
        TCadre Cadre = {436, 70, 466, 100};
        const char* Echec = ""; // the frame whose star leaves the frame
    } cas[] = {{"entier", 5, 0.001}, {"bruit", 11, 0.25}, {"fraction", 11, 0.35}, {"planete", 5, 0.1, TCadre()},
               {"derive", 5, 0.001, {431, 65, 471, 105}},
               // A window as wide as the frame reaches its edge wherever the star is: biased, but not stopped.
               {"derive", 41, 1.2, {431, 65, 471, 105}},
               // 12 pixels: the third frame's star is cut by the frame's edge.
               {"derive", 5, 0, {445, 79, 457, 91}, "e2.fit"}};
    for (const auto& c : cas) {
        const QString nom = QStringLiteral("%1-%2-%3").arg(QString::fromLatin1(c.Mode)).arg(c.Largeur).arg(c.Cadre.X2);
        SCOPED_TRACE(nom.toStdString());
        const QString dossier = reglages.filePath(nom);
        QDir().mkpath(dossier);
        EcrireValeurIni(QStringLiteral("General"), QStringLiteral("LargMatriceCentroide"), QString::number(c.Largeur));
        const QStringList lignes =
            Python(QString::fromUtf8(kScript), {QString::fromLatin1(c.Mode), dossier, QString::number(c.Largeur),
                                                CheminDonnees(QStringLiteral("saao_raw_u16.fits")),
                                                QString::number(c.Cadre.X1), QString::number(c.Cadre.Y1),
                                                QString::number(c.Cadre.X2), QString::number(c.Cadre.Y2)})
                .split(QLatin1Char('\n'));
        ASSERT_EQ(lignes.size(), 4);
        const bool planete = QByteArray(c.Mode) == "planete";
        TReglagesPretraitement r;
        r.TypeImages = 1;
        r.AjustementNiveaux = false;
        r.Registration = planete ? RegistrationPlanetaire : RegistrationStellaire;
        r.CoefPlanetaire = 1;
        r.Cadre = c.Cadre;
        for (int k = 0; k < 4; ++k)
            r.Brutes << TFichierSerie{dossier, QStringLiteral("e%1.fit").arg(k)};
        QStringList textes, autres;
        THistoFit fit;
        THistoBmp bmp;
        QString erreur;
        try {
            ExecuterPretraitement(
                r, [&](const QString& t, const QColor&) { (t.contains(QStringLiteral("pretbrg~")) ? textes : autres) << t; },
                {}, fit, bmp);
        } catch (const EStelor& e) {
            erreur = e.Message();
        }
        if (*c.Echec) {
            // Stopped on the file, before any wrong shift is stacked or any success is reported.
            EXPECT_EQ(std::make_tuple(erreur.contains(QDir(dossier).filePath(QString::fromLatin1(c.Echec))),
                                      textes.size(), autres.contains(QStringLiteral("Terminé."))),
                      std::make_tuple(true, 2, false))
                << erreur.toStdString();
            continue;
        }
        ASSERT_EQ(textes.size(), 4) << erreur.toStdString();
        for (int k = 0; k < 4; ++k) {
            const QStringList attendu = lignes[k].split(QLatin1Char(' ')), lu = textes[k].split(QLatin1Char('\t'));
            const auto nombre = [](QString t) { return t.remove(QStringLiteral("...")).replace(',', '.').toDouble(); };
            EXPECT_NEAR(nombre(lu[0]), -attendu[0].toDouble(), c.Tolerance) << k;
            EXPECT_NEAR(nombre(lu[1]), -attendu[1].toDouble(), c.Tolerance) << k;
            // The same cut measured by numpy gives the same five decimals.
            EXPECT_TRUE(planete || lu[0] + '\t' + lu[1] == attendu[2]) << k << " " << textes[k].toStdString();
        }
    }
    FermerPreferences();
}
