#include "UEcritureFit.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UCartesFit.h"

#include <QIODevice>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <vector>

namespace {

bool EstMotCleStructure(const QString& k)
{
    static const QRegularExpression naxis(QStringLiteral("^NAXIS[0-9]+$"));
    return k == QLatin1String("SIMPLE") || k == QLatin1String("BITPIX") || k == QLatin1String("NAXIS") ||
           naxis.match(k).hasMatch();
}

// Cards that the written file would make false: the checksums of the data
// read, and what describes a third or further axis, which is not written.
bool EstCartePerimee(const QString& carte)
{
    const QString k = MotCleCarte(carte);
    if (k == QLatin1String("CHECKSUM") || k == QLatin1String("DATASUM"))
        return true;
    if (k == QLatin1String("WCSAXES")) {
        int32_t n = 0;
        return !TexteCarteEnEntierSigne(ValeurCarteSansCommentaire(carte), n) || n > 2;
    }
    const std::optional<std::pair<int, int>> axes = AxesCoordonneesFit(k);
    return axes && (axes->first >= 3 || axes->second >= 3);
}

// How pixels become 16-bit samples: sample = round((pixel - BZero) / BScale)
// within Bas..Haut, written as two's complement; BZERO 0 keeps the samples
// at 0..32767 so that every FITS reader reads what this one does.
struct TEchelleEcriture {
    double BScale = 1;
    double BZero = 0;
    int32_t Bas = 0;
    int32_t Haut = 32767;

    TEchelleEcriture() = default;
    TEchelleEcriture(double bscale, double bzero)
        : BScale(bscale), BZero(bzero), Bas(bzero == 0 ? 0 : -32768), Haut(32767)
    {
    }
    // The unbounded sample of a pixel; NaN for NaN.
    double Echantillon(double p) const
    {
        // BSCALE 1 and a whole BZERO: the pixel rounded, then offset, so that
        // no subtraction moves a value near a half.
        if (BScale == 1 && BZero == std::nearbyint(BZero))
            return std::nearbyint(p) - BZero;
        return std::nearbyint((p - BZero) / BScale);
    }
    // The sample as written: clamped to Bas..Haut (NaN: Bas).
    double Borne(double p) const
    {
        const double e = Echantillon(p);
        return e >= Bas ? (e <= Haut ? e : Haut) : Bas;
    }
    uint16_t Brut(double p) const { return static_cast<uint16_t>(static_cast<int32_t>(Borne(p))); }
    // The value the reader gives back for the pixel's sample.
    double Relue(double p) const { return Borne(p) * BScale + BZero; }
};

// BSCALE 1: samples 0..65535 as the pixels rounded, with BZERO 32768 from a
// maximum of 32768 on.
TEchelleEcriture EchelleUnite(double maxi)
{
    TEchelleEcriture unite(1, std::nearbyint(maxi) >= 32768 ? 32768 : 0);
    unite.Bas = 0 - static_cast<int32_t>(unite.BZero);
    unite.Haut = 65535 - static_cast<int32_t>(unite.BZero);
    return unite;
}

// Min on the lowest sample, Max on the highest: every value within half a
// step of (Max - Min) / 65535.
TEchelleEcriture EchelleEtalee(double mini, double maxi)
{
    double pas = (maxi - mini) / 65535;
    if (!std::isfinite(pas))
        pas = maxi / 65535 - mini / 65535;
    // One value (or as good as one): it is BZERO, and every sample 0.
    if (!(pas >= std::numeric_limits<double>::min()))
        return TEchelleEcriture(1, mini);
    double bzero = mini + 32768 * pas;
    // BZERO 0 would have this reader take the samples as 0..65535.
    if (bzero == 0) {
        pas = (maxi - mini) / 65534;
        bzero = mini + 32767 * pas;
    }
    return TEchelleEcriture(pas, bzero);
}

// The pixels' extremes, NaN aside, and whether every one is a whole number.
struct TEtenduePixels {
    double Min = std::numeric_limits<double>::infinity();
    double Max = -std::numeric_limits<double>::infinity();
    bool Entiers = true;
};

TEtenduePixels EtenduePixels(const THistoFit& image)
{
    TEtenduePixels e;
    for (const double p : image.Pixels) {
        if (std::isnan(p))
            continue;
        e.Min = std::min(e.Min, p);
        e.Max = std::max(e.Max, p);
        e.Entiers = e.Entiers && p == std::nearbyint(p);
    }
    return e;
}

TEchelleEcriture ChoisirEchelle(const THistoFit& image, const QStringList& entete)
{
    const TEtenduePixels etendue = EtenduePixels(image);
    // Max, or a pixel the invariant should have counted, decides BZERO 32768.
    const TEchelleEcriture unite = EchelleUnite(std::max(image.Max, etendue.Max));
    if (etendue.Min > etendue.Max)
        return unite;
    // Whole units hold the image when every pixel rounds into 0..65535 and
    // the rounding keeps it: whole numbers, or 256 levels at least.
    const double bas = std::nearbyint(etendue.Min), haut = std::nearbyint(etendue.Max);
    const bool parUnites = bas >= 0 && haut <= 65535 && (etendue.Entiers || haut - bas >= 255);
    TEchelleEcriture choix = parUnites ? unite : EchelleEtalee(etendue.Min, etendue.Max);
    if (!EchelleLisibleFit(16, choix.BScale, choix.BZero))
        choix = unite;

    // The header's own scaling, when it is not the plain one, the reader
    // accepts it and every sample fits 16 bits under it, unless the choice
    // above brings some pixel back closer: an image read under it comes back
    // as it was, one whose values left its steps (after +1 on BSCALE 2) is
    // not rounded to them. No value may read back below 0: the reader would
    // shift every other.
    const double bscale = LireBScaleFit(entete), bzero = LireBZeroFit(entete);
    if ((bscale == 1 && (bzero == 0 || bzero == 32768)) || bscale == 0 || !EchelleLisibleFit(16, bscale, bzero))
        return choix;
    const TEchelleEcriture lue(bscale, bzero);
    double ecartLue = 0, ecartChoix = 0;
    for (const double p : image.Pixels) {
        if (std::isnan(p))
            continue;
        const double e = lue.Echantillon(p), relue = e * bscale + bzero;
        if (!(e >= lue.Bas && e <= lue.Haut) || relue < 0)
            return choix;
        ecartLue = std::max(ecartLue, std::fabs(relue - p));
        ecartChoix = std::max(ecartChoix, std::fabs(choix.Relue(p) - p));
    }
    return ecartLue <= ecartChoix ? lue : choix;
}

// The image's cards that may be written: without those the file would make
// false, each in its written form (printable ASCII, "= " after the keyword),
// without "END" nor any card that some reader would take for a keyword that
// lays out or scales the data, but for the standard value cards the writer
// settles itself. The scaling is read from these.
QStringList EnteteNettoyee(const QStringList& cartes)
{
    QStringList entete = cartes;
    entete.erase(std::remove_if(entete.begin(), entete.end(), EstCartePerimee), entete.end());
    for (QString& c : entete)
        c = CarteEcriteFit(c);
    // The writer settles the cards that this program's own reader takes for
    // these keywords (and read the image with); any other form goes.
    static const QRegularExpression reglees(QStringLiteral("^(?:SIMPLE|BITPIX|NAXIS[0-9]*|BSCALE|BZERO|BLANK)$"));
    entete.removeIf([](const QString& c) {
        if (EstCarteFinFit(c))
            return true;
        if (!EstCarteStructureFit(c))
            return false;
        // EXTEND that is not T or F keeps some readers from opening the file.
        if (MotCleLuFit(c) == QLatin1String("EXTEND"))
            return !DefautCarteFit(c).isEmpty() || !EstCarteValeurFit(c, QStringLiteral("EXTEND"));
        return !reglees.match(MotCleCarte(c)).hasMatch();
    });
    return entete;
}

// A card that every FITS reader reads as motCle = valeur: the standard value
// card of the keyword, a FITS real without comma or small exponent.
bool CarteReelleConforme(const QString& carte, QLatin1String motCle, double valeur)
{
    const QString texte = ValeurCarteSansCommentaire(carte);
    double v = 0;
    return EstCarteValeurFit(carte, motCle) && EstReelFit(texte) && TexteCarteEnReel(texte, v) && v == valeur;
}

// BSCALE and BZERO as the scaling written: the last card of each kept when
// every FITS reader reads it so, any other gone, a card added when the value
// is not the default.
void FixerCartesEchelle(QStringList& entete, const TEchelleEcriture& echelle)
{
    for (const auto& [nom, valeur, defaut] :
         {std::tuple("BZERO", echelle.BZero, 0.0), std::tuple("BSCALE", echelle.BScale, 1.0)}) {
        const QLatin1String motCle(nom);
        const int derniere = DerniereCarteFit(entete, motCle);
        const bool garder = derniere >= 0 && CarteReelleConforme(entete[derniere], motCle, valeur);
        for (int k = static_cast<int>(entete.size()) - 1; k >= 0; --k)
            if (MotCleCarte(entete[k]) == motCle && !(garder && k == derniere))
                entete.removeAt(k);
        if (!garder && valeur != defaut) {
            // After NAXIS2, which is there: BSCALE then BZERO.
            const int i = DerniereCarteFit(entete, QLatin1String("NAXIS2"));
            entete.insert(i + 1, CarteRembourreeFit(CarteValeurFit(motCle, TexteReelExactFit(valeur))));
        }
    }
}

// BLANK marks undefined samples, and an image in memory has none: a card is
// kept only while it is an integer that no written sample equals.
void FixerCarteBlank(const THistoFit& image, QStringList& entete, const TEchelleEcriture& echelle)
{
    const int derniere = DerniereCarteFit(entete, QLatin1String("BLANK"));
    if (derniere < 0)
        return;
    int32_t blank = 0;
    bool garder = EstCarteValeurFit(entete[derniere], QStringLiteral("BLANK")) &&
                  TexteCarteEnEntierSigne(ValeurCarteSansCommentaire(entete[derniere]), blank) && blank >= -32768 &&
                  blank <= 32767;
    for (size_t i = 0; garder && i < image.Pixels.size(); ++i)
        garder = static_cast<int16_t>(echelle.Brut(image.Pixels[i])) != blank;
    for (int k = static_cast<int>(entete.size()) - 1; k >= 0; --k)
        if (MotCleCarte(entete[k]) == QLatin1String("BLANK") && !(garder && k == derniere))
            entete.removeAt(k);
}

// The header as written: a standard primary header for 16-bit data of the
// image's size and the scaling chosen, the program cards rebuilt.
QStringList EnteteEcriture(const THistoFit& image, QStringList entete, const TEchelleEcriture& echelle)
{
    // SIMPLE, BITPIX 16, NAXIS 2, NAXIS1, NAXIS2 first, in fixed format; kept
    // as they are (comments included) when already so and their values read
    // back as these.
    const QStringList obligatoires = {
        CarteRembourreeFit(CarteValeurFit(QStringLiteral("SIMPLE"), QStringLiteral("T"))),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("BITPIX"), 16)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("NAXIS"), 2)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("NAXIS1"), image.XMax + 1)),
        CarteRembourreeFit(CarteEntiereFit(QStringLiteral("NAXIS2"), image.YMax + 1)),
    };
    int structure = 0;
    for (const QString& c : entete)
        structure += EstMotCleStructure(MotCleCarte(c)) ? 1 : 0;
    bool enPlace = structure == 5 && entete.size() >= 5;
    for (int i = 0; enPlace && i < 5; ++i)
        enPlace = entete[i].left(30) == obligatoires[i].left(30) &&
                  ValeurCarteSansCommentaire(entete[i]) == ValeurCarteSansCommentaire(obligatoires[i]);
    if (!enPlace) {
        entete.erase(std::remove_if(entete.begin(), entete.end(),
                                    [](const QString& c) { return EstMotCleStructure(MotCleCarte(c)); }),
                     entete.end());
        for (int i = 4; i >= 0; --i)
            entete.prepend(obligatoires[i]);
    }
    FixerCartesEchelle(entete, echelle);
    FixerCarteBlank(image, entete, echelle);

    // The program's cards.
    for (QString& c : entete) {
        const QString k = MotCleCarte(c);
        if (k == QLatin1String("STL_SMIN"))
            c = CarteRembourreeFit(CarteEntiereFit(k, image.SMin));
        else if (k == QLatin1String("STL_SMAX"))
            c = CarteRembourreeFit(CarteEntiereFit(k, image.SMax));
        else if (k == QLatin1String("STL_TRFT"))
            c = CarteRembourreeFit(CarteValeurFit(k, TexteReelCourt(std::isfinite(image.TRFT) ? image.TRFT : 0)));
        else if (k == QLatin1String("RELEASE"))
            c = CarteRembourreeFit(CarteEcriteFit(CarteReleaseFit()));
    }
    entete << CarteRembourreeFit(QStringLiteral("END"));
    return entete;
}

} // namespace

void EnregistrerFit(THistoFit& image, const QString& nom)
{
    const size_t n = image.PixelsPresents() ? image.Pixels.size() : 0;
    if (n == 0)
        LeverErreur(QStringLiteral("L'image à enregistrer est vide."));
    const int64_t l = image.XMax + 1, h = image.YMax + 1;

    QStringList nettoyee = EnteteNettoyee(image.Entete);
    const TEchelleEcriture echelle = ChoisirEchelle(image, nettoyee);
    const QStringList entete = EnteteEcriture(image, std::move(nettoyee), echelle);

    EcrireFichierSur(nom, [&](QIODevice& f) {
        const auto ecrire = [&f](const char* d, qint64 taille) {
            if (f.write(d, taille) != taille)
                LeverErreurFichier(ES_ErreurEcriture);
        };
        QByteArray blocEntete;
        blocEntete.reserve(2880 * ((entete.size() + 35) / 36));
        for (const QString& c : entete)
            blocEntete += CarteRembourreeFit(c).toLatin1();
        while (blocEntete.size() % 2880)
            blocEntete += ' ';
        ecrire(blocEntete.constData(), blocEntete.size());

        // Rows from the bottom one up, by bands of 64 file rows.
        constexpr int64_t T = 64;
        std::vector<uchar> bande(static_cast<size_t>(2 * l * std::min<int64_t>(T, h)));
        for (int64_t r0 = 0; r0 < h; r0 += T) {
            const int64_t r1 = std::min(h, r0 + T);
            for (int64_t x0 = 0; x0 < l; x0 += T) {
                const int64_t x1 = std::min(l, x0 + T);
                for (int64_t x = x0; x < x1; ++x) {
                    const double* col = image.Pixels.data() + x * h + (h - 1);
                    for (int64_t r = r0; r < r1; ++r) {
                        const uint16_t brut = echelle.Brut(col[-r]);
                        uchar* d = bande.data() + 2 * ((r - r0) * l + x);
                        d[0] = static_cast<uchar>(brut >> 8);
                        d[1] = static_cast<uchar>(brut & 0xFF);
                    }
                }
            }
            ecrire(reinterpret_cast<const char*>(bande.data()), 2 * l * (r1 - r0));
        }
        const int64_t reste = (2 * l * h) % 2880;
        if (reste) {
            const QByteArray zeros(2880 - reste, '\0');
            ecrire(zeros.constData(), zeros.size());
        }
    });
    image.Entete = entete;
}

void EchelleEnregistrementFit(const THistoFit& image, const QStringList& entete, double& bscale, double& bzero)
{
    const TEchelleEcriture echelle = ChoisirEchelle(image, EnteteNettoyee(entete));
    bscale = echelle.BScale;
    bzero = echelle.BZero;
}
