#include "UArithmetique.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UImagesCommun.h"
#include "UOutils.h"
#include "UParametres.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace ImagesCommun;

namespace {

// ===========================================================================
// Combination helpers
// ===========================================================================

// Where a mean or a sum is: memory that runs out names the file it was at,
// as the reader's own message does, rather than the library's bare text.
struct TPositionListe {
    QString Operation; // "la moyenne", "la somme"
    QString Nom;
    int64_t Largeur = 0, Hauteur = 0; // 0 until the first file's header is read
};

template <class F>
void AvecMemoireNommee(const TPositionListe& p, F f)
{
    SiMemoireManque(f, [&p] {
        LeverErreur(TexteMemoireInsuffisante(
            QStringLiteral("ajouter le fichier %1 à %2").arg(NomFichierSansChemin(p.Nom), p.Operation), p.Nom,
            p.Largeur, p.Hauteur));
    });
}

// File i of the list comes next: the label counts the files left after it,
// and memory that runs out from here names it.
void Annoncer(const TProgression& progression, const QString& legende, const QStringList& liste, qsizetype i,
              TPositionListe& ou)
{
    ou.Nom = liste[i];
    if (progression)
        progression(legende + QStringLiteral(" (") + EntierEnTexte(liste.size() - 1 - i) + QStringLiteral(")"));
}

// Empties the label when the run ends, also when a file stops it.
class TFinProgression {
public:
    explicit TFinProgression(const TProgression& progression) : FProgression(progression) {}
    ~TFinProgression()
    {
        if (FProgression) FProgression(QString());
    }
    TFinProgression(const TFinProgression&) = delete;
    TFinProgression& operator=(const TFinProgression&) = delete;

private:
    const TProgression& FProgression;
};

[[noreturn]] void TailleDifferente(const QString& nom, int64_t l, int64_t h, int64_t l0, int64_t h0)
{
    LeverErreur(QStringLiteral("Le fichier %1 n'a pas les dimensions du premier fichier de la liste "
                               "(%2 x %3 au lieu de %4 x %5) : opération abandonnée.")
                    .arg(NomFichierSansChemin(nom))
                    .arg(l)
                    .arg(h)
                    .arg(l0)
                    .arg(h0));
}

// A file error of a list names the file: the library's text alone ("Fichier
// introuvable") does not say which of many.
template <class F>
auto AvecNomFichier(const QString& nom, F f) -> decltype(f())
{
    try {
        return f();
    } catch (const EErreurFichier& e) {
        if (e.Message().contains(nom))
            throw;
        throw EErreurFichier(e.Code(), e.Message() + QStringLiteral(" : ") + nom);
    }
}

// What a FIT file holds, read from its header only: enough to decode any
// band of rows straight from the file, exactly as the full reader would.
struct TFichierFit {
    QString Nom;
    TEnteteFichierFit Entete;
    double Decalage = 0; // subtracted after decoding (the reader's shift of a negative minimum)
    double Plancher = 0; // the lowest defined value, which undefined samples take
    int32_t Largeur() const { return Entete.Largeur; }
    int32_t Hauteur() const { return Entete.Hauteur; }
    qint64 OctetsLigne() const { return static_cast<qint64>(Entete.OctetsEchantillon()) * Entete.Largeur; }
};

// The header as the reader checks it; then, when samples can decode below 0,
// the minimum the reader would shift the image by.
TFichierFit LireEnteteListeFit(const QString& nom)
{
    TFichierFit e;
    e.Nom = nom;
    e.Entete = LireEnteteFichierFit(nom);
    const TEnteteFichierFit& t = e.Entete;
    // Values are monotone in the integer sample: when neither end of the
    // sample range can go below 0, the reader never shifts the image.
    // Reals and 64-bit samples are always looked at.
    double bas = 0, haut = 0;
    if (!t.Blank && BornesEchantillonsFit(t.Bitpix, t.BZero, bas, haut) &&
        std::min(bas * t.BScale + t.BZero, haut * t.BScale + t.BZero) >= 0)
        return e;
    QFile f;
    OuvrirFichierLecture(f, nom);
    double mini = 2147483647.0, plancher = std::numeric_limits<double>::infinity();
    if (!f.seek(t.Debut)) LeverErreurFichier(ES_LectureApresFin);
    const qint64 total = e.OctetsLigne() * t.Hauteur;
    const qint64 o = t.OctetsEchantillon();
    QByteArray tampon(static_cast<qsizetype>(std::min<qint64>(total, (1 << 20) / o * o)), Qt::Uninitialized);
    std::vector<double> valeurs(static_cast<size_t>(tampon.size() / o));
    for (qint64 fait = 0; fait < total;) {
        const qint64 n = std::min<qint64>(tampon.size(), total - fait);
        LireExactement(f, tampon.data(), n);
        DecoderEchantillonsFit(t, reinterpret_cast<const uchar*>(tampon.constData()), static_cast<size_t>(n / o),
                               valeurs.data());
        for (qint64 i = 0; i < n / o; ++i) plancher = std::min(plancher, valeurs[static_cast<size_t>(i)]); // NaN skipped
        fait += n;
    }
    if (plancher == std::numeric_limits<double>::infinity()) plancher = 0; // nothing defined
    mini = std::min(mini, plancher);
    e.Plancher = plancher;
    if (mini < 0) e.Decalage = mini;
    return e;
}

// Headers of the whole list, every file checked against the first.
std::vector<TFichierFit> EntetesListeFit(const QStringList& liste)
{
    std::vector<TFichierFit> entetes;
    entetes.reserve(static_cast<size_t>(liste.size()));
    for (const QString& nom : liste) {
        entetes.push_back(AvecNomFichier(nom, [&] { return LireEnteteListeFit(nom); }));
        const TFichierFit& e = entetes.back();
        const TFichierFit& p = entetes.front();
        if (e.Largeur() != p.Largeur() || e.Hauteur() != p.Hauteur())
            TailleDifferente(nom, e.Largeur(), e.Hauteur(), p.Largeur(), p.Hauteur());
    }
    return entetes;
}

void VerifierTailleFit(const THistoFit& image, const QString& nom, int32_t l, int32_t h)
{
    if (image.XMax + 1 != l || image.YMax + 1 != h || !image.PixelsPresents())
        TailleDifferente(nom, image.XMax + 1, image.YMax + 1, l, h);
}

void NiveauxAutomatiques(THistoFit& resultat)
{
    const int32_t smax = SeuilMaxiAutoFit(resultat);
    const int32_t smin = SeuilMiniAutoFit(resultat);
    FixerSeuilsFit(resultat, smin, smax, false, true);
    FixerTransfertFit(resultat, false, true, TransfertParDefaut());
}

// Rows of a band per file: all files' bands together stay near a quarter of
// one image of doubles, or the floor for small images.
int32_t LignesParBande(int64_t fichiers, int64_t largeur, int64_t hauteur, int64_t octetsParEchantillon,
                       int64_t plancher = int64_t(1) << 20)
{
    const int64_t budget = std::max<int64_t>(largeur * hauteur * 8 / 4, plancher);
    const int64_t ligne = std::max<int64_t>(1, fichiers * largeur * octetsParEchantillon);
    return static_cast<int32_t>(std::clamp<int64_t>(budget / ligne, 1, hauteur));
}

} // namespace

// ===========================================================================
// Combination of FIT lists
// ===========================================================================

void MedianeListeFit(const QStringList& liste, THistoFit& resultat)
{
    if (liste.isEmpty()) return;
    const std::vector<TFichierFit> entetes = EntetesListeFit(liste);
    const int32_t w = entetes[0].Largeur(), h = entetes[0].Hauteur();
    const size_t n = entetes.size(), m = n / 2;

    // The middle file's header and size; its pixels are then replaced band
    // by band. The result changes only once everything has been read.
    THistoFit mediane;
    CreerHistoFit(mediane);
    const QString& nomMilieu = liste[static_cast<qsizetype>(m)];
    AvecNomFichier(nomMilieu, [&] { LireFichierFit(mediane, nomMilieu); });
    VerifierTailleFit(mediane, nomMilieu, w, h);

    // Each file is opened for its band and closed again: a list may hold
    // more files than a process may keep open.
    qint64 octetsMax = 0;
    for (const TFichierFit& e : entetes) octetsMax = std::max(octetsMax, e.OctetsLigne());
    // 16 MB at least: each band opens every file, and lists may be long.
    const int32_t lignes = LignesParBande(static_cast<int64_t>(n), w, h, sizeof(double), int64_t(1) << 24);
    std::vector<std::vector<double>> bandes(n, std::vector<double>(static_cast<size_t>(lignes) * w));
    QByteArray brut(static_cast<qsizetype>(lignes * octetsMax), Qt::Uninitialized);
    std::vector<double> valeurs(n);

    // Rows are stored bottom-up in the file: image rows y0..y1 are file rows
    // h-1-y1 .. h-1-y0, one contiguous run.
    for (int32_t y0 = 0; y0 < h; y0 += lignes) {
        const int32_t y1 = std::min(h, y0 + lignes) - 1;
        const int32_t r0 = h - 1 - y1, rangs = y1 - y0 + 1;
        for (size_t k = 0; k < n; ++k) {
            const TFichierFit& e = entetes[k];
            AvecNomFichier(e.Nom, [&] {
                QFile f;
                OuvrirFichierLecture(f, e.Nom);
                if (!f.seek(e.Entete.Debut + r0 * e.OctetsLigne())) LeverErreurFichier(ES_LectureApresFin);
                LireExactement(f, brut.data(), rangs * e.OctetsLigne());
            });
            double* v = bandes[k].data();
            DecoderEchantillonsFit(e.Entete, reinterpret_cast<const uchar*>(brut.constData()),
                                   static_cast<size_t>(rangs) * w, v);
            if (e.Entete.Blank)
                for (size_t i = 0; i < static_cast<size_t>(rangs) * w; ++i)
                    if (std::isnan(v[i])) v[i] = e.Plancher;
            if (e.Decalage != 0)
                for (size_t i = 0; i < static_cast<size_t>(rangs) * w; ++i) v[i] -= e.Decalage;
        }
        for (int32_t x = 0; x < w; ++x) {
            double* colonne = mediane.Colonne(x);
            for (int32_t y = y0; y <= y1; ++y) {
                const size_t position = static_cast<size_t>(h - 1 - y - r0) * w + x;
                for (size_t k = 0; k < n; ++k) valeurs[k] = bandes[k][position];
                std::nth_element(valeurs.begin(), valeurs.begin() + static_cast<std::ptrdiff_t>(m), valeurs.end());
                colonne[y] = valeurs[m];
            }
        }
    }
    const auto [mini, maxi] = std::minmax_element(mediane.Pixels.begin(), mediane.Pixels.end());
    mediane.Min = *mini;
    mediane.Max = *maxi;
    mediane.Zoom = 100;
    mediane.Palette.clear();
    EchangerHistoFit(mediane, resultat);
    NiveauxAutomatiques(resultat);
}

namespace {

// Shared by the FIT mean and sum: reads the files one at a time and adds
// them with the given rule into a buffer that replaces the result's pixels
// only once every file has been read.
template <class Regle>
void CombinerListeFit(const QStringList& liste, THistoFit& resultat, const TProgression& progression,
                      const QString& legende, const QString& operation, Regle regle, double& premierMin,
                      double& premierMax)
{
    TPositionListe ou{operation, liste[0]};
    AvecMemoireNommee(ou, [&] {
        const std::vector<TFichierFit> entetes = EntetesListeFit(liste);
        const int32_t w = entetes[0].Largeur(), h = entetes[0].Hauteur();
        ou.Largeur = w;
        ou.Hauteur = h;
        std::vector<double> cumul(static_cast<size_t>(w) * h, 0.0);
        THistoFit travail;
        CreerHistoFit(travail);
        TFinProgression fin(progression);
        for (qsizetype i = 0; i < liste.size(); ++i) {
            Annoncer(progression, legende, liste, i, ou);
            AvecNomFichier(liste[i], [&] { LireFichierFit(travail, liste[i]); });
            VerifierTailleFit(travail, liste[i], w, h);
            if (i == 0) {
                premierMin = travail.Min;
                premierMax = travail.Max;
            }
            regle(cumul, travail.Pixels);
        }
        DetruireHistoFit(travail);
        // The sums become the pixels under a default header: no second image
        // is made, and the result changes only once nothing can fail.
        QStringList entete;
        CreerEnteteFit(w, h, 16, 0, 65535, 0, entete);
        resultat.Entete = std::move(entete);
        resultat.Pixels = std::move(cumul);
        resultat.XMax = w - 1;
        resultat.YMax = h - 1;
    });
}

} // namespace

void MoyenneListeFit(const QStringList& liste, THistoFit& resultat, const TProgression& progression,
                     const QString& legende)
{
    if (liste.isEmpty()) return;
    double ignore1 = 0, ignore2 = 0;
    CombinerListeFit(
        liste, resultat, progression, legende, QStringLiteral("la moyenne"),
        [](std::vector<double>& cumul, const std::vector<double>& p) {
            for (size_t i = 0; i < cumul.size(); ++i) cumul[i] += p[i];
        },
        ignore1, ignore2);
    const double n = static_cast<double>(liste.size());
    for (double& v : resultat.Pixels) {
        v /= n; // not clamped: frames of reals may hold more than 65535, which the writer clamps
        if (resultat.Min > v) resultat.Min = v;
        if (resultat.Max < v) resultat.Max = v;
    }
    NiveauxAutomatiques(resultat);
}

void SommeListeFit(const QStringList& liste, THistoFit& resultat, const TProgression& progression,
                   const QString& legende)
{
    if (liste.isEmpty()) return;
    // Every partial sum is a stored value: the extremes follow all of them.
    double mini = std::numeric_limits<double>::infinity(), maxi = -mini;
    double premierMin = 0, premierMax = 0;
    CombinerListeFit(
        liste, resultat, progression, legende, QStringLiteral("la somme"),
        [&](std::vector<double>& cumul, const std::vector<double>& p) {
            for (size_t i = 0; i < cumul.size(); ++i) {
                const double v = BornerReel(cumul[i] + p[i], 0, 65535);
                cumul[i] = v;
                mini = std::min(mini, v);
                maxi = std::max(maxi, v);
            }
        },
        premierMin, premierMax);
    resultat.Min = std::min(premierMin, mini);
    resultat.Max = std::max(premierMax, maxi);
    NiveauxAutomatiques(resultat);
}

// ===========================================================================
// Combination of BMP lists
// ===========================================================================

namespace {

int OctetsParPixel(int format) { return format == pf24bit ? 3 : 1; }

// Loads one picture of the list; false, the picture left out, when its pixel
// format is not the first one's. Another size stops the operation.
bool ChargerPictureListe(THistoBmp& image, const QString& nom, int format, int32_t l, int32_t h)
{
    AvecNomFichier(nom, [&] { ChargerBmpSansAnalyse(image, nom); });
    if (FormatPixelBmp(image) != format) return false;
    if (LargeurBmp(image) != l || HauteurBmp(image) != h)
        TailleDifferente(nom, LargeurBmp(image), HauteurBmp(image), l, h);
    return true;
}

void ReglagesResultatBmp(THistoBmp& resultat)
{
    FixerSeuilsBmp(resultat, SeuilMiniBmpDefaut(), SeuilMaxiBmpDefaut(), false, true);
    FixerTransfertBmp(resultat, TransfertBmpDefaut(), false, true);
}

struct TPremierBmp {
    int Format = 0;
    int32_t Largeur = 0, Hauteur = 0;
};

// Format and size of the first picture; false when it is neither 8 nor 24-bit.
bool PremierBmp(const QStringList& liste, TPremierBmp& p)
{
    if (liste.isEmpty()) return false;
    THistoBmp t;
    CreerHistoBmp(t);
    AvecNomFichier(liste[0], [&] { ChargerBmpSansAnalyse(t, liste[0]); });
    p.Format = FormatPixelBmp(t);
    p.Largeur = LargeurBmp(t);
    p.Hauteur = HauteurBmp(t);
    DetruireHistoBmp(t);
    return p.Format == pf8bit || p.Format == pf24bit;
}

// Byte-wise mean or sum over every picture of the first one's format:
// regle accumulates a byte, finir turns an accumulated value and the number
// of pictures taken into the result's byte. The result changes only once the
// whole list has been read.
template <class Regle, class Finir>
void CombinerListeBmp(const QStringList& liste, THistoBmp& resultat, const TProgression& progression,
                      const QString& legende, const QString& operation, Regle regle, Finir finir)
{
    if (liste.isEmpty()) return;
    TPositionListe ou{operation, liste[0]};
    AvecMemoireNommee(ou, [&] {
        TPremierBmp p;
        if (!PremierBmp(liste, p)) return;
        ou.Largeur = p.Largeur;
        ou.Hauteur = p.Hauteur;
        const size_t octetsLigne = static_cast<size_t>(p.Largeur) * OctetsParPixel(p.Format);
        std::vector<double> cumul(octetsLigne * p.Hauteur, 0.0);
        int64_t prises = 0;
        {
            THistoBmp travail;
            CreerHistoBmp(travail);
            TFinProgression fin(progression);
            for (qsizetype i = 0; i < liste.size(); ++i) {
                Annoncer(progression, legende, liste, i, ou);
                if (!ChargerPictureListe(travail, liste[i], p.Format, p.Largeur, p.Hauteur)) continue;
                ++prises;
                for (int32_t y = 0; y < p.Hauteur; ++y) {
                    const uchar* ligne = travail.BitmapSource.constScanLine(y);
                    double* c = cumul.data() + y * octetsLigne;
                    for (size_t k = 0; k < octetsLigne; ++k) c[k] = regle(c[k], ligne[k]);
                }
            }
        }
        // The first file's picture (and palette), made black, then filled.
        ou.Nom = liste[0];
        ChargerBmpSansAnalyse(resultat, liste[0]);
        FixerTailleBmp(resultat, p.Largeur, p.Hauteur);
        for (int32_t y = 0; y < p.Hauteur; ++y) {
            uchar* ligne = resultat.BitmapSource.scanLine(y);
            const double* c = cumul.data() + y * octetsLigne;
            for (size_t k = 0; k < octetsLigne; ++k) ligne[k] = static_cast<uchar>(finir(c[k], prises));
        }
        MinMaxBmp(resultat.BitmapSource, resultat.Min, resultat.Max);
        ReglagesResultatBmp(resultat);
    });
}

} // namespace

void MoyenneListeBmp(const QStringList& liste, THistoBmp& resultat, const TProgression& progression,
                     const QString& legende)
{
    CombinerListeBmp(
        liste, resultat, progression, legende, QStringLiteral("la moyenne"), [](double c, uchar o) { return c + o; },
        [](double c, int64_t n) { return std::clamp(std::nearbyint(c / static_cast<double>(n)), 0.0, 255.0); });
}

void SommeListeBmp(const QStringList& liste, THistoBmp& resultat, const TProgression& progression,
                   const QString& legende)
{
    CombinerListeBmp(
        liste, resultat, progression, legende, QStringLiteral("la somme"),
        [](double c, uchar o) { return std::min(c + o, 255.0); },
        [](double c, int64_t) { return c; });
}

void MedianeListeBmp(const QStringList& liste, THistoBmp& resultat)
{
    TPremierBmp p;
    if (!PremierBmp(liste, p)) return;
    const qint64 octetsLigne = static_cast<qint64>(p.Largeur) * OctetsParPixel(p.Format);
    const qint64 octetsImage = octetsLigne * p.Hauteur;

    // The pictures go one at a time through a scratch file, so that each
    // band of rows can then be read back from every picture at once.
    TFichierTemporaire brouillon(QDir::tempPath() + QStringLiteral("/stelor_mediane_XXXXXX"));
    // The pictures of the first one's format, in list order; the median is
    // picture k div 2 of those.
    size_t n = 0;
    QString nomMilieu;
    {
        THistoBmp travail;
        CreerHistoBmp(travail);
        QStringList prises;
        for (const QString& nom : liste) {
            if (!ChargerPictureListe(travail, nom, p.Format, p.Largeur, p.Hauteur)) continue;
            prises << nom;
            ++n;
            for (int32_t y = 0; y < p.Hauteur; ++y)
                brouillon.Ecrire(reinterpret_cast<const char*>(travail.BitmapSource.constScanLine(y)), octetsLigne);
        }
        DetruireHistoBmp(travail);
        nomMilieu = prises[static_cast<qsizetype>(n / 2)];
    }
    const size_t m = n / 2;

    THistoBmp mediane;
    CreerHistoBmp(mediane);
    ChargerBmpSansAnalyse(mediane, nomMilieu);
    const int32_t lignes = LignesParBande(static_cast<int64_t>(n), octetsLigne, p.Hauteur, 1);
    std::vector<QByteArray> bandes(n, QByteArray(static_cast<qsizetype>(lignes * octetsLigne), Qt::Uninitialized));
    std::vector<uchar> valeurs(n);
    for (int32_t y0 = 0; y0 < p.Hauteur; y0 += lignes) {
        const int32_t y1 = std::min(p.Hauteur, y0 + lignes) - 1;
        const qint64 taille = (y1 - y0 + 1) * octetsLigne;
        for (size_t k = 0; k < n; ++k)
            brouillon.Lire(static_cast<qint64>(k) * octetsImage + y0 * octetsLigne, bandes[k].data(), taille);
        for (int32_t y = y0; y <= y1; ++y) {
            uchar* ligne = mediane.BitmapSource.scanLine(y);
            const qint64 debut = (y - y0) * octetsLigne;
            for (qint64 o = 0; o < octetsLigne; ++o) {
                for (size_t k = 0; k < n; ++k) valeurs[k] = static_cast<uchar>(bandes[k].constData()[debut + o]);
                std::nth_element(valeurs.begin(), valeurs.begin() + static_cast<std::ptrdiff_t>(m), valeurs.end());
                ligne[o] = valeurs[m];
            }
        }
    }
    MinMaxBmp(mediane.BitmapSource, mediane.Min, mediane.Max);
    mediane.Zoom = 100;
    EchangerHistoBmp(mediane, resultat);
    ReglagesResultatBmp(resultat);
}

// ===========================================================================
// Image and constant arithmetic
// ===========================================================================

namespace {

void VerifierMemesTailles(const THistoFit& reference, const THistoFit& autre)
{
    if (!reference.PixelsPresents() || !autre.PixelsPresents() || reference.XMax != autre.XMax ||
        reference.YMax != autre.YMax)
        LeverErreur(QStringLiteral("Les images n'ont pas les mêmes dimensions (%1 x %2 et %3 x %4).")
                        .arg(reference.XMax + 1)
                        .arg(reference.YMax + 1)
                        .arg(autre.XMax + 1)
                        .arg(autre.YMax + 1));
}

inline void Elargir(THistoFit& image, double v)
{
    if (image.Min > v) image.Min = v;
    if (image.Max < v) image.Max = v;
}

// Result := zeros of the first image's size under its header, with its
// extremes.
void PreparerSommeImages(const std::vector<const THistoFit*>& images, THistoFit& resultat)
{
    for (const THistoFit* image : images) VerifierMemesTailles(*images[0], *image);
    const int32_t w = images[0]->XMax + 1, h = images[0]->YMax + 1;
    const double mini = images[0]->Min, maxi = images[0]->Max;
    const int32_t zoom = images[0]->Zoom;
    const QList<QRgb> palette = images[0]->Palette;
    QStringList entete = images[0]->Entete;
    InitialiserImageFit(resultat, w, h, 0);
    resultat.Entete.swap(entete);
    resultat.Min = mini;
    resultat.Max = maxi;
    resultat.Zoom = zoom;
    resultat.Palette = palette;
}

// The images with any that is also the result replaced by a copy, which the
// result's zeroing cannot reach.
std::vector<const THistoFit*> SansResultat(const std::vector<const THistoFit*>& images, const THistoFit& resultat,
                                           THistoFit& copie)
{
    std::vector<const THistoFit*> r = images;
    for (const THistoFit*& image : r)
        if (image == &resultat) {
            if (copie.Pixels.empty()) copie = resultat;
            image = &copie;
        }
    return r;
}

} // namespace

void AdditionImagesFit(const std::vector<const THistoFit*>& liste, THistoFit& resultat)
{
    if (liste.empty()) return;
    THistoFit copie;
    const std::vector<const THistoFit*> images = SansResultat(liste, resultat, copie);
    PreparerSommeImages(images, resultat);
    for (const THistoFit* image : images)
        for (size_t i = 0; i < resultat.Pixels.size(); ++i) {
            const double v = BornerReel(resultat.Pixels[i] + image->Pixels[i], 0, 65535);
            resultat.Pixels[i] = v;
            Elargir(resultat, v);
        }
}

void SoustractionImagesFit(const THistoFit& a, const THistoFit& b, THistoFit& resultat)
{
    VerifierMemesTailles(a, b);
    THistoFit copieB;
    const THistoFit* pb = &b;
    if (&b == &resultat) {
        copieB = b;
        pb = &copieB;
    }
    if (&a != &resultat) CopierPixelsFit(a, resultat);
    for (size_t i = 0; i < resultat.Pixels.size(); ++i) {
        const double v = BornerReel(resultat.Pixels[i] - pb->Pixels[i], 0, 65535);
        resultat.Pixels[i] = v;
        Elargir(resultat, v);
    }
}

void MoyenneImagesFit(const std::vector<const THistoFit*>& liste, THistoFit& resultat)
{
    if (liste.empty()) return;
    THistoFit copie;
    const std::vector<const THistoFit*> images = SansResultat(liste, resultat, copie);
    PreparerSommeImages(images, resultat);
    for (const THistoFit* image : images)
        for (size_t i = 0; i < resultat.Pixels.size(); ++i) resultat.Pixels[i] += image->Pixels[i];
    const double n = static_cast<double>(images.size());
    for (double& p : resultat.Pixels) {
        p = BornerReel(p / n, 0, 65535);
        Elargir(resultat, p);
    }
}

void AjouterConstanteFit(THistoFit& image, double c)
{
    if (std::isnan(c)) return;
    for (double& p : image.Pixels) {
        p = BornerReel(p + c, 0, 65535);
        Elargir(image, p);
    }
}

void SoustraireConstanteFit(THistoFit& image, double c)
{
    if (std::isnan(c)) return;
    for (double& p : image.Pixels) {
        p = BornerReel(p - c, 0, 65535);
        Elargir(image, p);
    }
}

void AjusterNiveauFit(THistoFit& image, double niveau)
{
    if (!image.PixelsPresents()) return;
    AjouterConstanteFit(image, niveau - MoyenneFit(image));
}

void AjouterConstanteBmp(THistoBmp& image, int32_t n)
{
    const int format = FormatPixelBmp(image);
    if (format != pf8bit && format != pf24bit) return;
    n = std::clamp(n, -255, 255); // beyond, every byte ends at the same bound
    QImage& b = image.BitmapSource;
    const int octets = b.width() * OctetsParPixel(format);
    for (int y = 0; y < b.height(); ++y) {
        uchar* ligne = b.scanLine(y);
        for (int k = 0; k < octets; ++k) ligne[k] = static_cast<uchar>(BornerEntier(ligne[k] + n, 0, 255));
    }
}

void AjusterNiveauBmp(THistoBmp& image, double niveau)
{
    const double d = std::nearbyint(niveau - MoyenneBmp(image));
    if (std::isnan(d)) return;
    AjouterConstanteBmp(image, static_cast<int32_t>(std::clamp(d, -256.0, 256.0)));
}

// ===========================================================================
// Translations
// ===========================================================================

namespace {

// Whole part of an amount, bounded so that no later sum overflows (any
// amount beyond the bound empties every image anyway).
int64_t PartieEntiere(double d)
{
    constexpr double borne = 1e12;
    return static_cast<int64_t>(std::trunc(std::clamp(d, -borne, borne)));
}

// One line of doubles (stride apart): the fractional shift with the two
// writes of each value reported to note().
template <class Noter>
void InterpolerLigne(double* p, int64_t longueur, ptrdiff_t pas, double f, Noter note)
{
    const double g = std::fabs(f);
    if (longueur <= 0) return;
    if (f > 0) {
        double ancien = p[(longueur - 1) * pas];
        double v = ancien - g * ancien;
        p[(longueur - 1) * pas] = v;
        note(v);
        for (int64_t x = longueur - 1; x >= 1; --x) {
            const double voisin = p[(x - 1) * pas];
            v = p[x * pas] + g * voisin;
            p[x * pas] = v;
            note(v);
            v = voisin - g * voisin;
            p[(x - 1) * pas] = v;
            note(v);
        }
    } else {
        double ancien = p[0];
        double v = ancien - g * ancien;
        p[0] = v;
        note(v);
        for (int64_t x = 0; x <= longueur - 2; ++x) {
            const double voisin = p[(x + 1) * pas];
            v = p[x * pas] + g * voisin;
            p[x * pas] = v;
            note(v);
            v = voisin - g * voisin;
            p[(x + 1) * pas] = v;
            note(v);
        }
    }
}

// The same on bytes, each write rounded (halves to even) and clamped.
inline uchar OctetArrondi(double v) { return static_cast<uchar>(std::clamp(std::nearbyint(v), 0.0, 255.0)); }

void InterpolerLigneOctets(uchar* p, int64_t longueur, ptrdiff_t pas, double f)
{
    const double g = std::fabs(f);
    if (longueur <= 0) return;
    if (f > 0) {
        const double dernier = p[(longueur - 1) * pas];
        p[(longueur - 1) * pas] = OctetArrondi(dernier - g * dernier);
        for (int64_t x = longueur - 1; x >= 1; --x) {
            const double voisin = p[(x - 1) * pas];
            p[x * pas] = OctetArrondi(p[x * pas] + g * voisin);
            p[(x - 1) * pas] = OctetArrondi(voisin - g * voisin);
        }
    } else {
        const double premier = p[0];
        p[0] = OctetArrondi(premier - g * premier);
        for (int64_t x = 0; x <= longueur - 2; ++x) {
            const double voisin = p[(x + 1) * pas];
            p[x * pas] = OctetArrondi(p[x * pas] + g * voisin);
            p[(x + 1) * pas] = OctetArrondi(voisin - g * voisin);
        }
    }
}

// A shift of the whole size or more empties the line: bounding the amount
// there keeps every later index and absolute value in range.
int64_t BornerDecalage(int64_t n, int64_t taille) { return std::clamp(n, -taille, taille); }

bool FormatTraite(const QImage& b)
{
    const int f = FormatPixelBitmap(b);
    return f == pf8bit || f == pf24bit;
}

void RecalculerMinMax(THistoBmp& image) { MinMaxBmp(image.BitmapSource, image.Min, image.Max); }

// True when some step ran.
template <class Decaler, class Interpoler>
bool Translation(double d, bool fractionnaire, Decaler decaler, Interpoler interpoler)
{
    if (!std::isfinite(d)) return false;
    const int64_t n = PartieEntiere(d);
    if (n != 0) decaler(n);
    const double f = d - static_cast<double>(n);
    if (!fractionnaire || f == 0 || std::fabs(f) >= 1) return n != 0;
    interpoler(f);
    return true;
}

// A FIT image whose content moved on its grid.
void Deplacee(THistoFit& image, bool deplacee)
{
    if (deplacee && image.PixelsPresents()) EnteteApresGeometrieFit(image);
}

} // namespace

void DecalerXFit(THistoFit& image, int64_t n)
{
    if (n == 0 || !image.PixelsPresents()) return;
    const int64_t w = image.XMax + 1, h = image.YMax + 1;
    n = BornerDecalage(n, w);
    const int64_t k = std::abs(n);
    // Columns are contiguous blocks: the shift moves one block of columns.
    double* p = image.Pixels.data();
    if (n > 0) {
        std::memmove(p + k * h, p, static_cast<size_t>((w - k) * h) * sizeof(double));
        std::fill(p, p + k * h, 0.0);
    } else {
        std::memmove(p, p + k * h, static_cast<size_t>((w - k) * h) * sizeof(double));
        std::fill(p + (w - k) * h, p + w * h, 0.0);
    }
    for (double v : image.Pixels) Elargir(image, v);
}

void DecalerYFit(THistoFit& image, int64_t n)
{
    if (n == 0 || !image.PixelsPresents()) return;
    const int64_t h = image.YMax + 1;
    n = BornerDecalage(n, h);
    const int64_t k = std::abs(n);
    for (int32_t x = 0; x <= image.XMax; ++x) {
        double* c = image.Colonne(x);
        if (n > 0) {
            std::memmove(c + k, c, static_cast<size_t>(h - k) * sizeof(double));
            std::fill(c, c + k, 0.0);
        } else {
            std::memmove(c, c + k, static_cast<size_t>(h - k) * sizeof(double));
            std::fill(c + (h - k), c + h, 0.0);
        }
    }
    for (double v : image.Pixels) Elargir(image, v);
}

void InterpolerXFit(THistoFit& image, double f)
{
    if (!image.PixelsPresents() || !(std::fabs(f) > 0 && std::fabs(f) < 1)) return;
    // Column by column, as the pixels lie, with the same operations in the
    // same order as along a row: each column from itself and its neighbour
    // on the side the content comes from, taken before that one changes.
    const double g = std::fabs(f);
    const int32_t w = image.XMax + 1;
    const int64_t h = image.YMax + 1;
    double mini = image.Min, maxi = image.Max;
    auto combiner = [&](double* c, const double* voisin) {
        for (int64_t y = 0; y < h; ++y) {
            const double a = c[y];
            const double r = a - g * a; // noted along a row too
            const double v = r + g * voisin[y];
            c[y] = v;
            mini = std::min(mini, std::min(r, v));
            maxi = std::max(maxi, std::max(r, v));
        }
    };
    auto seule = [&](double* c) {
        for (int64_t y = 0; y < h; ++y) {
            const double a = c[y];
            const double v = a - g * a;
            c[y] = v;
            mini = std::min(mini, v);
            maxi = std::max(maxi, v);
        }
    };
    if (f > 0) {
        for (int32_t x = w - 1; x >= 1; --x) combiner(image.Colonne(x), image.Colonne(x - 1));
        seule(image.Colonne(0));
    } else {
        for (int32_t x = 0; x <= w - 2; ++x) combiner(image.Colonne(x), image.Colonne(x + 1));
        seule(image.Colonne(w - 1));
    }
    Elargir(image, mini);
    Elargir(image, maxi);
}

void InterpolerYFit(THistoFit& image, double f)
{
    if (!image.PixelsPresents() || !(std::fabs(f) > 0 && std::fabs(f) < 1)) return;
    auto note = [&image](double v) { Elargir(image, v); };
    for (int32_t x = 0; x <= image.XMax; ++x) InterpolerLigne(image.Colonne(x), image.YMax + 1, 1, f, note);
}

void DecalerXBitmap(QImage& bitmap, int64_t n)
{
    if (n == 0 || !FormatTraite(bitmap)) return;
    const int64_t o = OctetsParPixel(FormatPixelBitmap(bitmap));
    const int64_t w = bitmap.width();
    n = BornerDecalage(n, w);
    const int64_t k = std::abs(n);
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* l = bitmap.scanLine(y);
        if (n > 0) {
            std::memmove(l + k * o, l, static_cast<size_t>((w - k) * o));
            std::memset(l, 0, static_cast<size_t>(k * o));
        } else {
            std::memmove(l, l + k * o, static_cast<size_t>((w - k) * o));
            std::memset(l + (w - k) * o, 0, static_cast<size_t>(k * o));
        }
    }
}

void DecalerYBitmap(QImage& bitmap, int64_t n)
{
    if (n == 0 || !FormatTraite(bitmap)) return;
    const int64_t h = bitmap.height();
    n = BornerDecalage(n, h);
    const size_t octets = static_cast<size_t>(bitmap.width()) * OctetsParPixel(FormatPixelBitmap(bitmap));
    if (n > 0) {
        for (int64_t y = h - 1; y >= 0; --y) {
            uchar* l = bitmap.scanLine(static_cast<int>(y));
            if (y - n >= 0) std::memcpy(l, bitmap.constScanLine(static_cast<int>(y - n)), octets);
            else std::memset(l, 0, octets);
        }
    } else {
        for (int64_t y = 0; y < h; ++y) {
            uchar* l = bitmap.scanLine(static_cast<int>(y));
            if (y - n <= h - 1) std::memcpy(l, bitmap.constScanLine(static_cast<int>(y - n)), octets);
            else std::memset(l, 0, octets);
        }
    }
}

void InterpolerXBitmap(QImage& bitmap, double f)
{
    if (!FormatTraite(bitmap) || !(std::fabs(f) > 0 && std::fabs(f) < 1)) return;
    const int o = OctetsParPixel(FormatPixelBitmap(bitmap));
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* l = bitmap.scanLine(y);
        for (int c = 0; c < o; ++c) InterpolerLigneOctets(l + c, bitmap.width(), o, f);
    }
}

void InterpolerYBitmap(QImage& bitmap, double f)
{
    if (!FormatTraite(bitmap) || bitmap.height() == 0 || !(std::fabs(f) > 0 && std::fabs(f) < 1)) return;
    const int o = OctetsParPixel(FormatPixelBitmap(bitmap));
    uchar* base = bitmap.scanLine(0); // detaches once; rows are bytesPerLine apart
    const ptrdiff_t pas = bitmap.bytesPerLine();
    for (int k = 0; k < bitmap.width() * o; ++k) InterpolerLigneOctets(base + k, bitmap.height(), pas, f);
}

void DecalerXBmp(THistoBmp& image, int64_t n)
{
    if (n == 0 || !FormatTraite(image.BitmapSource)) return;
    DecalerXBitmap(image.BitmapSource, n);
    RecalculerMinMax(image);
}

void DecalerYBmp(THistoBmp& image, int64_t n)
{
    if (n == 0 || !FormatTraite(image.BitmapSource)) return;
    DecalerYBitmap(image.BitmapSource, n);
    RecalculerMinMax(image);
}

void InterpolerXBmp(THistoBmp& image, double f)
{
    if (!FormatTraite(image.BitmapSource)) return;
    InterpolerXBitmap(image.BitmapSource, f);
    RecalculerMinMax(image);
}

void InterpolerYBmp(THistoBmp& image, double f)
{
    if (!FormatTraite(image.BitmapSource)) return;
    InterpolerYBitmap(image.BitmapSource, f);
    RecalculerMinMax(image);
}

void TranslationXFit(THistoFit& image, double d, bool fractionnaire)
{
    Deplacee(image, Translation(d, fractionnaire, [&](int64_t n) { DecalerXFit(image, n); },
                                [&](double f) { InterpolerXFit(image, f); }));
}

void TranslationYFit(THistoFit& image, double d, bool fractionnaire)
{
    Deplacee(image, Translation(d, fractionnaire, [&](int64_t n) { DecalerYFit(image, n); },
                                [&](double f) { InterpolerYFit(image, f); }));
}

void TranslationXBmp(THistoBmp& image, double d, bool fractionnaire)
{
    Translation(d, fractionnaire, [&](int64_t n) { DecalerXBmp(image, n); }, [&](double f) { InterpolerXBmp(image, f); });
}

void TranslationYBmp(THistoBmp& image, double d, bool fractionnaire)
{
    Translation(d, fractionnaire, [&](int64_t n) { DecalerYBmp(image, n); }, [&](double f) { InterpolerYBmp(image, f); });
}

void TranslationXBitmap(QImage& bitmap, double d, bool fractionnaire)
{
    Translation(d, fractionnaire, [&](int64_t n) { DecalerXBitmap(bitmap, n); },
                [&](double f) { InterpolerXBitmap(bitmap, f); });
}

void TranslationYBitmap(QImage& bitmap, double d, bool fractionnaire)
{
    Translation(d, fractionnaire, [&](int64_t n) { DecalerYBitmap(bitmap, n); },
                [&](double f) { InterpolerYBitmap(bitmap, f); });
}

void TranslationXFit(THistoFit& image, double d) { TranslationXFit(image, d, LireTranslationFract()); }
void TranslationYFit(THistoFit& image, double d) { TranslationYFit(image, d, LireTranslationFract()); }
void TranslationXBmp(THistoBmp& image, double d) { TranslationXBmp(image, d, LireTranslationFract()); }
void TranslationYBmp(THistoBmp& image, double d) { TranslationYBmp(image, d, LireTranslationFract()); }
void TranslationXBitmap(QImage& bitmap, double d) { TranslationXBitmap(bitmap, d, LireTranslationFract()); }
void TranslationYBitmap(QImage& bitmap, double d) { TranslationYBitmap(bitmap, d, LireTranslationFract()); }

// ===========================================================================
// Mirrors and rotations
// ===========================================================================

namespace {

// Rebuilds the image from a copy of its pixels; placer(x, y) gives where the
// old pixel (x, y) goes in the new w2 x h2 image. The header follows.
template <class Placer>
void Replacer(THistoFit& image, int32_t w2, int32_t h2, Placer placer)
{
    const int32_t w = image.XMax + 1, h = image.YMax + 1;
    std::vector<double> nouveau(static_cast<size_t>(w2) * h2, 0.0);
    const double* source = image.Pixels.data();
    // By tiles: a quarter turn reads columns and writes rows, and a tile of
    // each stays in the cache.
    constexpr int32_t Tuile = 64;
    for (int32_t x0 = 0; x0 < w; x0 += Tuile)
        for (int32_t y0 = 0; y0 < h; y0 += Tuile) {
            const int32_t x1 = std::min(w, x0 + Tuile), y1 = std::min(h, y0 + Tuile);
            for (int32_t x = x0; x < x1; ++x) {
                const double* c = source + static_cast<size_t>(x) * h;
                for (int32_t y = y0; y < y1; ++y) {
                    const auto [nx, ny] = placer(x, y);
                    nouveau[static_cast<size_t>(nx) * h2 + ny] = c[y];
                }
            }
        }
    image.Pixels.swap(nouveau);
    image.XMax = w2 - 1;
    image.YMax = h2 - 1;
    EnteteApresGeometrieFit(image);
}

// A quarter turn: width and height exchanged.
template <class Placer>
void QuartDeTour(THistoFit& image, Placer placer)
{
    if (!image.PixelsPresents()) return;
    Replacer(image, image.YMax + 1, image.XMax + 1, placer);
}

} // namespace

void MiroirHorizontalFit(THistoFit& image)
{
    if (!image.PixelsPresents()) return;
    const int32_t xm = image.XMax;
    Replacer(image, image.XMax + 1, image.YMax + 1, [xm](int32_t x, int32_t y) { return std::pair(xm - x, y); });
}

void MiroirVerticalFit(THistoFit& image)
{
    if (!image.PixelsPresents()) return;
    const int32_t ym = image.YMax;
    Replacer(image, image.XMax + 1, image.YMax + 1, [ym](int32_t x, int32_t y) { return std::pair(x, ym - y); });
}

void Rotation180Fit(THistoFit& image)
{
    if (!image.PixelsPresents()) return;
    const int32_t xm = image.XMax, ym = image.YMax;
    Replacer(image, xm + 1, ym + 1, [xm, ym](int32_t x, int32_t y) { return std::pair(xm - x, ym - y); });
}

void Rotation90Fit(THistoFit& image)
{
    const int32_t h = image.YMax + 1;
    QuartDeTour(image, [h](int32_t x, int32_t y) { return std::pair(h - 1 - y, x); });
}

void Rotation270Fit(THistoFit& image)
{
    const int32_t w = image.XMax + 1;
    QuartDeTour(image, [w](int32_t x, int32_t y) { return std::pair(y, w - 1 - x); });
}

// ===========================================================================
// Star centroid
// ===========================================================================

int32_t LargeurFenetreCentroide(int32_t reglage) { return reglage < 2 ? 5 : reglage; }

namespace {

struct TFenetre {
    int32_t Gauche = 0, Haut = 0, Droite = 0, Bas = 0;
};

// The window around the brightest pixel, clipped at the image's edges:
// columns xm - half .. xm + half - 1 (the same for rows).
TFenetre FenetreAutour(int32_t xm, int32_t ym, int32_t w, int32_t h, int32_t largeur)
{
    const int64_t demi = LargeurFenetreCentroide(largeur) / 2;
    auto positif = [](int64_t v) { return static_cast<int32_t>(std::max<int64_t>(v, 0)); };
    TFenetre f;
    f.Gauche = positif(xm - demi);
    f.Haut = positif(ym - demi);
    f.Droite = positif(int64_t(w) - xm - demi);
    f.Bas = positif(int64_t(h) - ym - demi);
    return f;
}

// Weighted centre over the window of a w x h picture read through valeur(x, y).
template <class Valeur>
bool Centroide(const TFenetre& f, int32_t w, int32_t h, Valeur valeur, double& cx, double& cy)
{
    const int32_t x0 = f.Gauche, x1 = w - 1 - f.Droite, y0 = f.Haut, y1 = h - 1 - f.Bas;
    if (x1 < x0 || y1 < y0) return false;
    long double somme = 0;
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) somme += valeur(x, y);
    const long double seuil = somme / (static_cast<long double>(x1 - x0 + 1) * (y1 - y0 + 1));
    long double sx = 0, sy = 0, s = 0;
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) {
            const double v = valeur(x, y);
            if (v >= seuil) {
                sx += static_cast<long double>(x - x0) * v;
                sy += static_cast<long double>(y - y0) * v;
                s += v;
            }
        }
    if (s == 0 || !std::isfinite(static_cast<double>(s))) return false;
    cx = static_cast<double>(sx / s) + x0;
    cy = static_cast<double>(sy / s) + y0;
    return true;
}

// Byte of a picture's plane: the 8-bit byte, or one channel of a 24-bit pixel.
struct TPlan {
    const QImage* Bitmap = nullptr;
    int Octets = 1;
    int Decalage = 0;
    uchar operator()(int32_t x, int32_t y) const { return Bitmap->constScanLine(y)[x * Octets + Decalage]; }
};

bool PlanBmp(const THistoBmp& image, int32_t couleur, TPlan& plan)
{
    plan.Bitmap = &image.BitmapSource;
    const int format = FormatPixelBmp(image);
    if (format == pf8bit) return true;
    if (format != pf24bit) return false;
    plan.Octets = 3;
    plan.Decalage = OctetPlan(couleur);
    return plan.Decalage >= 0;
}

} // namespace

void FenetreEtoileFit(THistoFit& image, int32_t& gauche, int32_t& haut, int32_t largeur)
{
    if (!image.PixelsPresents()) return;
    int32_t xm = 0, ym = 0;
    PositionMaxiFit(image, xm, ym);
    const TFenetre f = FenetreAutour(xm, ym, image.XMax + 1, image.YMax + 1, largeur);
    if (ExtraireZoneFit(image, f.Haut, f.Bas, f.Gauche, f.Droite)) {
        gauche = f.Gauche;
        haut = f.Haut;
    }
}

void FenetreEtoileFit(THistoFit& image, int32_t& gauche, int32_t& haut)
{
    FenetreEtoileFit(image, gauche, haut, LireLargMatriceCentroide());
}

void FenetreEtoileBmp(THistoBmp& image, int32_t& gauche, int32_t& haut, int32_t largeur)
{
    const int format = FormatPixelBmp(image);
    if (format != pf8bit && format != pf24bit) return;
    int32_t xm = 0, ym = 0;
    PositionMaxBmp(image, xm, ym);
    const TFenetre f = FenetreAutour(xm, ym, LargeurBmp(image), HauteurBmp(image), largeur);
    if (ExtraireZoneBmp(image, f.Haut, f.Bas, f.Gauche, f.Droite)) {
        gauche = f.Gauche;
        haut = f.Haut;
    }
}

void FenetreEtoileBmp(THistoBmp& image, int32_t& gauche, int32_t& haut)
{
    FenetreEtoileBmp(image, gauche, haut, LireLargMatriceCentroide());
}

bool PositionEtoileFit(const THistoFit& image, double& x, double& y, int32_t largeur)
{
    // The window is read in place: cropping a copy would give the same values.
    if (!image.PixelsPresents()) return false;
    int32_t xm = 0, ym = 0;
    PositionMaxiFit(image, xm, ym);
    const int32_t w = image.XMax + 1, h = image.YMax + 1;
    const TFenetre f = FenetreAutour(xm, ym, w, h, largeur);
    return Centroide(f, w, h, [&image](int32_t i, int32_t j) { return image.Pixel(i, j); }, x, y);
}

bool PositionEtoileFit(const THistoFit& image, double& x, double& y)
{
    return PositionEtoileFit(image, x, y, LireLargMatriceCentroide());
}

bool PositionEtoileBmp(const THistoBmp& image, double& x, double& y, int32_t couleur, int32_t largeur)
{
    TPlan plan;
    if (!PlanBmp(image, couleur, plan)) return false;
    const int32_t w = image.BitmapSource.width(), h = image.BitmapSource.height();
    if (w < 1 || h < 1) return false;
    // Brightest byte of the plane in reading order (rows from the top).
    int32_t xm = 0, ym = 0;
    int meilleur = 0;
    for (int32_t j = 0; j < h; ++j)
        for (int32_t i = 0; i < w; ++i)
            if (plan(i, j) > meilleur) {
                meilleur = plan(i, j);
                xm = i;
                ym = j;
            }
    const TFenetre f = FenetreAutour(xm, ym, w, h, largeur);
    return Centroide(f, w, h, [&plan](int32_t i, int32_t j) { return static_cast<double>(plan(i, j)); }, x, y);
}

bool PositionEtoileBmp(const THistoBmp& image, double& x, double& y, int32_t couleur)
{
    return PositionEtoileBmp(image, x, y, couleur, LireLargMatriceCentroide());
}

// ===========================================================================
// Planetary disk
// ===========================================================================

namespace {

// 100 columns then 100 rows: 0, s, 2s, ..., 98s and the last one, with
// s = size div 99. Each line adds its first and its last point at the
// threshold (top then bottom, left then right).
template <class Valeur>
void PointsBord(int32_t w, int32_t h, Valeur valeur, double seuil, QList<TPointBord>& points)
{
    if (w < 1 || h < 1) return;
    for (const bool colonnes : {true, false}) {
        const int32_t lignes = colonnes ? w : h, longueur = colonnes ? h : w;
        const auto point = [colonnes](int32_t ligne, int32_t i) {
            return colonnes ? TPointBord{ligne, i} : TPointBord{i, ligne};
        };
        const auto ajouter = [&](int32_t ligne, int32_t i) {
            const TPointBord p = point(ligne, i);
            if (valeur(p.x, p.y) < seuil) return false;
            points.append(p);
            return true;
        };
        const int32_t pas = lignes / 99;
        int32_t ligne = 0;
        for (int k = 1; k <= 100; ++k, ligne += pas) {
            if (k == 100) ligne = lignes - 1;
            for (int32_t i = 0; i < longueur && !ajouter(ligne, i); ++i) {
            }
            for (int32_t i = longueur - 1; i >= 0 && !ajouter(ligne, i); --i) {
            }
        }
    }
}

} // namespace

void PointsBordDisqueFit(const THistoFit& image, QList<TPointBord>& points, double seuil)
{
    if (!image.PixelsPresents()) return;
    PointsBord(image.XMax + 1, image.YMax + 1, [&image](int32_t x, int32_t y) { return image.Pixel(x, y); }, seuil,
               points);
}

void PointsBordDisqueBmp(const THistoBmp& image, QList<TPointBord>& points, int32_t couleur, double seuil)
{
    TPlan plan;
    if (!PlanBmp(image, couleur, plan)) return;
    PointsBord(image.BitmapSource.width(), image.BitmapSource.height(),
               [&plan](int32_t x, int32_t y) { return static_cast<double>(plan(x, y)); }, seuil, points);
}

void OrdonnerPointsContour(QList<TPointBord>& points)
{
    const qsizetype n = points.size();
    if (n < 1) return;
    const QList<TPointBord> table = points;
    std::vector<bool> pris(static_cast<size_t>(n), false);
    pris[0] = true;
    for (qsizetype k = 1; k < n; ++k) {
        const TPointBord p = points[k - 1];
        qsizetype choix = -1;
        int64_t meilleure = 0;
        for (qsizetype i = 0; i < n; ++i) {
            if (pris[static_cast<size_t>(i)]) continue;
            const int64_t d = std::llabs(int64_t(table[i].x) - p.x) + std::llabs(int64_t(table[i].y) - p.y);
            if (choix < 0 || d < meilleure) {
                choix = i;
                meilleure = d;
            }
        }
        points[k] = table[choix];
        pris[static_cast<size_t>(choix)] = true;
    }
}

bool CentreContour(const QList<TPointBord>& points, double& x, double& y)
{
    const qsizetype n = points.size();
    if (n < 3) return false;
    // Twice the enclosed area, exactly: points on one line enclose nothing.
    int64_t double_aire = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const TPointBord& p = points[i];
        const TPointBord& q = points[(i + 1) % n];
        double_aire += int64_t(p.x) * q.y - int64_t(q.x) * p.y;
    }
    if (double_aire == 0) return false;

    long double aire = 0, mx = 0, my = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const long double x1 = points[i].x, y1 = points[i].y;
        const long double x2 = points[(i + 1) % n].x, y2 = points[(i + 1) % n].y;
        if (x1 == x2) continue; // a vertical segment adds nothing
        const long double a = (y2 - y1) / (x2 - x1);
        const long double b = (x1 * y2 - x2 * y1) / (x1 - x2);
        const long double d1 = x2 - x1, d2 = x2 * x2 - x1 * x1, d3 = x2 * x2 * x2 - x1 * x1 * x1;
        aire += a * d2 / 2 + b * d1;
        mx += a * a * d3 / 6 + a * b * d2 / 2 + b * b * d1 / 2;
        my += a * d3 / 3 + b * d2 / 2;
    }
    if (aire == 0) return false;
    x = static_cast<double>(my / aire);
    y = static_cast<double>(mx / aire);
    return true;
}
