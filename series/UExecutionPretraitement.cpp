#include "UExecutionPretraitement.h"

#include "PErreurs.h"
#include "PFichiers.h"
#include "UEcritureFit.h"
#include "UFiltresBmp.h"
#include "UImages.h"
#include "UOutils.h"
#include "UParametres.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

QString TFichierSerie::Chemin() const { return QDir(Dossier).filePath(Nom); }

namespace {

const QString kFlatMoinsOffset = QStringLiteral("pretfmo~");
const QString kBruteMoinsDark = QStringLiteral("pretbmd~");
const QString kBruteCalibree = QStringLiteral("pretbok~");
const QString kBruteAlignee = QStringLiteral("pretbrg~");

const QColor kRouge(255, 0, 0);
const QColor kBleu(0, 0, 255);
const QColor kNoir(0, 0, 0);

QString LigneTiret(const QString& debut) { return debut.leftJustified(80, QLatin1Char('-')); }

// One image object of either kind, so that every step is written once.
struct TImageSerie {
    int Type = 1;
    THistoFit Fit;
    THistoBmp Bmp;

    int Largeur() const { return Type == 1 ? LargeurFit(Fit) : LargeurBmp(Bmp); }
    int Hauteur() const { return Type == 1 ? HauteurFit(Fit) : HauteurBmp(Bmp); }
};

// The star of the registration frame as one image shows it.
struct TEtoileCadre {
    double X = 0, Y = 0; // centroid in the frame
    double Pic = 0;      // brightest value above the frame's median
    bool Bord = false;   // the centroid's window reaches the frame's edge
};

class TExecution {
public:
    TExecution(const TReglagesPretraitement& r, const TLigneRapport& rapport, const TProgression& progression)
        : R(r), Rapport(rapport), Progression(progression), Type(r.TypeImages)
    {
    }

    TResultatPretraitement Executer(THistoFit& resultatFit, THistoBmp& resultatBmp);

private:
    const TReglagesPretraitement& R;
    const TLigneRapport& Rapport;
    const TProgression& Progression;
    int Type;
    int Largeur = 0;
    int Hauteur = 0;
    int FormatBmp = pfDevice; // pixel format of a BMP series
    std::unique_ptr<QTemporaryDir> Dossier;
    QHash<QString, QString> Miroirs; // source folder -> its private twin
    TImageSerie MasterDark, MasterOffset, MasterFlat, Resultat;
    double MoyenneFlat = 0;

    void Ligne(const QString& texte, const QColor& couleur = kNoir) const
    {
        if (Rapport)
            Rapport(texte, couleur);
    }
    void Cloture(const QString& texte) const
    {
        Ligne(texte, kBleu);
        Ligne(QString());
    }

    // Where the intermediate of a listed file lives: the twin of its folder
    // in the private folder, so that two files of one name never meet.
    QString Intermediaire(const TFichierSerie& f, const QString& prefixe);
    void Charger(TImageSerie& image, const QString& chemin) const;
    void Enregistrer(TImageSerie& image, const QString& chemin) const;
    void Copier(const QString& source, const QString& destination) const;
    void ControlerTaille(const TImageSerie& image, const QString& chemin) const;
    void Master(const QList<TFichierSerie>& liste, const QString& prefixe, int combinaison, const QString& legende,
                TImageSerie& master);
    void SoustraireMaster(const QList<TFichierSerie>& liste, const QString& prefixeLu, const QString& prefixeEcrit,
                          const TImageSerie& master);
    void DiviserParFlat(const QString& prefixeLu);
    void Valider(const QString& prefixeLu);
    void Aligner();
    TEtoileCadre MesurerEtoile(const TImageSerie& image, const QString& chemin) const;
    void CentreDisque(const TImageSerie& image, const QString& chemin, double& x, double& y) const;
    void Compositer(const QString& prefixe);
    void Purger();
};

QString TExecution::Intermediaire(const TFichierSerie& f, const QString& prefixe)
{
    const QString source = QDir::cleanPath(QFileInfo(f.Dossier).absoluteFilePath());
    auto it = Miroirs.find(source);
    if (it == Miroirs.end()) {
        const QString jumeau = Dossier->filePath(QString::number(Miroirs.size() + 1));
        if (!QDir().mkpath(jumeau))
            LeverErreur(QStringLiteral("Impossible de créer le dossier temporaire %1.").arg(jumeau));
        it = Miroirs.insert(source, jumeau);
    }
    return QDir(it.value()).filePath(prefixe + f.Nom);
}

void TExecution::Charger(TImageSerie& image, const QString& chemin) const
{
    try {
        if (Type == 1)
            LireFichierFit(image.Fit, chemin);
        else
            ChargerBmpSansAnalyse(image.Bmp, chemin);
    } catch (const EStelor& e) {
        LeverErreur(QStringLiteral("%1\n%2").arg(chemin, e.Message()));
    }
    ControlerTaille(image, chemin);
}

void TExecution::ControlerTaille(const TImageSerie& image, const QString& chemin) const
{
    if (image.Largeur() != Largeur || image.Hauteur() != Hauteur)
        LeverErreur(QStringLiteral("L'image %1 (%2 x %3) n'a plus la taille de la série (%4 x %5).")
                        .arg(chemin)
                        .arg(image.Largeur())
                        .arg(image.Hauteur())
                        .arg(Largeur)
                        .arg(Hauteur));
    if (Type == 2) {
        const int f = FormatPixelBmp(image.Bmp);
        if (f != pf8bit && f != pf24bit)
            LeverErreur(QStringLiteral("L'image %1 n'est ni en 8 bits ni en 24 bits.").arg(chemin));
        // A stack would leave such a frame out without a word.
        if (f != FormatBmp)
            LeverErreur(QStringLiteral("L'image %1 n'a plus le format des images de la série.").arg(chemin));
    }
}

void TExecution::Enregistrer(TImageSerie& image, const QString& chemin) const
{
    try {
        if (Type == 1)
            EnregistrerFit(image.Fit, chemin);
        else
            EnregistrerSourceBmp(image.Bmp, chemin);
    } catch (const EStelor& e) {
        LeverErreur(QStringLiteral("%1\n%2").arg(chemin, e.Message()));
    }
}

void TExecution::Copier(const QString& source, const QString& destination) const
{
    // The copy stands for a calibrated frame: the source must still be one
    // of the series.
    TImageSerie controle;
    controle.Type = Type;
    Charger(controle, source);
    EcrireFichierSur(destination, LireFichierComplet(source));
}

void TExecution::Master(const QList<TFichierSerie>& liste, const QString& prefixe, int combinaison,
                        const QString& legende, TImageSerie& master)
{
    QStringList chemins;
    for (const TFichierSerie& f : liste)
        chemins << (prefixe.isEmpty() ? f.Chemin() : Intermediaire(f, prefixe));
    master.Type = Type;
    if (Type == 1) {
        if (combinaison == CombinaisonMoyenne)
            MoyenneListeFit(chemins, master.Fit, Progression, legende);
        else
            MedianeListeFit(chemins, master.Fit);
    } else {
        if (combinaison == CombinaisonMoyenne)
            MoyenneListeBmp(chemins, master.Bmp, Progression, legende);
        else
            MedianeListeBmp(chemins, master.Bmp);
    }
    ControlerTaille(master, chemins.value(0));
}

void TExecution::SoustraireMaster(const QList<TFichierSerie>& liste, const QString& prefixeLu,
                                  const QString& prefixeEcrit, const TImageSerie& master)
{
    TImageSerie image;
    image.Type = Type;
    for (const TFichierSerie& f : liste) {
        const QString lu = prefixeLu.isEmpty() ? f.Chemin() : Intermediaire(f, prefixeLu);
        Charger(image, lu);
        if (Type == 1)
            SoustraireImageFit(image.Fit, master.Fit);
        else if (!SoustraireImageBmp(image.Bmp, master.Bmp))
            LeverErreur(QStringLiteral("L'image %1 n'a pas le format du master.").arg(lu));
        const QString ecrit = Intermediaire(f, prefixeEcrit);
        Enregistrer(image, ecrit);
        Ligne(ecrit + QStringLiteral(" enregistré."));
    }
}

void TExecution::DiviserParFlat(const QString& prefixeLu)
{
    TImageSerie image;
    image.Type = Type;
    for (const TFichierSerie& f : R.Brutes) {
        const QString lu = prefixeLu.isEmpty() ? f.Chemin() : Intermediaire(f, prefixeLu);
        Charger(image, lu);
        if (Type == 1)
            DiviserImageFit(image.Fit, MasterFlat.Fit, MoyenneFlat);
        else if (!DiviserImageBmp(image.Bmp, MasterFlat.Bmp, MoyenneFlat))
            LeverErreur(QStringLiteral("L'image %1 n'a pas le format du master flat.").arg(lu));
        const QString ecrit = Intermediaire(f, kBruteCalibree);
        Enregistrer(image, ecrit);
        Ligne(ecrit + QStringLiteral(" enregistré."));
    }
}

void TExecution::Valider(const QString& prefixeLu)
{
    for (const TFichierSerie& f : R.Brutes) {
        const QString lu = prefixeLu.isEmpty() ? f.Chemin() : Intermediaire(f, prefixeLu);
        const QString ecrit = Intermediaire(f, kBruteCalibree);
        Copier(lu, ecrit);
        Ligne(ecrit + QStringLiteral(" enregistré."));
    }
}

TEtoileCadre TExecution::MesurerEtoile(const TImageSerie& image, const QString& chemin) const
{
    TImageSerie cadre;
    cadre.Type = Type;
    const bool coupe =
        Type == 1 ? CouperCadreFit(image.Fit, cadre.Fit, R.Cadre) : CouperCadreBmp(image.Bmp, cadre.Bmp, R.Cadre);
    if (!coupe)
        LeverErreur(QStringLiteral("Le cadre d'alignement ne couvre aucun pixel de l'image %1.").arg(chemin));
    const int32_t largeurFenetre = LireLargMatriceCentroide(), plan = CouleurIndex(R.PlanRegistration);
    TEtoileCadre e;
    const bool trouve = Type == 1 ? PositionEtoileFit(cadre.Fit, e.X, e.Y, largeurFenetre)
                                  : PositionEtoileBmp(cadre.Bmp, e.X, e.Y, plan, largeurFenetre);

    // The values the centroid read (a bitmap's plane) and its brightest pixel.
    const int32_t w = cadre.Largeur(), h = cadre.Hauteur();
    int32_t xm = 0, ym = 0;
    std::vector<double> valeurs;
    if (Type == 1) {
        PositionMaxiFit(cadre.Fit, xm, ym);
        valeurs = cadre.Fit.Pixels;
    } else {
        CopierCanalBmp(cadre.Bmp, cadre.Bmp, plan); // an 8-bit picture is its own plane
        PositionMaxBmp(cadre.Bmp, xm, ym);
        for (int32_t y = 0; y < h; ++y)
            valeurs.insert(valeurs.end(), cadre.Bmp.BitmapSource.constScanLine(y),
                           cadre.Bmp.BitmapSource.constScanLine(y) + w);
    }
    const auto milieu = valeurs.begin() + static_cast<std::ptrdiff_t>(valeurs.size() / 2);
    std::nth_element(valeurs.begin(), milieu, valeurs.end());
    e.Pic = *std::max_element(milieu, valeurs.end()) - *milieu;
    // A flat frame has a centroid too, but no star.
    if (!trouve || !std::isfinite(e.X) || !std::isfinite(e.Y) || !(e.Pic > 0))
        LeverErreur(QStringLiteral("Aucune étoile n'a été trouvée dans le cadre d'alignement de l'image %1.")
                        .arg(chemin));

    const int32_t demi = LargeurFenetreCentroide(largeurFenetre) / 2;
    const auto auBord = [demi](int32_t p, int32_t n) {
        // A window too wide to lie inside the frame reaches its edges wherever
        // the star is: then only a brightest pixel on the edge tells.
        if (2 * demi + 2 > n)
            return p == 0 || p == n - 1;
        return p - demi <= 0 || p + demi >= n;
    };
    e.Bord = auBord(xm, w) || auBord(ym, h);
    return e;
}

void TExecution::CentreDisque(const TImageSerie& image, const QString& chemin, double& x, double& y) const
{
    QList<TPointBord> points;
    if (Type == 1) {
        const double seuil = R.CoefPlanetaire * EcartTypeFit(image.Fit) + ModeHistogrammeFit(image.Fit);
        PointsBordDisqueFit(image.Fit, points, seuil);
    } else {
        const int32_t plan = CouleurIndex(R.PlanRegistration);
        const double seuil = R.CoefPlanetaire * EcartTypeBmp(image.Bmp, plan) + ModeHistogrammeBmp(image.Bmp, plan);
        PointsBordDisqueBmp(image.Bmp, points, plan, seuil);
    }
    OrdonnerPointsContour(points);
    if (!CentreContour(points, x, y) || !std::isfinite(x) || !std::isfinite(y))
        LeverErreur(QStringLiteral("Le centre du disque de l'image %1 n'a pas pu être mesuré.").arg(chemin));
}

void TExecution::Aligner()
{
    const bool etoile = R.CadreDefini();
    const bool planete = !etoile && R.Registration == RegistrationPlanetaire;
    const int indexReference = (R.Reference >= 0 && R.Reference < R.Brutes.size()) ? R.Reference : 0;
    TImageSerie image;
    image.Type = Type;
    const QString cheminReference = Intermediaire(R.Brutes[indexReference], kBruteCalibree);
    Charger(image, cheminReference);
    double niveau = 0;
    if (R.AjustementNiveaux)
        niveau = Type == 1 ? MoyenneFit(image.Fit) : MoyenneBmp(image.Bmp);
    // The frame is cut at the same place in every image: a star that leaves
    // it, or another one found in its place, would give a wrong shift.
    TEtoileCadre reference;
    const auto mesurer = [&](const QString& chemin) {
        const TEtoileCadre e = MesurerEtoile(image, chemin);
        if (e.Bord)
            LeverErreur(QStringLiteral("L'étoile du cadre d'alignement touche le bord du cadre dans l'image %1 : "
                                       "elle en sort en partie et son décalage serait faux.\n"
                                       "Tracez un cadre plus grand, centré sur l'étoile de référence.")
                            .arg(chemin));
        if (e.Pic < reference.Pic / 2)
            LeverErreur(QStringLiteral("L'étoile du cadre d'alignement de l'image %1 n'est pas celle de la "
                                       "référence : son pic au-dessus du fond (%2) fait moins de la moitié de "
                                       "celui de la référence (%3).\n"
                                       "Tracez un cadre plus grand, centré sur l'étoile de référence.")
                            .arg(chemin, ReelEnTexte(e.Pic, 1), ReelEnTexte(reference.Pic, 1)));
        return e;
    };
    // Messages name the listed file, not its intermediate.
    const QString nomReference = R.Brutes[indexReference].Chemin();
    double xr = 0, yr = 0;
    if (etoile) {
        reference = mesurer(nomReference);
        xr = reference.X;
        yr = reference.Y;
    } else if (planete) {
        CentreDisque(image, nomReference, xr, yr);
    }

    for (const TFichierSerie& f : R.Brutes) {
        const QString lu = Intermediaire(f, kBruteCalibree);
        Charger(image, lu);
        QString texte;
        if (etoile || planete) {
            double xi = 0, yi = 0;
            if (etoile) {
                const TEtoileCadre e = mesurer(f.Chemin());
                xi = e.X;
                yi = e.Y;
            } else {
                CentreDisque(image, f.Chemin(), xi, yi);
            }
            const double dx = xr - xi, dy = yr - yi;
            // An outline that is no disk's (a lunar texture, no planet) has a
            // centre anywhere, even far outside the picture: nothing of such
            // a frame would be left to stack.
            if (planete && DecalageHorsImage(dx, dy, Largeur, Hauteur))
                LeverErreur(QStringLiteral("Le décalage de l'image %1 (%2 ; %3 pixels) la ferait sortir entièrement "
                                           "de l'image de %4 x %5 pixels : le contour trouvé n'est pas celui d'un "
                                           "disque, dans cette image ou dans l'image de référence %6.\n"
                                           "L'alignement planétaire demande des images où la planète se détache "
                                           "entière sur le fond du ciel.")
                                .arg(f.Chemin(), ReelEnTexte(dx, 2), ReelEnTexte(dy, 2))
                                .arg(Largeur)
                                .arg(Hauteur)
                                .arg(nomReference));
            if (Type == 1) {
                TranslationXFit(image.Fit, dx);
                TranslationYFit(image.Fit, dy);
            } else {
                TranslationXBmp(image.Bmp, dx);
                TranslationYBmp(image.Bmp, dy);
            }
            texte = TexteDecalage(dx, dy);
        }
        if (R.AjustementNiveaux) {
            if (Type == 1) {
                AjusterNiveauFit(image.Fit, niveau);
                image.Fit.SMin = SeuilMiniAutoFit(image.Fit);
                image.Fit.SMax = SeuilMaxiAutoFit(image.Fit);
            } else {
                AjusterNiveauBmp(image.Bmp, niveau);
                image.Bmp.SMin = 0;
                image.Bmp.SMax = 255;
            }
        }
        const QString ecrit = Intermediaire(f, kBruteAlignee);
        Enregistrer(image, ecrit);
        Ligne(texte + ecrit + QStringLiteral(" enregistré."));
    }
}

void TExecution::Compositer(const QString& prefixe)
{
    QStringList chemins;
    for (const TFichierSerie& f : R.Brutes)
        chemins << Intermediaire(f, prefixe);
    const QString legende = QStringLiteral("Compositage...");
    Resultat.Type = Type;
    if (Type == 1) {
        if (R.Addition)
            SommeListeFit(chemins, Resultat.Fit, Progression, legende);
        else
            MoyenneListeFit(chemins, Resultat.Fit, Progression, legende);
    } else {
        if (R.Addition)
            SommeListeBmp(chemins, Resultat.Bmp, Progression, legende);
        else
            MoyenneListeBmp(chemins, Resultat.Bmp, Progression, legende);
    }
    ControlerTaille(Resultat, chemins.value(0));
}

void TExecution::Purger()
{
    auto supprimer = [this](const QList<TFichierSerie>& liste, const QString& prefixe) {
        for (const TFichierSerie& f : liste) {
            const QString chemin = Intermediaire(f, prefixe);
            if (QFile::exists(chemin) && !QFile::remove(chemin))
                LeverErreur(QStringLiteral("Impossible de supprimer le fichier %1.").arg(chemin));
        }
    };
    supprimer(R.Flats, kFlatMoinsOffset);
    supprimer(R.Brutes, kBruteMoinsDark);
    supprimer(R.Brutes, kBruteCalibree);
    supprimer(R.Brutes, kBruteAlignee);
}

TResultatPretraitement TExecution::Executer(THistoFit& resultatFit, THistoBmp& resultatBmp)
{
    TResultatPretraitement fin;
    if (R.Brutes.isEmpty() || (Type != 1 && Type != 2))
        return fin;
    const int B = R.Brutes.size(), K = R.Darks.size(), F = R.Flats.size(), O = R.Offsets.size();

    // The series' size is that of the first raw frame now: a file changed
    // since it was listed is caught when it is read.
    const QString premiere = R.Brutes.first().Chemin();
    try {
        if (Type == 1)
            DimensionsFichierFit(premiere, Largeur, Hauteur);
        else {
            DimensionsFichierBmp(premiere, Largeur, Hauteur);
            FormatBmp = FormatPixelFichierBmp(premiere);
        }
    } catch (const EStelor& e) {
        LeverErreur(QStringLiteral("%1\n%2").arg(premiere, e.Message()));
    }

    Dossier = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("stelor-pretraitement-XXXXXX")));
    if (!Dossier->isValid())
        LeverErreur(QStringLiteral("Impossible de créer un dossier temporaire pour le prétraitement."));

    Ligne(LigneTiret(QStringLiteral("Début du prétraitement ")), kRouge);
    Ligne(QString());
    QString comptes = QString::number(B) + QStringLiteral(" brute(s)");
    if (K > 0)
        comptes += QStringLiteral(", ") + QString::number(K) + QStringLiteral(" dark(s)");
    if (F > 0)
        comptes += QStringLiteral(", ") + QString::number(F) + QStringLiteral(" flat(s)");
    if (O > 0)
        comptes += QStringLiteral(", ") + QString::number(O) + QStringLiteral(" offset(s)");
    Ligne(comptes + QLatin1Char('.'), kBleu);
    Ligne(QString());

    if (K > 0) {
        Ligne(QStringLiteral("Calcul du master dark..."));
        Master(R.Darks, QString(), R.CombinaisonDark, QStringLiteral("Master dark..."), MasterDark);
        Cloture(QStringLiteral("Master dark calculé."));
    }
    if (O > 0) {
        Ligne(QStringLiteral("Calcul du master offset..."));
        Master(R.Offsets, QString(), R.CombinaisonOffset, QStringLiteral("Master offset..."), MasterOffset);
        Cloture(QStringLiteral("Master offset calculé."));
    }
    if (F > 0 && O > 0) {
        Ligne(QStringLiteral("Soustraction du master offset aux flats..."));
        SoustraireMaster(R.Flats, QString(), kFlatMoinsOffset, MasterOffset);
        Cloture(QStringLiteral("Enregistrés."));
    }
    if (F > 0) {
        Ligne(QStringLiteral("Calcul du master flat..."));
        Master(R.Flats, O > 0 ? kFlatMoinsOffset : QString(), R.CombinaisonFlat, QStringLiteral("Master flat..."),
               MasterFlat);
        // The same for every frame: taken once.
        MoyenneFlat = Type == 1 ? MoyenneFit(MasterFlat.Fit) : MoyenneBmp(MasterFlat.Bmp);
        Cloture(QStringLiteral("Master flat calculé."));
    }
    if (K > 0) {
        Ligne(QStringLiteral("Soustraction du master dark aux brutes..."));
        SoustraireMaster(R.Brutes, QString(), kBruteMoinsDark, MasterDark);
        Cloture(QStringLiteral("Enregistrés."));
    }
    if (F > 0 && K > 0) {
        Ligne(QStringLiteral("Divisions des brutes (- master dark) par le master flat..."));
        DiviserParFlat(kBruteMoinsDark);
    } else if (F > 0) {
        Ligne(QStringLiteral("Divisions des brutes par le master flat..."));
        DiviserParFlat(QString());
    } else if (K > 0) {
        Ligne(QStringLiteral("Validation des brutes (- master dark)..."));
        Valider(kBruteMoinsDark);
    } else {
        Ligne(QStringLiteral("Validation des brutes..."));
        Valider(QString());
    }
    Cloture(QStringLiteral("Enregistrés."));

    const bool alignement = R.CadreDefini() || R.Registration == RegistrationPlanetaire;
    const bool etape9 = alignement || R.AjustementNiveaux;
    if (etape9) {
        Ligne(alignement && R.AjustementNiveaux ? QStringLiteral("Alignement et ajustement des niveaux...")
              : alignement                       ? QStringLiteral("Alignement...")
                                                 : QStringLiteral("Ajustement des niveaux..."));
        Aligner();
        Cloture(QStringLiteral("Enregistrés."));
    }
    if (R.Compositer) {
        Ligne(QStringLiteral("Compositage..."));
        Compositer(etape9 ? kBruteAlignee : kBruteCalibree);
        Cloture(QStringLiteral("Terminé."));
    }
    if (!R.Conserver) {
        Ligne(QStringLiteral("Purge des fichiers temporaires..."));
        Purger();
        Cloture(QStringLiteral("Terminé."));
    } else {
        Dossier->setAutoRemove(false);
        fin.DossierConserve = Dossier->path();
        Ligne(QStringLiteral("Fichiers intermédiaires conservés dans ") + fin.DossierConserve);
        Ligne(QString());
    }
    Ligne(LigneTiret(QStringLiteral("Fin du prétraitement ")), kRouge);
    Ligne(QString());

    // Only a complete run replaces what the window shows.
    if (Type == 1) {
        EchangerHistoFit(resultatFit, Resultat.Fit);
        resultatFit.SMin = Resultat.Fit.SMin;
        resultatFit.SMax = Resultat.Fit.SMax;
        resultatFit.TRFT = Resultat.Fit.TRFT;
    } else {
        EchangerHistoBmp(resultatBmp, Resultat.Bmp);
    }
    fin.Compose = R.Compositer;
    return fin;
}

} // namespace

QString TexteDecalage(double dx, double dy)
{
    auto texte = [](double d) {
        if (d == 0)
            d = 0; // no "-0"
        return (d >= 0 ? QStringLiteral("+") : QString()) + ReelEnTexte(d, 5) + QStringLiteral("...\t");
    };
    return texte(dx) + texte(dy);
}

bool DecalageHorsImage(double dx, double dy, int32_t largeur, int32_t hauteur)
{
    // The whole part goes first: below the size, at least a column or a row
    // stays in the picture.
    return !(std::fabs(dx) < largeur && std::fabs(dy) < hauteur);
}

TResultatPretraitement ExecuterPretraitement(const TReglagesPretraitement& reglages, const TLigneRapport& rapport,
                                             const TProgression& progression, THistoFit& resultatFit,
                                             THistoBmp& resultatBmp)
{
    TExecution execution(reglages, rapport, progression);
    return execution.Executer(resultatFit, resultatBmp);
}
